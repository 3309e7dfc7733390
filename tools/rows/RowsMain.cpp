// calvenor-rows: prints the first rows of a report's record source, to look at what a report would
// show. Reads the file as the engine's helper does; run it only on files you trust as much as that.
//
//   calvenor-rows DATABASE RECORDSOURCE [ROWS]
//   -> the column names, then one line per row, tab-separated; the number of rows at the end

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "platform/jet/query/RecordSource.h"
#include "platform/jet/tables/ScopedMdb.h"

namespace {}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::cerr << "usage: calvenor-rows DATABASE RECORDSOURCE [ROWS]\n";
        return 2;
    }
    const std::size_t shown = argc == 4 ? std::strtoul(argv[3], nullptr, 10) : 20;
    setenv("MDBICONV", "UTF-8", 1);
    unsetenv("MDBOPTS");
    std::error_code error;
    const auto path =
        std::filesystem::absolute(argv[1], error);  // libmdb searches MDBPATH for relative names
    platform::jet::helper::ScopedMdb database(error ? nullptr : mdb_open(path.c_str(), MDB_NOFLAGS));
    if (!database) {
        std::cerr << "calvenor-rows: cannot open " << argv[1] << "\n";
        return 1;
    }
    try {
        const auto rows = platform::jet::query::readRecordSource(database.get(), argv[2]);
        std::string line;
        for (const auto& column : rows.columns) line += (line.empty() ? "" : "\t") + column;
        std::cout << line << "\n";
        for (std::size_t i = 0; i < rows.rows.size() && i < shown; ++i) {
            line.clear();
            for (std::size_t c = 0; c < rows.rows[i].size(); ++c)
                line += (c ? "\t" : "") + platform::jet::query::displayText(rows.rows[i][c]);
            std::cout << line << "\n";
        }
        std::cout << "(" << rows.rows.size() << " rows)\n";
    } catch (const platform::jet::query::QueryError& failure) {
        std::cerr << "calvenor-rows: " << failure.what() << "\n";
        return 1;
    }
    return 0;
}
