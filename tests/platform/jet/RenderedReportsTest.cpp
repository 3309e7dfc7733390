#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <vector>

#include "PdfTools.h"
#include "TestFiles.h"
#include "platform/Failure.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/process/ChildProcess.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/support/NoPrintQueues.h"

using namespace platform;
using jet_tests::pdfInfo;
using jet_tests::pdfText;
using jet_tests::testFile;
using testing::HasSubstr;

namespace {

// Every report of the database saved as a PDF file in the folder, by report name; "" for one its own
// code cancels as it opens (as Access does when its dialog was not filled in).
std::map<std::string, std::string> saveAll(const std::string& database, const std::filesystem::path& folder) {
    fakes::FakeRegistry registry;
    test_support::NoPrintQueues queues;
    jet::JetAccess access(registry, queues, jet_tests::testOptions());
    auto application = access.createApplication();
    application->openCurrentDatabase(database, false, "");
    std::map<std::string, std::string> saved;
    for (const auto& report : application->allReports()) {
        const std::string name = report->name();
        const std::string path = (folder / (name + ".pdf")).string();
        try {
            application->outputReport(name, access::kFormatPdf, path);
            saved[name] = path;
        } catch (const Failure& failure) {
            if (failure.description().find("code cancels it") == std::string::npos) throw;
            saved[name] = "";
        }
    }
    return saved;
}

// The number of pages pdfinfo counts; 0 when it cannot read the file.
int pageCount(const std::string& path) {
    const std::string info = pdfInfo(path);
    const auto at = info.find("Pages:");
    return at == std::string::npos ? 0 : std::atoi(info.c_str() + at + 6);
}

// What an awk program prints over the table's rows, exported by mdb-export, whose key column holds the
// key (every row for an empty key); in the program, $vc is the row's value column.
std::string exportedThroughAwk(const std::string& database, const std::string& table, int keyColumn,
                               const std::string& key, int valueColumn, const std::string& program) {
    const std::string script =
        "mdb-export -H -d '|' -q '' \"$1\" \"$2\" | awk -F'|' -v k=\"$3\" -v kc=\"$4\" -v vc=\"$5\" "
        "'k == \"\" || $kc == k " +
        program + "' >&3";
    return jet::runChild("/bin/sh",
                         {"-c", script, "sh", database, table, key, std::to_string(keyColumn),
                          std::to_string(valueColumn)},
                         {})
        .output;
}

// The amount of one column summed over the table's rows whose key column holds the key, as "$1,234.50".
std::string exportedSum(const std::string& database, const std::string& table, int keyColumn,
                        const std::string& key, int valueColumn) {
    const std::string sum = exportedThroughAwk(database, table, keyColumn, key, valueColumn,
                                               "{ s += $vc } END { printf \"%.2f\", s }");
    std::string digits = sum.substr(0, sum.find('.'));
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return "$" + digits + sum.substr(sum.find('.'));
}

// The values of one column over the table's rows whose key column holds the key, sorted.
std::vector<std::string> exportedValues(const std::string& database, const std::string& table, int keyColumn,
                                        const std::string& key, int valueColumn) {
    std::istringstream lines(
        exportedThroughAwk(database, table, keyColumn, key, valueColumn, "{ print $vc }"));
    std::vector<std::string> values;
    for (std::string line; std::getline(lines, line);) values.push_back(line);
    std::sort(values.begin(), values.end());
    return values;
}

// The first column of the rows listed under a heading of a PDF's text as pdftotext lays it out: the
// lines after the heading's column titles (the line holding titleLine) up to the page footer (the line
// holding footerLine), sorted.
std::vector<std::string> listedUnder(const std::string& path, const std::string& heading,
                                     const std::string& titleLine, const std::string& footerLine) {
    std::istringstream lines(pdfText(path, true));
    std::string line;
    const auto trimmed = [](const std::string& text) {
        const auto first = text.find_first_not_of(" \f");  // a page starts with a form feed
        return first == std::string::npos ? std::string()
                                          : text.substr(first, text.find_last_not_of(' ') - first + 1);
    };
    while (std::getline(lines, line) && trimmed(line) != heading) {
    }
    while (std::getline(lines, line) && line.find(titleLine) == std::string::npos) {
    }
    std::vector<std::string> values;
    while (std::getline(lines, line) && line.find(footerLine) == std::string::npos) {
        const std::string cells = trimmed(line);
        if (!cells.empty()) values.push_back(cells.substr(0, cells.find("  ")));
    }
    std::sort(values.begin(), values.end());
    return values;
}

// The text with every run of white space one space.
std::string oneSpaced(const std::string& text) {
    std::string result;
    for (char c : text) {
        const bool space = c == ' ' || c == '\n' || c == '\t' || c == '\f' || c == '\r';
        if (!space)
            result += c;
        else if (!result.empty() && result.back() != ' ')
            result += ' ';
    }
    return result;
}

std::string saveReport(const std::string& database, const std::string& report,
                       const std::filesystem::path& folder) {
    fakes::FakeRegistry registry;
    test_support::NoPrintQueues queues;
    jet::JetAccess access(registry, queues, jet_tests::testOptions());
    auto application = access.createApplication();
    application->openCurrentDatabase(database, false, "");
    const std::string path = (folder / "report.pdf").string();
    application->outputReport(report, access::kFormatPdf, path);
    return path;
}

}  // namespace

