#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDate>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <filesystem>

#include "platform/jet/design/ReportDesignReader.h"
#include "platform/jet/query/RecordSource.h"
#include "platform/jet/render/ReportDocument.h"
#include "platform/jet/tables/ReportStorage.h"
#include "platform/jet/tables/ScopedMdb.h"
#include "tests/platform/jet/render/DesignParts.h"
#include "tests/support/TestSupport.h"

using namespace platform::jet;
using design::ControlKind;
using design::SectionKind;

namespace {

struct Application {
    int argc = 1;
    char name[13] = "render_tests";
    char* argv[2] = {name, nullptr};
    QGuiApplication application{argc, argv};  // fonts and the PDF writer
};

// The text of a drawn document, as pdftotext gives it back.
std::string textOf(const QByteArray& pdf) {
    QProcess extract;
    extract.start("pdftotext", {"-layout", "-enc", "UTF-8", "-", "-"});
    extract.write(pdf);
    extract.closeWriteChannel();
    extract.waitForFinished();
    return extract.readAllStandardOutput().toStdString();
}

design::Section section(SectionKind kind, std::vector<design::Control> controls) {
    design::Section made;
    made.kind = kind;
    made.height = 300 * static_cast<int>(controls.size());
    for (std::size_t i = 0; i < controls.size(); ++i) controls[i].top = 300 * static_cast<int>(i);
    made.controls = std::move(controls);
    return made;
}

design::Control textBox(const std::string& name, const std::string& source) {
    design::Control box = render_tests::control(ControlKind::TextBox, 0, 300, name, source);
    box.width = 5000;
    return box;
}

}  // namespace

TEST(PrintedText, AReportWithoutRowsPrintsItsHeadersPageNumbersAndErrorsAsAccessDoes) {
    Application application;
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "no pdftotext";
    design::ReportDesign report;
    report.recordSource = "Orders";
    report.sections = {
        section(SectionKind::ReportHeader,
                {textBox("Unknown", "=[Nowhere] & \"x\""), textBox("Failing", "=NoSuchFunction(1)"),
                 textBox("Count", "=\"Orders: \" & Count(*)")}),
        section(SectionKind::Detail, {textBox("Amount", "=\"Row \" & [Amount]")}),
        section(SectionKind::PageFooter, {textBox("Pages", "=\"Page \" & [Page] & \" of \" & [Pages]"),
                                          textBox("Year", "=Year(Date())")}),
    };
    query::RowSet rows;
    rows.columns = {"Amount"};
    const render::DrawnReport drawn = render::drawReport(report, rows, "Empty");
    const std::string text = textOf(drawn.pdf);
    for (const std::string& shown : std::vector<std::string>{"#Name?", "#Error", "Orders: 0", "Page 1 of 1",
                                                             std::to_string(QDate::currentDate().year())})
        EXPECT_THAT(text, testing::HasSubstr(shown));
    EXPECT_THAT(text, testing::Not(testing::HasSubstr("Row"))) << "no detail without rows";
    EXPECT_THAT(drawn.omissions,
                testing::ElementsAre(testing::HasSubstr("the control Failing, shown as #Error"),
                                     testing::HasSubstr("the control Unknown, shown as #Name?")));
}

// rentals2000-jet4.mdb's "Reservations" over its rows without the parameters Access asked for: each
// group's share of the grand total, as Access printed them.
TEST(PrintedText, SharesOfAGrandTotalAreAccesssFigures) {
    const std::string file = test_support::testDataFile("reports/rentals2000-jet4.mdb").string();
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no rentals2000-jet4.mdb";
    Application application;
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "no pdftotext";
    auto pages = helper::PageFile::open(file.c_str());
    ASSERT_TRUE(pages);
    helper::ScopedMdb mdb(mdb_open(file.c_str(), MDB_NOFLAGS));
    helper::ReportStorage storage(mdb.get(), *pages);
    const design::ReportDesign design = design::decodeReportDesign(storage.designBlob("Reservations"));
    query::RowSet rows = query::readRecordSource(
        mdb.get(),
        "SELECT Customer.FirstName, Customer.LastName, Reservation.RentalDate, Reservation.ReturnDate, "
        "Reservation.DailyRate, Reservation.WeeklyRate, Customer.City, Customer.State "
        "FROM Customer INNER JOIN Reservation ON Customer.CustomerId = Reservation.CustomerId");
    ASSERT_EQ(rows.rows.size(), 31u);
    const std::string text = textOf(render::drawReport(design, std::move(rows), "Reservations").pdf);
    // Arnowitz, Chao, Jones, Rivera, Robinson, Smith (and Smith's George); the grand totals.
    for (const char* printed : {"38.82%", "38.71%", "7.73%", "40.51%", "41.12%", "2.37%", "3.83%", "1.91%",
                                "6.74%", "6.48%", "$1,304.45", "$6,539.00"})
        EXPECT_THAT(text, testing::HasSubstr(printed));
    EXPECT_THAT(text, testing::Not(testing::HasSubstr("100.00%")));
}
