// "Save Checked Reports As PDF" of the real handlers on the Linux engine: the PDF writer stand-in reads
// the values the export writes into the registry and writes each report's PDF file.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "DatabaseFile.h"
#include "Fixtures.h"
#include "app/Text.h"
#include "export/ExportRun.h"
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

// The marker a design's label shows, found in the file to damage that design alone.
constexpr char kMarker[] = "zq damage marker zq";

// Makes the length of the label's caption in the design that shows the marker run past the design's
// end, as a damaged file would.
void damageTheMarkedDesign(const std::string& database) {
    std::string bytes = test_support::readFile(database);
    std::string marker;
    for (const char c : std::string_view{kMarker}) marker += {c, '\0'};  // UTF-16LE, as designs keep texts
    const auto at = bytes.find(marker);
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(bytes.find(marker, at + 1), std::string::npos) << "one design shows it";
    bytes[at - 1] = '\xFE';
    test_support::writeFile(database, bytes);
}

TEST(SaveOnTheEngine, EveryCheckedReportLandsInItsOwnFileInsideTheFolderWhateverItsName) {
    test_support::TemporaryFolder root;
    const std::string database = root / "hostile.mdb";
    auto hostile = mkmdb::fixtures::hostileNamesDatabase();
    // The safe name of "Forward/slash", taken by a report of its own; and a report whose design is damaged.
    for (const char* name : {"Forward_slash", "Damaged design"}) {
        hostile.reports.push_back(name);
        hostile.designs[name] = mkmdb::fixtures::reportShowingItsName(name);
    }
    hostile.designs["Damaged design"].sections[0].controls[0].text = kMarker;
    mkmdb::writeDatabaseFile(hostile, database, mkmdb::Overwrite::Refuse);
    damageTheMarkedDesign(database);
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
    std::vector<std::string> names;
    for (int i = 1; i <= list.count(); ++i) names.push_back(list.itemText(i));
    list.setChecked(names.front() == "Damaged design" ? 2 : 1, false);
    form2.textBox("Text1").setText(root / "out");  // typed without the trailing separator
    form2.button("PushButton3").click();

    // The damaged design fails, told once as it happens and once in the closing message; every other
    // checked report is a PDF titled with its name, under the name the whole list gives it.
    const int checked = list.count() - 1;
    ASSERT_EQ(ui.messages.size(), 2u) << ui.messages.front().text;
    EXPECT_NE(ui.messages.front().text.find("The report 'Damaged design' could not be drawn"),
              std::string::npos)
        << ui.messages.front().text;
    EXPECT_TRUE(ui.messages.back().text.starts_with("Done.\r\n\r\nSaved " + std::to_string(checked - 1) +
                                                    " of " + std::to_string(checked) +
                                                    " reports.\r\n\r\n1 report failed"))
        << ui.messages.back().text;
    const auto fileNames = reportFileNames(names, platform::FileNameRules::Posix);
    std::set<std::string> expected{"out/" + std::string{kResultsFileName}};
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!list.checked(static_cast<int>(i) + 1) || names[i] == "Damaged design") continue;
        const std::string path = outputPath((root.path() / "out").string(), '/', fileNames[i]);
        expected.insert(fs::relative(path, root.path()).string());
        EXPECT_EQ(jet_tests::pdfTitle(path), names[i]);
    }
    EXPECT_EQ(expected.size(), static_cast<std::size_t>(checked)) << "no two reports share a file";
    auto written = filesBelow(root.path());
    std::erase_if(written, [](const std::string& f) { return f == "hostile.mdb"; });
    EXPECT_EQ(written, expected) << "nothing else is written beside or above the folder";
    EXPECT_EQ(filesBelow(home), homeBefore);
}

}  // namespace
}  // namespace calvenor
