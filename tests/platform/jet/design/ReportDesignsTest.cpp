#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/jet/design/DesignError.h"
#include "platform/jet/design/ReportDesignReader.h"
#include "platform/jet/query/RecordSource.h"
#include "platform/jet/tables/ReportStorage.h"
#include "platform/jet/tables/ScopedMdb.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace platform::jet::design;
using platform::jet::helper::PageFile;
using platform::jet::helper::ReportStorage;

std::string testFile(const std::string& name) {
    return test_support::testDataFile(name).string();
}

#define REQUIRE_TEST_FILE(name) \
    if (!std::filesystem::exists(testFile(name))) GTEST_SKIP() << "no " name

// A file's report storage, read in this process (the program reads it in calvenor-report).
struct OpenFile {
    explicit OpenFile(const std::string& name)
        : file(*PageFile::open(testFile(name).c_str())),
          mdb(mdb_open(testFile(name).c_str(), MDB_NOFLAGS)),
          storage(mdb.get(), file) {}
    PageFile file;
    platform::jet::helper::ScopedMdb mdb;
    ReportStorage storage;

    ReportDesign design(const std::string& report) { return decodeReportDesign(storage.designBlob(report)); }
};

const Control* findControl(const std::vector<Control>& controls, const std::string& name) {
    for (const auto& control : controls) {
        if (control.name == name) return &control;
        if (const auto* found = findControl(control.children, name)) return found;
    }
    return nullptr;
}

const Control* findControl(const ReportDesign& report, const std::string& name) {
    for (const auto& section : report.sections)
        if (const auto* found = findControl(section.controls, name)) return found;
    return nullptr;
}

TEST(ReportDesigns, EveryReportOfTheRealFilesDecodes) {
    struct Case {
        const char* file;
        std::size_t reports;
    };
    for (const auto& c : {Case{"northwind-jet4.mdb", 14}, Case{"asample.accdb", 3}}) {
        SCOPED_TRACE(c.file);
        if (!std::filesystem::exists(testFile(c.file))) GTEST_SKIP() << "no " << c.file;
        OpenFile file(c.file);
        ASSERT_EQ(file.storage.reportNames().size(), c.reports);
        for (const auto& name : file.storage.reportNames()) {
            SCOPED_TRACE(name);
            const ReportDesign report = file.design(name);
            EXPECT_FALSE(report.recordSource.empty());
            EXPECT_FALSE(report.sections.empty());
            EXPECT_GT(report.width, 0);
        }
    }
}

// A report's Filter as saved, what its [Report].[Filter] reads when printed.
TEST(ReportDesigns, FiltersAreReadAsSaved) {
    const char* file = "reports/insideout-ch8-reports-jet4.mdb";
    if (!std::filesystem::exists(testFile(file))) GTEST_SKIP() << "no " << file;
    OpenFile opened(file);
    const std::pair<const char*, const char*> cases[] = {{"rptReportDriver2", "[Country] = 'Uk'"},
                                                         {"rptCustomerDetails", "[Customer Number] = 4"},
                                                         {"rptComboBox", ""}};
    for (const auto& [report, filter] : cases) EXPECT_EQ(opened.design(report).filter, filter) << report;
}

// The expected values were read by hand from the blobs' bytes (a control's 0x60-0x63 values and its
// texts), not from this decoder.
TEST(ReportDesigns, KnownReportsHoldWhatTheirBytesSay) {
    struct Case {
        const char* file;
        const char* report;
        const char* recordSource;
        std::size_t sections;
        const char* control;
        ControlKind kind;
        std::vector<int> place;  // left, top, width, height
        const char* source;      // control source, or a subreport's source object
    };
    const Case cases[] = {
        {"northwind-jet4.mdb",
         "Catalog",
         "Categories",
         7,
         "CatalogSubreport",
         ControlKind::Subreport,
         {1005, 2415, 8340, 375},
         "Report.Catalog Subreport"},
        {"northwind-jet4.mdb",
         "invoice",
         "Invoices",
         5,
         "ExtendedPrice",
         ControlKind::TextBox,
         {7635, 0, 1485, 255},
         "ExtendedPrice"},
        {"asample.accdb",
         "rptGSTPaidByMonth",
         "qryGSTCalculations",
         7,
         "Asset No",
         ControlKind::TextBox,
         {1083, 57, 1110, 270},
         "Asset No"},
        // Combo boxes keep their place in 0x63-0x66, after their list's settings.
        {"reports/esis-jet3.mdb",
         "Product List",
         "Product List",
         0,
         "Cat Code",
         ControlKind::ComboBox,
         {3120, 60, 1740, 285},
         "Cat Code"},
        {"reports/insideout-ch8-reports-jet4.mdb",
         "rptComboBox",
         "",
         0,
         "cboType",
         ControlKind::ComboBox,
         {1474, 3685, 810, 240},
         "AddressType"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.report);
        if (!std::filesystem::exists(testFile(c.file))) GTEST_SKIP() << "no " << c.file;
        OpenFile file(c.file);
        const ReportDesign report = file.design(c.report);
        if (c.sections > 0) {
            EXPECT_EQ(report.recordSource, c.recordSource);
            EXPECT_EQ(report.sections.size(), c.sections);
        }
        const Control* control = findControl(report, c.control);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->kind, c.kind);
        EXPECT_EQ(std::vector<int>({control->left, control->top, control->width, control->height}), c.place);
        EXPECT_EQ(c.kind == ControlKind::Subreport ? control->sourceObject : control->controlSource,
                  c.source);
    }
}

