// "Save Checked Reports As PDF" of the real handlers on the Linux engine: the PDF writer stand-in reads
// the values the export writes into the registry and writes each report's PDF file.
#include <gtest/gtest.h>

#include <set>

#include "DatabaseFile.h"
#include "Fixtures.h"
#include "export/OutputFileNames.h"
#include "tests/catalogue/EngineProgram.h"
#include "tests/platform/jet/PdfTools.h"
#include "tests/support/TestSupport.h"

namespace calvenor {
namespace {

namespace fs = std::filesystem;

// Every file below the folder, by its path relative to it.
std::set<std::string> filesBelow(const fs::path& folder) {
    std::set<std::string> files;
    if (!fs::exists(folder)) return files;
    for (const auto& entry : fs::recursive_directory_iterator{folder}) {
        if (!entry.is_directory()) files.insert(fs::relative(entry.path(), folder).string());
    }
    return files;
}

TEST(SaveOnTheEngine, EveryCheckedReportBecomesAPdfInsideTheFolderNamedAfterItNoneOverwritten) {
    test_support::TemporaryFolder root;
    const std::string database = root / "hostile.mdb";
    auto hostile = mkmdb::fixtures::hostileNamesDatabase();
    hostile.reports.push_back(
        "Forward_slash");  // the safe name of "Forward/slash", taken by a report of its own
    mkmdb::writeDatabaseFile(hostile, database, mkmdb::Overwrite::Refuse);
    fs::create_directory(root.path() / "out");
    const fs::path home = std::getenv("HOME");
    const auto homeBefore = filesBelow(home);

    engine_tests::EngineProgram p;
    p.shell.desktopFolderPath = (root.path() / "desktop").string();  // read when the report list loads
    auto& ui = p.ui;
    ASSERT_TRUE(p.next(database, "").has_value());
    auto& form2 = ui.window("Form2");
    auto& list = form2.listView("ListView1");
    ASSERT_EQ(list.count(), static_cast<int>(hostile.reports.size()));
    list.setChecked(1, false);
    form2.textBox("Text1").setText(root / "out");  // typed without the trailing separator
    form2.button("PushButton3").click();

    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().text, "Done.");
    EXPECT_EQ(ui.messages.size(), 1u) << ui.messages.front().text;

    // One file per checked report, under the name the run gave it; each a PDF that names its report.
    OutputFileNames names{platform::FileNameRules::Posix, '/'};
    std::set<std::string> expected;
    for (int i = 2; i <= list.count(); ++i) {
        const std::string report = list.itemText(i);
        const std::string path = names.pathFor((root.path() / "out").string(), report);
        expected.insert(fs::relative(path, root.path()).string());
        EXPECT_NE(jet_tests::pdfInfo(path), "") << report;
        EXPECT_EQ(jet_tests::pdfTitle(path), report);
    }
    EXPECT_EQ(expected.size(), hostile.reports.size() - 1) << "no two reports share a file";
    auto written = filesBelow(root.path());
    std::erase_if(written, [](const std::string& f) { return f == "hostile.mdb"; });
    EXPECT_EQ(written, expected) << "nothing else is written beside or above the folder";
    EXPECT_EQ(filesBelow(home), homeBefore);
}

}  // namespace
}  // namespace calvenor
