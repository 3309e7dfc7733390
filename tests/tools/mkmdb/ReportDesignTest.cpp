// Report designs as the writer stores them, read back by our own design reader through the storage path
// it takes in real files.

#include <gsf/gsf.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "AccessObjects.h"
#include "DatabaseFile.h"
#include "Description.h"
#include "DesignBlob.h"
#include "platform/jet/design/DesignError.h"
#include "platform/jet/design/DesignStorage.h"
#include "platform/jet/design/DesignTree.h"
#include "platform/jet/design/ReportDesignReader.h"
#include "platform/jet/tables/ReportStorage.h"
#include "platform/jet/tables/ScopedMdb.h"
#include "tests/support/TestSupport.h"

namespace mkmdb {
namespace {

namespace design = platform::jet::design;
using design::ControlKind;
using design::SectionKind;
using platform::jet::helper::PageFile;
using platform::jet::helper::ReportStorage;

const std::string kTables = R"(
table "Orders"
column "Order ID" Long
column "Customer" Text 40
column "Amount" Double
row 1 "Alder" 10.5
report "Lines"
section detail
label "Lines" at 0 0 1000 240
)";

// The file's reports read through the reader's storage, as the renderer's helper reads them.
struct WrittenFile {
    explicit WrittenFile(const Database& database) {
        writeDatabaseFile(database, path, Overwrite::Refuse);
        file.emplace(*PageFile::open(path.c_str()));
        mdb.reset(mdb_open(path.c_str(), MDB_NOFLAGS));
        storage.emplace(mdb.get(), *file);
    }
    design::ReportDesign design(const std::string& report) {
        return design::decodeReportDesign(storage->designBlob(report));
    }

