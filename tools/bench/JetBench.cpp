// Times the Linux database engine on the largest readable test file: opening it, reading its
// catalogue and listing its reports, as "Next >" does, and what the helper processes cost. Then
// "Next >" (ADO's open, Access's open and its report list) on mkmdb's 10,000-report fixture, with
// every open reading the catalogue and with the read kept for the next open; how long a file whose
// catalogue usage map names millions of pages takes to be refused; and a run of 1,000 reports printed
// by one Access instance, on the PDF writer and through OutputTo: time per report, and the memory of
// the program and of its renderer over the run.
//
//   jet_bench [RUNS [FILE]]   (200 runs by default; without FILE the largest readable test file)

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "ChildMemory.h"
#include "DatabaseFile.h"
#include "Fixtures.h"
#include "platform/Failure.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/JetAdo.h"
#include "platform/jet/catalogue/CatalogueCache.h"
#include "platform/jet/catalogue/DatabaseFile.h"
#include "platform/jet/print/PdfWriterPrinter.h"
#include "platform/jet/print/PrintRenderer.h"
#include "platform/jet/process/ChildProcess.h"
#include "platform/jet/process/HelperPrograms.h"
#include "platform/posix/FileRegistry.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double medianMilliseconds(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// No registry and no print server are needed for listing reports.
class NoRegistry : public platform::Registry {
  public:
    std::unique_ptr<platform::RegistryKey> createKey(std::string_view) override { return nullptr; }
    std::unique_ptr<platform::RegistryKey> openKey(std::string_view) override { return nullptr; }
};
class NoQueues : public platform::jet::PrintQueues {
  public:
    List list() override { return {}; }
    void print(const std::string&, const std::string&, std::string_view) override {}
};

// "Next >" as the program does it: ADO opens the database and lists its tables, then Access opens it
// and lists its reports. Answers the number of reports.
std::size_t nextStep(const std::string& database, const platform::jet::EngineOptions& options) {
    platform::jet::JetAdo ado(options);
    auto connection = ado.createConnection();
    connection->open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + database +
                     ";JET OLEDB:Database Password=");
    connection->close();
    NoRegistry registry;
    NoQueues queues;
    platform::jet::JetAccess access(registry, queues, options);
    auto application = access.createApplication();
    application->openCurrentDatabase(database, false, "");
    const std::size_t reports = application->allReports().size();
    application->quit(platform::access::QuitOption::SaveAll);
    return reports;
}

// Runs the work in a new folder inside the parent, removed at the end; 1 when it failed.
int inScratchFolder(const fs::path& parent, const std::function<void(const fs::path&)>& work) {
    std::string pattern = (parent / "jet-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    const fs::path folder = pattern;
    int failed = 0;
    try {
        work(folder);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "jet_bench: %s\n", error.what());
        failed = 1;
    }
    fs::remove_all(folder);
    return failed;
}

