// Times drawing every report of the shared Northwind file through the renderer helper, as the PDF
// writer prints them: pages per second over the whole run and the slowest report; at the end, the
// helper's peak memory. With a folder, the documents are also saved there, one per report, to be
// looked at. Then how the cost grows with a report's rows: mkmdb's grouped orders report over 10,000
// and 100,000 rows (with --rows, over the numbers of rows given instead), each written to a file and
// drawn by a renderer of its own with the engine's usual limits: its pages, seconds, pages per second
// and the helper's peak memory. 1,000,000 rows take about two minutes.
// The floor comes between: each Northwind report drawn in this process, once as the helper draws it
// (design, rows, layout and painting into a PDF document) and once replaying what that painting drew,
// recorded page by page (DrawingRecorder), straight to a QPdfWriter: the same text runs, lines and
// pictures without our layout or queries. The ratio of the two says how much our own work adds to Qt's.
//
//   render_bench [RUNS [FOLDER]]   (3 runs by default)
//   render_bench --rows N...       (e.g. --rows 10000 100000 1000000)

#include <sys/resource.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QPdfWriter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ChildMemory.h"
#include "DatabaseFile.h"
#include "DrawingRecorder.h"
#include "Fixtures.h"
#include "platform/Failure.h"
#include "platform/jet/catalogue/Catalogue.h"
#include "platform/jet/catalogue/CatalogueReader.h"
#include "platform/jet/catalogue/DatabaseFile.h"
#include "platform/jet/print/PrintRenderer.h"
#include "platform/jet/process/HelperPrograms.h"
#include "platform/jet/programs/DatabaseReports.h"
#include "platform/jet/render/ReportDocument.h"
#include "platform/jet/render/ReportRegion.h"
#include "platform/jet/tables/ScopedMdb.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
using namespace platform::jet;

// The pages of a document Qt wrote: its page objects, not the page tree's node.
int pagesIn(const std::string& pdf) {
    int pages = 0;
    for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos;
         at = pdf.find("/Type /Page", at + 1))
        if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
    return pages;
}

double megabytes(double bytes) {
    return bytes / (1024.0 * 1024.0);
}

// The orders report drawn at one size, and what writing its database took.
struct SizeRun {
    int rows = 0;
    int pages = 0;
    double seconds = 0, documentBytes = 0;
    long peakKb = 0;               // the helper's VmHWM: the most of it ever resident
    std::vector<long> residentKb;  // the helper's VmRSS at a quarter, half and three quarters of the job
    std::string failure;           // why the job failed, as the user is told; empty when it was drawn
    double fileBytes = 0, writeSeconds = 0;
    long writerPeakKb = 0;  // this process's peak resident memory once the database was written
};

SizeRun drawOrdersReport(int rows, const fs::path& folder, EngineOptions options) {
    SizeRun run;
    run.rows = rows;
    const fs::path file = folder / ("orders-" + std::to_string(rows) + ".mdb");
    auto start = Clock::now();
    mkmdb::writeDatabaseFile(mkmdb::fixtures::ordersReportDatabase(rows), file, mkmdb::Overwrite::Refuse);
    run.writeSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.fileBytes = static_cast<double>(fs::file_size(file));
    rusage self{};
    ::getrusage(RUSAGE_SELF, &self);
    run.writerPeakKb = self.ru_maxrss;

    // The helper's memory, read every tenth of a second while it draws (the renderer's waits call
    // whileDrawing) and once more after it answered, when it is still there, waiting for the next job.
    std::vector<std::pair<double, long>> samples;  // seconds into the job, resident kB
    const auto sample = [&] {
        const bench::Memory memory = bench::memoryOf(bench::runningChild(kRendererProgram));
        run.peakKb = std::max(run.peakKb, memory.peak);
        if (memory.resident > 0)
            samples.emplace_back(std::chrono::duration<double>(Clock::now() - start).count(),
                                 memory.resident);
    };
    options.whileDrawing = sample;
    const ReadableDatabase database =
        openReadableDatabase(file.string(), "", AcceptedFormats::JetAndAce, options);
    PrintRenderer renderer(options);
    renderer.useDatabase(database.descriptor.get(), textConversionEnvironment(database.header));
    try {
        renderer.render("No such report");  // Qt's start is not the report's
    } catch (const platform::Failure&) {
    }
    samples.clear();
    start = Clock::now();
    try {
        const std::string pdf = renderer.render("Orders by Customer").pdf;
        run.pages = pagesIn(pdf);
        run.documentBytes = static_cast<double>(pdf.size());
    } catch (const platform::Failure& failure) {
        run.failure = failure.description();
    }
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    sample();
    renderer.stop();
    for (const double share : {0.25, 0.5, 0.75}) {
        long resident = 0;
        for (const auto& [at, kb] : samples)
            if (at <= share * run.seconds) resident = kb;
        run.residentKb.push_back(resident);
    }
    fs::remove(file);
    return run;
}

