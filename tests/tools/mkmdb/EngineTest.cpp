// Our own database engine (the Access and ADO stand-ins) on the files we write.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>

#include "DatabaseFile.h"
#include "Description.h"
#include "Fixtures.h"
#include "RunProgram.h"
#include "platform/Failure.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/JetAdo.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/support/NoPrintQueues.h"
#include "tests/support/TestSupport.h"

namespace mkmdb {
namespace {

using namespace platform;

std::vector<std::string> sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

jet::EngineOptions engineOptions() {
    jet::EngineOptions options;
    options.helperFolder = CALVENOR_HELPER_DIR;
    options.timeLimit = std::chrono::seconds(60);
    return options;
}

class Engine : public ::testing::Test {
  protected:
    std::filesystem::path write(const Database& database, const std::string& name) {
        const auto path = folder_ / name;
        writeDatabaseFile(database, path, Overwrite::Refuse);
        return path;
    }

    // The engine's report list, sorted here: the engine orders it as Access's AllReports does.
    std::vector<std::string> reportsOf(const std::filesystem::path& file, const std::string& password = "") {
        auto application = access_.createApplication();
        application->openCurrentDatabase(file.string(), false, password);
        std::vector<std::string> names;
        for (const auto& report : application->allReports()) names.push_back(report->name());
        application->closeCurrentDatabase();
        application->quit(access::QuitOption::SaveAll);
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string openFailure(const std::filesystem::path& file, const std::string& password) {
        try {
            reportsOf(file, password);
            return "";
        } catch (const Failure& failure) {
            return std::to_string(failure.number()) + ": " + failure.description();
        }
    }

    test_support::TemporaryFolder folder_;
    fakes::FakeRegistry registry_;
    test_support::NoPrintQueues queues_;
    jet::JetAccess access_{registry_, queues_, engineOptions()};
};

TEST_F(Engine, ListsTheSampleReportsAndUserTables) {
    const auto database = readDescriptionFile(MKMDB_SAMPLE_DESCRIPTION);
    const auto path = write(database, "sample.mdb");
    EXPECT_EQ(reportsOf(path), sorted(database.reports));

    jet::JetAdo ado(engineOptions());
    auto connection = ado.createConnection();
    connection->open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path.string() +
                     ";JET OLEDB:Database Password=");
    std::vector<std::string> userTables;
    auto rows = connection->openSchema(ado::kSchemaTables);
    for (; !rows->eof(); rows->moveNext())
        if (rows->field("TABLE_TYPE") == "TABLE") userTables.push_back(rows->field("TABLE_NAME"));
    rows->close();
    connection->close();
    std::vector<std::string> expected;
    for (const auto& table : database.tables) expected.push_back(table.name);
    EXPECT_EQ(sorted(userTables), sorted(expected));
}

TEST_F(Engine, ChecksThePasswordAndListsHostileNames) {
    auto database = fixtures::hostileNamesDatabase();
    database.password = "Überblick 2026";
    const auto path = write(database, "hostile.mdb");

    EXPECT_EQ(reportsOf(path, "Überblick 2026"), sorted(fixtures::hostileReportNames()));
    EXPECT_EQ(openFailure(path, "überblick 2026"), "3031: Not a valid password.");
    EXPECT_EQ(openFailure(path, ""), "3031: Not a valid password.");
}

TEST_F(Engine, NamesComeOutAsUtf8WhateverTheUserSetsForLibmdb) {
    Database database;
    database.tables.push_back({"Kunden", {{"Nr", ColumnType::Long}}, {}});
    database.reports = {"Umsätze", "Übersicht"};
    const auto path = write(database, "umlaute.mdb");
    test_support::ScopedEnvironment latin1{"MDBICONV", "ISO-8859-1"};
    test_support::ScopedEnvironment jet3{"MDB_JET3_CHARSET", "NO-SUCH-CHARSET"};
    EXPECT_EQ(reportsOf(path), (std::vector<std::string>{"Umsätze", "Übersicht"}));
}

TEST_F(Engine, ListsTenThousandReports) {
    const auto path = write(fixtures::largeDatabase(10'000, 100'000), "large.mdb");
    const auto started = std::chrono::steady_clock::now();
    const auto reports = reportsOf(path);
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    ASSERT_EQ(reports.size(), 10'000u);
    EXPECT_EQ(reports.front(), "Report 00001");
    EXPECT_EQ(reports.back(), "Report 10000");
    std::cout << "[ note ] the engine listed 10,000 reports in " << elapsed.count() << " ms\n";
}

// A grouped report mkmdb wrote, drawn by calvenor-export as a user runs it: its PDF shows every row under
// its group, each group's total and the grand total.
TEST_F(Engine, AGroupedReportIsDrawnWithItsRowsAndTotals) {
    if (!testing::programExists("pdftotext")) GTEST_SKIP() << "no pdftotext";
    const auto database = parseDescription(R"description(
table "Sales"
column "Region" Text 20
column "Item" Text 30
column "Amount" Long
row "South" "Grinder" 45
row "North" "Teapot" 30
row "South" "Filter papers" 4
row "North" "Kettle" 12
row "South" "Scale" 20
report "Sales by Region"
source "Sales"
group "[Region]" header footer
sort "[Item]"
section pageheader height 400
label "Sales by region" at 0 0 4000 360 font "Arial" 14 bold
section groupheader 0 height 300
textbox "[Region]" at 0 0 3000 300 bold
section detail height 260
textbox "[Item]" at 400 0 2500 240
textbox "[Amount]" at 3000 0 1200 240 align right
section groupfooter 0 height 300
label "Total" at 400 0 1000 240
textbox "=Sum([Amount])" at 3000 0 1200 240 align right
section reportfooter height 300
label "Grand total" at 400 0 1000 240
textbox "=Sum([Amount])" at 3000 0 1200 240 align right
)description",
                                           "sales");
    const auto path = write(database, "sales.mdb");
    const auto output = folder_ / "out";
    const auto run = testing::runProgram(
        {std::string(CALVENOR_HELPER_DIR) + "/calvenor-export", path.string(), "--output", output});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.errors.find("approximated:"), std::string::npos) << run.errors;
    EXPECT_EQ(run.errors.find("failed:"), std::string::npos) << run.errors;

