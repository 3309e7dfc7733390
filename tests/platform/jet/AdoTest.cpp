#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "TestFiles.h"
#include "platform/Failure.h"
#include "platform/jet/JetAdo.h"

using namespace platform;
using jet_tests::testFile;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

constexpr char kAce[] = "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=";
constexpr char kJet[] = "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=";

std::string connectionString(const char* provider, const std::string& path,
                             const std::string& password = "") {
    return provider + path + ";JET OLEDB:Database Password=" + password;
}

struct Row {
    std::string type, name;
    bool operator==(const Row&) const = default;
};

std::vector<Row> tablesOf(const std::string& text) {
    jet::JetAdo ado(jet_tests::testOptions());
    auto connection = ado.createConnection();
    connection->open(text);
    auto rows = connection->openSchema(ado::kSchemaTables);
    std::vector<Row> result;
    for (; !rows->eof(); rows->moveNext())
        result.push_back({rows->field("TABLE_TYPE"), rows->field("TABLE_NAME")});
    rows->close();
    connection->close();
    return result;
}

std::vector<std::string> userTables(const std::string& text) {
    std::vector<std::string> names;
    for (const auto& row : tablesOf(text))
        if (row.type == "TABLE") names.push_back(row.name);
    return names;
}

// The failure the open raises, as "number: description"; "opened" when it opens.
std::string openFailure(const std::string& text) {
    jet::JetAdo ado(jet_tests::testOptions());
    auto connection = ado.createConnection();
    try {
        connection->open(text);
        return "opened";
    } catch (const Failure& failure) {
        return std::to_string(failure.number()) + ": " + failure.description();
    }
}

}  // namespace

TEST(Ado, ListsTheUserTablesOfEveryReadableTestFile) {
    REQUIRE_TEST_FILE("asample.accdb");
    EXPECT_THAT(userTables(connectionString(kAce, testFile("asample.accdb"))), ElementsAre("Asset Items"));
    EXPECT_THAT(userTables(connectionString(kAce, testFile("ace16-empty.accdb"))), ElementsAre());
    EXPECT_THAT(userTables(connectionString(kJet, testFile("datetest-jet4.mdb"))), ElementsAre("DateTest"));
    EXPECT_THAT(userTables(connectionString(kJet, testFile("jet3-v1997.mdb"))),
                ElementsAre("Table1", "Table2", "Table3", "Table4"));
    EXPECT_THAT(userTables(connectionString(kAce, testFile("jet4-v2000-nopassword.mdb"))),
                ElementsAre("Table1"));
    EXPECT_THAT(userTables(connectionString(kJet, testFile("jet4-v2000-password.mdb"), "password")),
                ElementsAre("Table1"));
    EXPECT_THAT(userTables(connectionString(kJet, testFile("jet4-v2003-password.mdb"), "password")),
                ElementsAre("Table1"));
}

TEST(Ado, ClassifiesTheCatalogueAsAdoDoesOrderedByTypeThenName) {
    REQUIRE_TEST_FILE("asample.accdb");
    auto rows = tablesOf(connectionString(kAce, testFile("asample.accdb")));
    EXPECT_THAT(rows, testing::Contains(Row{"ACCESS TABLE", "MSysAccessStorage"}));
    EXPECT_THAT(rows, testing::Contains(Row{"SYSTEM TABLE", "MSysObjects"}));
    EXPECT_THAT(rows, testing::Contains(Row{"VIEW", "qryGSTCalculations"}));
    EXPECT_THAT(rows, testing::Contains(Row{"VIEW", "~sq_rrptAssetsGroupedByOwners"}))
        << "hidden select queries are views too";
    for (const auto& row : rows) EXPECT_NE(row.name, "rptGSTPaidByMonth") << "reports are no tables";
    EXPECT_TRUE(
        std::is_sorted(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.type < b.type; }));

    auto dated = tablesOf(connectionString(kJet, testFile("datetest-jet4.mdb")));
    EXPECT_THAT(dated, testing::Contains(Row{"SYSTEM TABLE", "f_75A72A8786B149369D90EB962DAB8A2C_Data"}));
}

TEST(Ado, ChecksTheDatabasePassword) {
    REQUIRE_TEST_FILE("jet4-v2000-password.mdb");
    for (const char* file : {"jet4-v2000-password.mdb", "jet4-v2003-password.mdb"}) {
        SCOPED_TRACE(file);
        const std::string path = testFile(file);
        EXPECT_EQ(openFailure(connectionString(kJet, path, "password")), "opened");
        EXPECT_EQ(openFailure(connectionString(kAce, path, "password")), "opened");
        EXPECT_EQ(openFailure(connectionString(kJet, path, "Password")), "-2147467259: Not a valid password.")
            << "passwords compare with their letter case";
        EXPECT_EQ(openFailure(connectionString(kJet, path, "")), "-2147467259: Not a valid password.");
        EXPECT_EQ(openFailure(connectionString(kJet, path, "passwordx")),
                  "-2147467259: Not a valid password.");
        EXPECT_EQ(openFailure(connectionString(kJet, path) + "'password'"), "opened") << "a quoted value";
    }
    EXPECT_EQ(openFailure(connectionString(kJet, testFile("jet4-v2000-nopassword.mdb"), "anything")),
              "opened")
        << "a file without a password takes any";
}