    test_support::TemporaryFolder folder;
    std::string path = folder / "reports.mdb";
    std::optional<PageFile> file;
    platform::jet::helper::ScopedMdb mdb;
    std::optional<ReportStorage> storage;
};

design::ReportDesign readBack(const std::string& statements) {
    WrittenFile file(parseDescription(kTables + "report \"R\"\n" + statements, "test"));
    return file.design("R");
}

const design::Section& sectionOf(const design::ReportDesign& report, SectionKind kind) {
    for (const auto& section : report.sections)
        if (section.kind == kind) return section;
    throw std::runtime_error(std::string("no section ") + design::sectionKindName(kind));
}

const design::Control& only(const design::ReportDesign& report, SectionKind kind) {
    const auto& controls = sectionOf(report, kind).controls;
    if (controls.size() != 1) throw std::runtime_error("not one control");
    return controls.front();
}

// Longer than a value's one-byte length can say, as UTF-16.
const std::string kLongSql =
    "SELECT [Order ID], Customer, Amount FROM Orders WHERE Amount > 0 AND Customer <> 'Nobody' AND "
    "[Order ID] < 100000 ORDER BY Customer, [Order ID]";

TEST(ReportDesigns, EveryStatementAndOptionReadsBackThroughTheReader) {
    struct Case {
        const char* name;
        std::string statements;
        std::function<void(const design::ReportDesign&)> check;
    };
    const Case cases[] = {
        {"report and page setup",
         "source \"" + kLongSql +
             "\"\ncaption \"Über\"\nwidth 5000\n"
             "page landscape a4 margins 100 200 300 400\ncolumns 3 spacing 180 rowspacing 60 down width 2000 "
             "height 900\n"
             "section detail height 900\n",
         [](const design::ReportDesign& r) {
             EXPECT_EQ(r.recordSource, kLongSql);
             EXPECT_EQ(r.caption, "Über");
             EXPECT_EQ(r.width, 5000);
             EXPECT_EQ(std::tie(r.page.leftMargin, r.page.topMargin, r.page.rightMargin, r.page.bottomMargin),
                       std::tuple(100, 200, 300, 400));
             EXPECT_TRUE(r.page.landscape);
             EXPECT_EQ(r.page.paperSize, 9);
             EXPECT_EQ(std::tie(r.page.columns, r.page.columnSpacing, r.page.rowSpacing),
                       std::tuple(3, 180, 60));
             EXPECT_FALSE(r.page.acrossThenDown);
             EXPECT_FALSE(r.page.sameAsDetail);
             EXPECT_EQ(std::tie(r.page.itemWidth, r.page.itemHeight), std::tuple(2000, 900));
         }},
        {"sorting and grouping",
         "sort \"[Customer]\" descending\ngroup \"=Year([Placed])\" header footer on year 2 keep first\n"
         "group \"Customer\" on prefix 3 keep whole\nsection groupfooter 2 height 300\n",
         [](const design::ReportDesign& r) {
             ASSERT_EQ(r.groups.size(), 3u);
             EXPECT_EQ(r.groups[0].expression, "Customer") << "a lone field is kept without brackets";
             EXPECT_TRUE(r.groups[0].descending);
             EXPECT_FALSE(r.groups[0].header || r.groups[0].footer);
             EXPECT_EQ(r.groups[1].expression, "=Year([Placed])");
             EXPECT_EQ(r.groups[1].groupOn, design::GroupOn::Year);
             EXPECT_EQ(r.groups[1].groupInterval, 2);
             EXPECT_EQ(r.groups[1].keepTogether, 2);
             EXPECT_TRUE(r.groups[1].header && r.groups[1].footer);
             EXPECT_EQ(r.groups[2].groupOn, design::GroupOn::Prefix);
             EXPECT_EQ(r.groups[2].keepTogether, 1);
             EXPECT_TRUE(!r.groups[2].header && r.groups[2].footer);
             std::vector<std::pair<SectionKind, int>> order;
             for (const auto& s : r.sections) order.emplace_back(s.kind, s.groupLevel);
             EXPECT_EQ(order, (std::vector<std::pair<SectionKind, int>>{{SectionKind::GroupHeader, 1},
                                                                        {SectionKind::Detail, 0},
                                                                        {SectionKind::GroupFooter, 2},
                                                                        {SectionKind::GroupFooter, 1}}));
             EXPECT_EQ(r.sections[2].height, 300);
             EXPECT_EQ(r.sections[3].height, 0) << "a footer asked for and not described is empty";
         }},
        {"sections",
         "group \"Customer\"\nsection reportfooter height 200 forcenewpage before\n"
         "section groupheader 0 height 700 keep forcenewpage both back \"#102030\"\n"
         "section pagefooter height 100\nsection detail height 1440\nsection reportheader height 50 keep\n",
         [](const design::ReportDesign& r) {
             std::vector<SectionKind> kinds;
             for (const auto& s : r.sections) kinds.push_back(s.kind);
             EXPECT_EQ(kinds, (std::vector<SectionKind>{SectionKind::ReportHeader, SectionKind::PageHeader,
                                                        SectionKind::GroupHeader, SectionKind::Detail,
                                                        SectionKind::PageFooter, SectionKind::ReportFooter}));
             const auto& header = sectionOf(r, SectionKind::GroupHeader);
             EXPECT_EQ(header.height, 700);
             EXPECT_TRUE(header.keepTogether);
             EXPECT_EQ(header.forceNewPage, 3);
             EXPECT_EQ(header.backColor, 0x302010u);
             EXPECT_EQ(sectionOf(r, SectionKind::Detail).height, 1440);
             EXPECT_EQ(sectionOf(r, SectionKind::PageHeader).height, 0) << "written with its footer";
             EXPECT_EQ(sectionOf(r, SectionKind::ReportFooter).forceNewPage, 1);
             EXPECT_TRUE(sectionOf(r, SectionKind::ReportHeader).keepTogether);
             EXPECT_FALSE(sectionOf(r, SectionKind::ReportFooter).keepTogether);
         }},
        {"label lettering",
         "section detail\nlabel \"Total:\" at 10 20 1000 300 name \"Caption\" font \"Times New Roman\" 11 "
         "bold italic "
         "underline align center color \"#FF0000\" border\n",
         [](const design::ReportDesign& r) {
             const auto& c = only(r, SectionKind::Detail);
             EXPECT_EQ(c.kind, ControlKind::Label);
             EXPECT_EQ(c.name, "Caption");
             EXPECT_EQ(std::tie(c.left, c.top, c.width, c.height), std::tuple(10, 20, 1000, 300));
             EXPECT_EQ(c.caption, "Total:");
             EXPECT_EQ(c.font.name, "Times New Roman");
             EXPECT_EQ(std::tuple(c.font.size, c.font.weight, c.font.italic, c.font.underline),
                       std::tuple(11, 700, true, true));
             EXPECT_EQ(c.textAlign, design::TextAlign::Center);
             EXPECT_EQ(c.foreColor, 0x0000FFu);
             EXPECT_EQ(c.borderStyle, 1);
             EXPECT_EQ(c.backStyle, 0) << "labels are transparent, as the prototype says";
         }},
        {"text box options",
         "section detail\ntextbox \"[Amount]\" at 0 0 1440 240 name \"Sum\" format \"Currency\" decimals 3 "
         "runningsum group cangrow canshrink hidden align right\n",
         [](const design::ReportDesign& r) {
             const auto& c = only(r, SectionKind::Detail);
             EXPECT_EQ(c.kind, ControlKind::TextBox);
             EXPECT_EQ(c.controlSource, "Amount");
             EXPECT_EQ(std::tie(c.width, c.height), std::tuple(1440, 240)) << "Access's own size, left out";
             EXPECT_EQ(c.format, "Currency");
             EXPECT_EQ(c.decimalPlaces, 3);
             EXPECT_EQ(c.runningSum, 1);
             EXPECT_TRUE(c.canGrow && c.canShrink && !c.visible);
             EXPECT_EQ(c.textAlign, design::TextAlign::Right);
             EXPECT_EQ(c.font.name, "Arial");
             EXPECT_EQ(c.font.size, 8);
             EXPECT_EQ(c.borderStyle, 0) << "the prototype takes the border away";
             EXPECT_TRUE(sectionOf(r, SectionKind::Detail).canGrow)
                 << "a growing control lets its section grow";
         }},
        {"line, box, check box, page break",
         "section detail height 2000\nline at 0 100 3000 0 color \"#0000FF\"\nbox at 10 20 30 40 filled "
         "\"#00FF00\"\n"
         "box at 50 60 70 80\ncheckbox \"[Paid]\" at 90 100 260 240\npagebreak at 1500\n",
         [](const design::ReportDesign& r) {
             const auto& controls = sectionOf(r, SectionKind::Detail).controls;
             ASSERT_EQ(controls.size(), 5u);
             EXPECT_EQ(controls[0].kind, ControlKind::Line);
             EXPECT_EQ(std::tie(controls[0].top, controls[0].width, controls[0].height),
                       std::tuple(100, 3000, 0));
             EXPECT_EQ(controls[0].borderColor, 0xFF0000u);
             EXPECT_EQ(controls[1].kind, ControlKind::Rectangle);
             EXPECT_EQ(std::tie(controls[1].backStyle, controls[1].backColor), std::tuple(1, 0x00FF00u));
             EXPECT_EQ(controls[2].backStyle, 0) << "a box without a fill is transparent";
             EXPECT_EQ(controls[3].kind, ControlKind::CheckBox);
             EXPECT_EQ(controls[3].controlSource, "Paid");
             EXPECT_EQ(controls[4].kind, ControlKind::PageBreak);
             EXPECT_EQ(controls[4].top, 1500);
         }},
        {"subreport with its attached label",
         "section detail height 1000\nsubreport \"Report.Lines\" at 100 300 4000 600 link \"Order ID\" "
         "\"Order ID\"\n"
         "label \"Lines:\" at 100 0 1000 240 attached\n",
         [](const design::ReportDesign& r) {
             const auto& c = only(r, SectionKind::Detail);
             EXPECT_EQ(c.kind, ControlKind::Subreport);
             EXPECT_EQ(c.sourceObject, "Report.Lines");
             EXPECT_EQ(std::tie(c.linkChildFields, c.linkMasterFields), std::tuple("Order ID", "Order ID"));
             ASSERT_EQ(c.children.size(), 1u);
             EXPECT_EQ(c.children[0].kind, ControlKind::Label);
             EXPECT_EQ(c.children[0].caption, "Lines:");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.check(readBack(c.statements));
    }
}

// What Access fills in itself as it saves a design.
TEST(ReportDesigns, WhatIsNotGivenIsFilledInAsAccessDoes) {
    const auto r = readBack(
        "section reportheader\nlabel \"Title\" at 0 0 2000 300 name \"Text1\"\nsection detail\n"
        "textbox \"[Customer]\" at 100 50 3000 240\nlabel \"Customer\" at 0 0 90 240 attached\n");
    std::vector<SectionKind> kinds;
    for (const auto& s : r.sections) kinds.push_back(s.kind);
    EXPECT_EQ(kinds, (std::vector<SectionKind>{SectionKind::ReportHeader, SectionKind::Detail,
                                               SectionKind::ReportFooter}));
    EXPECT_EQ(r.sections[0].height, 300) << "a section reaches down to its lowest control";
    EXPECT_EQ(r.sections[1].height, 290);
    EXPECT_EQ(r.sections[2].height, 0);
    EXPECT_EQ(r.width, 3100) << "the report reaches out to its rightmost control";
    // Access's counter numbers the controls; the name a control was given is not given again.
    EXPECT_EQ(r.sections[0].controls[0].name, "Text1");
    EXPECT_EQ(r.sections[1].controls[0].name, "Text2");
    EXPECT_EQ(r.sections[1].controls[0].children[0].name, "Label3");
    EXPECT_EQ(r.page.leftMargin, 1440);
    EXPECT_TRUE(r.page.sameAsDetail);
    EXPECT_EQ(r.page.paperSize, 0) << "no printer settings: the printer's own";
}

TEST(ReportDesigns, TheStorageIsACompoundFileWithAFolderForEachDesign) {
    auto database = parseDescription(kTables +
                                         "report \"Ümlaut Report\"\nreport \"Bare\"\n"
                                         "report \"Third\"\nsection detail\nline at 0 0 100 0\n",
                                     "test");
    const Bytes storage = accessStorage(database);

    gsf_init();
    GsfInput* input = gsf_input_memory_new(storage.data(), static_cast<gsf_off_t>(storage.size()), FALSE);
    GsfInfile* file = gsf_infile_msole_new(input, nullptr);
    ASSERT_NE(file, nullptr) << "libgsf opens it";
    GsfInput* reports = gsf_infile_child_by_vname(file, "Reports", nullptr);
    ASSERT_NE(reports, nullptr);
    EXPECT_EQ(gsf_infile_num_children(GSF_INFILE(reports)), 3) << "two folders and their list";
    g_object_unref(reports);
    for (const char* entry : {"PropData", "Databases", "Forms", "Modules", "Scripts"}) {
        GsfInput* child = gsf_infile_child_by_name(file, entry);
        EXPECT_NE(child, nullptr) << entry;
        if (child) g_object_unref(child);
    }
    g_object_unref(file);
    g_object_unref(input);

    EXPECT_EQ(design::reportNamesOfCompoundFile(storage), (std::vector<std::string>{"Lines", "Third"}));
    EXPECT_EQ(design::reportBlobOfCompoundFile(storage, "third"),
              encodeReportDesign(database.designs.at("Third"), database.created));

    // Split over the table's rows: row 0 gives the file's length, the rest its bytes.
    const auto rows = accessObjectsRows(storage);
    ASSERT_EQ(rows.size(), 1 + (storage.size() + 3991) / 3992);
    const auto& header = std::get<std::string>(rows[0][0]);
    EXPECT_EQ(getU32(Bytes(header.begin(), header.end()), 4), storage.size());

    WrittenFile written(database);
    EXPECT_EQ(written.storage->designBlob("Lines"),
              encodeReportDesign(database.designs.at("Lines"), database.created));
    try {
        written.storage->designBlob("Bare");
        ADD_FAILURE() << "a report without a design has none";
    } catch (const design::DesignError& error) {
        EXPECT_STREQ(error.what(), "The file holds no design of the report Bare.");
    }
}

// Access's own table, as Northwind's: a fixed 3,992-byte column of type 0x11 and an ID kept among the
// variable-size values, marked in the catalogue as Access's.
TEST(ReportDesigns, AccessObjectsIsDefinedAsAccessDefinesIt) {
    Database database;
    database.reports = {"R"};
    WrittenFile written(database);
    ASSERT_NE(written.mdb, nullptr);
    mdb_read_catalog(written.mdb.get(), MDB_ANY);
    MdbTableDef* table =
        mdb_read_table_by_name(written.mdb.get(), const_cast<char*>("MSysAccessObjects"), MDB_TABLE);
    ASSERT_NE(table, nullptr);
    mdb_read_columns(table);
    ASSERT_EQ(table->num_cols, 2u);
    const auto* data = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, 0));
    const auto* id = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, 1));
    EXPECT_STREQ(data->name, "Data");
    EXPECT_EQ(std::tuple(data->col_type, data->col_size, data->is_fixed), std::tuple(0x11, 3992, 1));
    EXPECT_STREQ(id->name, "ID");
    EXPECT_EQ(std::tuple(id->col_type, id->is_fixed), std::tuple(MDB_LONGINT, 0));
    EXPECT_EQ(table->entry->flags, 2) << "Access's own table, not the user's";
    mdb_free_tabledef(table);
}

