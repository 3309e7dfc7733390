#include "platform/jet/print/PrintRenderer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <functional>
#include <optional>

#include "platform/Failure.h"
#include "platform/jet/process/ChildProcess.h"
#include "platform/jet/process/HelperPrograms.h"
#include "platform/jet/process/LineProtocol.h"
#include "platform/jet/process/RendererProtocol.h"
#include "platform/posix/ScopedHandles.h"

namespace platform::jet {
namespace {

using Clock = std::chrono::steady_clock;
using posix::ScopedFd;

// A helper is replaced after this many jobs. Its memory stays flat over a run (measured by jet_bench),
// but its processor time limit, meant to stop an orphan, would otherwise end a very long run's helper
// in the middle of a job.
constexpr int kJobsPerHelper = 1000;

// Refused: the helper answered in turn that it cannot draw the report, and said why.
enum class Outcome { Done, Refused, TimedOut, TooLarge, Failed };

// What poll may wait before the deadline: at least 0, at most a tenth of a second.
int millisecondsUntil(Clock::time_point deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 100));
}

// Waits until the descriptor is ready for the events or the deadline has passed, calling whileWaiting
// (when there is one) between short waits.
Outcome waitFor(int fd, short events, Clock::time_point deadline, const std::function<void()>& whileWaiting) {
    for (;;) {
        if (Clock::now() >= deadline) return Outcome::TimedOut;
        pollfd ready{fd, events, 0};
        int count = ::poll(&ready, 1, millisecondsUntil(deadline));
        if (count > 0) return Outcome::Done;
        if (count < 0 && errno != EINTR) return Outcome::Failed;
        if (whileWaiting) whileWaiting();
    }
}

// An answer's line: a document's announcement with its size and what the drawing left out, or a
// refusal with its reason.
struct AnswerLine {
    std::optional<std::size_t> size;
    std::string note;
    std::optional<std::string> reason;
};

AnswerLine answerLine(std::string_view line) {
    auto lines = splitLines(line);
    if (lines.size() != 1 || lines[0].size() < 2) return {};
    const std::string& text = lines[0][1];
    if (lines[0][0] == kErrorAnswer && lines[0].size() == 2)
        return {std::nullopt, {}, printableLine(text, kMaxReasonBytes)};
    std::size_t size = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
    if (lines[0][0] != kPdfAnswer || lines[0].size() != 3 || error != std::errc() ||
        end != text.data() + text.size())
        return {};
    return {size, printableLine(lines[0][2], kMaxReasonBytes * 3), std::nullopt};
}

}  // namespace

// A running renderer and our end of the socket it talks on.
class PrintRenderer::Helper {
  public:
    Helper(const EngineOptions& options, int database, std::vector<std::string> environment)
        : whileWaiting_(options.whileDrawing) {
        const std::string program = helperProgramPath(options.helperFolder, kRendererProgram);
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
            throw Failure("Cannot start the helper program '" + program + "': " + std::strerror(errno));
        ScopedFd theirs(ends[1]);
        channel_.reset(ends[0]);
        environment.push_back("QT_QPA_PLATFORM=offscreen");
        child_ = startChild(program, {"serve"}, theirs.get(), {"MDBOPTS", "MDBPATH"}, environment, database);
        // Sends and reads wait in poll, under the job's deadline, never in the call itself.
        ::fcntl(channel_.get(), F_SETFL, O_NONBLOCK);
    }

    // Waiting for a request: it has not ended, and says nothing out of turn.
    bool idle() const {
        pollfd ready{channel_.get(), POLLIN, 0};
        return ::poll(&ready, 1, 0) == 0;
    }

    int jobs() const { return jobs_; }

    // Failed when the helper cannot take the request: it has ended.
    Outcome send(std::string_view request, Clock::time_point deadline) {
        ++jobs_;
        while (!request.empty()) {
            ssize_t sent = ::send(channel_.get(), request.data(), request.size(), MSG_NOSIGNAL);
            if (sent >= 0) {
                request.remove_prefix(static_cast<std::size_t>(sent));
            } else if (errno == EAGAIN) {
                if (Outcome waited = waitFor(channel_.get(), POLLOUT, deadline, whileWaiting_);
                    waited != Outcome::Done)
                    return waited;
            } else if (errno != EINTR) {
                return Outcome::Failed;
            }
        }
        return Outcome::Done;
    }