TEST(ReportDesigns, LinksFlagsAndPageSetupAreRead) {
    REQUIRE_TEST_FILE("asample.accdb");
    REQUIRE_TEST_FILE("northwind-jet4.mdb");
    OpenFile northwind("northwind-jet4.mdb");
    const ReportDesign catalog = northwind.design("Catalog");
    const Control* subreport = findControl(catalog, "CatalogSubreport");
    ASSERT_NE(subreport, nullptr);
    EXPECT_EQ(subreport->linkChildFields, "CategoryID");
    EXPECT_EQ(subreport->linkMasterFields, "CategoryID");
    // Flags: "Show" (the only flag 0x00), "DatePrinted" (0x09), "ProductName" (none).
    const ReportDesign salesByYear = northwind.design("Sales by Year");
    const ReportDesign products = northwind.design("Alphabetical List of Products");
    ASSERT_NE(findControl(salesByYear, "Show"), nullptr);
    EXPECT_FALSE(findControl(salesByYear, "Show")->visible);
    ASSERT_NE(findControl(products, "DatePrinted"), nullptr);
    EXPECT_TRUE(findControl(products, "DatePrinted")->font.italic);
    ASSERT_NE(findControl(products, "ProductName"), nullptr);
    EXPECT_TRUE(findControl(products, "ProductName")->visible);
    EXPECT_FALSE(findControl(products, "ProductName")->font.italic);
    // PrtMip: 1417 twips all round; the DEVMODE: landscape (2) on A4 (9).
    const PageSetup page = OpenFile("asample.accdb").design("rptGSTPaidByMonth").page;
    EXPECT_EQ(std::vector<int>({page.leftMargin, page.topMargin, page.rightMargin, page.bottomMargin}),
              std::vector<int>(4, 1417));
    EXPECT_TRUE(page.landscape);
    EXPECT_EQ(page.paperSize, 9);
}

// What Access shows of sizes and styles the designs leave at Access's own values, and the running sums.
TEST(ReportDesigns, BuiltInSizesStylesAndRunningSumsOfNorthwind) {
    REQUIRE_TEST_FILE("northwind-jet4.mdb");
    OpenFile northwind("northwind-jet4.mdb");
    // The label report's detail is one label high: its four lines end at 1440, the labels' height.
    EXPECT_EQ(northwind.design("Customer Labels").sections.at(0).height, 1440);
    const struct {
        const char* report;
        const char* control;
        int Control::*property;
        int expected;
    } cases[] = {
        {"Invoice", "InvoiceSubtotal", &Control::width, 1440},
        {"Products by Category", "PageNumber", &Control::width, 1440},
        {"Invoice", "BackgroundBox3", &Control::backStyle, 1},  // the dark bar behind white captions
        {"Invoice", "BackgroundBox2", &Control::backStyle, 0},  // the box around the order's lines
        {"Sales Totals by Amount", "Counter", &Control::runningSum, 2},
        {"Sales by Year", "LineNumber", &Control::runningSum, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control);
        const ReportDesign design = northwind.design(c.report);
        const Control* control = findControl(design, c.control);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->*c.property, c.expected);
    }
}