// Slots of each object type that differ between Northwind's designs and ours for reasons of their own:
// what Access fills in from the session a design is saved in (object GUIDs, the design window, the
// Name AutoCorrect map, the time saved), Northwind's Tags (each object's name again), the pitch and
// family beside fonts the controls inherit, a flag on some of its lines, and its page sections' names
// of an earlier version ("PageHeader" where Access 2000 names a new one "PageHeaderSection").
const std::map<std::uint16_t, std::set<std::uint32_t>> kSessionSlots{
    {151, {0x68, 0x69, 0x6A, 0x6B, 0xCE, 0xD0, 0xD1}},
    {100, {0x38, 0xE4, 0xEA}},
    {109, {0x3C, 0xF4, 0xFA}},
    {102, {0x01, 0xDD, 0xDF}},
    {152, {0xE0, 0xE7}},
    {153, {0xE0, 0xE7}},
    {154, {0xE0, 0xE7}},
    {155, {0xDF, 0xE0, 0xE7}},
    {156, {0xDF, 0xE0, 0xE7}},
    {157, {0xE0, 0xE7}},
    {158, {0xE0, 0xE7}},
};

void expectSameObjects(const design::DesignObject& ours, const design::DesignObject& northwind,
                       const std::string& where) {
    ASSERT_EQ(ours.type, northwind.type) << where;
    auto kept = [&](const design::DesignObject& object) {
        auto properties = object.properties;
        if (const auto ignored = kSessionSlots.find(object.type); ignored != kSessionSlots.end())
            std::erase_if(properties, [&](const auto& p) { return ignored->second.contains(p.first); });
        return properties;
    };
    EXPECT_EQ(kept(ours), kept(northwind)) << where;
    ASSERT_EQ(ours.children.size(), northwind.children.size()) << where;
    for (std::size_t i = 0; i < ours.children.size(); ++i)
        expectSameObjects(ours.children[i], northwind.children[i], where + "/" + std::to_string(i));
}