    // Reads the answer to the request just sent: its line, then exactly the document it announces; or
    // the line alone, whose reason the report cannot be drawn goes into document.
    // The document and its note; on a refusal, the reason in the document.
    Outcome receive(RenderedReport& rendered, std::size_t sizeLimit, Clock::time_point deadline) {
        std::string& document = rendered.pdf;
        std::string answer;
        std::optional<std::size_t> size;
        std::size_t documentStart = 0;
        char buffer[65536];
        while (!size || answer.size() < documentStart + *size) {
            if (Outcome waited = waitFor(channel_.get(), POLLIN, deadline, whileWaiting_);
                waited != Outcome::Done)
                return waited;
            // Once the size is known nothing past the document is read: what follows is not ours.
            std::size_t wanted = size ? documentStart + *size - answer.size() : sizeof buffer;
            ssize_t got = ::read(channel_.get(), buffer, std::min(wanted, sizeof buffer));
            if (got == 0) return Outcome::Failed;  // it ended
            if (got < 0) {
                if (errno == EINTR || errno == EAGAIN) continue;
                return Outcome::Failed;
            }
            answer.append(buffer, static_cast<std::size_t>(got));
            if (size) continue;
            std::size_t lineEnd = answer.find('\n');
            if (lineEnd == std::string::npos) {
                if (answer.size() > kMaxAnswerLine) return Outcome::Failed;
                continue;
            }
            if (lineEnd > kMaxAnswerLine) return Outcome::Failed;
            documentStart = lineEnd + 1;
            const AnswerLine said = answerLine(std::string_view(answer).substr(0, documentStart));
            if (said.reason && answer.size() == documentStart) {
                document = *said.reason;
                return Outcome::Refused;
            }
            size = said.size;
            if (!size) return Outcome::Failed;  // not this protocol
            rendered.note = said.note;
            if (*size > sizeLimit) return Outcome::TooLarge;
            answer.reserve(documentStart + *size);
        }
        if (answer.size() != documentStart + *size) return Outcome::Failed;  // it said more than it announced
        document = answer.substr(documentStart);
        return Outcome::Done;
    }

    // Reads an answer that is one line alone: its fields.
    Outcome receiveLine(std::vector<std::string>& fields, Clock::time_point deadline) {
        std::string answer;
        char buffer[4096];
        while (answer.find('\n') == std::string::npos) {
            if (answer.size() > kMaxAnswerLine) return Outcome::Failed;
            if (Outcome waited = waitFor(channel_.get(), POLLIN, deadline, whileWaiting_);
                waited != Outcome::Done)
                return waited;
            ssize_t got = ::read(channel_.get(), buffer, sizeof buffer);
            if (got == 0) return Outcome::Failed;
            if (got < 0) {
                if (errno == EINTR || errno == EAGAIN) continue;
                return Outcome::Failed;
            }
            answer.append(buffer, static_cast<std::size_t>(got));
        }
        // Nothing may follow the line: the helper speaks only in turn.
        if (answer.find('\n') + 1 != answer.size() || answer.size() > kMaxAnswerLine + 1)
            return Outcome::Failed;
        auto lines = splitLines(answer);
        if (lines.size() != 1) return Outcome::Failed;
        fields = std::move(lines[0]);
        return Outcome::Done;
    }

  private:
    RunningChild child_{-1};
    ScopedFd channel_;  // closed before the child is ended: it sees the end of its requests
    int jobs_ = 0;
    std::function<void()> whileWaiting_;
};

namespace {

// Sends the job's request to the helper, first replacing one that has served its jobs or is not idle,
// or starting one (start) when none runs.
template <typename Helper, typename Start>
Outcome sendJob(std::unique_ptr<Helper>& helper, const std::string& request, Clock::time_point deadline,
                const Start& start) {
    if (helper && (helper->jobs() >= kJobsPerHelper || !helper->idle())) helper.reset();
    if (!helper) helper = start();
    Outcome outcome = helper->send(request, deadline);
    if (outcome == Outcome::Failed) {
        // It ended between jobs, after it was found idle: the job was never taken, so a fresh helper
        // takes it.
        helper = start();
        outcome = helper->send(request, deadline);
    }
    return outcome;
}

}  // namespace

