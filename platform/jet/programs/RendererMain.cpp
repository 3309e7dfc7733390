// calvenor-print: renders print jobs as PDF documents for one Access application instance. It reads
// requests on its result descriptor, a socket, and answers each with the whole document on the same
// socket (RendererProtocol.h), until the program closes its side. A child of the program, so that
// printing needs no application object in the program and works without a display (Qt's offscreen
// platform); it serves a whole run, so that Qt starts once, not once per report. The database, when
// one is open, is its descriptor 4: each job reads its report's design and rows from it and draws them;
// for a report it cannot draw it answers why instead.
//
//   calvenor-print serve

#include <fcntl.h>
#include <glib.h>  // mdbtools.h includes it inside extern "C"
#include <mdbtools.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/AsciiCase.h"
#include "platform/jet/design/DesignError.h"
#include "platform/jet/process/ChildProcess.h"
#include "platform/jet/process/HelperProcess.h"
#include "platform/jet/process/LineProtocol.h"
#include "platform/jet/process/RendererProtocol.h"
#include "platform/jet/programs/DatabaseReports.h"
#include "platform/jet/query/Parameters.h"
#include "platform/jet/query/RecordSource.h"
#include "platform/jet/render/DocumentInfo.h"
#include "platform/jet/render/ReportDocument.h"
#include "platform/jet/render/ReportEvents.h"
#include "platform/jet/render/ReportRegion.h"
#include "platform/jet/render/ReportSource.h"
#include "platform/jet/tables/PageFile.h"
#include "platform/jet/tables/ReportStorage.h"
#include "platform/jet/tables/ScopedMdb.h"

