#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "platform/jet/render/ReportDocument.h"
#include "tests/platform/jet/render/DesignParts.h"

using namespace platform::jet;

namespace {

// What pdftotext reads from the document; nullopt when it cannot.
std::optional<std::string> extractedText(const QByteArray& pdf) {
    QTemporaryDir folder;
    const QString path = folder.filePath("report.pdf");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size()) return std::nullopt;
    file.close();
    QProcess extract;
    extract.start("pdftotext", {"-enc", "UTF-8", path, "-"});
    if (!extract.waitForFinished() || extract.exitCode() != 0) return std::nullopt;
    return extract.readAllStandardOutput().toStdString();
}

}  // namespace

// Access draws without ligatures; a document drawn with them gives back other characters than it shows.
TEST(TextLayer, WordsWithLigaturePairsExtractAsDrawn) {
    int argc = 1;
    char name[] = "render_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "no pdftotext";
    const std::string words = "InActive profit office attitude often";
    struct Case {
        const char* accessFont;
        const char* family;  // what it is drawn in
    };
    for (const Case& c : {Case{"Calibri", "Carlito"}, Case{"Arial", "Liberation Sans"},
                          Case{"Times New Roman", "Liberation Serif"}}) {
        SCOPED_TRACE(c.accessFont);
        if (!QFontDatabase::families().contains(c.family)) GTEST_SKIP() << "no " << c.family;
        design::Control label = render_tests::control(design::ControlKind::Label, 0, 400);
        label.width = 6000;
        label.caption = words;
        label.font.name = c.accessFont;
        label.font.size = 11;
        design::ReportDesign report;
        report.width = 6000;
        design::Section header;
        header.kind = design::SectionKind::ReportHeader;
        header.height = 400;
        header.controls = {label};
        report.sections = {header};
        const auto text = extractedText(render::drawReport(report, {}, "Words").pdf);
        ASSERT_TRUE(text);
        EXPECT_THAT(*text, testing::HasSubstr(words));
    }
}