// Controls at their type's size store none: check boxes of both encodings, a line over a total column,
// a picture as wide as its one-inch report.
TEST(ReportDesigns, ControlsLeftAtTheirTypesSizeTakeAccesssSize) {
    const struct {
        const char* file;
        const char* report;
        const char* control;
        int width, height;
    } cases[] = {
        {"reports/insideout-ch5-docdao-jet4.mdb", "rptPrimaryObjects", "IsNewObject", 260, 240},
        {"reports/insideout-ch8-reports-jet4.mdb", "rptCustomerColorBlock", "InActive", 240, 240},
        {"reports/esis-jet3.mdb", "Daily Transactions", "Posted", 260, 240},
        {"northwind-jet4.mdb", "Sales by Year Subreport", "Line12", 1440, 0},
        {"reports/access-examples-vba-ace12.accdb", "001_Organization_Logo_srp", "Image18", 1440, 720},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control);
        if (!std::filesystem::exists(testFile(c.file))) GTEST_SKIP() << "no " << c.file;
        const ReportDesign design = OpenFile(c.file).design(c.report);
        const Control* control = findControl(design, c.control);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(std::make_pair(control->width, control->height), std::make_pair(c.width, c.height));
    }
}

// A section's Visible is its flag 0x01, named by code 0x94 as a control's is.
TEST(ReportDesigns, SectionsSetNotToShowAreHidden) {
    const struct {
        const char* file;
        const char* report;
        const char* section;
        bool visible;
    } cases[] = {
        {"reports/access-examples-vba-ace12.accdb", "980_Data_Dictionary_rpt", "secReportHeader", false},
        {"reports/northwind2007-ace12.accdb", "Invoice", "GroupHeader2", false},
        {"reports/northwind2007-ace12.accdb", "Invoice", "Detail", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.section);
        if (!std::filesystem::exists(testFile(c.file))) GTEST_SKIP() << "no " << c.file;
        const ReportDesign design = OpenFile(c.file).design(c.report);
        const auto section = std::find_if(design.sections.begin(), design.sections.end(),
                                          [&](const Section& s) { return s.name == c.section; });
        ASSERT_NE(section, design.sections.end());
        EXPECT_EQ(section->visible, c.visible);
    }
}

TEST(ReportDesigns, ComboBoxesKeepTheirRowSource) {
    REQUIRE_TEST_FILE("reports/esis-jet3.mdb");
    REQUIRE_TEST_FILE("reports/insideout-ch8-reports-jet4.mdb");
    const Control* combo = nullptr;
    const ReportDesign esis = OpenFile("reports/esis-jet3.mdb").design("Product List");
    ASSERT_NE(combo = findControl(esis, "Cat Code"), nullptr);
    EXPECT_EQ(combo->rowSourceType, "Table/Query");
    EXPECT_EQ(combo->rowSource,
              "SELECT DISTINCTROW [Category].[Cat Code], [Category].[Category Name] FROM [Category];");
    EXPECT_EQ(combo->columnCount, 2);
    EXPECT_EQ(combo->columnWidths, "870;1440");
    EXPECT_EQ(combo->boundColumn, 1);
    const ReportDesign insideOut = OpenFile("reports/insideout-ch8-reports-jet4.mdb").design("rptComboBox");
    ASSERT_NE(combo = findControl(insideOut, "cboType"), nullptr);
    EXPECT_EQ(combo->rowSource, "SELECT [AddressCode], [AddressDescription] FROM AddressTypes; ");
    EXPECT_EQ(combo->columnWidths, "810;1440");
}

TEST(ReportDesigns, ColumnsAreReadFromThePageSetup) {
    REQUIRE_TEST_FILE("northwind-jet4.mdb");
    OpenFile northwind("northwind-jet4.mdb");
    struct Case {
        const char* report;
        int columns, columnSpacing;
        bool sameAsDetail;
        int itemWidth, itemHeight;
        bool acrossThenDown;
    };
    const Case cases[] = {
        {"Customer Labels", 3, 180, false, 3715, 1440, true},
        {"Products by Category", 3, 360, false, 4032, 360, false},
        {"Catalog", 1, 360, true, 9363, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.report);
        const PageSetup page = northwind.design(c.report).page;
        EXPECT_EQ(page.columns, c.columns);
        EXPECT_EQ(page.columnSpacing, c.columnSpacing);
        EXPECT_EQ(page.rowSpacing, 0);
        EXPECT_EQ(page.sameAsDetail, c.sameAsDetail);
        EXPECT_EQ(page.itemWidth, c.itemWidth);
        EXPECT_EQ(page.itemHeight, c.itemHeight);
        EXPECT_EQ(page.acrossThenDown, c.acrossThenDown);
    }
}

