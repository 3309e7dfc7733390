#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <numeric>
#include <regex>
#include <string>
#include <vector>

#include "platform/jet/programs/DatabaseReports.h"
#include "platform/jet/render/PagePlan.h"
#include "platform/jet/render/ReportDocument.h"
#include "platform/jet/render/ReportEvents.h"
#include "platform/jet/render/ReportRows.h"
#include "platform/jet/vba/Parser.h"
#include "platform/jet/tables/ScopedMdb.h"
#include "tests/platform/jet/render/DesignParts.h"
#include "tests/support/TestSupport.h"

using namespace platform::jet;
using design::ControlKind;
using design::SectionKind;
using query::Value;
using render_tests::control;

namespace {

constexpr char kProcedure[] = "[Event Procedure]";

// A page header, a detail of 1000 twips showing the row's N in a text box beside a label, a page break
// at its foot hidden, and a page footer with an unbound total; pages hold three details.
design::ReportDesign eventDesign() {
    design::ReportDesign report;
    report.width = 9000;
    const auto add = [&](SectionKind kind, const std::string& name, int height) -> design::Section& {
        design::Section& s = report.sections.emplace_back();
        s.kind = kind;
        s.name = name;
        s.height = height;
        s.keepTogether = true;
        s.backColor = 0xFFFFFF;
        s.onFormat = s.onPrint = s.onRetreat = kProcedure;
        return s;
    };
    add(SectionKind::PageHeader, "PageHeader", 300);
    design::Section& detail = add(SectionKind::Detail, "Detail", 1000);
    detail.controls = {control(ControlKind::TextBox, 0, 300, "Shown", "N"),
                       control(ControlKind::Label, 300, 300, "Note"),
                       control(ControlKind::PageBreak, 1000, 0, "Break")};
    detail.controls[2].visible = false;
    add(SectionKind::PageFooter, "PageFooter", 300).controls = {control(ControlKind::TextBox, 0, 300, "Total")};
    report.onOpen = report.onClose = report.onPage = report.onNoData = kProcedure;
    return report;
}

query::RowSet numbers(int count) {
    query::RowSet rows;
    rows.columns = {"N"};
    for (int n = 1; n <= count; ++n) rows.rows.push_back({Value(std::int64_t{n})});
    return rows;
}

// The report laid out over count rows with the report module's code: the pages (whose bands point at
// sections the events keep), and the code's own Log() afterwards.
struct Layout {
    std::shared_ptr<design::ReportDesign> design;
    std::shared_ptr<render::ReportEvents> events;
    std::vector<render::PlannedPage> pages;
    std::string log;
    std::set<std::string> omissions;
};

Layout layOut(const std::string& code, int count = 5, render::EventMacros macros = {},
              design::ReportDesign design = eventDesign()) {
    Layout run;
    run.design = std::make_shared<design::ReportDesign>(std::move(design));
    std::vector<vba::Module> modules;
    modules.push_back(vba::parseModule("Report_Events", "Dim trail As String\n"
                                                        "Function Log()\nLog = trail\nEnd Function\n" +
                                                            code));
    run.events = std::make_shared<render::ReportEvents>(*run.design, std::move(modules), "Events", count);
    run.events->setMacros(std::move(macros));
    render::ReportRows rows(*run.design, numbers(count));
    run.events->setEvaluator(rows.evaluator());
    run.events->open();
    run.pages = render::planPages(*run.design, rows.grouping(), {9000, 3900}, {}, run.events.get());
    run.events->close();
    run.log = query::displayText(run.events->interpreter().call("Log").value);
    run.omissions = run.events->omissions();
    return run;
}

// Each page's details, as their N, "-" for one drawn blank.
std::vector<std::string> details(const Layout& run) {
    std::vector<std::string> pages;
    for (const auto& page : run.pages) {
        std::string shown;
        for (const auto& band : page.bands)
            if (band.section->kind == SectionKind::Detail)
                shown += band.section->controls.empty() ? "-" : std::to_string(band.scope.current + 1);
        pages.push_back(shown);
    }
    return pages;
}

const design::Control* named(const design::Section& section, const std::string& name) {
    for (const auto& c : section.controls)
        if (c.name == name) return &c;
    return nullptr;
}

}  // namespace