// The fixture and the crafted file, written to a temporary folder and removed at the end.
int benchFixtures(int runs, const platform::jet::EngineOptions& options) {
    return inScratchFolder(fs::temp_directory_path(), [&](const fs::path& folder) {
        const auto large = folder / "large.mdb";
        mkmdb::writeDatabaseFile(mkmdb::fixtures::largeDatabase(10'000, 100'000), large,
                                 mkmdb::Overwrite::Refuse);
        const auto& everyOpenReads = options;
        auto kept = options;  // the fixture was written a moment ago: no settling time
        kept.catalogueCache =
            std::make_shared<platform::jet::CatalogueCache>(platform::jet::CatalogueCache::Timing{
                std::chrono::milliseconds(0), std::chrono::milliseconds(15000)});
        std::size_t reports = 0;
        const int fixtureRuns = std::max(3, runs / 10);
        const double cold =
            medianMilliseconds(fixtureRuns, [&] { reports = nextStep(large.string(), everyOpenReads); });
        const double cached =
            medianMilliseconds(fixtureRuns, [&] { reports = nextStep(large.string(), kept); });

        // Two million pages, sparse: what the map names is there to be read.
        const auto crafted = folder / "map-naming-millions.mdb";
        const auto image =
            mkmdb::fixtures::withCatalogueMapNamingMillionsOfPages(mkmdb::fixtures::largeDatabase(50, 0));
        mkmdb::writeFileAtomically(crafted, image.bytes(), mkmdb::Overwrite::Refuse);
        fs::resize_file(crafted, std::uintmax_t{2'000'000} * 4096);
        std::string outcome;
        const double refused = medianMilliseconds(fixtureRuns, [&] {
            try {
                platform::jet::openDatabaseFile(crafted.string(), "", platform::jet::AcceptedFormats::JetOnly,
                                                everyOpenReads);
                outcome = "opened";
            } catch (const std::exception& error) {
                outcome = error.what();
            }
        });

        std::printf(
            "mkmdb fixture: 10,000 reports, a 100,000-row table (%ju bytes); medians of %d runs, ms:\n",
            static_cast<std::uintmax_t>(fs::file_size(large)), fixtureRuns);
        std::printf("  Next >: ADO open + Access open + AllReports (%zu), every open reads   %8.3f\n",
                    reports, cold);
        std::printf("  Next >: the same, Access served the catalogue ADO read              %8.3f\n", cached);
        std::printf("a catalogue usage map naming 33 million pages, over a sparse file of 2 million:\n");
        std::printf("  refused in %.3f ms: %s\n", refused, outcome.c_str());
    });
}

using bench::Memory;
using bench::memoryOf;

// The renderer serving this process now; "" when none runs.
std::string runningRenderer() {
    return bench::runningChild(platform::jet::kRendererProgram);
}

struct RunTimes {
    std::vector<double> jobs;  // ms per report, in order
    std::size_t notDrawn = 0;  // jobs the renderer answered with why it cannot draw the report
    long programGrowth = 0;    // kB of resident memory the program gained from its 10th job to its last
    long rendererPeak = 0;     // kB, the largest peak of the renderers that served the run
    std::vector<std::string> memoryLines;
};

// One Access instance printing every report of the database once, as the export does; `job` prints
// report i. Samples the memory of the program and of the renderer as the run goes on.
RunTimes printRun(platform::access::Application& application,
                  const std::function<void(std::size_t, const std::string&)>& job) {
    std::vector<std::string> reports;
    for (const auto& report : application.allReports()) reports.push_back(report->name());
    RunTimes run;
    long programAfterTenth = 0;
    for (std::size_t i = 0; i < reports.size(); ++i) {
        auto start = Clock::now();
        try {
            job(i, reports[i]);
        } catch (const platform::Failure&) {
            ++run.notDrawn;
        }
        run.jobs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        const std::string renderer = runningRenderer();
        const Memory rendererMemory = memoryOf(renderer), program = memoryOf("self");
        run.rendererPeak = std::max(run.rendererPeak, rendererMemory.peak);
        if (i + 1 == 10) programAfterTenth = program.resident;
        if (i + 1 == reports.size()) run.programGrowth = program.resident - programAfterTenth;
        if (i == 0 || (i + 1) % 100 == 0) {
            char line[160];
            std::snprintf(line, sizeof line,
                          "    after %4zu: program %6ld kB; renderer %-7s %6ld kB (its peak %6ld kB)", i + 1,
                          program.resident, renderer.c_str(), rendererMemory.resident, rendererMemory.peak);
            run.memoryLines.push_back(line);
        }
    }
    return run;
}