// Catalog's cover and tour (its report header, two pages long, the one section not kept together) and
// its order form have no page header or footer; Sales by Year's first page shows its column captions in
// the group header, not the page header. Two group headers repeat; Products by Category starts each
// category in a new column.
TEST(ReportDesigns, PageAndSectionSettingsAreReadWhereTheReportsSetThem) {
    REQUIRE_TEST_FILE("northwind-jet4.mdb");
    REQUIRE_TEST_FILE("asample.accdb");
    const std::map<std::string, std::pair<int, int>> pageSettings = {
        {"Catalog",
         {kNotWithReportHeader | kNotWithReportFooter, kNotWithReportHeader | kNotWithReportFooter}},
        {"Sales by Year", {kNotWithReportHeader, 0}},
        {"Employee Sales by Country", {0, kNotWithReportFooter}},
    };
    using Key = std::pair<std::string, std::string>;  // report, section
    const std::set<Key> notKept = {{"Catalog", "ReportHeader"}};
    const std::set<Key> repeated = {{"Employee Sales by Country", "GroupHeader2"},
                                    {"Products by Category", "GroupHeader0"}};
    // The sections whose formatting runs a macro or Visual Basic.
    const std::set<Key> formatEvents = {{"Employee Sales by Country", "GroupHeader0"},
                                        {"Employee Sales by Country", "GroupHeader2"},
                                        {"Sales by Year", "ReportHeader"},
                                        {"Sales by Year", "PageHeader"},
                                        {"Sales by Year", "GroupHeader0"},
                                        {"Sales by Year", "Detail"},
                                        {"Sales by Year", "GroupFooter1"},
                                        {"Sales Totals by Amount", "PageHeader"},
                                        {"Sales Totals by Amount", "Detail"},
                                        {"Sales Totals by Amount", "GroupFooter0"}};
    for (const char* name : {"northwind-jet4.mdb", "asample.accdb"}) {
        OpenFile file(name);
        for (const auto& report : file.storage.reportNames()) {
            SCOPED_TRACE(report);
            const ReportDesign design = file.design(report);
            const auto expected = pageSettings.count(report) ? pageSettings.at(report) : std::make_pair(0, 0);
            EXPECT_EQ(std::make_pair(design.pageHeaderNotWith, design.pageFooterNotWith), expected);
            for (const auto& section : design.sections) {
                SCOPED_TRACE(section.name);
                const Key key(report, section.name);
                const bool pageSection =
                    section.kind == SectionKind::PageHeader || section.kind == SectionKind::PageFooter;
                EXPECT_EQ(section.keepTogether, !pageSection && !notKept.count(key));
                EXPECT_EQ(section.repeatSection, repeated.count(key) == 1);
                EXPECT_EQ(section.newRowOrCol, key == Key("Products by Category", "GroupHeader0") ? 1 : 0);
                EXPECT_EQ(!section.onFormat.empty(), formatEvents.count(key) == 1);
                if (key == Key("Sales Totals by Amount", "Detail")) {
                    EXPECT_EQ(section.onFormat, "Sales Totals by Amount.Show Break");
                }
            }
        }
    }
}

// Forms are kept as reports are; what decides how one prints is its default view and where its
// sections show (Access's property sheets of the same forms).
TEST(ReportDesigns, FormsAreReadWithTheirViewAndWhereTheirSectionsShow) {
    struct Case {
        const char* file;
        const char* form;
        FormView view;
        std::map<SectionKind, DisplayWhen> shown;  // the sections' other than Always
    };
    const Case cases[] = {
        {"northwind-jet4.mdb", "Orders Subform", FormView::Datasheet, {}},
        {"northwind-jet4.mdb", "Customers", FormView::Single, {}},
        {"northwind-jet4.mdb",
         "Customer Phone List",
         FormView::Continuous,
         {{SectionKind::ReportHeader, DisplayWhen::ScreenOnly},
          {SectionKind::ReportFooter, DisplayWhen::ScreenOnly},
          {SectionKind::PageHeader, DisplayWhen::PrintOnly},
          {SectionKind::PageFooter, DisplayWhen::PrintOnly}}},
        {"reports/northwind2007-ace12.accdb", "Product Sales by Category Chart", FormView::PivotChart, {}},
        {"reports/northwind2007-ace12.accdb", "Customer List", FormView::Split, {}},
        {"reports/northwind2007-ace12.accdb", "Order Subform for Order Details", FormView::Datasheet, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.form);
        if (!std::filesystem::exists(testFile(c.file))) GTEST_SKIP() << "no " << c.file;
        OpenFile file(c.file);
        const auto& forms = file.storage.formNames();
        EXPECT_NE(std::find(forms.begin(), forms.end(), c.form), forms.end());
        const ReportDesign form = decodeReportDesign(file.storage.designBlob(c.form, DesignKind::Form));
        EXPECT_EQ(form.formView, c.view);
        EXPECT_FALSE(form.recordSource.empty());
        for (const auto& section : form.sections) {
            const auto expected = c.shown.find(section.kind);
            EXPECT_EQ(section.displayWhen, expected == c.shown.end() ? DisplayWhen::Always : expected->second)
                << sectionKindName(section.kind);
        }
    }
    OpenFile file("northwind-jet4.mdb");
    const ReportDesign dialog =
        decodeReportDesign(file.storage.designBlob("Sales Reports Dialog", DesignKind::Form));
    for (const auto& [button, caption] :
         {std::pair{"Preview", "Pre&view"}, {"Print", "&Print"}, {"Cancel", "Cancel"}}) {
        const Control* found = findControl(dialog, button);
        ASSERT_NE(found, nullptr) << button;
        EXPECT_EQ(found->kind, ControlKind::CommandButton);
        EXPECT_EQ(found->caption, caption);
    }
    EXPECT_FALSE(decodeReportDesign(file.storage.designBlob("Catalog")).formView) << "a report is no form";
    EXPECT_THROW(file.storage.designBlob("Catalog", DesignKind::Form), DesignError)
        << "a report is not a form";
}