namespace {

using platform::jet::joinFields;

constexpr std::size_t kMaxRequestLine = 1024 * 1024;  // far beyond a report's name and a file name
constexpr std::size_t kDocumentInfoRoom = 64 * 1024;  // for the information appended to a document
constexpr int kMaxSubreportDepth = 7;                 // as deep as Access nests subreports

// Why the report cannot be drawn, in plain words: the job's answer instead of a document.
class NotDrawn : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What is done with the database's reports, opened for one job. Raises NotDrawn when no database is
// open or it cannot be read.
template <typename Job>
auto withReports(const std::string& report, const platform::jet::query::ParameterValues& parameters,
                 Job job) {
    if (report.empty() || ::fcntl(platform::jet::kInputDescriptor, F_GETFD) < 0)
        throw NotDrawn("no database is open to read it from");
    const std::string path = "/proc/self/fd/" + std::to_string(platform::jet::kInputDescriptor);
    auto file = platform::jet::helper::PageFile::open(path.c_str());
    platform::jet::helper::ScopedMdb mdb(file ? mdb_open(path.c_str(), MDB_NOFLAGS) : nullptr);
    if (!mdb) throw NotDrawn("the database file cannot be read");
    try {
        platform::jet::helper::ReportStorage storage(mdb.get(), *file);
        platform::jet::helper::DatabaseReports reports(mdb.get(), storage,
                                                       platform::jet::helper::jet3Charset(), parameters,
                                                       platform::jet::helper::databasePath());
        return job(mdb.get(), storage, reports);
    } catch (const NotDrawn&) {
        throw;
    } catch (const platform::jet::design::DesignError& error) {
        throw NotDrawn(std::string("its design cannot be read (") + error.what() + ")");
    } catch (const std::exception& error) {
        throw NotDrawn(std::string("the database's reports cannot be read (") + error.what() + ")");
    }
}

// The parameters the report's record source and its subreports' ask for, each name once, in the order
// Access asks: the report's first, then each subreport's as its control comes in the design.
std::vector<platform::jet::query::Parameter> reportParameters(const std::string& report) {
    using namespace platform::jet;
    return withReports(
        report, {}, [&](MdbHandle*, helper::ReportStorage&, helper::DatabaseReports& reports) {
            std::vector<query::Parameter> asked;
            std::set<std::string> names, reportsSeen;
            const auto add = [&](const std::string& recordSource) {
                if (recordSource.empty()) return;
                for (auto& parameter : reports.parameters(recordSource))
                    if (names.insert(query::parameterKey(parameter.name)).second)
                        asked.push_back(std::move(parameter));
            };
            // Subreports nest a few deep at most; a report showing itself is read once.
            const std::function<void(const std::string&, int)> visit = [&](const std::string& name,
                                                                           int depth) {
                if (depth > kMaxSubreportDepth || !reportsSeen.insert(base::lowerAscii(name)).second) return;
                const auto design = reports.design(name);
                add(design.recordSource);
                for (const auto& section : design.sections)
                    for (const auto& control : section.controls) {
                        const std::string lower = base::lowerAscii(control.sourceObject);
                        if (lower.starts_with("table.") || lower.starts_with("query."))
                            add(control.sourceObject.substr(6));
                        else if (lower.starts_with("report."))
                            visit(control.sourceObject.substr(7), depth + 1);
                        else if (!lower.empty() && !lower.starts_with("form."))
                            visit(control.sourceObject, depth + 1);
                    }
            };
            try {
                visit(report, 0);
            } catch (const query::QueryError& error) {
                throw NotDrawn(error.what());
            }
            return asked;
        });
}

// The report drawn on the canvas, or without one as a PDF document titled title, with what it left out.
// Raises NotDrawn when drawing fails.
platform::jet::render::DrawnReport drawnReport(const std::string& title, const std::string& report,
                                               platform::jet::helper::ReportStorage& storage,
                                               platform::jet::helper::DatabaseReports& reports,
                                               platform::jet::render::PageCanvas* canvas) {
    try {
        const auto design = reports.design(report);
        // The region of the database's code page, unless its names and this report's labels show that it
        // was only made on a machine of that language (query::regionCodePage).
        std::vector<std::string> names = storage.reportNames();
        names.push_back(design.caption);
        for (const auto& section : design.sections)
            for (const auto& control : section.controls) {
                names.push_back(control.caption);
                for (const auto& child : control.children) names.push_back(child.caption);
            }
        platform::jet::query::useRegion(platform::jet::render::reportRegion(
            platform::jet::query::regionCodePage(platform::jet::helper::databaseCodePage(), names)));
        platform::jet::query::RowSet rows;
        std::string rowsMissing;
        try {
            rows = design.recordSource.empty() ? platform::jet::render::unboundRows()
                                               : reports.rows(design.recordSource);
        } catch (const platform::jet::query::QueryError& error) {
            // Its sections are still worth seeing, without rows, as Access shows them for an empty source.
            rowsMissing = platform::jet::render::withoutRows(error.what());
        }
        auto drawn =
            canvas ? platform::jet::render::paintReport(design, std::move(rows), *canvas, &reports, report)
                   : platform::jet::render::drawReport(design, std::move(rows), title, &reports, report);
        if (!rowsMissing.empty()) drawn.omissions.insert(rowsMissing);
        return drawn;
    } catch (const platform::jet::render::ReportCancelled& cancelled) {
        throw NotDrawn(cancelled.what());
    } catch (const platform::jet::design::DesignError& error) {
        throw NotDrawn(std::string("its design cannot be read (") + error.what() + ")");
    } catch (const platform::jet::query::QueryError& error) {
        // The rows are read above and each expression fails alone: what fails here is the engine itself.
        throw NotDrawn(std::string("its expressions cannot be computed (") + error.what() + ")");
    } catch (const NotDrawn&) {
        throw;
    } catch (const std::exception& error) {
        throw NotDrawn(std::string("drawing it failed (") + error.what() + ")");
    }
}

// What the drawing left out, as an answer's note: without the opening words of the document's subject.
std::string noteOf(const std::set<std::string>& omissions) {
    std::string note = platform::jet::render::approximationNote(omissions);
    if (note.starts_with(platform::jet::render::kApproximationSubjectStart))
        note.erase(0, platform::jet::render::kApproximationSubjectStart.size());
    return platform::jet::printableLine(note, platform::jet::kMaxReasonBytes * 3);
}

// A report drawn as a document: the PDF with its document information, and its note.
struct DrawnDocument {
    std::string pdf;
    std::string note;
};

// The report drawn: see renderJob.
DrawnDocument drawJob(const std::string& title, const std::string& report,
                      platform::jet::helper::ReportStorage& storage,
                      platform::jet::helper::DatabaseReports& reports) {
    auto drawn = drawnReport(title, report, storage, reports, nullptr);
    // A document may be hundreds of megabytes: it is copied once, with room for its information,
    // and the drawn bytes let go before the information is appended.
    std::string pdf;
    pdf.reserve(static_cast<std::size_t>(drawn.pdf.size()) + kDocumentInfoRoom);
    pdf.append(drawn.pdf.constData(), static_cast<std::size_t>(drawn.pdf.size()));
    drawn.pdf = QByteArray();
    return {platform::jet::render::withDocumentInfo(std::move(pdf), title, drawn.omissions),
            noteOf(drawn.omissions)};
}

// The pages painted for the screen, each on a picture of the whole sheet at the preview's resolution and
// sent as its compressed pixels as soon as the next page begins (the last once painting ends). The
// painter keeps the report's units and a device of the report's resolution for its fonts, as on the PDF
// writer, scaled down to the picture: the same drawing as the document's.
class ScreenCanvas : public platform::jet::render::PageCanvas {
  public:
    explicit ScreenCanvas(int dotsPerInch) : dotsPerInch_(dotsPerInch) {}

