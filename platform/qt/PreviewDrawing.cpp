#include "platform/qt/PreviewDrawing.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>

#include "platform/Failure.h"
#include "platform/jet/catalogue/CatalogueReader.h"
#include "platform/jet/catalogue/DatabaseFile.h"
#include "platform/jet/file/DatabaseError.h"
#include "platform/jet/process/HelperPrograms.h"
#include "platform/jet/process/LineProtocol.h"
#include "platform/jet/process/RendererProtocol.h"

namespace platform::qt {
namespace {

using Clock = std::chrono::steady_clock;

std::optional<std::size_t> number(const std::string& text) {
    std::size_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

PreviewDrawing::PreviewDrawing(const jet::EngineOptions& options, const std::string& database,
                               const std::string& password)
    : timeLimit_(options.printTimeLimit) {
    jet::ReadableDatabase readable;
    try {
        const auto file = jet::openDatabaseFile(database, password, jet::AcceptedFormats::JetAndAce, options);
        database_ = file.path;
        readable = jet::openReadableDatabase(file.path, password, jet::AcceptedFormats::JetAndAce, options);
    } catch (const jet::DatabaseError& error) {
        throw Failure(error.what(), error.engineNumber());
    }
    const std::string program = jet::helperProgramPath(options.helperFolder, jet::kRendererProgram);
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        throw Failure("Cannot start the helper program '" + program + "': " + std::strerror(errno));
    posix::ScopedFd theirs(ends[1]);
    channel_.reset(ends[0]);
    auto environment = jet::textConversionEnvironment(readable.header);
    environment.push_back("QT_QPA_PLATFORM=offscreen");
    environment.push_back(std::string{jet::kDatabasePathVariable} + "=" + database_);
    helper_ = jet::startChild(program, {"serve"}, theirs.get(), {"MDBOPTS", "MDBPATH"}, environment,
                              readable.descriptor.get());
}

PreviewDrawing::Values PreviewDrawing::parameters(const std::string& report) {
    const std::string request = jet::joinFields({jet::kParametersRequest, report});
    const std::string failed =
        "The parameters of the report '" + report + "' could not be read from the helper program.";
    if (::send(channel_.get(), request.data(), request.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(request.size()))
        throw Failure(failed);
    // One line alone answers; nothing may follow it.
    const auto deadline = Clock::now() + timeLimit_;
    std::string answer;
    while (answer.find('\n') == std::string::npos) {
        if (answer.size() > jet::kMaxAnswerLine || Clock::now() >= deadline) throw Failure(failed);
        pollfd ready{channel_.get(), POLLIN, 0};
        if (::poll(&ready, 1, 100) <= 0) continue;
        char buffer[4096];
        const ssize_t got = ::recv(channel_.get(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (got == 0) throw Failure(failed);
        if (got > 0) answer.append(buffer, static_cast<std::size_t>(got));
    }
    const auto lines = jet::splitLines(answer);
    if (lines.size() != 1 || answer.find('\n') + 1 != answer.size()) throw Failure(failed);
    const auto& fields = lines[0];
    if (fields.size() == 2 && fields[0] == jet::kErrorAnswer)
        throw Failure("The parameters of the report '" + report +
                      "' cannot be worked out: " + jet::printableLine(fields[1], jet::kMaxReasonBytes));
    if (fields.empty() || fields[0] != jet::kParametersRequest || fields.size() % 2 != 1)
        throw Failure(failed);
    Values parameters;
    for (std::size_t i = 1; i + 1 < fields.size(); i += 2) parameters.emplace_back(fields[i], fields[i + 1]);
    return parameters;
}

void PreviewDrawing::draw(const std::string& report, int dotsPerInch, const Values& values) {
    report_ = report;
    std::vector<std::string> fields{jet::kPreviewRequest, report, report, std::to_string(dotsPerInch)};
    for (const auto& [name, value] : values) fields.insert(fields.end(), {name, value});
    const std::string line = jet::joinFields(fields);
    std::string_view request = line;
    // The socket is still blocking: the request goes whole, as the helper reads it whole.
    while (!request.empty()) {
        const ssize_t sent = ::send(channel_.get(), request.data(), request.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) throw Failure("The report '" + report + "' could not be drawn.");
        request.remove_prefix(static_cast<std::size_t>(sent));
    }
}

PreviewDrawing::News PreviewDrawing::read() {
    News news;
    if (channel_.get() < 0) return news;
    const std::string helperFailed =
        "The report '" + report_ + "' could not be drawn: the helper program stopped.";
    for (;;) {
        char buffer[65536];
        const ssize_t got = ::recv(channel_.get(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (got > 0) {
            received_.append(buffer, static_cast<std::size_t>(got));
            if (!takeMessages(news)) return news;
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return news;
        news.failure = helperFailed;  // it ended before it said it had finished
        stop();
        return news;
    }
}

bool PreviewDrawing::takeMessages(News& news) {
    const auto fail = [&](std::string why) {
        news.failure = std::move(why);
        stop();
        return false;
    };
    const std::string notThisProtocol =
        "The report '" + report_ + "' could not be drawn: the helper program answered out of turn.";
    for (;;) {
        if (awaited_) {
            if (received_.size() < awaitedBytes_) return true;
            // The size the stream claims to make, checked before anything is made of it.
            const auto* header = reinterpret_cast<const unsigned char*>(received_.data());
            const std::size_t declared = std::size_t{header[0]} << 24 | std::size_t{header[1]} << 16 |
                                         std::size_t{header[2]} << 8 | header[3];
            if (declared !=
                std::size_t(awaited_->width) * std::size_t(awaited_->height) * std::size_t(awaited_->depth))
                return fail(notThisProtocol);
            heldBytes_ += awaitedBytes_;
            if (heldBytes_ > kMostPreviewBytes)
                return fail("Only the first " + std::to_string(pages_ - 1) +
                            " pages are shown: the rest would take more memory than a preview may hold.");
            awaited_->compressed = received_.substr(0, awaitedBytes_);
            news.pages.push_back(std::move(*awaited_));
            received_.erase(0, awaitedBytes_);
            awaited_.reset();
            continue;
        }
        const std::size_t end = received_.find('\n');
        if (end == std::string::npos) return received_.size() <= jet::kMaxAnswerLine || fail(notThisProtocol);
        auto lines = jet::splitLines(std::string_view(received_).substr(0, end + 1));
        received_.erase(0, end + 1);
        if (lines.size() != 1) return fail(notThisProtocol);
        const auto& fields = lines[0];
        if (fields.size() == 6 && fields[0] == jet::kPageAnswer) {
            const auto page = number(fields[1]);
            const auto width = number(fields[2]);
            const auto height = number(fields[3]);
            const auto depth = number(fields[4]);
            const auto size = number(fields[5]);
            // Each bound keeps the next product from overflowing.
            if (!page || *page != static_cast<std::size_t>(pages_) + 1 || !width || !height || !size ||
                (depth != 1u && depth != 4u) || *width == 0 || *height == 0 ||
                *width > jet::kMaxPagePictureBytes || *height > jet::kMaxPagePictureBytes / *depth / *width ||
                *size < 4 || *size > jet::kMaxPagePictureBytes)
                return fail(notThisProtocol);
            ++pages_;
            awaited_ =
                Page{static_cast<int>(*width), static_cast<int>(*height), static_cast<int>(*depth), {}};
            awaitedBytes_ = *size;
        } else if (fields.size() == 3 && fields[0] == jet::kDoneAnswer) {
            if (number(fields[1]) != static_cast<std::size_t>(pages_) || !received_.empty())
                return fail(notThisProtocol);
            news.finished = true;
            news.note = jet::printableLine(fields[2], jet::kMaxReasonBytes * 3);
            stop();
            return false;
        } else if (fields.size() == 2 && fields[0] == jet::kErrorAnswer) {
            const std::string reason = jet::printableLine(fields[1], jet::kMaxReasonBytes);
            return fail("The report '" + report_ + "' could not be drawn: " + reason +
                        (reason.ends_with('.') ? "" : "."));
        } else {
            return fail(notThisProtocol);
        }
    }
}

QImage unpackPage(const PreviewDrawing::Page& page) {
    if ((page.depth != 1 && page.depth != 4) || page.width <= 0 || page.height <= 0 ||
        page.compressed.size() < 4 || page.compressed.size() - 4 > std::numeric_limits<uLong>::max())
        return {};
    const std::size_t rowBytes = std::size_t(page.width) * std::size_t(page.depth);
    std::string pixels(rowBytes * std::size_t(page.height), '\0');
    // zlib fills no more than the room it is given: a stream that would make more fails, whatever it
    // claims, rather than growing the picture.
    uLongf made = static_cast<uLongf>(pixels.size());
    if (made != pixels.size() ||
        ::uncompress(reinterpret_cast<Bytef*>(pixels.data()), &made,
                     reinterpret_cast<const Bytef*>(page.compressed.data()) + 4,
                     static_cast<uLong>(page.compressed.size() - 4)) != Z_OK ||
        made != pixels.size())
        return {};
    QImage picture(page.width, page.height,
                   page.depth == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    if (picture.isNull()) return {};
    // A picture's rows may be padded; the page's are not.
    for (int y = 0; y < page.height; ++y)
        std::memcpy(picture.scanLine(y), pixels.data() + rowBytes * std::size_t(y), rowBytes);
    return picture;
}

void PreviewDrawing::stop() {
    channel_.reset();
    helper_.kill();
}

}  // namespace platform::qt
