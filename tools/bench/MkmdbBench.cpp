// Times the writer on the benchmark fixture and mdbtools reading it back.
//   mkmdb_bench [REPORTS [ROWS]]     (defaults: 10000 reports, 100000 rows)

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "DatabaseFile.h"
#include "DatabaseImage.h"
#include "Fixtures.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs a shell command with its output discarded; answers the time it took, or -1 when it failed.
double timeCommand(const std::string& command) {
    const auto start = Clock::now();
    const int status = std::system((command + " > /dev/null").c_str());
    return status == 0 ? millisecondsSince(start) : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int reports = argc > 1 ? std::atoi(argv[1]) : 10'000;
    const int rows = argc > 2 ? std::atoi(argv[2]) : 100'000;
    std::string pattern = (std::filesystem::temp_directory_path() / "mkmdb-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    const std::filesystem::path folder = pattern;
    const auto file = folder / "bench.mdb";

    try {
        auto start = Clock::now();
        const auto database = mkmdb::fixtures::largeDatabase(reports, rows);
        const double describe = millisecondsSince(start);
        start = Clock::now();
        const auto image = mkmdb::buildDatabaseImage(database);
        const double build = millisecondsSince(start);
        start = Clock::now();
        mkmdb::writeFileAtomically(file, image.bytes(), mkmdb::Overwrite::Refuse);
        const double write = millisecondsSince(start);

        std::cout << reports << " reports, " << rows << " rows: " << image.pageCount() << " pages, "
                  << std::filesystem::file_size(file) / 1024 << " KiB\n"
                  << "  describe in memory      " << describe << " ms\n"
                  << "  encode pages            " << build << " ms\n"
                  << "  write file (fsync)      " << write << " ms\n"
                  << "  mdb-tables              " << timeCommand("mdb-tables " + file.string()) << " ms\n"
                  << "  mdb-export MSysObjects  "
                  << timeCommand("mdb-export " + file.string() + " MSysObjects") << " ms\n"
                  << "  mdb-export Orders       " << timeCommand("mdb-export " + file.string() + " Orders")
                  << " ms\n";
    } catch (const std::exception& error) {
        std::cerr << "mkmdb_bench: " << error.what() << "\n";
        std::filesystem::remove_all(folder);
        return 1;
    }
    std::filesystem::remove_all(folder);
    return 0;
}