// The pages painted, recorded, on paper of one layout.
class RecordingCanvas : public render::PageCanvas {
  public:
    QPainter& firstPage(const QPageLayout& layout) override {
        layout_ = layout;
        recorder_.emplace(layout.paintRect(QPageLayout::Inch).size(), kReportResolution);
        painter_.begin(&*recorder_);
        return painter_;
    }
    void nextPage() override { recorder_->newPage(); }
    // The recording, once painting has ended.
    std::pair<QPageLayout, std::vector<bench::Page>> recording() {
        painter_.end();
        return {layout_, std::move(recorder_->pages())};
    }

  private:
    QPageLayout layout_;
    std::optional<bench::DrawingRecorder> recorder_;
    QPainter painter_;
};

// The recorded pages replayed into a PDF document, as a renderer doing nothing else would write them.
QByteArray replayed(const QPageLayout& layout, const std::vector<bench::Page>& pages) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(render::PageCanvas::kReportResolution);
        writer.setPageLayout(layout);
        bench::replay(pages, writer);
    }
    return buffer.data();
}

// Each report drawn here as the helper draws it, then the floor: its recorded drawing replayed.
// With a folder, the replayed documents are saved there too, to compare with the drawn ones.
void benchFloor(const std::string& file, const std::vector<std::string>& reports, std::uint16_t codePage,
                const std::string& folder) {
    int argc = 1;
    char name[] = "render_bench";
    char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    query::useRegion(render::reportRegion(codePage));
    auto pageFile = helper::PageFile::open(file.c_str());
    helper::ScopedMdb mdb(pageFile ? mdb_open(file.c_str(), MDB_NOFLAGS) : nullptr);
    if (!mdb) {
        std::printf("floor: %s cannot be read here\n", file.c_str());
        return;
    }
    helper::ReportStorage storage(mdb.get(), *pageFile);
    helper::DatabaseReports source(mdb.get(), storage, charsetOfCodePage(codePage));
    double ours = 0, floor = 0;
    int pages = 0;
    std::printf("floor: each report drawn in this process, then its drawing replayed straight to QPdfWriter\n"
                "  %-32s %6s %9s %9s %6s\n", "report", "pages", "ours s", "floor s", "ratio");
    for (const auto& report : reports) {
        try {
            auto start = Clock::now();
            const auto design = source.design(report);
            const auto rows = design.recordSource.empty() ? render::unboundRows() : source.rows(design.recordSource);
            const render::DrawnReport drawn = render::drawReport(design, rows, report, &source, report);
            const double drawSeconds = std::chrono::duration<double>(Clock::now() - start).count();

            RecordingCanvas canvas;
            render::paintReport(design, rows, canvas, &source, report);
            const auto [layout, recorded] = canvas.recording();
            start = Clock::now();
            const QByteArray pdf = replayed(layout, recorded);
            const double replaySeconds = std::chrono::duration<double>(Clock::now() - start).count();
            if (!folder.empty())
                std::ofstream(fs::path(folder) / (report + " (floor).pdf"), std::ios::binary)
                    .write(pdf.constData(), pdf.size());
            std::printf("  %-32s %6d %9.3f %9.3f %6.2f\n", report.c_str(), drawn.pages, drawSeconds,
                        replaySeconds, drawSeconds / replaySeconds);
            ours += drawSeconds, floor += replaySeconds, pages += drawn.pages;
        } catch (const std::exception& error) {
            std::printf("  %-32s not drawn: %s\n", report.c_str(), error.what());
        }
    }
    std::printf("  %-32s %6d %9.3f %9.3f %6.2f   (%.0f pages/s ours, %.0f the floor)\n", "all", pages, ours,
                floor, ours / floor, pages / ours, pages / floor);
}