TEST(ReportDesigns, NorthwindsAlphabeticalListComesOutAsAccessStoredIt) {
    const auto northwindFile = test_support::testDataFile("northwind-jet4.mdb").string();
    if (!std::filesystem::exists(northwindFile)) GTEST_SKIP() << "no northwind-jet4.mdb";
    const auto database = parseDescription(R"description(
report "Alphabetical List of Products"
source "Alphabetical List of Products"
caption "Alphabetical List of Products"
width 9360
group "ProductName" header footer on prefix keep whole
sort "ProductName"
section reportheader height 855 keep
label "Alphabetical List of Products" at 0 135 5745 330 name "Title" font "Arial" 12 bold
textbox "=Format(Date(),\"dd-mmm-yyyy\")" at 0 480 2010 240 name "DatePrinted" italic
section pageheader height 195
line at 0 105 9360 0 name "Line11"
section groupheader 0 height 855 keep
textbox "=Left([ProductName],1)" at 0 30 1965 240 name "FirstLetterofName" bold align left
label "Product Name:" at 555 495 1215 240 name "ProductNameLabel" bold
label "Quantity Per Unit:" at 5040 495 1440 240 name "QuantityPerUnitLabel" bold
label "Units In Stock:" at 8010 495 1200 240 name "UnitsInStockLabel" bold
label "Category Name:" at 3450 495 1305 240 name "CategoryNameLabel" bold
section detail height 375 keep
textbox "ProductName" at 540 30 2790 240 name "ProductName"
textbox "QuantityPerUnit" at 5040 30 2880 240 name "QuantityPerUnit"
textbox "UnitsInStock" at 8175 30 915 240 name "UnitsInStock"
textbox "CategoryName" at 3450 30 1440 240 name "CategoryName"
section groupfooter 0 height 255 keep
line at 0 120 9360 0 name "Line9"
section pagefooter height 360
textbox "=\"Page \" & [Page] & \" of \" & [Pages]" at 7890 30 1440 240 name "PageNumber" align right
section reportfooter height 0 keep
)description",
                                           "alphabetical");
    const auto ours =
        encodeReportDesign(database.designs.at("Alphabetical List of Products"), database.created);
    auto file = PageFile::open(northwindFile.c_str());
    platform::jet::helper::ScopedMdb mdb(mdb_open(northwindFile.c_str(), MDB_NOFLAGS));
    ReportStorage storage(mdb.get(), *file);
    const auto northwind = storage.designBlob("Alphabetical List of Products");
    ASSERT_EQ(std::vector<std::uint8_t>(northwind.begin(), northwind.begin() + 10),
              std::vector<std::uint8_t>(ours.begin(), ours.begin() + 10))
        << "the same version (0x13), texts in UTF-16";
    expectSameObjects(design::decodeDesignBlob(ours).root, design::decodeDesignBlob(northwind).root,
                      "report");
}