TEST(RenderedReports, EveryReportOfTheTestFilesIsDrawnWithItsOwnText) {
    for (const char* file : {"northwind-jet4.mdb", "asample.accdb"}) {
        if (!std::filesystem::exists(testFile(file))) GTEST_SKIP() << "no " << file;
        test_support::TemporaryFolder folder;
        const auto saved = saveAll(testFile(file), folder.path());
        EXPECT_EQ(saved.size(), std::string(file) == "asample.accdb" ? 3u : 14u);
        for (const auto& [report, path] : saved) {
            SCOPED_TRACE(report);
            if (path.empty()) {
                EXPECT_EQ(report, "Sales by Year")
                    << "only the report whose dialog no run filled in is cancelled";
                continue;
            }
            EXPECT_GE(pageCount(path), 1);
            if (const char* keep = std::getenv("KEEP_PDFS"))
                std::filesystem::copy_file(path, std::string(keep) + "/" + report + ".pdf",
                                           std::filesystem::copy_options::overwrite_existing);
        }
    }
}

TEST(RenderedReports, GroupTotalsAreTheSumsOfTheirRows) {
    const std::string file = testFile("asample.accdb");
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no asample.accdb";
    test_support::TemporaryFolder folder;
    const std::string text = pdfText(saveReport(file, "rptAssetsGroupedByOwners", folder.path()));
    // "Asset Items": Owner is the 6th column, Cost the 9th.
    for (const std::string owner : {"Sales", "Maintenance", ""}) {
        SCOPED_TRACE(owner);
        const std::string sum = exportedSum(file, "Asset Items", 6, owner, 9);
        EXPECT_NE(sum, "$0.00");
        EXPECT_THAT(text, HasSubstr(sum));
    }
}

TEST(RenderedReports, ExpressionsNamingTheDatabaseFileShowItsPathAsTheUserGaveIt) {
    const std::string file = testFile("reports/access-examples-vba-ace12.accdb");
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no access-examples-vba-ace12.accdb";
    test_support::TemporaryFolder folder;
    // Given relative, shown absolute: the helper reads it through a descriptor and is told the path.
    const auto relative = std::filesystem::relative(file);
    const std::string text = pdfText(saveReport(relative.string(), "804_Weekly_Report_rpt", folder.path()));
    EXPECT_THAT(text, HasSubstr("Path = " + std::filesystem::absolute(relative).lexically_normal().string()));
}

TEST(RenderedReports, SubreportsListTheRowsLinkedToTheirMasterRow) {
    const std::string northwind = testFile("northwind-jet4.mdb");
    if (!std::filesystem::exists(northwind)) GTEST_SKIP() << "no northwind-jet4.mdb";
    test_support::TemporaryFolder folder;
    const std::string catalog = saveReport(northwind, "Catalog", folder.path());
    EXPECT_THAT(pdfInfo(catalog), testing::Not(HasSubstr("subreport"))) << "nothing about them left out";
    // "Products": ProductName is the 2nd column, CategoryID the 4th.
    for (const auto& [category, id] : {std::pair{"Beverages", "1"}, {"Condiments", "2"}, {"Seafood", "8"}}) {
        SCOPED_TRACE(category);
        const auto products = exportedValues(northwind, "Products", 4, id, 2);
        EXPECT_GE(products.size(), 10u);
        EXPECT_EQ(listedUnder(catalog, category, "Product Name:", "Fall Catalog"), products);
    }
}