TEST(ReportDesigns, AnUnknownReportIsAClearError) {
    REQUIRE_TEST_FILE("northwind-jet4.mdb");
    OpenFile file("northwind-jet4.mdb");
    try {
        file.storage.designBlob("No Such Report");
        ADD_FAILURE() << "found";
    } catch (const DesignError& error) {
        EXPECT_NE(std::string(error.what()).find("No Such Report"), std::string::npos);
    }
}

// The columns of tables and saved queries, worked out from mdb-export's output by this test's own
// reading of MSysQueries: independent of the code under test.
class Columns {
  public:
    explicit Columns(const std::string& file) : file_(file) {
        for (const auto& row : exportRows("MSysObjects"))
            if (row.at("Type") == "5") queryIds_[row.at("Name")] = row.at("Id");
        for (const auto& row : exportRows("MSysQueries")) queries_[row.at("ObjectId")].push_back(row);
    }

    std::set<std::string> of(const std::string& source) {
        const auto query = queryIds_.find(source);
        if (query == queryIds_.end()) return tableColumns(source);
        std::set<std::string> columns;
        std::map<std::string, std::string> sources;  // alias or name -> table or query
        bool all = false;
        for (const auto& row : queries_[query->second]) {
            if (row.at("Attribute") == "5")
                sources[row.at("Name2").empty() ? row.at("Name1") : row.at("Name2")] = row.at("Name1");
            if (row.at("Attribute") == "3" && (std::stoi("0" + row.at("Flag")) & 1)) all = true;
        }
        for (const auto& row : queries_[query->second]) {
            if (row.at("Attribute") != "6") continue;
            const std::string& expression = row.at("Expression");
            if (!row.at("Name1").empty()) {
                columns.insert(lower(row.at("Name1")));
            } else if (expression == "*") {
                all = true;
            } else if (expression.size() > 2 && expression.ends_with(".*")) {
                const auto from = of(sources[unbracketed(expression.substr(0, expression.size() - 2))]);
                columns.insert(from.begin(), from.end());
            } else {
                // A name two tables share is known by its qualified form too ("Shippers.CompanyName").
                const auto dot = expression.rfind('.');
                const std::string column = unbracketed(expression.substr(dot + 1));
                columns.insert(lower(column));
                if (dot != std::string::npos)
                    columns.insert(lower(unbracketed(expression.substr(0, dot)) + "." + column));
            }
        }
        if (all)
            for (const auto& [alias, name] : sources) {
                const auto from = of(name);
                columns.insert(from.begin(), from.end());
            }
        return columns;
    }

  private:
    using Row = std::map<std::string, std::string>;

    static std::string lower(std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        return text;
    }
    static std::string unbracketed(std::string text) {
        if (text.size() >= 2 && text.front() == '[' && text.back() == ']')
            text = text.substr(1, text.size() - 2);
        return text;
    }