TEST(ReportEvents, EventsRunInAccesssOrderWithFormatCountAfterARetreat) {
    const std::string code =
        "Sub Report_Open(Cancel As Integer)\ntrail = trail & \"Open \"\nEnd Sub\n"
        "Sub PageHeader_Format(Cancel As Integer, FormatCount As Integer)\ntrail = trail & \"H\" & Me.Page & \" \"\nEnd Sub\n"
        "Sub Detail_Format(Cancel As Integer, FormatCount As Integer)\ntrail = trail & \"F\" & Me!N & \".\" & FormatCount & \" \"\nEnd Sub\n"
        "Sub Detail_Retreat()\ntrail = trail & \"R\" & Me!N & \" \"\nEnd Sub\n"
        "Sub Detail_Print(Cancel As Integer, PrintCount As Integer)\ntrail = trail & \"P\" & Me!N & \" \"\nEnd Sub\n"
        "Sub Report_Page()\ntrail = trail & \"Page \"\nEnd Sub\n"
        "Sub PageFooter_Print(Cancel As Integer, PrintCount As Integer)\ntrail = trail & \"Foot \"\nEnd Sub\n"
        "Sub Report_Close()\ntrail = trail & \"Close\"\nEnd Sub\n";
    const Layout run = layOut(code, 4);
    EXPECT_EQ(run.log,
              "Open H1 F1.1 P1 F2.1 P2 F3.1 P3 F4.1 R4 Page Foot H2 F4.2 P4 Page Foot Close");
    EXPECT_TRUE(run.omissions.empty()) << *run.omissions.begin();
}

TEST(ReportEvents, CancelAndPrintSectionAndNextRecordShapeTheLayout) {
    struct Case {
        const char* name;
        const char* format;
        const char* print;
        std::vector<std::string> details;
    };
    const std::vector<Case> cases = {
        {"Format's Cancel takes no room", "Cancel = (Me!N Mod 2 = 0)", "", {"135"}},
        {"Print's Cancel keeps the room", "", "Cancel = (Me!N = 2)", {"1-3", "45"}},
        {"PrintSection False keeps the room", "Me.PrintSection = (Me!N <> 1)", "", {"-23", "45"}},
        {"DoCmd.CancelEvent cancels", "If Me!N = 1 Then DoCmd.CancelEvent", "", {"234", "5"}},
        {"NextRecord False prints the row again", "Static k\nk = k + 1\nMe.NextRecord = (k <> 1)", "",
         {"112", "345"}},
        {"the Format after a Retreat decides", "Me.NextRecord = (FormatCount = 1)", "", {"123", "445"}},
        {"MoveLayout False prints over it", "Me.MoveLayout = (Me!N > 3)", "", {"12345"}},
        {"a page break shown by code breaks the page", "Me!Break.Visible = (Me!N = 1)", "", {"1", "234", "5"}},
    };
    for (const Case& c : cases) {
        const std::string code = std::string("Sub Detail_Format(Cancel As Integer, FormatCount As Integer)\n") +
                                 c.format + "\nEnd Sub\nSub Detail_Print(Cancel As Integer, PrintCount As Integer)\n" +
                                 c.print + "\nEnd Sub\n";
        EXPECT_EQ(details(layOut(code)), c.details) << c.name;
    }
}