    // The page's lines without their blanks: each row's item and amount, in the order they print.
    const auto text =
        testing::runProgram({"pdftotext", "-layout", output + "/Sales by Region.pdf", "-"}).output;
    std::string lines;
    for (const char c : text)
        if (c != ' ' && c != '\r' && !(c == '\n' && (lines.empty() || lines.back() == '\n'))) lines += c;
    EXPECT_NE(lines.find("North\nKettle12\nTeapot30\nTotal42\nSouth\nFilterpapers4\nGrinder45\nScale20\n"
                         "Total69\nGrandtotal111\n"),
              std::string::npos)
        << text;
}

// The benchmark's orders report at 40,000 rows (900 pages), saved by calvenor-export: whole, its last
// page numbered "Page N of N", the first group's total and the grand total as the rows add up. Its
// page footer's expression is another one on each page; once its values for every row were kept for
// each page, and the helper ran out of memory at this size.
TEST_F(Engine, AReportOfFortyThousandRowsIsSavedWhole) {
    if (!testing::programExists("pdftotext") || !testing::programExists("pdfinfo"))
        GTEST_SKIP() << "no pdftotext or pdfinfo";
    const auto database = fixtures::ordersReportDatabase(40'000);
    const Table& orders = database.tables.front();
    std::int64_t firstGroupCents = 0, allCents = 0;
    std::vector<Value> row;
    for (std::size_t i = 0; i < orders.madeRows; ++i) {
        orders.makeRow(i, row);  // Customer, Quantity and Unit Price are columns 1, 5 and 6
        const std::int64_t cents =
            std::get<std::int32_t>(row[5]) * std::llround(std::get<double>(row[6]) * 100);
        allCents += cents;
        if (std::get<std::string>(row[1]) == "Customer 00000") firstGroupCents += cents;
    }
    const auto money = [](std::int64_t cents) {
        std::string dollars = std::to_string(cents / 100);
        for (auto at = static_cast<std::ptrdiff_t>(dollars.size()) - 3; at > 0; at -= 3)
            dollars.insert(static_cast<std::size_t>(at), ",");
        const std::string rest = std::to_string(cents % 100);
        return "$" + dollars + "." + (rest.size() < 2 ? "0" : "") + rest;
    };

    const auto output = folder_ / "out";
    const auto run = testing::runProgram({std::string(CALVENOR_HELPER_DIR) + "/calvenor-export",
                                          write(database, "orders.mdb").string(), "--output", output});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const std::string pdf = output + "/Orders by Customer.pdf";
    const std::string info = testing::runProgram({"pdfinfo", pdf}).output;
    const auto pagesAt = info.find("Pages:");
    ASSERT_NE(pagesAt, std::string::npos) << info;
    const int pages = std::atoi(info.c_str() + pagesAt + 6);
    EXPECT_GT(pages, 40'000 / 50);
    // A page's text without its blanks.
    const auto pageText = [&](int page) {
        const std::string number = std::to_string(page);
        std::string text;
        for (const char c :
             testing::runProgram({"pdftotext", "-layout", "-f", number, "-l", number, pdf, "-"}).output)
            if (c != ' ') text += c;
        return text;
    };
    EXPECT_NE(pageText(1).find("40orders" + money(firstGroupCents)), std::string::npos);
    const std::string last = pageText(pages);
    EXPECT_NE(last.find("Grandtotal" + money(allCents)), std::string::npos) << last;
    EXPECT_NE(last.find("Page" + std::to_string(pages) + "of" + std::to_string(pages)), std::string::npos)
        << last;
}

}  // namespace
}  // namespace mkmdb
