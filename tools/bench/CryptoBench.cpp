// Times opening encrypted databases: the agile file Access wrote (checking its password derives a key
// in 100,000 SHA-512 rounds), its whole open as "Next >" does it (the password check, the decrypted
// copy in memory and the catalogue read), a wrong password's refusal, and the decryption of a large
// file our writer encrypted with each kind of encryption, in MB per second; and a file encrypted with
// the most spin rounds Office allows (10,000,000): opened once and again, the opens of a listing and
// of an export with and without the keys kept, and, when calvenor-export is built, its listing and
// export end to end.
//
//   crypto_bench [RUNS]   (20 runs by default; the largest spin count's times take 3)

#include <unistd.h>

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
#include "platform/jet/catalogue/DatabaseFile.h"
#include "platform/jet/file/DatabaseError.h"
#include "platform/jet/file/crypto/KeyCache.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
using namespace platform::jet;

double medianMilliseconds(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void timeAgileFile(int runs, const EngineOptions& options) {
    const std::string file = std::string(CALVENOR_TESTDATA) + "/ace-agile-encrypted.accdb";
    if (!fs::exists(file)) {
        std::printf("no %s: the agile file's times are skipped\n", file.c_str());
        return;
    }
    const double check = medianMilliseconds(
        runs, [&] { checkDatabaseFile(file, "password", AcceptedFormats::JetAndAce, options); });
    std::size_t objects = 0;
    const double open = medianMilliseconds(runs, [&] {
        objects = openDatabaseFile(file, "password", AcceptedFormats::JetAndAce, options).objects.size();
    });
    const double refusal = medianMilliseconds(runs, [&] {
        try {
            checkDatabaseFile(file, "wrong", AcceptedFormats::JetAndAce, options);
        } catch (const DatabaseError&) {
        }
    });
    std::printf("agile file Access wrote (%ju KB, %zu catalogue objects), median of %d runs:\n",
                static_cast<std::uintmax_t>(fs::file_size(file) / 1024), objects, runs);
    std::printf("  password check (key derivation, verifier)   %8.1f ms\n", check);
    std::printf("  whole open (check, decryption, catalogue)   %8.1f ms\n", open);
    std::printf("  wrong password refused                      %8.1f ms\n", refusal);
}

void timeDecryption(int runs, const EngineOptions& options) {
    auto database = mkmdb::fixtures::largeDatabase(1000, 100000);
    database.password = "secret";
    const fs::path folder = fs::temp_directory_path() / ("crypto_bench." + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::vector<std::pair<const char*, mkmdb::Encryption>> kinds{
        {"Jet encoding", mkmdb::Encryption::JetEncoding},
        {"RC4 CryptoAPI", mkmdb::Encryption::Rc4CryptoApi},
        {"AES standard", mkmdb::Encryption::StandardAes},
        {"agile", mkmdb::Encryption::Agile},
    };
    std::printf("a file of 1,000 reports and 100,000 rows opened for reading, median of %d runs:\n", runs);
    for (const auto& [name, encryption] : kinds) {
        database.encryption = encryption;
        const std::string path = (folder / (std::string(name) + ".accdb")).string();
        mkmdb::writeDatabaseFile(database, path, mkmdb::Overwrite::Replace);
        const double megabytes = static_cast<double>(fs::file_size(path)) / (1024 * 1024);
        const double check = medianMilliseconds(
            runs, [&] { checkDatabaseFile(path, "secret", AcceptedFormats::JetAndAce, options); });
        const double open = medianMilliseconds(
            runs, [&] { openReadableDatabase(path, "secret", AcceptedFormats::JetAndAce, options); });
        std::printf("  %-14s %4.1f MB: password check %6.1f ms, then decryption %6.1f ms (%4.0f MB/s)\n",
                    name, megabytes, check, open - check, megabytes / (open - check) * 1000);
    }
    fs::remove_all(folder);
}

// calvenor-export beside the helpers, where the build puts it; its runs are skipped when it is not built.
std::string exportProgram() {
    return std::string(CALVENOR_HELPER_DIR) + "/calvenor-export";
}

// A run of calvenor-export on the file, its output discarded; false when it did not end with success.
bool runExport(const std::string& path, const std::string& arguments) {
    const std::string command =
        "CALVENOR_PASSWORD=secret '" + exportProgram() + "' '" + path + "' " + arguments + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// The opens of a calvenor-export run, in this process: --list opens the file with ADO and then with
// Access; saving reports opens it once more and once for the renderer.
void openAsListing(const std::string& path, const EngineOptions& options) {
    for (int i = 0; i < 2; ++i) openDatabaseFile(path, "secret", AcceptedFormats::JetAndAce, options);
}

void openAsExporting(const std::string& path, const EngineOptions& options) {
    openAsListing(path, options);
    openDatabaseFile(path, "secret", AcceptedFormats::JetAndAce, options);
    openReadableDatabase(path, "secret", AcceptedFormats::JetAndAce, options);
}

// Each run starts with no key kept, as a new process does.
double medianWithNewKeys(int runs, const std::string& path, const EngineOptions& uncached,
                         void (*opens)(const std::string&, const EngineOptions&)) {
    return medianMilliseconds(runs, [&] {
        auto options = uncached;
        options.keyCache = std::make_shared<crypto::KeyCache>();
        opens(path, options);
    });
}

void timeLargestSpinCount(const EngineOptions& uncached) {
    constexpr int kRuns = 3;
    mkmdb::Database database;
    database.password = "secret";
    database.encryption = mkmdb::Encryption::Agile;
    database.spinCount = 10'000'000;
    database.tables.push_back(
        {"Customers", {{"Name", mkmdb::ColumnType::Text, 40}}, {{std::string("Alder")}}});
    database.reports = {"Customer List"};
    const fs::path folder = fs::temp_directory_path() / ("crypto_bench." + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string path = (folder / "spun.accdb").string();
    mkmdb::writeDatabaseFile(database, path, mkmdb::Overwrite::Replace);

    const auto openOnce = [](const std::string& file, const EngineOptions& options) {
        openDatabaseFile(file, "secret", AcceptedFormats::JetAndAce, options);
    };
    const double first = medianWithNewKeys(kRuns, path, uncached, openOnce);
    auto kept = uncached;
    kept.keyCache = std::make_shared<crypto::KeyCache>();
    openOnce(path, kept);
    const double again = medianMilliseconds(kRuns, [&] { openOnce(path, kept); });
    const double listBefore = medianMilliseconds(kRuns, [&] { openAsListing(path, uncached); });
    const double listAfter = medianWithNewKeys(kRuns, path, uncached, openAsListing);
    const double exportBefore = medianMilliseconds(kRuns, [&] { openAsExporting(path, uncached); });
    const double exportAfter = medianWithNewKeys(kRuns, path, uncached, openAsExporting);
    std::printf("agile file with 10,000,000 spin rounds, median of %d runs:\n", kRuns);
    std::printf("  first open (key derived)                    %8.1f ms\n", first);
    std::printf("  open again in the same process (key kept)   %8.1f ms\n", again);
    std::printf("  --list's two opens: each deriving %8.1f ms, keys kept %8.1f ms\n", listBefore, listAfter);
    std::printf("  an export's four:   each deriving %8.1f ms, keys kept %8.1f ms\n", exportBefore,
                exportAfter);
    if (fs::exists(exportProgram())) {
        bool exported = true;
        const double list =
            medianMilliseconds(kRuns, [&] { exported = runExport(path, "--list") && exported; });
        const double save = medianMilliseconds(kRuns, [&] {
            exported =
                runExport(path, "--output '" + folder.string() + "' --report 'Customer List'") && exported;
        });
        std::printf("  calvenor-export --list, end to end          %8.1f ms\n", list);
        std::printf("  calvenor-export of its one report, to end   %8.1f ms%s\n", save,
                    exported ? "" : " (it did not end with success)");
    } else {
        std::printf("  no %s: its end-to-end times are skipped\n", exportProgram().c_str());
    }
    fs::remove_all(folder);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    EngineOptions options;
    options.helperFolder = CALVENOR_HELPER_DIR;
    options.catalogueCache = nullptr;  // every open reads and decrypts
    options.keyCache = nullptr;        // and derives its key
    try {
        timeAgileFile(runs, options);
        timeDecryption(runs, options);
        timeLargestSpinCount(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "crypto_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