    QPainter& firstPage(const QPageLayout& layout) override {
        const QSizeF paper = layout.fullRectPoints().size() / 72.0;
        image_ = QImage(std::max(1, qRound(paper.width() * dotsPerInch_)),
                        std::max(1, qRound(paper.height() * dotsPerInch_)), QImage::Format_RGB32);
        const int dotsPerMeter = qRound(kReportResolution / 0.0254);
        image_.setDotsPerMeterX(dotsPerMeter);
        image_.setDotsPerMeterY(dotsPerMeter);
        image_.fill(Qt::white);
        painter_.begin(&image_);
        painter_.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                                QPainter::SmoothPixmapTransform);
        const double scale = double(dotsPerInch_) / kReportResolution;
        const QRectF printable = layout.paintRect(QPageLayout::Inch);
        painter_.scale(scale, scale);
        painter_.translate(printable.left() * kReportResolution, printable.top() * kReportResolution);
        return painter_;
    }

    void nextPage() override {
        sendPage();
        // The painter goes on with its state, as on a new page of the document: only the sheet is clean.
        painter_.save();
        painter_.resetTransform();
        painter_.setClipping(false);
        painter_.setOpacity(1.0);
        painter_.setCompositionMode(QPainter::CompositionMode_Source);
        painter_.fillRect(image_.rect(), Qt::white);
        painter_.restore();
    }

    // Sends the page being painted; false when the program no longer listens.
    void sendPage() {
        ++pages_;
        platform::jet::helper::allowProcessorTimeForNextJob();  // each page is a job of its own
        // Raw pixels at zlib's fastest level: a third of a PNG encoder's time, and as exact. A page of
        // greys alone, as many are, goes as a byte a pixel: a quarter of the bytes to compress.
        const QByteArray grey = greyLevels();
        const int depth = grey.isEmpty() ? 4 : 1;
        const QByteArray pixels = grey.isEmpty()
                                      ? qCompress(image_.constBits(), image_.sizeInBytes(), kFastestLevel)
                                      : qCompress(grey, kFastestLevel);
        if (!platform::jet::helper::writeResult(joinFields(
                {platform::jet::kPageAnswer, std::to_string(pages_), std::to_string(image_.width()),
                 std::to_string(image_.height()), std::to_string(depth), std::to_string(pixels.size())})) ||
            !platform::jet::helper::writeResult(
                std::string_view(pixels.constData(), std::size_t(pixels.size()))))
            _exit(1);  // the preview was closed
    }

    // Ends painting and sends the last page; the pages sent.
    int finish() {
        if (painter_.isActive()) sendPage();
        painter_.end();
        return pages_;
    }

  private:
    // The page's grey levels, a byte a pixel, rows unpadded; empty at the first pixel with a colour.
    QByteArray greyLevels() const {
        QByteArray grey(qsizetype(image_.width()) * image_.height(), Qt::Uninitialized);
        auto* level = reinterpret_cast<uchar*>(grey.data());
        for (int y = 0; y < image_.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
            for (int x = 0; x < image_.width(); ++x) {
                const int blue = qBlue(line[x]);
                if (qRed(line[x]) != blue || qGreen(line[x]) != blue) return {};
                *level++ = uchar(blue);
            }
        }
        return grey;
    }

    static constexpr int kFastestLevel = 1;
    int dotsPerInch_;
    int pages_ = 0;
    QImage image_;
    QPainter painter_;  // after the picture: ends before it
};

// The report drawn page by page for the screen, answering as the preview request says.
bool previewJob(const std::vector<std::string>& request) {
    using platform::jet::helper::writeResult;
    const auto refuse = [](const std::string& reason) {
        return writeResult(
            joinFields({platform::jet::kErrorAnswer,
                        platform::jet::printableLine(reason, platform::jet::kMaxReasonBytes)}));
    };
    int dotsPerInch = 0;
    const std::string& dpi = request[3];
    auto [end, error] = std::from_chars(dpi.data(), dpi.data() + dpi.size(), dotsPerInch);
    if (error != std::errc() || end != dpi.data() + dpi.size() ||
        dotsPerInch < platform::jet::kLeastPreviewDpi || dotsPerInch > platform::jet::kMostPreviewDpi)
        return refuse("not a preview request");
    platform::jet::query::ParameterValues parameters;
    for (std::size_t i = 4; i + 1 < request.size(); i += 2) parameters.set(request[i], request[i + 1]);
    try {
        ScreenCanvas canvas(dotsPerInch);
        const auto drawn =
            withReports(request[2], parameters,
                        [&](MdbHandle*, platform::jet::helper::ReportStorage& storage,
                            platform::jet::helper::DatabaseReports& reports) {
                            return drawnReport(request[1], request[2], storage, reports, &canvas);
                        });
        const int pages = canvas.finish();
        return writeResult(
            joinFields({platform::jet::kDoneAnswer, std::to_string(pages), noteOf(drawn.omissions)}));
    } catch (const NotDrawn& notDrawn) {
        return refuse(notDrawn.what());
    }
}