int benchSizes(const std::vector<int>& sizes) {
    EngineOptions options;
    options.helperFolder = CALVENOR_HELPER_DIR;
    std::string pattern = (fs::temp_directory_path() / "render-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    const fs::path folder = pattern;
    std::vector<SizeRun> runs;
    try {
        for (const int rows : sizes) runs.push_back(drawOrdersReport(rows, folder, options));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "render_bench: %s\n", error.what());
        fs::remove_all(folder);
        return 1;
    }
    fs::remove_all(folder);
    std::printf(
        "orders report by rows, each drawn by a renderer of its own (time limit %lld s); peak: the helper's "
        "VmHWM:\n",
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::seconds>(options.printTimeLimit).count()));
    std::printf(
        "     rows   pages        s  pages/s  peak MB  resident MB at 1/4 1/2 3/4  PDF MB | file MB  "
        "written in s  writer peak MB\n");
    for (const SizeRun& run : runs) {
        std::printf("  %7d  %6d  %7.2f  %7.0f  %7.1f  %19.0f %4.0f %4.0f  %6.1f | %7.1f  %12.2f  %14.1f\n",
                    run.rows, run.pages, run.seconds, run.pages / run.seconds, run.peakKb / 1024.0,
                    run.residentKb[0] / 1024.0, run.residentKb[1] / 1024.0, run.residentKb[2] / 1024.0,
                    megabytes(run.documentBytes), megabytes(run.fileBytes), run.writeSeconds,
                    run.writerPeakKb / 1024.0);
        if (!run.failure.empty()) std::printf("           failed: %s\n", run.failure.c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--rows") {
        std::vector<int> sizes;
        for (int i = 2; i < argc; ++i) sizes.push_back(std::max(0, std::atoi(argv[i])));
        return benchSizes(sizes);
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string folder = argc > 2 ? argv[2] : "";
    const std::string file = std::string(CALVENOR_TESTDATA) + "/northwind-jet4.mdb";
    if (!fs::exists(file)) {
        std::printf("no %s\n", file.c_str());
        return 1;
    }
    EngineOptions options;
    options.helperFolder = CALVENOR_HELPER_DIR;
    const auto reports = reportNames(openDatabaseFile(file, "", AcceptedFormats::JetAndAce, options).objects);
    const ReadableDatabase database = openReadableDatabase(file, "", AcceptedFormats::JetAndAce, options);
    auto helper = std::make_unique<PrintRenderer>(options);
    PrintRenderer& renderer = *helper;
    renderer.useDatabase(database.descriptor.get(), textConversionEnvironment(database.header));
    renderer.render(reports.front());  // Qt's start is not a report's

    for (int run = 0; run < runs; ++run) {
        int pages = 0;
        double slowest = 0;
        std::string slowestName;
        const auto start = Clock::now();
        for (const auto& report : reports) {
            const auto reportStart = Clock::now();
            const std::string pdf = renderer.render(report).pdf;
            const double seconds = std::chrono::duration<double>(Clock::now() - reportStart).count();
            if (seconds > slowest) slowest = seconds, slowestName = report;
            pages += pagesIn(pdf);
            if (!folder.empty()) std::ofstream(fs::path(folder) / (report + ".pdf"), std::ios::binary) << pdf;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        std::printf("run %d: %zu reports, %d pages in %.2f s: %.0f pages/s; slowest %s %.2f s\n", run + 1,
                    reports.size(), pages, seconds, pages / seconds, slowestName.c_str(), slowest);
    }
    // The helper ends with its renderer; the largest of the ended children is the renderer helper
    // (the catalogue reader is smaller).
    helper.reset();
    rusage usage{};
    if (::getrusage(RUSAGE_CHILDREN, &usage) == 0)
        std::printf("peak memory of the renderer helper: %.1f MiB\n", usage.ru_maxrss / 1024.0);
    benchFloor(file, reports, database.header.codePage, folder);
    return benchSizes({10'000, 100'000});
}