void printRunTimes(const char* what, const RunTimes& run, bool withMemory) {
    std::vector<double> sorted = run.jobs;
    std::sort(sorted.begin(), sorted.end());
    const double total = std::accumulate(sorted.begin(), sorted.end(), 0.0);
    auto at = [&](double share) { return sorted[static_cast<std::size_t>(share * (sorted.size() - 1))]; };
    std::printf(
        "  %s: %zu reports in %.0f ms: %.2f ms each on average; median %.2f, 95%% %.2f, max %.2f, "
        "first %.2f\n",
        what, sorted.size(), total, total / sorted.size(), at(0.5), at(0.95), sorted.back(),
        run.jobs.front());
    // mkmdb writes reports without designs: a job is then the renderer's answer that it cannot draw one.
    if (run.notDrawn > 0) std::printf("    %zu of them answered that they cannot be drawn\n", run.notDrawn);
    std::printf(
        "    program resident memory gained from its 10th report to its last: %ld kB; renderer peak "
        "%ld kB\n",
        run.programGrowth, run.rendererPeak);
    if (withMemory)
        for (const auto& line : run.memoryLines) std::printf("%s\n", line.c_str());
}

// 1,000 reports printed by one Access instance in a folder: on the PDF writer, its "OutputFile"
// written before each job as the export does, and through OutputTo.
int benchPrintRunIn(const fs::path& parent, const platform::jet::EngineOptions& options, bool withMemory) {
    return inScratchFolder(parent, [&](const fs::path& folder) {
        const auto database = folder / "reports.mdb";
        mkmdb::writeDatabaseFile(mkmdb::fixtures::largeDatabase(1000, 0), database, mkmdb::Overwrite::Refuse);
        fs::create_directories(folder / "printed");
        fs::create_directories(folder / "output");
        platform::posix::FileRegistry registry((folder / "registry").string());
        NoQueues queues;
        platform::jet::JetAccess access(registry, queues, options);

        auto application = access.createApplication();
        application->openCurrentDatabase(database.string(), false, "");
        application->setPrinter(application->printers()[0]);  // the PDF writer
        std::vector<double> registryWrites;
        RunTimes printed = printRun(*application, [&](std::size_t i, const std::string& report) {
            auto start = Clock::now();
            auto key = registry.createKey(platform::jet::kPdfWriterKey);
            key->writeString("OutputFile", (folder / "printed" / (std::to_string(i) + ".pdf")).string());
            key->writeString("BypassSaveAs", "1");
            registryWrites.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            application->openReport(report, platform::access::ReportView::Normal,
                                    platform::access::WindowMode::Normal);
        });
        application->quit(platform::access::QuitOption::SaveAll);
        application.reset();

        auto exporter = access.createApplication();
        exporter->openCurrentDatabase(database.string(), false, "");
        RunTimes output = printRun(*exporter, [&](std::size_t i, const std::string& report) {
            exporter->outputReport(report, platform::access::kFormatPdf,
                                   (folder / "output" / (std::to_string(i) + ".pdf")).string());
        });
        exporter->quit(platform::access::QuitOption::SaveAll);
        exporter.reset();

        std::sort(registryWrites.begin(), registryWrites.end());
        std::printf("1,000 reports by one Access instance, files in %s:\n", parent.c_str());
        printRunTimes("OpenReport on the PDF writer, with its registry value written before each", printed,
                      withMemory);
        std::printf("    of which writing \"OutputFile\" and \"BypassSaveAs\": median %.2f ms\n",
                    registryWrites[registryWrites.size() / 2]);
        printRunTimes("OutputTo PDF", output, withMemory);
    });
}

