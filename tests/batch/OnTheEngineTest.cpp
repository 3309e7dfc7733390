// calvenor-export's run over the Linux engine and the bundled sample database: real PDF files.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "DatabaseFile.h"
#include "batch/BatchExport.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/JetAdo.h"
#include "platform/jet/print/InstalledPrinters.h"
#include "platform/posix/FileRegistry.h"
#include "platform/posix/PosixFileSystem.h"
#include "tests/fakes/FakeDevices.h"
#include "tests/platform/jet/PdfTools.h"
#include "tests/platform/jet/TestFiles.h"
#include "tests/support/NoPrintQueues.h"
#include "tests/support/TestSupport.h"

namespace calvenor::batch {
namespace {

namespace fs = std::filesystem;

platform::jet::EngineOptions engineOptions() {
    platform::jet::EngineOptions options;
    options.helperFolder = CALVENOR_HELPER_DIR;
    return options;
}

struct BatchOnTheEngine {
    test_support::TemporaryFolder root;
    platform::posix::FileRegistry registry{(root.path() / "registry").string()};
    platform::posix::PosixFileSystem files;
    test_support::NoPrintQueues queues;
    platform::jet::JetAdo ado{engineOptions()};
    platform::jet::JetAccess access{registry, queues, engineOptions()};
    platform::jet::InstalledPrinters printers{queues};
    fakes::FakePrinterValuesLock printerValues;
    std::ostringstream out, errors;