TEST(ReportDesigns, FaultsNameTheReportAndTheReason) {
    const std::pair<std::string, std::string> cases[] = {
        {"label \"x\" at 0 0 10 10", "t:11: \"label\" before any \"section\""},
        {"section detail\nlabel \"x\" at 0 0 10",
         "t:12: expected the height in twips, a number from 0 to 31680"},
        {"section detail\nline at 0 0 10 0 bold", "t:12: unknown option \"bold\" for a line"},
        {"section detail\nlabel \"x\" at 0 0 10 10 attached",
         "t:12: an attached label follows the text box, check box or subreport it belongs to"},
        {"section groupheader 0", "t:11: there is no group 0 (groups count from 0)"},
        {"section detail\nsection detail", "t:12: the section is given twice"},
        {"width 100\nwidth 200", "t:12: the report's width is given twice"},
        {"section detail back #FF0000", "t:11: expected the colour as \"#RRGGBB\""},
        {"page sideways",
         "t:11: expected portrait, landscape, a paper or margins (a3, a4, a5, legal, letter)"},
        {"section detail height 100\nlabel \"x\" at 0 50 10 60",
         "report \"R\": a control reaches below the section Detail"},
        {"width 100\nsection detail\nlabel \"x\" at 50 0 60 10",
         "report \"R\": a control reaches past the report's width"},
        {"section detail\nlabel \"x\" at 0 0 1 1 name \"A\"\nline at 0 0 1 0 name \"a\"",
         "report \"R\": there are two controls named \"a\""},
        {"section detail\nsubreport \"Report.R\" at 0 0 1 1",
         "report \"R\": a control shows the report itself"},
        {"section detail\nsubreport \"Report.Nope\" at 0 0 1 1",
         "report \"R\": a control shows \"Nope\", which is no report of the file"},
    };
    for (const auto& [statements, message] : cases) {
        try {
            const auto database = parseDescription(kTables + "report \"R\"\n" + statements, "t");
            writeDatabaseFile(database, test_support::TemporaryFolder() / "x.mdb", Overwrite::Refuse);
            ADD_FAILURE() << "accepted: " << statements;
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()).substr(0, message.size()), message) << statements;
        }
    }
}

}  // namespace
}  // namespace mkmdb
