// Times the Linux database engine on the largest readable test file: opening it, reading its
// catalogue and listing its reports, as "Next >" does, and what the helper processes cost.
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

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    platform::jet::EngineOptions options;
    options.helperFolder = CALVENOR_HELPER_DIR;

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
    return 0;
}