// Catalog's three logos are bitmaps in its design, its eight category pictures Paintbrush objects in the
// Categories table's OLE Object field: all drawn, none named as left out.
TEST(RenderedReports, PicturesOfTheDesignAndOfOleObjectFieldsAreDrawn) {
    const std::string file = testFile("northwind-jet4.mdb");
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no northwind-jet4.mdb";
    test_support::TemporaryFolder folder;
    const std::string path = saveReport(file, "Catalog", folder.path());
    auto images = jet::runChild("/bin/sh", {"-c", "exec pdfimages -list \"$1\" >&3", "sh", path}, {});
    ASSERT_TRUE(images.succeeded());
    std::size_t count = 0;
    for (std::size_t at = images.output.find(" image "); at != std::string::npos;
         at = images.output.find(" image ", at + 1))
        ++count;
    EXPECT_GE(count, 11u);
    EXPECT_THAT(pdfInfo(path), testing::Not(HasSubstr("image")));
}

TEST(RenderedReports, AReportWhoseDesignCannotBeReadFailsSayingWhyAndWritesNothing) {
    const std::string northwind = testFile("northwind-jet4.mdb");
    if (!std::filesystem::exists(northwind)) GTEST_SKIP() << "no northwind-jet4.mdb";
    test_support::TemporaryFolder folder;
    // The compound file holding the designs, its signature broken.
    std::string bytes = test_support::readFile(northwind);
    const auto at = bytes.find("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 8, std::string(8, '\0'));
    const std::string damaged = folder / "damaged.mdb";
    test_support::writeFile(damaged, bytes);

    try {
        saveReport(damaged, "Catalog", folder.path());
        ADD_FAILURE() << "saved";
    } catch (const Failure& failure) {
        EXPECT_THAT(
            failure.description(),
            testing::StartsWith("The report 'Catalog' could not be drawn: its design cannot be read ("));
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "report.pdf"));
}

// What the PDF says it left out: the rows a parameter query cannot give; nothing for the PivotChart forms
// an unbound report shows in its detail, drawn as their charts.
TEST(RenderedReports, TheDocumentSaysWhatItIsDrawnWithout) {
    struct Case {
        const char* file;
        const char* report;
        const char* subject;
    };
    for (const Case& c :
         {Case{"northwind-jet4.mdb", "Employee Sales by Country",
               ": drawn without its rows: the record source 'Employee Sales by Country' asks for "
               "parameter values ([Beginning Date], [Ending Date])."},
          Case{"reports/northwind2007-ace12.accdb", "Product Sales by Category", nullptr}}) {
        SCOPED_TRACE(c.report);
        if (!std::filesystem::exists(testFile(c.file))) GTEST_SKIP() << "no " << c.file;
        test_support::TemporaryFolder folder;
        const std::string info = pdfInfo(saveReport(testFile(c.file), c.report, folder.path()));
        if (c.subject)
            EXPECT_THAT(info, HasSubstr(c.subject));
        else
            EXPECT_THAT(info, testing::Not(HasSubstr("approximation")));
    }
}