TEST(ReportEvents, ChangesPersistAndCodeValuesShowWhereSet) {
    // Hidden from the second row on; the label's caption and the text box's value set for row 3 alone;
    // the page total kept in the footer's unbound text box.
    const std::string code =
        "Sub Detail_Format(Cancel As Integer, FormatCount As Integer)\n"
        "If Me!N = 2 Then Me!Note.Visible = False\n"
        "If Me!N = 3 Then Me!Shown = \"three\": Me.Note.Caption = \"set\"\n"
        "If Me!N = 4 Then Me.Detail.BackColor = 255\n"
        "End Sub\n"
        "Sub PageHeader_Print(Cancel As Integer, PrintCount As Integer)\nMe!Total = 0\nEnd Sub\n"
        "Sub Detail_Print(Cancel As Integer, PrintCount As Integer)\nMe!Total = Me!Total + Me!Shown\nEnd Sub\n";
    const Layout run = layOut(code, 4);
    std::vector<std::string> seen;
    for (const auto& page : run.pages)
        for (const auto& band : page.bands) {
            const auto& s = *band.section;
            if (s.kind == SectionKind::Detail)
                seen.push_back(named(s, "Shown")->controlSource + "|" + (named(s, "Note")->visible ? "v" : "h") +
                               named(s, "Note")->caption);
            if (s.kind == SectionKind::PageFooter) seen.push_back("total " + named(s, "Total")->controlSource);
        }
    EXPECT_EQ(seen, (std::vector<std::string>{"N|v", "N|h", "=\"three\"|hset", "total =3", "N|hset",
                                              "total =4"}));
    // A section named as the report's member: the detail's colour from row 4 on.
    EXPECT_EQ(run.pages[0].bands[1].section->backColor, 0xFFFFFFu);
    EXPECT_EQ(run.pages[1].bands[1].section->backColor, 255u);
    // "three" added to a number stops the procedure: named, the rest of the report still drawn.
    ASSERT_EQ(run.omissions.size(), 1u);
    EXPECT_NE(run.omissions.begin()->find("Detail_Print stops at"), std::string::npos) << *run.omissions.begin();
}

TEST(ReportEvents, DrawingMethodsAreKeptWithTheirBandOrPageInTwips) {
    const std::string code =
        "Sub Detail_Print(Cancel As Integer, PrintCount As Integer)\n"
        "If Me!N = 1 Then Me.Line (0, 0)-Step(100, 200), RGB(255, 0, 0), B\n"
        "End Sub\n"
        "Sub Report_Page()\nMe.ScaleMode = 5\nMe.DrawWidth = 3\nMe.Circle (1, 2), 0.5\nMe.PSet (2, 2)\nEnd Sub\n";
    const Layout run = layOut(code, 1);
    const render::Band& detail = run.pages[0].bands[1];
    ASSERT_TRUE(detail.figures);
    ASSERT_EQ(detail.figures->size(), 1u);
    const render::CodeFigure& box = detail.figures->front();
    EXPECT_EQ(box.kind, render::CodeFigure::Kind::Box);
    EXPECT_EQ(std::vector<double>({box.x1, box.y1, box.x2, box.y2}), std::vector<double>({0.0, 0.0, 100.0, 200.0}));
    EXPECT_EQ(box.color, 0x0000FFu);
    const auto& figures = run.pages[0].figures;
    ASSERT_EQ(figures.size(), 2u);
    EXPECT_EQ(figures[0].kind, render::CodeFigure::Kind::Circle);
    EXPECT_EQ(std::vector<double>({figures[0].x1, figures[0].y1, figures[0].x2}),
              std::vector<double>({1440.0, 2880.0, 720.0}));
    EXPECT_EQ(figures[0].drawWidth, 3);
    EXPECT_EQ(figures[1].x1, 2880);
}

TEST(ReportEvents, OpenAndNoDataCancelTheReportAndMacrosRunThroughTheirRunner) {
    EXPECT_THROW(layOut("Sub Report_Open(Cancel As Integer)\nCancel = True\nEnd Sub\n"), render::ReportCancelled);
    {
        design::ReportDesign design = eventDesign();
        std::vector<vba::Module> modules;
        modules.push_back(
            vba::parseModule("Report_Events", "Sub Report_NoData(Cancel As Integer)\nCancel = True\nEnd Sub\n"));
        render::ReportEvents events(design, std::move(modules), "Events", 0);
        EXPECT_THROW(events.noData(), render::ReportCancelled);
    }
    // A macro group's macro hides every other detail by cancelling its Format; one the runner does not
    // know is named.
    design::ReportDesign design = eventDesign();
    design.sections[1].onFormat = "Group.Skip";
    design.sections[1].onPrint = "Group.Missing";
    int formats = 0;
    const Layout run = layOut(
        "", 4,
        [&](const std::string& macro) {
            render::MacroOutcome outcome;
            outcome.found = macro == "Group.Skip";
            outcome.cancel = outcome.found && ++formats % 2 == 0;
            return outcome;
        },
        design);
    EXPECT_EQ(details(run), (std::vector<std::string>{"13"}));
    EXPECT_EQ(run.omissions, (std::set<std::string>{std::string(render::kCodeNote) + "the macro Group.Missing is not run"}));
}

