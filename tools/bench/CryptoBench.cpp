// Times opening encrypted databases: the agile file Access wrote (checking its password derives a key
// in 100,000 SHA-512 rounds), its whole open as "Next >" does it (the password check, the decrypted
// copy in memory and the catalogue read), a wrong password's refusal, and the decryption of a large
// file our writer encrypted with each kind of encryption, in MB per second.
//
//   crypto_bench [RUNS]   (20 runs by default)

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
#include "platform/jet/DatabaseError.h"
#include "platform/jet/DatabaseFile.h"

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
    const double check =
        medianMilliseconds(runs, [&] { checkDatabaseFile(file, "password", AcceptedFormats::JetAndAce); });
    std::size_t objects = 0;
    const double open = medianMilliseconds(runs, [&] {
        objects = openDatabaseFile(file, "password", AcceptedFormats::JetAndAce, options).objects.size();
    });
    const double refusal = medianMilliseconds(runs, [&] {
        try {
            checkDatabaseFile(file, "wrong", AcceptedFormats::JetAndAce);
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
        const double check =
            medianMilliseconds(runs, [&] { checkDatabaseFile(path, "secret", AcceptedFormats::JetAndAce); });
        const double open = medianMilliseconds(
            runs, [&] { openReadableDatabase(path, "secret", AcceptedFormats::JetAndAce, options); });
        std::printf("  %-14s %4.1f MB: password check %6.1f ms, then decryption %6.1f ms (%4.0f MB/s)\n",
                    name, megabytes, check, open - check, megabytes / (open - check) * 1000);
    }
    fs::remove_all(folder);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    EngineOptions options;
    options.helperFolder = CALVENOR_HELPER_DIR;
    options.catalogueCache = nullptr;  // every open reads and decrypts
    try {
        timeAgileFile(runs, options);
        timeDecryption(runs, options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "crypto_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