    int run(const std::vector<std::string>& arguments) {
        const Environment environment{[](std::string_view) { return std::nullopt; },
                                      [](const std::string& path) { return path; },
                                      [] { return std::chrono::steady_clock::now(); }, false};
        return runBatchExport(arguments,
                              {files, registry, ado, access, printers, printerValues, &access, &access},
                              environment, out, errors);
    }
};

TEST(BatchOnTheEngine, ReportsWhoseDesignsCannotBeReadFailEachOnALineAndLeaveNoFile) {
    BatchOnTheEngine p;
    // Reports that are catalogue rows without designs.
    mkmdb::Database database;
    database.reports = {"Customer List", "Open Invoices", "Stock Reorder List"};
    const fs::path file = p.root.path() / "without designs.mdb";
    mkmdb::writeDatabaseFile(database, file, mkmdb::Overwrite::Refuse);
    ASSERT_EQ(p.run({file.string(), "--list"}), kAllSaved) << p.errors.str();
    std::vector<std::string> reports;
    std::istringstream listed{p.out.str()};
    for (std::string name; std::getline(listed, name);) reports.push_back(name);
    ASSERT_EQ(reports, database.reports);

    const fs::path out = p.root.path() / "out";
    fs::create_directory(out);
    ASSERT_EQ(p.run({file.string(), "--output", out.string()}), kSomeFailed) << p.errors.str();
    for (const auto& report : reports)
        EXPECT_NE(p.errors.str().find("failed: " + report + ": step 148: "), std::string::npos) << report;
    EXPECT_NE(p.errors.str().find(": 0 saved, 0 approximated, 3 failed\n"), std::string::npos)
        << p.errors.str();
    EXPECT_TRUE(fs::is_empty(out));
}

TEST(BatchOnTheEngine, AReportDrawnWithoutWhatCannotBeDrawnIsSavedAndNamedOnALineOfItsOwn) {
    REQUIRE_TEST_FILE("northwind-jet4.mdb");
    BatchOnTheEngine p;
    const fs::path out = p.root.path() / "out";
    fs::create_directory(out);
    // Employee Sales by Country asks for parameters none are given for; Alphabetical List of Products has
    // nothing that cannot be drawn.
    ASSERT_EQ(p.run({jet_tests::testFile("northwind-jet4.mdb"), "--output", out.string(), "--report",
                     "Employee Sales by Country", "--report", "Alphabetical List of Products"}),
              kAllSaved)
        << p.errors.str();
    std::vector<std::string> approximated;
    std::istringstream lines{p.errors.str()};
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("approximated: ")) approximated.push_back(line);
    ASSERT_EQ(approximated.size(), 1u) << p.errors.str();
    EXPECT_TRUE(approximated[0].starts_with("approximated: Employee Sales by Country: drawn without its rows"))
        << approximated[0];
    EXPECT_NE(p.errors.str().find(": 1 saved, 1 approximated, 0 failed\n"), std::string::npos)
        << p.errors.str();
}

// Two scheduled exports of one user at once, of two databases whose reports share names: each file
// holds its own database's report.
TEST(BatchOnTheEngine, TwoRunsAtOnceNeverCrossTheirFiles) {
    REQUIRE_TEST_FILE("northwind-jet4.mdb");
    REQUIRE_TEST_FILE("reports/rentals2000-jet4.mdb");
    test_support::TemporaryFolder root;
    const std::string program = std::string{CALVENOR_HELPER_DIR} + "/calvenor-export";
    const auto run = [&](const std::string& database, const std::string& folder) {
        return "'" + program + "' '" + jet_tests::testFile(database) + "' --output '" + (root / folder) +
               "' --report Invoice --containing Customer 2>'" + (root / folder) + ".log' &";
    };
    // The Northwind invoice is hundreds of pages: the other run writes the printer's values meanwhile.
    const std::string both = "export HOME='" + root.path().string() + "' XDG_CONFIG_HOME='" +
                             (root / "config") + "'; " + run("northwind-jet4.mdb", "northwind") + " " +
                             run("reports/rentals2000-jet4.mdb", "rentals") + " wait";
    ASSERT_EQ(std::system(("bash -c \"" + both + "\"").c_str()), 0);
    const std::string northwind = jet_tests::pdfText(root / "northwind/Invoice.pdf");
    const std::string rentals = jet_tests::pdfText(root / "rentals/Invoice.pdf");
    const auto holds = [](const std::string& text, const char* words) {
        return text.find(words) != std::string::npos;
    };
    EXPECT_TRUE(holds(northwind, "Ship To:") && !holds(northwind, "RentalDate"))
        << test_support::readFile(root / "northwind.log");
    EXPECT_TRUE(holds(rentals, "RentalDate") && !holds(rentals, "Ship To:"))
        << test_support::readFile(root / "rentals.log");
    EXPECT_TRUE(fs::exists(root / "rentals/Customer.pdf"));
    EXPECT_TRUE(fs::exists(root / "northwind/Customer Labels.pdf"));
    EXPECT_EQ(test_support::namesIn(root / "rentals"),
              (std::vector<std::string>{"Customer.pdf", "Invoice.pdf"}));
}

TEST(BatchOnTheEngine, AFileThatIsNoDatabaseDoesNotOpenAndWritesNothing) {
    BatchOnTheEngine p;
    const fs::path out = p.root.path() / "out";
    fs::create_directory(out);
    const std::string notADatabase = p.root / "notes.mdb";
    test_support::writeFile(notADatabase, "just some text, not a database");
    EXPECT_EQ(p.run({notADatabase, "--output", out.string()}), kCannotRun);
    EXPECT_NE(p.errors.str().find("did not open"), std::string::npos) << p.errors.str();
    EXPECT_TRUE(fs::is_empty(out));
}

// --list-parameters says what the reports ask for, and --parameter gives it: the rows their values
// choose are drawn; a value missing leaves the report without rows, naming what it still asks for.
TEST(BatchOnTheEngine, ParametersAreListedAndGivenByName) {
    REQUIRE_TEST_FILE("northwind-jet4.mdb");
    BatchOnTheEngine p;
    const std::string database = jet_tests::testFile("northwind-jet4.mdb");
    ASSERT_EQ(p.run({database, "--list-parameters", "--report", "Sales by Year", "--report", "Catalog"}),
              kAllSaved)
        << p.errors.str();
    EXPECT_EQ(p.out.str(),
              "Catalog\n"
              "Sales by Year\n"
              "\t[Forms]![Sales by Year Dialog]![BeginningDate]\tDate/Time\n"
              "\t[Forms]![Sales by Year Dialog]![EndingDate]\tDate/Time\n");

    const fs::path out = p.root.path() / "out";
    const std::string pdf = (out / "Employee Sales by Country.pdf").string();
    struct Run {
        std::vector<std::string> parameters;
        bool drawsRows;
    };
    for (const Run& run : {Run{{"beginning date=1997-01-01", "[Ending Date]=#12/31/1997#"}, true},
                           Run{{"Beginning Date=1997-01-01"}, false}}) {
        std::vector<std::string> arguments{database, "--output", out.string(), "--report",
                                           "Employee Sales by Country"};
        for (const auto& parameter : run.parameters)
            arguments.insert(arguments.end(), {"--parameter", parameter});
        p.errors.str("");
        ASSERT_EQ(p.run(arguments), kAllSaved) << p.errors.str();
        const bool withoutRows =
            p.errors.str().find(
                "drawn without its rows: the record source 'Employee Sales by Country' asks for "
                "parameter values ([Ending Date])") != std::string::npos;
        EXPECT_EQ(withoutRows, !run.drawsRows) << p.errors.str();
        // 1997's sales of the employees in the United Kingdom (the query's tests sum them from the tables).
        const std::string text = jet_tests::pdfText(pdf);
        EXPECT_EQ(text.find("$156,499.66") != std::string::npos, run.drawsRows);
        // Its heading reads the parameters as it reads fields.
        EXPECT_EQ(text.find("Sales from 1/1/1997 to 12/31/1997") != std::string::npos, run.drawsRows);
    }
}

}  // namespace
}  // namespace calvenor::batch
