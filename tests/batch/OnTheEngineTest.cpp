// calvenor-export's run over the Linux engine and the bundled sample database: real PDF files.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "batch/BatchExport.h"
#include "platform/jet/DocumentNote.h"
#include "platform/jet/InstalledPrinters.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/JetAdo.h"
#include "platform/posix/FileRegistry.h"
#include "platform/posix/PosixFileSystem.h"
#include "tests/platform/jet/PdfTools.h"
#include "tests/platform/jet/TestFiles.h"
#include "tests/support/NoPrintQueues.h"
#include "tests/support/TestSupport.h"

namespace calvenor::batch {
namespace {

namespace fs = std::filesystem;

platform::jet::EngineOptions engineOptions() {
    platform::jet::EngineOptions options;
    options.helperFolder = CALVENOR_HELPER_DIR;
    return options;
}

struct BatchOnTheEngine {
    test_support::TemporaryFolder root;
    platform::posix::FileRegistry registry{(root.path() / "registry").string()};
    platform::posix::PosixFileSystem files;
    test_support::NoPrintQueues queues;
    platform::jet::JetAdo ado{engineOptions()};
    platform::jet::JetAccess access{registry, queues, engineOptions()};
    platform::jet::InstalledPrinters printers{queues};
    std::ostringstream out, errors;

    int run(const std::vector<std::string>& arguments) {
        const Environment environment{
            [](std::string_view) { return std::nullopt; }, [](const std::string& path) { return path; },
            [] { return std::chrono::steady_clock::now(); }, false, platform::jet::approximationNoteOfFile};
        return runBatchExport(arguments, {files, registry, ado, access, printers}, environment, out, errors);
    }
};

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator{folder}) names.insert(entry.path().filename().string());
    return names;
}

TEST(BatchOnTheEngine, SavesEverySampleReportAsAPdfNamedAfterIt) {
    BatchOnTheEngine p;
    ASSERT_EQ(p.run({CALVENOR_SAMPLE_DATABASE, "--list"}), kAllSaved) << p.errors.str();
    std::vector<std::string> reports;
    std::istringstream listed{p.out.str()};
    for (std::string name; std::getline(listed, name);) reports.push_back(name);
    ASSERT_EQ(reports.size(), 7u);

    const fs::path out = p.root.path() / "out";
    fs::create_directory(out);
    ASSERT_EQ(p.run({CALVENOR_SAMPLE_DATABASE, "--output", out.string()}), kAllSaved) << p.errors.str();
    std::set<std::string> expected;
    for (const auto& report : reports) {
        const std::string file = (out / (report + ".pdf")).string();
        expected.insert(report + ".pdf");
        EXPECT_EQ(jet_tests::pdfTitle(file), report);
        EXPECT_NE(jet_tests::pdfText(file).find(report), std::string::npos) << report;
    }
    EXPECT_EQ(namesIn(out), expected) << "nothing else is left in the folder";
    EXPECT_NE(p.errors.str().find("saved 7 of 7 reports"), std::string::npos) << p.errors.str();
}

TEST(BatchOnTheEngine, AReportDrawnWithoutWhatCannotBeDrawnIsSavedAndNamedOnALineOfItsOwn) {
    REQUIRE_TEST_FILE("northwind-jet4.mdb");
    BatchOnTheEngine p;
    const fs::path out = p.root.path() / "out";
    fs::create_directory(out);
    // Sales by Category holds a chart; Alphabetical List of Products nothing that cannot be drawn.
    ASSERT_EQ(p.run({jet_tests::testFile("northwind-jet4.mdb"), "--output", out.string(), "--report",
                     "Sales by Category", "--report", "Alphabetical List of Products"}),
              kAllSaved)
        << p.errors.str();
    std::vector<std::string> approximated;
    std::istringstream lines{p.errors.str()};
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("approximated: ")) approximated.push_back(line);
    ASSERT_EQ(approximated.size(), 1u) << p.errors.str();
    EXPECT_TRUE(approximated[0].starts_with("approximated: Sales by Category: An approximation"))
        << approximated[0];
    EXPECT_NE(approximated[0].find("charts"), std::string::npos) << approximated[0];
    EXPECT_NE(p.errors.str().find("saved 2 of 2 reports"), std::string::npos) << p.errors.str();
    EXPECT_NE(p.errors.str().find("1 of them approximations"), std::string::npos) << p.errors.str();
}

TEST(BatchOnTheEngine, AFileThatIsNoDatabaseDoesNotOpenAndWritesNothing) {
    BatchOnTheEngine p;
    const fs::path out = p.root.path() / "out";
    fs::create_directory(out);
    const std::string notADatabase = p.root / "notes.mdb";
    test_support::writeFile(notADatabase, "just some text, not a database");
    EXPECT_EQ(p.run({notADatabase, "--output", out.string()}), kCannotRun);
    EXPECT_NE(p.errors.str().find("did not open"), std::string::npos) << p.errors.str();
    EXPECT_TRUE(fs::is_empty(out));
}

}  // namespace
}  // namespace calvenor::batch