int benchPrintRuns(const platform::jet::EngineOptions& options) {
    if (int failed = benchPrintRunIn(fs::temp_directory_path(), options, true)) return failed;
    // A memory file system: the same run without the disk's flushes, which every whole-or-nothing write waits
    // for.
    std::error_code error;
    if (fs::is_directory("/dev/shm", error))
        if (int failed = benchPrintRunIn("/dev/shm", options, false)) return failed;
    // The program's own peak; the renderer's are its VmHWM above. RUSAGE_CHILDREN does not tell them
    // apart: a spawned child counts the program's peak from before its exec as its own.
    rusage self{};
    ::getrusage(RUSAGE_SELF, &self);
    std::printf("peak resident memory of the program, fixtures included: %ld kB\n", self.ru_maxrss);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    platform::jet::EngineOptions options;
    options.helperFolder = CALVENOR_HELPER_DIR;
    options.catalogueCache = nullptr;  // every open below reads, as it did before reads were kept

    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(CALVENOR_TESTDATA, error))
        if (entry.path().extension() == ".mdb" || entry.path().extension() == ".accdb")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end(),
              [](const fs::path& a, const fs::path& b) { return fs::file_size(a) > fs::file_size(b); });
    std::string database = argc > 2 ? argv[2] : "";
    for (const auto& file : database.empty() ? files : std::vector<fs::path>{}) {
        try {
            platform::jet::openDatabaseFile(file.string(), "", platform::jet::AcceptedFormats::JetAndAce,
                                            options);
            database = file.string();
            break;
        } catch (const std::exception&) {
        }
    }
    if (database.empty()) {
        std::fprintf(stderr, "jet_bench: no readable test file in %s\n", CALVENOR_TESTDATA);
        return 1;
    }

    NoRegistry registry;
    NoQueues queues;
    platform::jet::JetAccess access(registry, queues, options);
    platform::jet::JetAdo ado(options);
    std::size_t reports = 0, tables = 0;

    double listing = medianMilliseconds(runs, [&] {
        auto application = access.createApplication();
        application->openCurrentDatabase(database, false, "");
        reports = application->allReports().size();
        application->closeCurrentDatabase();
        application->quit(platform::access::QuitOption::SaveAll);
    });
    double schema = medianMilliseconds(runs, [&] {
        auto connection = ado.createConnection();
        connection->open("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + database +
                         ";JET OLEDB:Database Password=");
        auto rows = connection->openSchema(platform::ado::kSchemaTables);
        for (tables = 0; !rows->eof(); rows->moveNext()) ++tables;
        rows->close();
        connection->close();
    });
    double header = medianMilliseconds(runs, [&] {
        platform::jet::checkDatabaseFile(database, "", platform::jet::AcceptedFormats::JetAndAce);
    });
    const std::string reader =
        platform::jet::helperProgramPath(options.helperFolder, platform::jet::kReaderProgram);
    double spawnReader = medianMilliseconds(runs, [&] { platform::jet::runChild(reader, {"--none"}, {}); });
    double spawnTrue = medianMilliseconds(runs, [&] { platform::jet::runChild("/bin/true", {}, {}); });
    const int renderRuns = std::max(1, runs / 10);
    // A job without a database, which the renderer answers with why it cannot draw it: the cost of the
    // renderer and its protocol, without a report's own.
    const auto answeredJob = [](platform::jet::PrintRenderer& renderer) {
        try {
            renderer.render("rptBenchmark");
        } catch (const platform::Failure&) {
        }
    };
    double firstRender = 0;
    double render = medianMilliseconds(renderRuns, [&] {
        platform::jet::PrintRenderer renderer(options);
        auto start = Clock::now();
        answeredJob(renderer);
        firstRender = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    });
    platform::jet::PrintRenderer renderer(options);
    answeredJob(renderer);
    double nextRender = medianMilliseconds(runs, [&] { answeredJob(renderer); });
    renderer.stop();

    std::printf("database: %s (%ju bytes, %zu reports, %zu catalogue tables)\n", database.c_str(),
                static_cast<std::uintmax_t>(fs::file_size(database)), reports, tables);
    std::printf("medians over %d runs, in milliseconds:\n", runs);
    std::printf("  open + catalogue + report list (Access)   %8.3f\n", listing);
    std::printf("  open + OpenSchema(20) + walk (ADO)         %8.3f\n", schema);
    std::printf("  header and password check alone            %8.3f\n", header);
    std::printf("  starting and ending the reader helper       %8.3f\n", spawnReader);
    std::printf("  starting and ending /bin/true               %8.3f\n", spawnTrue);
    std::printf("  a renderer's first job: start + answer (%d) %8.3f (last %.3f)\n", renderRuns, render,
                firstRender);
    std::printf("  each further job of a running renderer      %8.3f\n", nextRender);
    if (int failed = benchFixtures(runs, options)) return failed;
    return benchPrintRuns(options);
}
