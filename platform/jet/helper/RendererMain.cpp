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
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/jet/ChildProcess.h"
#include "platform/jet/LineProtocol.h"
#include "platform/jet/RendererProtocol.h"
#include "platform/jet/design/DesignError.h"
#include "platform/jet/helper/DatabaseReports.h"
#include "platform/jet/helper/HelperProcess.h"
#include "platform/jet/helper/PageFile.h"
#include "platform/jet/helper/ReportStorage.h"
#include "platform/jet/helper/ScopedMdb.h"
#include "platform/jet/query/RecordSource.h"
#include "platform/jet/render/DocumentInfo.h"
#include "platform/jet/render/ReportDocument.h"
#include "platform/jet/render/ReportRegion.h"
#include "platform/jet/render/ReportSource.h"

namespace {

using platform::jet::joinFields;

constexpr std::size_t kMaxRequestLine = 1024 * 1024;  // far beyond a report's name and a file name
constexpr std::size_t kDocumentInfoRoom = 64 * 1024;  // for the information appended to a document

// Why the report cannot be drawn, in plain words: the job's answer instead of a document.
class NotDrawn : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The report drawn from the database's design and rows. Raises NotDrawn when either cannot be read or
// drawing fails.
std::string renderJob(const std::string& title, const std::string& report) {
    if (report.empty() || ::fcntl(platform::jet::kInputDescriptor, F_GETFD) < 0)
        throw NotDrawn("no database is open to read it from");
    const std::string path = "/proc/self/fd/" + std::to_string(platform::jet::kInputDescriptor);
    auto file = platform::jet::helper::PageFile::open(path.c_str());
    platform::jet::helper::ScopedMdb mdb(file ? mdb_open(path.c_str(), MDB_NOFLAGS) : nullptr);
    if (!mdb) throw NotDrawn("the database file cannot be read");
    try {
        platform::jet::helper::ReportStorage storage(mdb.get(), *file);
        platform::jet::helper::DatabaseReports reports(mdb.get(), storage,
                                                       platform::jet::helper::jet3Charset());
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
        auto drawn = platform::jet::render::drawReport(design, std::move(rows), title, &reports, report);
        if (!rowsMissing.empty()) drawn.omissions.insert(rowsMissing);
        // A document may be hundreds of megabytes: it is copied once, with room for its information,
        // and the drawn bytes let go before the information is appended.
        std::string pdf;
        pdf.reserve(static_cast<std::size_t>(drawn.pdf.size()) + kDocumentInfoRoom);
        pdf.append(drawn.pdf.constData(), static_cast<std::size_t>(drawn.pdf.size()));
        drawn.pdf = QByteArray();
        return platform::jet::render::withDocumentInfo(std::move(pdf), title, drawn.omissions);
    } catch (const platform::jet::design::DesignError& error) {
        throw NotDrawn(std::string("its design cannot be read (") + error.what() + ")");
    } catch (const platform::jet::query::QueryError& error) {
        // The rows are read above and each expression fails alone: what fails here is the engine itself.
        throw NotDrawn(std::string("its expressions cannot be computed (") + error.what() + ")");
    } catch (const std::exception& error) {
        throw NotDrawn(std::string("drawing it failed (") + error.what() + ")");
    }
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
    if (request.size() != 3 || request[0] != platform::jet::kRenderRequest)
        return writeResult(joinFields({platform::jet::kErrorAnswer, "not a render request"}));
    std::string pdf;
    try {
        pdf = renderJob(request[1], request[2]);
    } catch (const NotDrawn& notDrawn) {
        const std::string reason =
            platform::jet::printableLine(notDrawn.what(), platform::jet::kMaxReasonBytes);
        return writeResult(joinFields({platform::jet::kErrorAnswer, reason}));
    }
    return writeResult(joinFields({platform::jet::kPdfAnswer, std::to_string(pdf.size())})) &&
           writeResult(pdf);
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