TEST(RenderedReports, QuarterTotalsAreWhatTheOrdersAddUpTo) {
    const std::string northwind = testFile("northwind-jet4.mdb");
    if (!std::filesystem::exists(northwind)) GTEST_SKIP() << "no northwind-jet4.mdb";
    if (std::system("command -v python3 >/dev/null && command -v mdb-export >/dev/null") != 0)
        GTEST_SKIP() << "no python3 or mdb-export";
    test_support::TemporaryFolder folder;
    const std::string text =
        oneSpaced(pdfText(saveReport(northwind, "Summary of Sales by Quarter", folder.path()), true));
    // "quarter<tab>year orders $sales", one line per year of a quarter, from the script's own reading.
    const auto expected = jet::runChild(
        "/bin/sh",
        {"-c", "python3 \"$1\" \"$2\" quarter-lines >&3", "sh", INDEPENDENT_TOTALS_SCRIPT, northwind}, {});
    std::istringstream lines(expected.output);
    int checked = 0;
    for (std::string line; std::getline(lines, line); ++checked) {
        const std::string quarter = "Quarter: " + line.substr(0, line.find('\t'));
        const std::string values = line.substr(line.find('\t') + 1);
        const auto section = text.find(quarter);
        ASSERT_NE(section, std::string::npos) << quarter;
        const auto next = text.find("Quarter:", section + quarter.size());
        EXPECT_THAT(text.substr(section, next == std::string::npos ? next : next - section),
                    HasSubstr(values))
            << quarter;
    }
    EXPECT_EQ(checked, 8);
}

TEST(RenderedReports, ControlsPrintWhereTheirDesignPlacesThem) {
    // A word's place in twips: the page's margin, the bands above on its page and the control's place
    // in its band (text starts 15 twips inside the control's left edge).
    struct Case {
        const char* file;
        const char* report;
        int page;
        const char* word;
        int left, top;
    };
    const Case cases[] = {
        // Margins 1440 and 1080; report header 960, page header 135, group header 1080; down then
        // across in columns 4032 wide, 360 apart, each category starting a new column; Letter paper
        // (the design names none: the region's).
        {"northwind-jet4.mdb", "Products by Category", 1, "Products", 1440, 1080},
        {"northwind-jet4.mdb", "Products by Category", 1, "Category:", 1440, 1080 + 960 + 135 + 90},
        {"northwind-jet4.mdb", "Products by Category", 1, "Chai", 1440, 1080 + 960 + 135 + 1080},
        {"northwind-jet4.mdb", "Products by Category", 1, "Aniseed", 1440 + 4032 + 360,
         1080 + 960 + 135 + 1080},
        // Margins 360 and 720; labels across then down, 3715 by 1440, 180 apart, three across Letter paper.
        {"northwind-jet4.mdb", "Customer Labels", 1, "Cactus", 360 + 288, 720 + 240},
        {"northwind-jet4.mdb", "Customer Labels", 1, "Océano", 360 + 3715 + 180 + 288, 720 + 240},
        {"northwind-jet4.mdb", "Customer Labels", 1, "Rancho", 360 + 2 * (3715 + 180) + 288, 720 + 240},
        // The report header's second page, from its page break at 12975, with no page header.
        {"northwind-jet4.mdb", "Catalog", 2, "When", 1440 + 1665, 1440 + 15120 - 12975},
        // Margins 1440; report header 855, page header 195, group header 855.
        {"northwind-jet4.mdb", "Alphabetical List of Products", 1, "Product", 1440 + 555,
         1440 + 855 + 195 + 495},
        {"northwind-jet4.mdb", "Alphabetical List of Products", 1, "Aniseed", 1440 + 540,
         1440 + 855 + 195 + 855 + 30},
        // Margins 1417; report header 999.
        {"asample.accdb", "rptAssetListingInNumberOrder", 1, "Make", 1417 + 1224, 1417 + 999 + 57},
    };
    constexpr double kTextInset = 15, kTwipsPerPoint = 20;
    test_support::TemporaryFolder folder;
    std::map<std::string, std::string> saved;  // by report
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.report) + ": " + c.word);
        const std::string file = testFile(c.file);
        if (!std::filesystem::exists(file)) GTEST_SKIP() << "no " << c.file;
        if (!saved.count(c.report)) {
            const auto reportFolder = folder / c.report;
            std::filesystem::create_directory(reportFolder);
            saved[c.report] = saveReport(file, c.report, reportFolder);
        }
        const auto box = jet_tests::wordBox(saved[c.report], c.page, c.word);
        ASSERT_TRUE(box.has_value());
        EXPECT_NEAR(box->left, (c.left + kTextInset) / kTwipsPerPoint, 1.0);
        EXPECT_NEAR(box->top, c.top / kTwipsPerPoint, 1.0);
    }
}
