// Times the Linux database engine on the largest readable test file: opening it, reading its
// catalogue and listing its reports, as "Next >" does, and what the helper processes cost. Then
// "Next >" (ADO's open, Access's open and its report list) on mkmdb's 10,000-report fixture, with
// every open reading the catalogue and with the read kept for the next open; and how long a file
// whose catalogue usage map names millions of pages takes to be refused.
//
//   jet_bench [RUNS [FILE]]   (200 runs by default; without FILE the largest readable test file)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "DatabaseFile.h"
#include "Fixtures.h"
#include "platform/jet/CatalogueCache.h"
#include "platform/jet/ChildProcess.h"
#include "platform/jet/DatabaseFile.h"
#include "platform/jet/HelperPrograms.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/JetAdo.h"
#include "platform/jet/PrintJob.h"

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

// The fixture and the crafted file, written to a temporary folder and removed at the end.
int benchFixtures(int runs, const platform::jet::EngineOptions& options) {
    std::string pattern = (fs::temp_directory_path() / "jet-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    const fs::path folder = pattern;
    try {
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
    } catch (const std::exception& error) {
        std::fprintf(stderr, "jet_bench: %s\n", error.what());
        fs::remove_all(folder);
        return 1;
    }
    fs::remove_all(folder);
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
    double render = medianMilliseconds(renderRuns, [&] {
        platform::jet::renderPrintJob({"rptBenchmark", "bench.accdb", "2024-01-01 00:00:00"}, options);
    });

    std::printf("database: %s (%ju bytes, %zu reports, %zu catalogue tables)\n", database.c_str(),
                static_cast<std::uintmax_t>(fs::file_size(database)), reports, tables);
    std::printf("medians over %d runs, in milliseconds:\n", runs);
    std::printf("  open + catalogue + report list (Access)   %8.3f\n", listing);
    std::printf("  open + OpenSchema(20) + walk (ADO)         %8.3f\n", schema);
    std::printf("  header and password check alone            %8.3f\n", header);
    std::printf("  starting and ending the reader helper       %8.3f\n", spawnReader);
    std::printf("  starting and ending /bin/true               %8.3f\n", spawnTrue);
    std::printf("  rendering one print job (%d runs)           %8.3f\n", renderRuns, render);
    return benchFixtures(runs, options);
}
