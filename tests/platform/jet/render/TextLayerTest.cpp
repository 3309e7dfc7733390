#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>

#include "platform/jet/render/ReportDocument.h"
#include "tests/platform/jet/render/DesignParts.h"

using namespace platform::jet;

// Access draws without ligatures; a document drawn with them gives back other characters than it shows.
TEST(TextLayer, WordsWithLigaturePairsExtractAsDrawn) {
    int argc = 1;
    char name[] = "render_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "no pdftotext";
    const std::string words = "InActive profit office attitude often";
    for (const auto& [accessFont, family] : {std::pair{"Calibri", "Carlito"},
                                             {"Arial", "Liberation Sans"},
                                             {"Times New Roman", "Liberation Serif"}}) {
        SCOPED_TRACE(accessFont);
        if (!QFontDatabase::families().contains(family)) GTEST_SKIP() << "no " << family;
        design::ReportDesign report;
        report.sections.resize(1);
        report.sections[0].kind = design::SectionKind::ReportHeader;
        report.sections[0].height = 400;
        design::Control label = render_tests::control(design::ControlKind::Label, 0, 400);
        label.width = 6000;
        label.caption = words;
        label.font.name = accessFont;
        report.sections[0].controls = {label};
        QProcess extract;  // pdftotext reading the document from its standard input
        extract.start("pdftotext", {"-enc", "UTF-8", "-", "-"});
        extract.write(render::drawReport(report, {}, "Words").pdf);
        extract.closeWriteChannel();
        ASSERT_TRUE(extract.waitForFinished());
        EXPECT_THAT(extract.readAllStandardOutput().toStdString(), testing::HasSubstr(words));
    }
}

// A form's buttons print their captions without the "&" that marks an access key.
TEST(TextLayer, ButtonsPrintTheirCaptionsWithoutTheAccessKeysMark) {
    int argc = 1;
    char name[] = "render_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "no pdftotext";
    for (const auto& [caption, printed] :
         {std::pair{"Pre&view", "Preview"}, {"Fish && &Chips", "Fish & Chips"}}) {
        SCOPED_TRACE(caption);
        design::ReportDesign report;
        report.sections.resize(1);
        report.sections[0].kind = design::SectionKind::ReportHeader;
        report.sections[0].height = 400;
        design::Control button = render_tests::control(design::ControlKind::CommandButton, 0, 400);
        button.width = 3000;
        button.caption = caption;
        report.sections[0].controls = {button};
        QProcess extract;
        extract.start("pdftotext", {"-enc", "UTF-8", "-", "-"});
        extract.write(render::drawReport(report, {}, "Buttons").pdf);
        extract.closeWriteChannel();
        ASSERT_TRUE(extract.waitForFinished());
        EXPECT_EQ(QString::fromUtf8(extract.readAllStandardOutput()).trimmed().toStdString(), printed);
    }
}
