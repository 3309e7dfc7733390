// "Save Checked Reports As PDF" of the real handlers on the Linux engine: the PDF writer stand-in reads
// the values the export writes into the registry and writes each report's PDF file.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "DatabaseFile.h"
#include "Fixtures.h"
#include "app/Text.h"
#include "export/ExportRun.h"
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

TEST(SaveOnTheEngine, ReportsThatCannotBeDrawnFailAndAreListedInTheFolderWhateverTheirNames) {
    test_support::TemporaryFolder root;
    const std::string database = root / "hostile.mdb";
    auto hostile = mkmdb::fixtures::hostileNamesDatabase();
    hostile.designs.clear();  // so that no report can be drawn
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

    // mkmdb writes no report designs: every checked report fails, is told, and leaves no file; the
    // results file in the folder names each one on a line of its own, whatever its name holds.
    const int checked = list.count() - 1;
    ASSERT_EQ(ui.messages.size(), static_cast<std::size_t>(checked) + 1);
    EXPECT_TRUE(ui.messages.back().text.starts_with("Done.\r\n\r\nSaved 0 of " + std::to_string(checked) +
                                                    " reports.\r\n\r\n" + std::to_string(checked) +
                                                    " reports failed"))
        << ui.messages.back().text;
    const auto results = test_support::readFile(root.path() / "out" / kResultsFileName);
    std::size_t at = 0;
    for (int i = 2; i <= list.count(); ++i) {
        const std::string line = "failed: " + printableName(list.itemText(i)) + ": step 148: ";
        at = results.find(line, at);
        EXPECT_NE(at, std::string::npos) << line;
    }
    EXPECT_EQ(std::count(results.begin(), results.end(), '\n'), checked);
    auto written = filesBelow(root.path());
    std::erase_if(written, [](const std::string& f) { return f == "hostile.mdb"; });
    EXPECT_EQ(written, std::set<std::string>{"out/" + std::string{kResultsFileName}})
        << "nothing else is written beside or above the folder";
    EXPECT_EQ(filesBelow(home), homeBefore);
}

}  // namespace
}  // namespace calvenor