    std::vector<std::string> exportLines(const std::string& table) const {
        const std::string command =
            "mdb-export -Q -d $'\\x1f' -R $'\\x1e' '" + file_ + "' '" + table + "' 2>/dev/null";
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(("bash -c \"" + command + "\"").c_str(), "r"),
                                                   ::pclose);
        std::string text;
        for (int c; pipe && (c = std::fgetc(pipe.get())) != EOF;) text += static_cast<char>(c);
        std::vector<std::string> lines;
        for (std::size_t start = 0, end; (end = text.find('\x1e', start)) != std::string::npos;
             start = end + 1)
            lines.push_back(text.substr(start, end - start));
        return lines;
    }
    static std::vector<std::string> fields(const std::string& line) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t end; (end = line.find('\x1f', start)) != std::string::npos; start = end + 1)
            fields.push_back(line.substr(start, end - start));
        fields.push_back(line.substr(start));
        return fields;
    }
    std::vector<Row> exportRows(const std::string& table) const {
        const auto lines = exportLines(table);
        std::vector<Row> rows;
        if (lines.empty()) return rows;
        const auto header = fields(lines[0]);
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const auto values = fields(lines[i]);
            Row row;
            for (std::size_t j = 0; j < header.size(); ++j)
                row[header[j]] = j < values.size() ? values[j] : "";
            rows.push_back(std::move(row));
        }
        return rows;
    }
    std::set<std::string> tableColumns(const std::string& table) const {
        std::set<std::string> columns;
        const auto lines = exportLines(table);
        if (!lines.empty())
            for (const auto& name : fields(lines[0])) columns.insert(lower(name));
        return columns;
    }

    std::string file_;
    std::map<std::string, std::string> queryIds_;
    std::map<std::string, std::vector<Row>> queries_;
};

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

void collectBoundNames(const std::vector<Control>& controls, std::vector<std::string>& names) {
    for (const auto& control : controls) {
        const bool bound = control.kind == ControlKind::TextBox || control.kind == ControlKind::CheckBox ||
                           control.kind == ControlKind::BoundObjectFrame ||
                           control.kind == ControlKind::ComboBox;
        if (bound && !control.controlSource.empty() && control.controlSource[0] != '=')
            names.push_back(control.controlSource);
        collectBoundNames(control.children, names);
    }
}

// The fields a report's controls and group levels are bound to, without brackets, in lower case.
std::vector<std::string> boundFields(const ReportDesign& design) {
    std::vector<std::string> bound;
    for (const auto& section : design.sections) collectBoundNames(section.controls, bound);
    for (const auto& level : design.groups)
        if (!level.expression.empty() && level.expression[0] != '=') bound.push_back(level.expression);
    for (auto& field : bound) {
        if (field.size() >= 2 && field.front() == '[') field = field.substr(1, field.size() - 2);
        field = lowered(field);
    }
    return bound;
}

TEST(ReportDesigns, EveryBoundFieldNamesAColumnOfTheRecordSource) {
    for (const char* name : {"northwind-jet4.mdb", "asample.accdb"}) {
        SCOPED_TRACE(name);
        if (!std::filesystem::exists(testFile(name))) GTEST_SKIP() << "no " << name;
        OpenFile file(name);
        Columns columns(testFile(name));
        std::size_t checked = 0;
        for (const auto& report : file.storage.reportNames()) {
            SCOPED_TRACE(report);
            const ReportDesign design = file.design(report);
            const auto available = columns.of(design.recordSource);
            ASSERT_FALSE(available.empty()) << design.recordSource;
            for (const auto& field : boundFields(design)) {
                EXPECT_TRUE(available.count(field)) << field << " in " << design.recordSource;
                ++checked;
            }
        }
        EXPECT_GT(checked, 20u);
    }
}

// The same through the rows the record-source reader returns, for every record source it answers
// (queries that ask for parameters it refuses, as saving reports cannot answer them).
TEST(ReportDesigns, RecordSourcesGiveRowsWithEveryBoundField) {
    std::size_t answered = 0;
    for (const char* name : {"northwind-jet4.mdb", "asample.accdb"}) {
        SCOPED_TRACE(name);
        if (!std::filesystem::exists(testFile(name))) GTEST_SKIP() << "no " << name;
        OpenFile file(name);
        for (const auto& report : file.storage.reportNames()) {
            SCOPED_TRACE(report);
            const ReportDesign design = file.design(report);
            platform::jet::query::RowSet rows;
            try {
                rows = platform::jet::query::readRecordSource(file.mdb.get(), design.recordSource);
            } catch (const platform::jet::query::QueryError& error) {
                EXPECT_NE(std::string(error.what()).find("parameter values"), std::string::npos) << error.what();
                continue;
            }
            ++answered;
            EXPECT_FALSE(rows.rows.empty());
            std::set<std::string> available;
            for (const auto& column : rows.columns) available.insert(lowered(column));
            for (const auto& field : boundFields(design)) EXPECT_TRUE(available.count(field)) << field;
        }
    }
    EXPECT_GE(answered, 14u);
}

}  // namespace

