// calvenor-print: renders print jobs as PDF documents for one Access application instance. It reads
// requests on its result descriptor, a socket, and answers each with the whole document on the same
// socket (RendererProtocol.h), until the program closes its side. A child of the program, so that
// printing needs no application object in the program and works without a display (Qt's offscreen
// platform); it serves a whole run, so that Qt starts once, not once per report. The database, when
// one is open, is its descriptor 4: each job reads its report's design and rows from it and draws them;
// a report it cannot read gets a title page saying why.
//
//   calvenor-print serve

#include <fcntl.h>
#include <glib.h>  // mdbtools.h includes it inside extern "C"
#include <mdbtools.h>
#include <unistd.h>

#include <QBuffer>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRectF>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/jet/ChildProcess.h"
#include "platform/jet/LineProtocol.h"
#include "platform/jet/RendererProtocol.h"
#include "platform/jet/design/DesignError.h"
#include "platform/jet/design/ReportDesignReader.h"
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

constexpr double kMargin = 56.0;                      // points, about 2 cm
constexpr std::size_t kMaxRequestLine = 1024 * 1024;  // far beyond a report's name and a file name

void drawTitlePage(QPdfWriter& writer, const QString& title, const QString& database,
                   const QString& printedAt, const QString& reason) {
    QPainter painter(&writer);
    const QRectF page = painter.viewport();
    const double scale = writer.resolution() / 72.0;  // points to device units
    QRectF area = page.adjusted(kMargin * scale, kMargin * scale, -kMargin * scale, -kMargin * scale);

    auto drawBlock = [&](const QString& text, double pointSize, bool bold) {
        QFont font("Arial");
        font.setPointSizeF(pointSize);
        font.setBold(bold);
        painter.setFont(font);
        QRectF used;
        painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text, &used);
        area.setTop(used.bottom() + pointSize * 0.6 * scale);
    };
    drawBlock(title, 24, true);
    drawBlock("Database: " + database, 12, false);
    drawBlock("Printed: " + printedAt, 12, false);
    drawBlock("The report could not be drawn: " + reason + " This page stands in for it.", 9, false);
}

QByteArray titlePage(const std::string& title, const std::string& database, const std::string& printedAt,
                     const std::string& reason) {
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        const QString documentTitle = QString::fromStdString(title);
        QPdfWriter writer(&pdf);
        writer.setTitle(documentTitle);
        writer.setCreator("Calvenor");
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
        writer.setResolution(300);
        drawTitlePage(writer, documentTitle, QString::fromStdString(database),
                      QString::fromStdString(printedAt), QString::fromStdString(reason));
    }
    return pdf.data();
}

// The reports of the open database, for a report's subreports.
class DatabaseReports : public platform::jet::render::ReportSource {
  public:
    DatabaseReports(MdbHandle* mdb, platform::jet::helper::ReportStorage& storage)
        : mdb_(mdb), storage_(storage) {}

    platform::jet::design::ReportDesign design(const std::string& report) override {
        return platform::jet::design::decodeReportDesign(storage_.designBlob(report),
                                                         platform::jet::helper::jet3Charset());
    }
    platform::jet::query::RowSet rows(const std::string& recordSource) override {
        return platform::jet::query::readRecordSource(mdb_, recordSource);
    }

  private:
    MdbHandle* mdb_;
    platform::jet::helper::ReportStorage& storage_;
};

// The report drawn from the database's design and rows; the title page with the reason when either
// cannot be read.
QByteArray renderJob(const std::string& title, const std::string& database, const std::string& printedAt,
                     const std::string& report) {
    const auto fallback = [&](const std::string& reason) {
        return titlePage(title, database, printedAt, reason);
    };
    if (report.empty() || ::fcntl(platform::jet::kInputDescriptor, F_GETFD) < 0)
        return fallback("no database was open to read it from.");
    const std::string path = "/proc/self/fd/" + std::to_string(platform::jet::kInputDescriptor);
    auto file = platform::jet::helper::PageFile::open(path.c_str());
    platform::jet::helper::ScopedMdb mdb(file ? mdb_open(path.c_str(), MDB_NOFLAGS) : nullptr);
    if (!mdb) return fallback("the database file cannot be read.");
    try {
        platform::jet::helper::ReportStorage storage(mdb.get(), *file);
        DatabaseReports reports(mdb.get(), storage);
        const auto design = reports.design(report);
        platform::jet::query::RowSet rows;
        std::string rowsMissing;
        try {
            if (!design.recordSource.empty()) rows = reports.rows(design.recordSource);
        } catch (const platform::jet::query::QueryError& error) {
            // Its sections are still worth seeing, without rows, as Access shows them for an empty source.
            rowsMissing = std::string("its rows (") + error.what() + ")";
        }
        auto drawn = platform::jet::render::drawReport(design, rows, title, &reports, report);
        if (!rowsMissing.empty()) drawn.omissions.insert(rowsMissing);
        return QByteArray::fromStdString(
            platform::jet::render::withDocumentInfo(drawn.pdf.toStdString(), title, drawn.omissions));
    } catch (const platform::jet::design::DesignError& error) {
        return fallback(std::string("its design cannot be read (") + error.what() + ").");
    } catch (const platform::jet::query::QueryError& error) {
        return fallback(std::string("its data cannot be read (") + error.what() + ").");
    } catch (const std::exception& error) {
        return fallback(std::string("it failed (") + error.what() + ").");
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
    if (request.size() != 5 || request[0] != platform::jet::kRenderRequest)
        return writeResult(joinFields({platform::jet::kErrorAnswer, "not a render request"}));
    const QByteArray pdf = renderJob(request[1], request[2], request[3], request[4]);
    return writeResult(joinFields({platform::jet::kPdfAnswer, std::to_string(pdf.size())})) &&
           writeResult(std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())));
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
    while (auto request = requests.next())
        if (!answer(*request)) return 1;
    return 0;
}