// The report drawn from the database's design and rows, its record sources given the parameter values.
// Raises NotDrawn when either cannot be read or drawing fails.
DrawnDocument renderJob(const std::string& title, const std::string& report,
                      const platform::jet::query::ParameterValues& parameters) {
    return withReports(report, parameters,
                       [&](MdbHandle*, platform::jet::helper::ReportStorage& storage,
                           platform::jet::helper::DatabaseReports& reports) {
                           return drawJob(title, report, storage, reports);
                       });
}

// The requests, one line each, as the program sends them; none once it has closed its side.
class Requests {
  public:
    std::optional<std::vector<std::string>> next() {
        for (;;) {
            if (std::size_t end = pending_.find('\n'); end != std::string::npos) {
                auto lines = platform::jet::splitLines(std::string_view(pending_).substr(0, end + 1));
                pending_.erase(0, end + 1);
                return std::move(lines[0]);
            }
            if (pending_.size() > kMaxRequestLine) return std::nullopt;
            char buffer[4096];
            ssize_t got = ::read(platform::jet::kResultDescriptor, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return std::nullopt;
            pending_.append(buffer, static_cast<std::size_t>(got));
        }
    }

  private:
    std::string pending_;
};

bool answer(const std::vector<std::string>& request) {
    using platform::jet::helper::writeResult;
    if (request.size() == 2 && request[0] == platform::jet::kParametersRequest) {
        std::vector<std::string> fields{platform::jet::kParametersRequest};
        try {
            for (const auto& parameter : reportParameters(request[1])) {
                fields.push_back(parameter.name);
                fields.push_back(platform::jet::query::parameterTypeName(parameter.type));
            }
        } catch (const NotDrawn& notDrawn) {
            fields = {platform::jet::kErrorAnswer,
                      platform::jet::printableLine(notDrawn.what(), platform::jet::kMaxReasonBytes)};
        }
        std::string line = joinFields(fields);
        if (line.size() > platform::jet::kMaxAnswerLine)
            line =
                joinFields({platform::jet::kErrorAnswer, "it asks for more parameters than can be listed"});
        return writeResult(line);
    }
    if (request.size() >= 4 && request.size() % 2 == 0 && request[0] == platform::jet::kPreviewRequest)
        return previewJob(request);
    // A render request: its title and report, then the parameter values as names and values.
    if (request.size() < 3 || request.size() % 2 == 0 || request[0] != platform::jet::kRenderRequest)
        return writeResult(joinFields({platform::jet::kErrorAnswer, "not a render request"}));
    platform::jet::query::ParameterValues parameters;
    for (std::size_t i = 3; i + 1 < request.size(); i += 2) parameters.set(request[i], request[i + 1]);
    DrawnDocument drawn;
    try {
        drawn = renderJob(request[1], request[2], parameters);
    } catch (const NotDrawn& notDrawn) {
        const std::string reason =
            platform::jet::printableLine(notDrawn.what(), platform::jet::kMaxReasonBytes);
        return writeResult(joinFields({platform::jet::kErrorAnswer, reason}));
    }
    return writeResult(
               joinFields({platform::jet::kPdfAnswer, std::to_string(drawn.pdf.size()), drawn.note})) &&
           writeResult(drawn.pdf);
}

}  // namespace

int main(int argc, char** argv) {
    platform::jet::helper::prepareHelperProcess();
    if (argc != 2 || std::strcmp(argv[1], "serve") != 0) return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");  // never a window, with or without a display
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);
    // Access formats values in its machine's regional settings; here, the database's region decides.
    platform::jet::query::useRegion(
        platform::jet::render::reportRegion(platform::jet::helper::databaseCodePage()));

    Requests requests;
    while (auto request = requests.next()) {
        platform::jet::helper::allowProcessorTimeForNextJob();
        if (!answer(*request)) return 1;
    }
    return 0;
}