// The report's own events in the three encodings (Access 97, 2000 to 2003, the records of later ones),
// and a macro embedded in an event, which the design keeps apart from the event's text.
TEST(ReportDesigns, ReportEventsAreReadInEveryEncoding) {
    struct Case {
        const char* file;
        const char* report;
        std::string ReportDesign::*event;
        const char* text;
    };
    const Case cases[] = {
        {"reports/esis-jet3.mdb", "Transactions by Number", &ReportDesign::onOpen, "[Event Procedure]"},
        {"reports/esis-jet3.mdb", "Transactions by Type", &ReportDesign::onClose, "[Event Procedure]"},
        {"northwind-jet4.mdb", "Sales by Year", &ReportDesign::onNoData, "[Event Procedure]"},
        {"northwind-jet4.mdb", "Sales by Year", &ReportDesign::onClose, "[Event Procedure]"},
        {"northwind-jet4.mdb", "Sales Totals by Amount", &ReportDesign::onOpen, ""},
        {"reports/insideout-ch8-reports-jet4.mdb", "rptEvents", &ReportDesign::onPage, "[Event Procedure]"},
        {"reports/insideout-ch8-reports-jet4.mdb", "rptPrinterChoice", &ReportDesign::onClose, ""},
        {"reports/access-examples-vba-ace12.accdb", "805_Timeline_Report_rpt", &ReportDesign::onActivate,
         "[Event Procedure]"},
        {"reports/northwind2007-ace12.accdb", "Invoice", &ReportDesign::onOpen, kEmbeddedMacro},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.report);
        if (!std::filesystem::exists(testFile(c.file))) continue;
        OpenFile file(c.file);
        const ReportDesign report = file.design(c.report);
        EXPECT_EQ(report.*c.event, c.text);
        EXPECT_EQ(report.embeddedMacros.size(), report.onOpen == kEmbeddedMacro ? 1u : 0u);
    }
    REQUIRE_TEST_FILE("reports/northwind2007-ace12.accdb");
    OpenFile file("reports/northwind2007-ace12.accdb");
    const ReportDesign invoice = file.design("Invoice");
    const auto& rows = invoice.embeddedMacros.at("Report.OnOpen").rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].action, macro_action::kMsgBox);
    EXPECT_EQ(rows[0].condition, "[Filter]=\"\" Or Not [FilterOn]");
    EXPECT_EQ(rows[1].action, macro_action::kCancelEvent);
    EXPECT_EQ(rows[1].condition, "...");
    REQUIRE_TEST_FILE("reports/insideout-ch8-reports-jet4.mdb");
    for (const auto& section : OpenFile("reports/insideout-ch8-reports-jet4.mdb").design("rptEvents").sections)
        EXPECT_EQ(section.onPaint, "[Event Procedure]") << section.name;
}

// Every named macro of the files reads to its last byte; Northwind's "Sales Totals by Amount" as its
// design grid shows it.
TEST(ReportDesigns, NamedMacrosAreReadInEveryVersion) {
    struct Case {
        const char* file;
        std::size_t macros;
    };
    for (const auto& c : {Case{"northwind-jet4.mdb", 6}, Case{"reports/rentals2000-jet4.mdb", 1},
                          Case{"reports/access-examples-vba-ace12.accdb", 3},
                          Case{"reports/northwind2007-ace12.accdb", 2}}) {
        SCOPED_TRACE(c.file);
        if (!std::filesystem::exists(testFile(c.file))) continue;
        OpenFile file(c.file);
        ASSERT_EQ(file.storage.macroNames().size(), c.macros);
        for (const auto& name : file.storage.macroNames()) {
            const auto macro = file.storage.macro(name);
            ASSERT_TRUE(macro) << name;
            EXPECT_FALSE(macro->rows.empty()) << name;
        }
        EXPECT_FALSE(file.storage.macro("No Such Macro"));
    }
    REQUIRE_TEST_FILE("northwind-jet4.mdb");
    const auto macro = OpenFile("northwind-jet4.mdb").storage.macro("sales totals by amount");
    ASSERT_TRUE(macro);
    struct Row {
        int row, action;
        const char *name, *condition;
        std::vector<std::string> arguments;
    };
    const Row expected[] = {
        {3, macro_action::kSetValue, "Hide Break", "", {"[HiddenPageBreak].[Visible]", "No"}},
        {6, macro_action::kSetValue, "Show Break", "[Counter]=10", {"[HiddenPageBreak].[Visible]", "Yes"}},
        {9, macro_action::kCancelEvent, "Hide Footer", "[Counter]=10", {}},
        {12, macro_action::kSetValue, "Page Total", "", {"[PageTotal]", "[PageTotal]+[SaleAmount]"}},
        {15, macro_action::kSetValue, "New Page", "", {"[PageTotal]", "0"}},
    };
    std::vector<const MacroRow*> actions;
    for (const auto& row : macro->rows) {
        if (row.action != macro_action::kNone) actions.push_back(&row);
        else EXPECT_FALSE(row.comment.empty()) << row.row;
    }
    EXPECT_EQ(macro->rows.size(), 11u);
    ASSERT_EQ(actions.size(), std::size(expected));
    for (std::size_t i = 0; i < actions.size(); ++i) {
        EXPECT_EQ(actions[i]->row, expected[i].row);
        EXPECT_EQ(actions[i]->action, expected[i].action);
        EXPECT_EQ(actions[i]->name, expected[i].name);
        EXPECT_EQ(actions[i]->condition, expected[i].condition);
        EXPECT_EQ(actions[i]->arguments, expected[i].arguments);
    }
}