TEST(ReportEvents, TheDocumentNamesWhereTheCodeStoppedAsSuch) {
    const std::string stop = std::string(render::kCodeNote) + "Detail_Format stops at \"Set db = CurrentDb()\" (line 12)";
    EXPECT_EQ(render::approximationNote({stop, "charts"}),
              "An approximation of the Access report: its code: Detail_Format stops at \"Set db = CurrentDb()\" "
              "(line 12); charts are not drawn.");
}

TEST(ReportEvents, ADialogsControlsReadTheRunsAnswersAndItsOpeningIsAnswered) {
    design::ReportDesign design = eventDesign();
    std::vector<vba::Module> modules;
    modules.push_back(vba::parseModule(
        "Report_Events", "Public got\nSub Report_Open(Cancel As Integer)\n"
                         "DoCmd.OpenForm \"Dates\", , , , , acDialog\n"
                         "got = Forms![Dates]!Start & \"|\" & (Forms!Dates!Detailed = True) & \"|\" & (Forms!Dates!Count + 1)\n"
                         "DoCmd.Close acForm, \"Dates\"\ngot = got & Forms!Dates!Missing\nEnd Sub\n"
                         "Function Seen()\nSeen = got\nEnd Function\n"));
    render::ReportEvents events(design, std::move(modules), "Events", 1);
    events.setFormValues([](const std::string& form, const std::string& control) -> std::optional<std::string> {
        if (form != "Dates") return std::nullopt;
        if (control == "Start") return "1/1/1997";
        if (control == "Detailed") return "Yes";
        if (control == "Count") return "41";
        return std::nullopt;
    });
    events.open();
    EXPECT_EQ(query::displayText(events.interpreter().call("Seen").value), "1/1/1997|True|42");
    // Only the control never answered stops the code, named.
    ASSERT_EQ(events.omissions().size(), 1u);
    EXPECT_NE(events.omissions().begin()->find("Missing"), std::string::npos) << *events.omissions().begin();
}

// Northwind's page breaks and page totals are its macros' doing: a break after the tenth row, each
// page's total kept by the detail's Print and reset by the page header's.
TEST(ReportEvents, NorthwindsSalesTotalsByAmountBreaksAndTotalsItsPagesByItsMacros) {
    const std::string path = test_support::testDataFile("northwind-jet4.mdb").string();
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no northwind-jet4.mdb";
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "no pdftotext";
    int argc = 1;
    char name[] = "render_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);
    auto file = helper::PageFile::open(path.c_str());
    helper::ScopedMdb mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    helper::ReportStorage storage(mdb.get(), *file);
    helper::DatabaseReports reports(mdb.get(), storage, "CP1252");
    const std::string report = "Sales Totals by Amount";
    const design::ReportDesign design = reports.design(report);
    query::RowSet rows = reports.rows(design.recordSource);
    std::vector<double> amounts;
    for (const auto& row : rows.rows) amounts.push_back(std::stod(query::displayText(row[0])));
    std::sort(amounts.rbegin(), amounts.rend());

    const render::DrawnReport drawn = render::drawReport(design, std::move(rows), report, &reports, report);
    EXPECT_TRUE(drawn.omissions.empty()) << *drawn.omissions.begin();
    QProcess extract;
    extract.start("pdftotext", {"-layout", "-", "-"});
    extract.write(drawn.pdf);
    extract.closeWriteChannel();
    extract.waitForFinished();
    const std::string text = extract.readAllStandardOutput().toStdString();
    std::vector<double> totals;
    static const std::regex total(R"(Page Total:\s+\$([0-9,]+\.[0-9]{2}))");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), total); it != std::sregex_iterator(); ++it) {
        std::string digits = (*it)[1];
        std::erase(digits, ',');
        totals.push_back(std::stod(digits));
    }
    ASSERT_EQ(static_cast<int>(totals.size()), drawn.pages);
    EXPECT_GT(drawn.pages, 1);
    EXPECT_NEAR(totals[0], std::accumulate(amounts.begin(), amounts.begin() + 10, 0.0), 0.005);
    EXPECT_NEAR(std::accumulate(totals.begin(), totals.end(), 0.0),
                std::accumulate(amounts.begin(), amounts.end(), 0.0), 0.005);
}

