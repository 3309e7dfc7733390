#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <climits>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/jet/render/PagePlan.h"
#include "platform/jet/render/ReportDocument.h"
#include "platform/jet/render/ReportGrouping.h"
#include "platform/jet/render/ReportSource.h"
#include "tests/platform/jet/render/DesignParts.h"

using namespace platform::jet;
using design::ControlKind;
using design::SectionKind;
using query::Value;

using render_tests::control;

namespace {

design::ReportDesign detailOnly(int height, std::vector<design::Control> controls) {
    design::ReportDesign report;
    report.width = 4000;
    design::Section detail;
    detail.kind = SectionKind::Detail;
    detail.height = height;
    detail.controls = std::move(controls);
    report.sections = {detail};
    return report;
}

query::RowSet numberedRows(std::size_t count) {
    query::RowSet rows;
    rows.columns = {"ID"};
    for (std::size_t i = 0; i < count; ++i) rows.rows.push_back({Value(static_cast<std::int64_t>(i))});
    return rows;
}

// One report, "Logo", and its one row.
class LogoReport : public render::ReportSource {
  public:
    explicit LogoReport(design::ReportDesign logo) : logo_(std::move(logo)) {}
    design::ReportDesign design(const std::string&) override { return logo_; }
    query::RowSet rows(const std::string&) override { return numberedRows(1); }

  private:
    design::ReportDesign logo_;
};

// A PNG of noise, which no compression makes much smaller.
std::vector<std::uint8_t> noisePicture() {
    QImage image(128, 128, QImage::Format_RGB32);
    std::mt19937 noise(7);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, noise() & 0xFFFFFF);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    image.save(&png, "PNG");
    return {png.data().begin(), png.data().end()};
}

struct Application {
    int argc = 1;
    char name[13] = "render_tests";
    char* argv[2] = {name, nullptr};
    QGuiApplication application{argc, argv};  // fonts and the PDF writer
};

}  // namespace

TEST(HostileDesigns, DrawWithinBoundsOrSayWhatTheyLeftOut) {
    Application application;

    design::ReportDesign tallest = detailOnly(INT_MAX, {control(ControlKind::Rectangle, 0, INT_MAX)});

    design::ReportDesign longPaper = detailOnly(1440, {});
    longPaper.page.paperWidth = longPaper.page.paperLength = INT_MAX;

    // Each text box names the next ten times, eight deep: written out, a thousand million characters.
    std::vector<design::Control> boxes;
    for (int level = 0; level < 8; ++level) {
        std::string source = "=1";
        for (int i = 0; i < 10; ++i) source += "+[Box" + std::to_string(level + 1) + "]";
        boxes.push_back(
            control(ControlKind::TextBox, level * 300, 300, "Box" + std::to_string(level), source));
    }
    boxes.push_back(control(ControlKind::TextBox, 2400, 300, "Box8", "=1"));
    design::ReportDesign namingEachOther = detailOnly(3000, boxes);

    // The same boxes in a report header and footer by turns, named from the detail: each is worked out
    // once where it prints, not once for every time it is named.
    design::ReportDesign acrossSections =
        detailOnly(300, {control(ControlKind::TextBox, 0, 300, "Top", "=[Box0]")});
    for (SectionKind kind : {SectionKind::ReportHeader, SectionKind::ReportFooter}) {
        design::Section section;
        section.kind = kind;
        section.height = 2700;
        for (std::size_t level = kind == SectionKind::ReportHeader ? 0 : 1; level < boxes.size(); level += 2)
            section.controls.push_back(boxes[level]);
        acrossSections.sections.push_back(section);
    }

    struct Case {
        const char* what;
        design::ReportDesign design;
        std::size_t rows;
        int mostPages;
        const char* omission;  // what the document must say it left out, if anything
    };
    const Case cases[] = {
        {"a section and its control 2^31 twips tall: kept to 22 inches", tallest, 1, 3, nullptr},
        {"paper 2^31 tenths of a millimetre long: kept to 50 inches", longPaper, 10, 1, nullptr},
        {"controls whose sources multiply past any use", namingEachOther, 1, 1, "expression"},
        {"controls of other sections naming each other over and over", acrossSections, 3, 1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const render::DrawnReport drawn = render::drawReport(c.design, numberedRows(c.rows), "Hostile");
        EXPECT_GE(drawn.pages, 1);
        EXPECT_LE(drawn.pages, c.mostPages);
        EXPECT_TRUE(drawn.pdf.startsWith("%PDF"));
        if (c.omission)
            EXPECT_THAT(drawn.omissions, testing::Contains(testing::HasSubstr(c.omission)));
        else
            EXPECT_THAT(drawn.omissions, testing::IsEmpty());
    }
}

TEST(HostileDesigns, PlansStopOnePagePastTheMostAReportMayHave) {
    // A page break every 10 twips of each of 600 details, a label below each: 120,000 pages asked for.
    std::vector<design::Control> breaks;
    for (int top = 10; top < 2000; top += 10) {
        breaks.push_back(control(ControlKind::PageBreak, top, 0));
        breaks.push_back(control(ControlKind::Label, top + 2, 5));
    }
    const design::ReportDesign design = detailOnly(2000, breaks);
    render::Grouping grouping;
    grouping.order.resize(600);
    const auto pages = render::planPages(design, grouping, {12000, 15000});
    EXPECT_EQ(pages.size(), render::kMostPages + 1);
}

TEST(HostileDesigns, NumbersPastDatesAndWholeBucketsGroupByTheirValue) {
    const auto level = [](design::GroupOn on) {
        design::GroupLevel grouped;
        grouped.groupOn = on;
        return grouped;
    };
    struct Case {
        const char* what;
        double number;
        design::GroupOn on;
    };
    const Case cases[] = {
        {"a year of 1e300 days", 1e300, design::GroupOn::Year},
        {"a week before any date", -1e18, design::GroupOn::Week},
        {"an interval past 2^63", 1e19, design::GroupOn::Interval},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Value key = render::groupKey(Value(c.number), level(c.on));
        ASSERT_TRUE(key.holds<double>());
        EXPECT_EQ(key.get<double>(), c.number);
    }
}

TEST(HostileDesigns, APictureInEveryRowsSubreportIsWrittenToTheDocumentOnce) {
    Application application;
    design::Control picture = control(ControlKind::Image, 0, 1440);
    picture.picture = noisePicture();
    design::ReportDesign logo = detailOnly(1440, {picture});
    logo.recordSource = "One";
    LogoReport reports(logo);
    design::Control shown = control(ControlKind::Subreport, 0, 1440);
    shown.sourceObject = "Report.Logo";
    const design::ReportDesign main = detailOnly(1440, {shown});

    const auto size = [&](std::size_t rows) {
        return render::drawReport(main, numberedRows(rows), "Logos", &reports, "Main").pdf.size();
    };
    EXPECT_LT(size(30) - size(1), static_cast<qsizetype>(picture.picture.size()));
}