// A macro cut short is an error saying so, never a read past its bytes.
TEST(ReportDesigns, DamagedMacrosAreClearErrors) {
    REQUIRE_TEST_FILE("northwind-jet4.mdb");
    const auto blob = OpenFile("northwind-jet4.mdb").storage.designBlob("Sales Totals by Amount", DesignKind::Macro);
    const std::size_t rows = parseMacro(blob, true).rows.size();
    std::size_t whole = 0;
    for (std::size_t size = 0; size < blob.size(); ++size) {
        // Cut two bytes past a row, it reads as the rows before: a row starts as the end mark does.
        try {
            EXPECT_LT(parseMacro(std::span(blob).first(size), true).rows.size(), rows) << size;
            ++whole;
        } catch (const DesignError&) {
        }
    }
    EXPECT_EQ(whole, rows) << "one cut a row";
}

// A macro of one SetValue row as Access stores it: one-byte text (Access 97) or UTF-16.
std::vector<std::uint8_t> oneRowMacro(bool utf16, const std::vector<std::pair<int, std::string>>& strings) {
    std::vector<std::uint8_t> bytes(4 + 28, 0);
    const auto u16 = [&](std::uint16_t value) {
        bytes.push_back(static_cast<std::uint8_t>(value));
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    };
    u16(0);  // the header's block, empty
    std::vector<std::uint16_t> offsets(13, 0xFFFF);  // comment, condition, name, ten arguments
    std::vector<std::uint8_t> block;
    for (const auto& [field, text] : strings) {
        offsets[static_cast<std::size_t>(field)] = static_cast<std::uint16_t>(block.size());
        for (unsigned char c : text) {  // Latin-1 text, as one byte or one UTF-16 unit
            block.push_back(c);
            if (utf16) block.push_back(0);
        }
        block.insert(block.end(), utf16 ? 2 : 1, 0);
    }
    for (std::uint16_t field : {0, macro_action::kSetValue, 3, 0xFFFF}) u16(field);
    for (std::uint16_t offset : offsets) u16(offset);
    u16(static_cast<std::uint16_t>(block.size()));
    bytes.insert(bytes.end(), block.begin(), block.end());
    u16(0);
    return bytes;
}

TEST(ReportDesigns, MacroRowsReadInBothTextForms) {
    const std::vector<std::pair<int, std::string>> strings = {
        {2, "Gr\xF6\xDF" "e"}, {1, "..."}, {0, "note"}, {3, "[A]"}, {5, "=1"}};
    for (const bool utf16 : {false, true}) {
        SCOPED_TRACE(utf16);
        const auto bytes = oneRowMacro(utf16, strings);
        const Macro macro = parseMacro(bytes, utf16);
        ASSERT_EQ(macro.rows.size(), 1u);
        const MacroRow& row = macro.rows[0];
        EXPECT_EQ(row.action, macro_action::kSetValue);
        EXPECT_EQ(row.row, 3);
        EXPECT_EQ(row.name, "Gr\xC3\xB6\xC3\x9F" "e");
        EXPECT_EQ(row.condition, "...");
        EXPECT_EQ(row.comment, "note");
        EXPECT_EQ(row.arguments, (std::vector<std::string>{"[A]", "", "=1"})) << "a gap stays in its place";
        // The last text left without its NUL, or the comment's offset past the block.
        const std::size_t unit = utf16 ? 2 : 1, blockLength = 68, commentOffset = 42;
        auto unterminated = bytes;
        unterminated.erase(unterminated.end() - 2 - static_cast<std::ptrdiff_t>(unit), unterminated.end() - 2);
        unterminated[blockLength] = static_cast<std::uint8_t>(unterminated[blockLength] - unit);
        EXPECT_THROW(parseMacro(unterminated, utf16), DesignError);
        auto outside = bytes;
        outside[commentOffset] = 0xF0;
        EXPECT_THROW(parseMacro(outside, utf16), DesignError);
    }
}
