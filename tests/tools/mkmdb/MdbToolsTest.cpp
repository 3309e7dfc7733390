// The mdbtools programs, run on what we write: right answers and not a word on standard error.

#include <gtest/gtest.h>

#include "DatabaseFile.h"
#include "Description.h"
#include "Fixtures.h"
#include "RunProgram.h"
#include "tests/support/TestSupport.h"

namespace mkmdb {
namespace {

using testing::runProgram;

class MdbTools : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testing::programExists("mdb-export")) GTEST_SKIP() << "mdbtools is not installed";
    }

    // Runs the program and expects it to succeed silently on standard error; answers its output.
    static std::string quietOutput(const std::vector<std::string>& arguments) {
        const auto result = runProgram(arguments);
        EXPECT_EQ(result.exitCode, 0) << arguments[0] << " " << arguments.back();
        EXPECT_EQ(result.errors, "") << arguments[0] << " " << arguments.back();
        return result.output;
    }

    // Every program on every table and object of the file.
    static void expectQuietEverywhere(const std::filesystem::path& file, const Database& database) {
        EXPECT_EQ(quietOutput({"mdb-ver", file}), "JET4\n");
        std::string tableList;
        for (const auto& table : database.tables) tableList += table.name + "\n";
        EXPECT_EQ(quietOutput({"mdb-tables", "-1", file}), tableList);
        quietOutput({"mdb-schema", file});
        for (const auto& table : database.tables) {
            const auto csv = quietOutput({"mdb-export", file, table.name});
            EXPECT_EQ(static_cast<std::size_t>(std::count(csv.begin(), csv.end(), '\n')),
                      table.rows.size() + 1);
            quietOutput({"mdb-prop", file, table.name});
        }
        for (const auto& report : database.reports) quietOutput({"mdb-prop", file, report});
        quietOutput({"mdb-export", file, "MSysObjects"});
    }
};

TEST_F(MdbTools, ReadTheSampleDatabaseWithoutAWarning) {
    const auto database = readDescriptionFile(MKMDB_SAMPLE_DESCRIPTION);
    test_support::TemporaryFolder folder;
    writeDatabaseFile(database, folder / "sample.mdb", Overwrite::Refuse);
    expectQuietEverywhere(folder / "sample.mdb", database);
}

TEST_F(MdbTools, ReadHostileNamesAndAPasswordWithoutAWarning) {
    auto database = fixtures::hostileNamesDatabase();
    database.password = "Überblick";
    test_support::TemporaryFolder folder;
    writeDatabaseFile(database, folder / "hostile.mdb", Overwrite::Refuse);
    expectQuietEverywhere(folder / "hostile.mdb", database);
}

TEST_F(MdbTools, ExportEveryColumnTypeExactly) {
    const auto database = parseDescription(R"(
table "Kinds"
column "Label" Text 20
column "Count" Long
column "Ratio" Double
column "When" DateTime
column "Flag" YesNo
column "Amount" Decimal 28 2
row "Umsätze, \"netto\"" -2147483648 -0.125 2026-01-31T23:59:59 yes 1234567890123456789.12
row null 2147483647 1e-7 1899-12-30 no -0.5
)",
                                           "kinds");
    test_support::TemporaryFolder folder;
    writeDatabaseFile(database, folder / "kinds.mdb", Overwrite::Refuse);
    EXPECT_EQ(
        quietOutput({"mdb-export", "-T", "%Y-%m-%d %H:%M:%S", "-0", "NULL", folder / "kinds.mdb", "Kinds"}),
        "Label,Count,Ratio,When,Flag,Amount\n"
        "\"Umsätze, \"\"netto\"\"\",-2147483648,-0.125,\"2026-01-31 23:59:59\",1,1234567890123456789.12\n"
        "NULL,2147483647,1e-07,\"1899-12-30 00:00:00\",0,-0.50\n");
}

}  // namespace
}  // namespace mkmdb