PrintRenderer::PrintRenderer(EngineOptions options) : options_(std::move(options)) {}

PrintRenderer::~PrintRenderer() = default;

void PrintRenderer::useDatabase(int descriptor, std::vector<std::string> environment) {
    if (descriptor == database_ && environment == databaseEnvironment_) return;
    stop();
    database_ = descriptor;
    databaseEnvironment_ = std::move(environment);
}

void PrintRenderer::stop() {
    helper_.reset();
}

RenderedReport PrintRenderer::render(const std::string& title) {
    const auto deadline = Clock::now() + options_.printTimeLimit;
    const std::string report = database_ >= 0 ? title : "";  // none to read it from
    std::vector<std::string> fields{kRenderRequest, title, report};
    for (const auto& [name, value] : options_.parameterValues) fields.insert(fields.end(), {name, value});
    const std::string request = joinFields(fields);
    Outcome outcome = sendJob(helper_, request, deadline, [&] {
        return std::make_unique<Helper>(options_, database_, databaseEnvironment_);
    });
    RenderedReport rendered;
    if (outcome == Outcome::Done) outcome = helper_->receive(rendered, kMaxDocumentBytes, deadline);
    if (outcome == Outcome::Done && isWholePdf(rendered.pdf)) return rendered;
    // It answered in turn and waits for the next job: no reason to end it.
    if (outcome == Outcome::Refused) {
        const std::string reason = rendered.pdf.empty() ? "" : ": " + rendered.pdf;
        throw Failure("The report '" + title + "' could not be drawn" + reason +
                      (reason.ends_with('.') ? "" : "."));
    }
    stop();  // a helper in doubt serves no further job
    if (outcome == Outcome::TimedOut)
        throw Failure("The print job for the report '" + title + "' took longer than " +
                      secondsText(options_.printTimeLimit) + " seconds.");
    if (outcome == Outcome::TooLarge)
        throw Failure("The print job for the report '" + title + "' came to a document larger than " +
                      std::to_string(kMaxDocumentBytes >> 20) + " MB, the most a print job may hold.");
    throw Failure("The print job for the report '" + title + "' could not be rendered.");
}

std::vector<std::pair<std::string, std::string>> PrintRenderer::parameters(const std::string& report) {
    const auto deadline = Clock::now() + options_.printTimeLimit;
    if (database_ < 0)
        throw Failure("The parameters of the report '" + report + "' cannot be read: no database is open.");
    const std::string request = joinFields({kParametersRequest, report});
    Outcome outcome = sendJob(helper_, request, deadline, [&] {
        return std::make_unique<Helper>(options_, database_, databaseEnvironment_);
    });
    std::vector<std::string> fields;
    if (outcome == Outcome::Done) outcome = helper_->receiveLine(fields, deadline);
    const std::string named = "The parameters of the report '" + report + "'";
    if (outcome == Outcome::Done && fields.size() == 2 && fields[0] == kErrorAnswer)
        throw Failure(named + " cannot be worked out: " + printableLine(fields[1], kMaxReasonBytes));
    if (outcome == Outcome::Done && !fields.empty() && fields[0] == kParametersRequest &&
        fields.size() % 2 == 1) {
        std::vector<std::pair<std::string, std::string>> parameters;
        for (std::size_t i = 1; i + 1 < fields.size(); i += 2)
            parameters.emplace_back(fields[i], fields[i + 1]);
        return parameters;
    }
    stop();  // a helper in doubt serves no further job
    throw Failure(named + " could not be read from the helper program.");
}

bool isWholePdf(std::string_view pdf) {
    if (!pdf.starts_with("%PDF-")) return false;
    const std::size_t end = pdf.find_last_not_of("\r\n \t");
    return end != std::string_view::npos && end + 1 >= 5 && pdf.substr(end + 1 - 5, 5) == "%%EOF";
}

}  // namespace platform::jet
