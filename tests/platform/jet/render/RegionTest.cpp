#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "platform/jet/query/AccessFormat.h"
#include "platform/jet/query/DayNumbers.h"
#include "platform/jet/render/PageSetup.h"
#include "platform/jet/render/ReportDocument.h"
#include "platform/jet/render/ReportRegion.h"

using namespace platform::jet;

namespace {

// Formats in the region for the test's length, then in English (United States) again.
class InRegion {
  public:
    explicit InRegion(const query::Region& region) { query::useRegion(region); }
    ~InRegion() { query::useRegion(query::kUnitedStates); }
};

const query::Value kJuly4Afternoon =
    query::Date{query::withTime(query::dayNumber(1996, 7, 4), query::timeOfDay(13, 5, 9))};
const query::Value kAmount = query::Currency{-12345678};  // -1,234.5678

struct RegionCase {
    std::uint16_t codePage;
    const query::Value& value;
    const char* format;
    const char* text;
};

TEST(ReportRegion, ValuesAreFormattedInTheRegionOfTheDatabasesCodePage) {
    const RegionCase cases[] = {
        {1252, kJuly4Afternoon, "Short Date", "7/4/1996"},
        {1252, kJuly4Afternoon, "General Date", "7/4/1996 1:05:09 PM"},
        {1252, kAmount, "Currency", "($1,234.57)"},
        {1250, kJuly4Afternoon, "Long Date", "4 lipca 1996"},  // Polish, with its own names of months
        {0, kAmount, "Standard", "-1,234.57"},
        {1251, kJuly4Afternoon, "Short Date", "04.07.1996"},
        {1251, kJuly4Afternoon, "Long Time", "13:05:09"},
        {1251, kAmount, "Standard", "-1\u00a0234,57"},
        {1251, kJuly4Afternoon, "mmmm yyyy",
         "\u0438\u044e\u043b\u044f 1996"},  // "июля": the month as a date names it
        {1253, kJuly4Afternoon, "dd/mm/yyyy", "04/07/1996"},
        {1254, kAmount, "General Number", "-1234,5678"},
        {932, kJuly4Afternoon, "Short Date", "1996/07/04"},
        {932, kJuly4Afternoon, "Long Date",
         "1996\u5e747\u67084\u65e5"},  // as Windows writes it: 1996年7月4日
        {932, kJuly4Afternoon, "Long Time", "13:05:09"},
    };
    for (const auto& c : cases) {
        InRegion region(render::reportRegion(c.codePage));
        EXPECT_EQ(query::formatValue(c.value, c.format), c.text)
            << "code page " << c.codePage << ", " << c.format;
    }
}

TEST(ReportRegion, ReportsWithoutAPaperOfTheirOwnPrintOnTheRegionsPaper) {
    EXPECT_EQ(render::reportRegion(1252).paperSize, 1);  // English (United States): Letter
    EXPECT_EQ(render::reportRegion(1251).paperSize, 9);  // Russian: A4
    InRegion russian(render::reportRegion(1251));
    EXPECT_EQ(render::pageLayoutOf({}).pageSize().id(), QPageSize::A4);
}

// The number -6 drawn large in a text box of the format, on a page rasterised by pdftoppm: its pixels
// of pure red, and how far the text runs right.
struct DrawnNumber {
    int redPixels = 0, rightmostInk = -1;
};

DrawnNumber drawnNumber(const char* format) {
    design::Control box;
    box.kind = design::ControlKind::TextBox;
    box.controlSource = "=-6";
    box.format = format;
    box.width = 4320;
    box.height = 720;
    box.font = {"Arial", 36};
    design::ReportDesign report;
    report.width = 4320;
    report.page.paperSize = 1;
    report.page.leftMargin = report.page.rightMargin = report.page.topMargin = report.page.bottomMargin =
        1440;
    report.sections.resize(1);
    report.sections[0].height = 720;
    report.sections[0].backColor = 0xFFFFFF;
    report.sections[0].controls = {box};
    query::RowSet rows;
    rows.rows.emplace_back();
    QTemporaryDir folder;
    QFile pdf(folder.filePath("drawn.pdf"));
    pdf.open(QIODevice::WriteOnly);
    pdf.write(render::drawReport(report, rows, "Formats").pdf);
    pdf.close();
    QProcess::execute("pdftoppm",
                      {"-r", "36", "-png", "-singlefile", pdf.fileName(), folder.filePath("page")});
    const QImage page(folder.filePath("page.png"));
    DrawnNumber drawn;
    // The box: from the inch margin, three inches wide, at 36 pixels an inch.
    for (int y = 36; y < 72 && y < page.height(); ++y)
        for (int x = 36; x < 36 + 108 && x < page.width(); ++x) {
            const QColor ink = page.pixelColor(x, y);
            if (ink.red() > 200 && ink.green() < 80 && ink.blue() < 80) ++drawn.redPixels;
            if (ink.lightness() < 200) drawn.rightmostInk = std::max(drawn.rightmostInk, x);
        }
    return drawn;
}

TEST(ReportFormats, ASectionsColorAlignmentAndFillReachThePage) {
    int argc = 1;
    char name[] = "render_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty()) GTEST_SKIP() << "no pdftoppm";
    const DrawnNumber plain = drawnNumber("0;0"), red = drawnNumber("0;0[Red]"), left = drawnNumber("0;!0"),
                      filled = drawnNumber("0;*-0");
    EXPECT_EQ(plain.redPixels, 0);
    EXPECT_GT(red.redPixels, 20);
    ASSERT_GT(plain.rightmostInk, 36 + 54);    // a number is right-aligned in its box
    EXPECT_LT(left.rightmostInk, 36 + 54);     // "!": left-aligned
    EXPECT_GT(filled.rightmostInk, 36 + 100);  // the fill runs across the box up to the digit
}

}  // namespace