TEST(ReportEvents, AProjectThatCannotBeReadIsNamedAndTheReportStillDrawn) {
    int argc = 1;
    char name[] = "render_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);
    struct Damaged : render::ReportSource {
        design::ReportDesign design(const std::string&) override { throw std::runtime_error("no reports"); }
        query::RowSet rows(const std::string&) override { return numbers(3); }
        std::vector<design::CodeModule> modules() override { throw std::runtime_error("The project is damaged."); }
    } source;
    const render::DrawnReport drawn = render::drawReport(eventDesign(), numbers(3), "Events", &source, "Events");
    EXPECT_EQ(drawn.pages, 1);
    EXPECT_EQ(drawn.omissions,
              (std::set<std::string>{std::string(render::kCodeNote) + "its modules cannot be read (the project is damaged)"}));
}

TEST(ReportEvents, FiguresArePaintedWhereTheirBandOrPageIs) {
    int argc = 1;
    char name[] = "render_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);
    // The first page on an image, its origin the printable area's corner as on a PDF writer's.
    struct ImageCanvas : render::PageCanvas {
        QImage image;
        QPainter painter;
        QPoint corner;
        QPainter& firstPage(const QPageLayout& layout) override {
            image = QImage(layout.fullRectPixels(kReportResolution).size(), QImage::Format_RGB32);
            image.fill(Qt::white);
            painter.begin(&image);
            corner = layout.paintRectPixels(kReportResolution).topLeft();
            painter.translate(corner);
            return painter;
        }
        void nextPage() override {}
    } canvas;
    design::ReportDesign design = eventDesign();
    const std::string code =
        "Sub Detail_Print(Cancel As Integer, PrintCount As Integer)\n"
        "If Me!N = 1 Then Me.Line (0, 0)-(1440, 200), RGB(255, 0, 0), BF\nEnd Sub\n"
        "Sub Report_Page()\nMe.Line (0, 2880)-Step(1440, 144), RGB(0, 0, 255), BF\nEnd Sub\n";
    struct Code : render::ReportSource {
        std::string source;
        design::ReportDesign design(const std::string&) override { throw std::runtime_error("none"); }
        query::RowSet rows(const std::string&) override { return {}; }
        std::vector<design::CodeModule> modules() override { return {{"Report_Events", false, source}}; }
    } source;
    source.source = code;
    render::paintReport(design, numbers(2), canvas, &source, "Events");
    canvas.painter.end();
    // 300 dots an inch: a twip is 300/1440 of a dot. The first detail starts below the 300-twip header.
    const auto at = [&](int x, int y) { return canvas.image.pixelColor(canvas.corner + QPoint(x * 300 / 1440, y * 300 / 1440)); };
    EXPECT_EQ(at(1000, 400), QColor(Qt::red));
    EXPECT_EQ(at(1000, 1400), QColor(Qt::white)) << "the second row draws nothing";
    EXPECT_EQ(at(720, 2950), QColor(Qt::blue));
    EXPECT_EQ(at(2000, 2950), QColor(Qt::white));
}

TEST(ReportEvents, CodeThatNeverMovesOnEndsEachRowAfterSoManyRepeats) {
    const Layout run = layOut(
        "Sub Detail_Format(Cancel As Integer, FormatCount As Integer)\nMe.NextRecord = False\nMe.MoveLayout = False\n"
        "End Sub\n",
        2);
    ASSERT_EQ(run.pages.size(), 1u);
    std::size_t details = 0;
    for (const auto& band : run.pages[0].bands) details += band.section->kind == SectionKind::Detail;
    EXPECT_EQ(details, 2u * 1001);
}

// Each Format looping within its own budget, over rows that never move on, would run for hours: the run's
// budget ends the code, the report still prints and its note says why.
TEST(ReportEvents, CodeLoopingInEachOfManyEventsStopsOnceTheRunsBudgetIsSpent) {
    const Layout run = layOut(
        "Sub Detail_Format(Cancel As Integer, FormatCount As Integer)\nMe.NextRecord = False\n"
        "For i = 1 To 1000000\nNext\nEnd Sub\n",
        2);
    EXPECT_FALSE(run.pages.empty());
    EXPECT_TRUE(std::any_of(run.omissions.begin(), run.omissions.end(), [](const std::string& note) {
        return note.find("has run 50000000 statements in all") != std::string::npos;
    })) << (run.omissions.empty() ? "" : *run.omissions.begin());
}
