#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "DatabaseFile.h"
#include "Description.h"
#include "platform/jet/query/DayNumbers.h"
#include "platform/jet/query/RecordSource.h"
#include "platform/jet/query/TableReader.h"
#include "tests/platform/jet/query/TestDatabase.h"
#include "tests/support/TestSupport.h"

namespace query_tests {
namespace {

using namespace platform::jet::query;

std::string civilText(double days) {
    const CivilTime t = civilTime(days);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

// Day numbers within half a second of midnight round to the next day, before 1899-12-30 as after it
// (the fraction counts forward from the day's start on either side).
TEST(CivilTime, RoundsToTheNearestSecondOnEitherSideOfDayZero) {
    const struct {
        double days;
        const char* expected;
    } cases[] = {
        {-1.25, "1899-12-29 06:00:00"},
        {-1.99999999, "1899-12-30 00:00:00"},
        {-0.99999999, "1899-12-31 00:00:00"},
        {-2.5 - 0.4 / 86400, "1899-12-28 12:00:00"},
        {1.99999999, "1900-01-01 00:00:00"},
        {-657270.53125, "0100-06-14 12:45:00"},
        {1e300, "2739807-01-02 00:00:00"},  // damage: far beyond any date, yet defined
    };
    for (const auto& c : cases) EXPECT_EQ(civilText(c.days), c.expected) << c.days;
}

std::vector<std::uint8_t> bytesOf(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::string hexOf(const std::vector<std::uint8_t>& bytes) {
    std::string hex;
    char digits[3];
    for (const std::uint8_t byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", byte);
        hex += digits;
    }
    return hex;
}

// A calculated column's value: 16 bytes, the length of the value, the value.
std::string calculated(const std::string& hex) {
    char length[3];
    std::snprintf(length, sizeof length, "%02X", static_cast<unsigned>(hex.size() / 2 & 0xFF));
    return std::string(32, '0') + length + "000000" + hex;
}

// The bytes of types libmdb reads otherwise or not at all, as Access shows their values.
TEST(StoredValue, ReadsAsAccessShowsIt) {
    const struct {
        int type;
        std::string hex;
        bool calculated;
        const char* expected;
    } cases[] = {
        {MDB_REPID, "40FC296B47CA6710B31D00DD010662DA", false, "{6B29FC40-CA47-1067-B31D-00DD010662DA}"},
        {MDB_FLOAT, "9A99193E", false, "0.15"},   // not 0.150000005960464
        {0x13, "2A00000000000000", false, "42"},  // Large Number
        {0x13, "FEFFFFFFFFFFFFFF", false, "-2"},
        {0x13, "2A000000", false, "Null"},                       // too short
        {MDB_TEXT, "61003DD800DE", false, "a\xF0\x9F\x98\x80"},  // beyond the BMP
        {MDB_TEXT, "FFFE6869003A040021", false, "hi\xD0\xBA!"},  // compressed, with a UTF-16 run
        // Date/Time Extended: days since 0001-01-01 and 100 ns since midnight.
        {0x14, "303030303030303030303030303033363332333A303030303030303435393030313233343536373A37", false,
         "0100-06-14 12:45:00"},
        {0x14, "3030303030303030303030303030373337393534", false, "Null"},
        {MDB_DATETIME, calculated("00000000E07BE540"), true, "2020-06-17 00:00:00"},
        {MDB_LONGINT, calculated("D2040000"), true, "1234"},
        {MDB_BOOL, calculated("FF"), true, "True"},
        {MDB_TEXT, calculated("4F004B00"), true, "OK"},
        // Decimals: length, scale, sign, then the digits' bytes (a group of four, then of eight).
        {MDB_NUMERIC, calculated("0E0003000000000095C4000000000000"), true, "50.325"},
        {MDB_NUMERIC, calculated("0E000280000000003930000000000000"), true, "-123.45"},
        {MDB_NUMERIC, calculated("0E000000010000000000000000000000"), true, "18446744073709551616"},  // 2^64
        {MDB_NUMERIC, calculated("0E00"), true, "Null"},
    };
    for (const auto& c : cases) {
        const auto bytes = bytesOf(c.hex);
        EXPECT_EQ(displayText(storedValue(c.type, bytes, c.calculated)), c.expected) << c.hex;
    }
}

// A plain Decimal: the sign, the digits in four little-endian groups of four, most significant first; its
// scale is its column's.
TEST(StoredValue, DecimalsReadExactlyAtTheirColumnsScale) {
    const struct {
        std::string hex;
        int scale;
        const char* expected;
    } cases[] = {
        {"0000000000000000000000000040420F00", 4, "100"},  // as Northwind 2007 keeps 100.0000
        {"000000000006000000819F4EB1406C362F", 2, "1234567890123456789.12"},
        {"8000000000FFFFFFFFFFFFFFFFFFFFFFFF", 28, "-7.9228162514264337593543950335"},
        {"0001000000000000000000000000000000", 0, "Null"},  // beyond 96 bits
        {"0000000000000000000000000040420F00", 29, "Null"},
        {"0000000000000000000000000040420F", 4, "Null"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(displayText(storedValue(MDB_NUMERIC, bytesOf(c.hex), false, c.scale)), c.expected) << c.hex;
}

std::size_t columnIndex(const RowSet& rows, const std::string& name) {
    const auto found = std::find(rows.columns.begin(), rows.columns.end(), name);
    EXPECT_NE(found, rows.columns.end()) << "no column " << name;
    return found == rows.columns.end() ? 0 : static_cast<std::size_t>(found - rows.columns.begin());
}

struct StoredCase {
    const char* file;
    const char* table;
    std::size_t row;
    const char* column;
    const char* expected;
};

class FileValues : public ::testing::TestWithParam<StoredCase> {};

// What the peer readers' own tests assert these files hold.
TEST_P(FileValues, ReadAsStored) {
    const StoredCase& c = GetParam();
    OPEN_OR_SKIP(database, c.file);
    const RowSet rows = readRecordSource(database.get(), c.table);
    ASSERT_LT(c.row, rows.rows.size());
    EXPECT_EQ(displayText(rows.rows[c.row][columnIndex(rows, c.column)]), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    RealFiles, FileValues,
    ::testing::Values(
        StoredCase{"values/bigint-v2016.accdb", "Table", 0, "Numeric", "42"},
        StoredCase{"values/complexDataTestV2007.accdb", "Table1", 0, "multi-value-data", "Null"},
        StoredCase{"values/complexDataTestV2007.accdb", "Table1", 1, "multi-value-data", "value1, value4"},
        StoredCase{"values/complexDataTestV2007.accdb", "Table1", 2, "multi-value-data",
                   "value1, value2, value3, value4"},
        StoredCase{"values/complexDataTestV2007.accdb", "Table1", 1, "attach-data",
                   "test_data.txt, test_data2.txt"},
        StoredCase{"values/complexDataTestV2007.accdb", "Table1", 2, "append-memo-data", "row3-memo-again"},
        StoredCase{"values/testUnicodeCompV2003.mdb", "Table", 2, "Unicode", "\xD0\x9C\xD0\xB8\xD1\x80"},
        StoredCase{"values/testUnicodeCompV2003.mdb", "Table", 6, "Unicode", "\xC3\xBCmlaut"},
        StoredCase{"northwind-jet4.mdb", "Order Details", 6, "Discount", "0.15"},
        // Decimal(18, 4) quantities: their sums as mdb-export's rows add up.
        StoredCase{"reports/northwind2007-ace12.accdb", "Order Details", 0, "Quantity", "100"},
        StoredCase{"reports/northwind2007-ace12.accdb",
                   "SELECT Sum(Quantity) AS Total, Max(Quantity) AS Most FROM [Purchase Order Details]", 0,
                   "Total", "4261"},
        StoredCase{"reports/northwind2007-ace12.accdb",
                   "SELECT Sum(Quantity) AS Total FROM [Order Details] WHERE Quantity > 20.5", 0, "Total",
                   "2667"},
        StoredCase{"reports/esis-jet3.mdb", "tbl_Transactions", 3, "Comments", "ftyt"}));  // a Jet 3 memo

// Columns that hold the same moments read alike: an extended date as the plain one, a calculated one as
// its source.
TEST(FileValues, ColumnsOfTheSameMomentsAgree) {
    OPEN_OR_SKIP(database, "values/extDateTestV2019.accdb");
    const RowSet rows = readRecordSource(database.get(), "Table1");
    ASSERT_EQ(rows.rows.size(), 9u);
    for (const char* column : {"DateExt", "DateNormalCalc"})
        for (const auto& row : rows.rows)
            EXPECT_EQ(displayText(row[columnIndex(rows, column)]),
                      displayText(row[columnIndex(rows, "DateNormal")]))
                << column << " of " << displayText(row[0]);
}

// A memo's version history is Access's own: SELECT * does not show it.
TEST(FileValues, VersionHistoryIsNoColumn) {
    OPEN_OR_SKIP(database, "values/complexDataTestV2007.accdb");
    EXPECT_EQ(
        readRecordSource(database.get(), "Table1").columns,
        (std::vector<std::string>{"id", "memo-data", "append-memo-data", "multi-value-data", "attach-data"}));
}

// Long values over chains of pages, read ourselves, agree with mdb-export's reading byte for byte.
TEST(FileValues, LongValuesMatchMdbExport) {
    OPEN_OR_SKIP(database, "northwind-jet4.mdb");
    if (std::system("command -v mdb-export >/dev/null") != 0) GTEST_SKIP() << "no mdb-export";
    const std::string command = "mdb-export -b hex -H -Q -d '|' '" +
                                test_support::testDataFile("northwind-jet4.mdb").string() + "' Categories";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string exported;
    char buffer[65536];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) exported += buffer;
    const RowSet rows = readRecordSource(database.get(), "Categories");
    ASSERT_EQ(rows.rows.size(), 8u);
    for (const auto& row : rows.rows) {
        ASSERT_TRUE(row[3].holds<Binary>());
        const std::string hex = hexOf(row[3].get<Binary>().bytes);
        EXPECT_GT(hex.size(), 2 * 8192u);  // over more than two pages
        EXPECT_NE(exported.find("|" + hex + "\n"), std::string::npos) << displayText(row[1]);
    }
}

// Decimal columns of our own writer, each value at its column's scale, through sorting and totals.
TEST(FileValues, DecimalColumnsKeepEveryDigit) {
    const auto folder = std::filesystem::path(SCRATCH_FOLDER) / "decimals";
    std::filesystem::create_directories(folder);
    writeDatabaseFile(mkmdb::parseDescription(R"(
table "Amounts"
column "Amount" Decimal 28 2
column "Rate" Decimal 10 6
row 1234567890123456789.12 0.125
row -0.5 -1.000001
row 99999999999999999999999999.99 null
row 0.1 3
)",
                                              "decimals"),
                      folder / "decimals.mdb", mkmdb::Overwrite::Replace);
    setenv("MDBICONV", "UTF-8", 1);
    Database database(mdb_open((folder / "decimals.mdb").c_str(), MDB_NOFLAGS));
    ASSERT_TRUE(database);
    const auto texts = [&](const char* sql) {
        std::vector<std::string> result;
        for (const auto& row : readRecordSource(database.get(), sql).rows)
            for (const Value& value : row) result.push_back(displayText(value));
        return result;
    };
    EXPECT_EQ(texts("SELECT Amount, Rate FROM Amounts ORDER BY Amount DESC"),
              (std::vector<std::string>{"99999999999999999999999999.99", "Null", "1234567890123456789.12",
                                        "0.125", "0.1", "3", "-0.5", "-1.000001"}));
    EXPECT_EQ(texts("SELECT Sum(Amount), Sum(Rate) FROM Amounts WHERE Amount > 0"),
              (std::vector<std::string>{"100000001234567890123456789.21", "3.125"}));
}

// A front end whose table "Stock" is linked from a back end, each written by our own writer.
struct LinkCase {
    const char* stored;   // the path the link keeps; "{}" stands for the case's own folder
    const char* backEnd;  // where the back end is, in the case's folder; null for nowhere
    const char* foreignName;
    const char* error;  // a part of the message; null when the rows are read
};

class LinkedTables : public ::testing::TestWithParam<LinkCase> {};

TEST_P(LinkedTables, AreReadFromTheirDatabaseOrNameIt) {
    const LinkCase& c = GetParam();
    std::string caseName = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(caseName.begin(), caseName.end(), '/', '-');
    const auto folder = std::filesystem::path(SCRATCH_FOLDER) / "linked" / caseName;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "elsewhere");
    std::string stored = c.stored;
    if (const auto at = stored.find("{}"); at != std::string::npos) stored.replace(at, 2, folder.string());
    if (c.backEnd) {
        mkmdb::Database back;
        back.tables.push_back(
            {"Stock", {{"Item"}, {"Count", mkmdb::ColumnType::Long}}, {{"Nails", 40}, {"Screws", 2}}});
        writeDatabaseFile(back, folder / c.backEnd, mkmdb::Overwrite::Replace);
    }
    mkmdb::Database front;
    front.links.push_back({"Stock", stored, c.foreignName});
    writeDatabaseFile(front, folder / "front.mdb", mkmdb::Overwrite::Replace);
    setenv("MDBICONV", "UTF-8", 1);
    Database database(mdb_open((folder / "front.mdb").c_str(), MDB_NOFLAGS));
    ASSERT_TRUE(database);
    try {
        const RowSet rows =
            readRecordSource(database.get(), "SELECT Sum([Count]) FROM Stock WHERE Item <> 'x'");
        EXPECT_FALSE(c.error) << "rows were read";
        ASSERT_EQ(rows.rows.size(), 1u);
        EXPECT_EQ(displayText(rows.rows[0][0]), "42");
    } catch (const QueryError& error) {
        ASSERT_TRUE(c.error) << error.what();
        EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    OwnFiles, LinkedTables,
    ::testing::Values(
        // Access keeps a Windows path: the same name beside the front end is found, in any letter case.
        LinkCase{"C:\\Data\\Back End.MDB", "back end.mdb", "Stock", nullptr},
        LinkCase{"{}/elsewhere/Stock.mdb", "elsewhere/Stock.mdb", "Stock", nullptr},
        LinkCase{"C:\\Data\\Missing.mdb", nullptr, "Stock",
                 "database C:\\Data\\Missing.mdb, which cannot be found"},
        LinkCase{"back.mdb", "back.mdb", "Nothing", "which holds no table 'Nothing'"}));

}  // namespace
}  // namespace query_tests