TEST(Ado, AppliesTheProviderRules) {
    REQUIRE_TEST_FILE("asample.accdb");
    const std::string accdb = testFile("asample.accdb");
    EXPECT_EQ(openFailure(connectionString(kJet, accdb)),
              "-2147467259: Unrecognized database format '" + accdb + "'.");
    EXPECT_EQ(openFailure(connectionString("Provider=microsoft.ace.oledb.12.0;Data Source=", accdb)),
              "opened");
    for (const char* other : {"Provider=Microsoft.ACE.OLEDB.16.0;Data Source=",
                              "Provider=SQLOLEDB;Data Source=", "Data Source="}) {
        EXPECT_EQ(openFailure(connectionString(other, accdb)),
                  "3706: Provider cannot be found. It may not be properly installed.");
    }
    EXPECT_THAT(openFailure(kJet + accdb + ";JET OLEDB:Database Password=a;b"),
                HasSubstr("does not conform to the OLE DB specification"));
}

TEST(Ado, OpensTheWholeFileEncryptedDatabaseWithItsPassword) {
    REQUIRE_TEST_FILE("ace-agile-encrypted.accdb");
    const std::string path = testFile("ace-agile-encrypted.accdb");
    EXPECT_EQ(openFailure(connectionString(kAce, path, "password")), "opened");
    for (const char* password : {"", "wrong"})
        EXPECT_THAT(openFailure(connectionString(kAce, path, password)), HasSubstr("Not a valid password."));
    EXPECT_THAT(openFailure(connectionString(kJet, path, "password")),
                HasSubstr("Unrecognized database format"));
}

TEST(Ado, FilesThatAreNoDatabaseGiveTheEngineDescription) {
    test_support::TemporaryFolder folder;
    const std::string missing = folder / "missing.mdb", empty = folder / "empty.mdb",
                      text = folder / "notes.mdb";
    std::ofstream(empty).flush();
    std::ofstream(text) << "This is a text file, not a database.\n";
    EXPECT_EQ(openFailure(connectionString(kJet, missing)),
              "-2147467259: Could not find file '" + missing + "'.");
    EXPECT_EQ(openFailure(connectionString(kJet, empty)),
              "-2147467259: Unrecognized database format '" + empty + "'.");
    EXPECT_EQ(openFailure(connectionString(kAce, text)),
              "-2147467259: Unrecognized database format '" + text + "'.");
    EXPECT_THAT(openFailure(connectionString(kAce, folder.path().string())),
                HasSubstr("Could not find file"));
    EXPECT_THAT(openFailure(connectionString(kAce, "")), HasSubstr("Could not find file"));
}

TEST(Ado, AReaderThatFailsIsToldApartFromADamagedFile) {
    REQUIRE_TEST_FILE("jet4-v2000-nopassword.mdb");
    // Stand-in readers in a folder of their own, each failing in one way.
    test_support::TemporaryFolder folder;
    auto openWithReader = [&](const std::string& script) {
        const std::string reader = folder / "calvenor-jet";
        std::filesystem::remove(reader);
        if (!script.empty()) {
            test_support::writeFile(reader, "#!/bin/sh\n" + script + "\n");
            std::filesystem::permissions(reader, std::filesystem::perms::owner_all);
        }
        jet::EngineOptions options = jet_tests::testOptions();
        options.helperFolder = folder.path().string();
        options.timeLimit = std::chrono::milliseconds(500);
        options.catalogueCache = nullptr;  // each stand-in reader must run
        jet::JetAdo ado(options);
        try {
            ado.createConnection()->open(connectionString(kJet, testFile("jet4-v2000-nopassword.mdb")));
            return std::string("opened");
        } catch (const Failure& failure) {
            return std::to_string(failure.number()) + ": " + failure.description();
        }
    };
    const std::string generic = "-2147467259: ";
    EXPECT_THAT(openWithReader("exec sleep 30"),
                testing::AllOf(testing::StartsWith(generic), HasSubstr("took longer than 0.5 seconds")));
    EXPECT_THAT(openWithReader("exec yes >&3"),
                testing::AllOf(testing::StartsWith(generic), HasSubstr("more objects than can be listed")));
    EXPECT_THAT(openWithReader("kill -SEGV $$"),
                testing::AllOf(testing::StartsWith(generic), HasSubstr("may be corrupt")));
    EXPECT_THAT(openWithReader(""),
                testing::AllOf(testing::StartsWith(generic), HasSubstr("Cannot start the helper program")));
}

TEST(Ado, RefusesCallsInTheWrongState) {
    REQUIRE_TEST_FILE("jet3-v1997.mdb");
    jet::JetAdo ado(jet_tests::testOptions());
    auto connection = ado.createConnection();
    auto number = [](auto call) {
        try {
            call();
        } catch (const Failure& failure) {
            return failure.number();
        }
        return 0L;
    };
    EXPECT_EQ(number([&] { connection->openSchema(ado::kSchemaTables); }), 3704);
    EXPECT_EQ(number([&] { connection->close(); }), 3704);
    connection->open(connectionString(kJet, testFile("jet3-v1997.mdb")));
    EXPECT_EQ(number([&] { connection->open(connectionString(kJet, testFile("jet3-v1997.mdb"))); }), 3705);
    EXPECT_EQ(number([&] { connection->openSchema(4); }), 3251);

    auto rows = connection->openSchema(ado::kSchemaTables);
    EXPECT_EQ(rows->field("table_name"), rows->field("TABLE_NAME")) << "field names ignore letter case";
    EXPECT_EQ(rows->field("DESCRIPTION"), "");
    EXPECT_EQ(number([&] { rows->field("NO_SUCH_FIELD"); }), 3265);
    while (!rows->eof()) rows->moveNext();
    EXPECT_EQ(number([&] { rows->field("TABLE_NAME"); }), 3021);
    EXPECT_EQ(number([&] { rows->moveNext(); }), 3021);
    rows->close();
    EXPECT_EQ(number([&] { rows->eof(); }), 3704);
    connection->close();
    connection->open(connectionString(kJet, testFile("jet3-v1997.mdb")));  // a closed connection opens again
}
