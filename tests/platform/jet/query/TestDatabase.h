#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/jet/tables/ScopedMdb.h"
#include "tests/support/TestSupport.h"

namespace query_tests {

using Database = platform::jet::helper::ScopedMdb;

// A shared test file opened with libmdb as the helpers open it; null when the file is absent.
inline Database openTestFile(const std::string& name) {
    setenv("MDBICONV", "UTF-8", 1);
    const auto path = test_support::testDataFile(name);
    return Database(std::filesystem::exists(path) ? mdb_open(path.c_str(), MDB_NOFLAGS) : nullptr);
}

#define OPEN_OR_SKIP(database, name)        \
    Database database = openTestFile(name); \
    if (!database) GTEST_SKIP() << "no " << name;

}  // namespace query_tests
