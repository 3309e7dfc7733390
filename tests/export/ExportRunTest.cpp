// "Save Checked Reports As PDF" and "..." on the report list page, over the fakes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "export/OutputFileNames.h"
#include "export/PdfPrinterCheck.h"
#include "pages/Form2.h"
#include "platform/Printers.h"
#include "tests/fakes/FakeProgram.h"

namespace calvenor {
namespace {

using platform::FileNameRules;
using platform::Pointer;
using Lines = std::vector<std::string>;

constexpr char kOut[] = "C:\\Out\\";
constexpr char kSave[] = "in Ostrevan2021/08/31.Form2.PushButton3_Click at line ";

class ExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        p.files.addFile("C:\\Data\\Sales.mdb");
        p.files.addFolder("C:\\Out");
        p.files.addFolder(kOut);
        p.access.reports = {"A", "Skipped", "B"};
        p.program.start();
        form1().textBox("Text1").setText("C:\\Data\\Sales.mdb");
        form1().textBox("Text2").setText("pw");
        form1().button("PushButton3").click();
        list().setChecked(2, false);
        form2().textBox("Text1").setText(kOut);
        p.access.calls.clear();
        p.registry.journal = &p.access.calls;
    }

    fakes::FakeWindow& form1() { return p.ui.window("Form1"); }
    fakes::FakeWindow& form2() { return p.ui.window("Form2"); }
    fakes::FakeListView& list() { return form2().listView("ListView1"); }
    void save() { form2().button("PushButton3").click(); }
    Lines reports() const {
        Lines result;
        for (const auto& m : p.ui.messages) result.push_back(m.text.substr(0, m.text.find("\r\r")));
        return result;
    }
    // The calls that make files: prints on a printer and Access's own PDF output.
    Lines outputs() const {
        Lines result;
        for (const auto& call : p.access.calls) {
            if (call.starts_with("print ") || call.starts_with("output ") ||
                call.starts_with("write OutputFile"))
                result.push_back(call);
        }
        return result;
    }

    fakes::FakeProgram p;
};

TEST_F(ExportTest,
       EachCheckedReportIsPointedAtItsFileThenPrintedOnThePdfPrinterAndDoneIsSaidUnderTheHourglass) {
    Pointer duringDone = Pointer::Default;
    p.ui.whileMessageShows = [&] { duringDone = form2().pointer(); };
    save();
    EXPECT_EQ(p.access.calls,
              (Lines{"create", "open C:\\Data\\Sales.mdb|false|pw", "printer", "printers",
                     "device Office Laser", "device Drevmark PDF Writer", "printer = Drevmark PDF Writer",
                     // the unchecked report between them causes nothing
                     "create Software\\Drevmark PDF Writer", "write OutputFile=C:\\Out\\A.pdf",
                     "write BypassSaveAs=1", "close Software\\Drevmark PDF Writer",
                     "print A on Drevmark PDF Writer (0,0)", "create Software\\Drevmark PDF Writer",
                     "write OutputFile=C:\\Out\\B.pdf", "write BypassSaveAs=1",
                     "close Software\\Drevmark PDF Writer", "print B on Drevmark PDF Writer (0,0)", "close",
                     "printer = Office Laser", "quit 1", "release"}));
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_EQ(p.ui.messages[0].text, "Done.");
    EXPECT_EQ(p.ui.messages[0].caption, "Calvenor");
    EXPECT_EQ(p.ui.messages[0].icon, platform::MessageIcon::None);
    EXPECT_EQ(duringDone, Pointer::Hourglass);
    EXPECT_EQ(form2().pointer(), Pointer::Default);
}

TEST_F(ExportTest, AFolderThatIsNotThereIsSaidAndNothingElseHappens) {
    for (const char* folder : {"", "C:\\Nowhere\\", "C:\\Data\\Sales.mdb"}) {
        p.ui.messages.clear();
        form2().textBox("Text1").setText(folder);
        p.access.calls.clear();
        save();
        EXPECT_EQ(reports(), Lines{"Folder does not exist. Please select another folder."}) << folder;
        EXPECT_TRUE(p.access.calls.empty());
        EXPECT_EQ(form2().pointer(), Pointer::Default);
    }
}

TEST_F(ExportTest, NothingCheckedStillOpensAndClosesTheDatabaseAndSaysDoneWithoutTouchingTheRegistry) {
    form2().button("PushButton4").click();  // "Uncheck All"
    save();
    EXPECT_EQ(p.access.calls.at(1), "open C:\\Data\\Sales.mdb|false|pw");
    EXPECT_TRUE(outputs().empty());
    EXPECT_EQ(std::count_if(p.access.calls.begin(), p.access.calls.end(),
                            [](const std::string& c) { return c.starts_with("create Software"); }),
              0);
    EXPECT_EQ(p.access.calls.back(), "release");
    EXPECT_EQ(reports(), Lines{"Done."});
}

TEST_F(ExportTest, EachFailureIsReportedAtItsStepAndNeverYieldsPaperAFalseDoneOrAnOverwrittenFile) {
    struct Case {
        const char* what;
        std::function<void(fakes::FakeProgram&)> arrange;
        Lines reports;  // "<step> <description>", then what the run said besides
        Lines outputs;
    };
    const Lines bothPrinted{"write OutputFile=C:\\Out\\A.pdf", "print A on Drevmark PDF Writer (0,0)",
                            "write OutputFile=C:\\Out\\B.pdf", "print B on Drevmark PDF Writer (0,0)"};
    const Lines bothAsPdf{"output A as PDF Format (*.pdf) to C:\\Out\\A.pdf",
                          "output B as PDF Format (*.pdf) to C:\\Out\\B.pdf"};
    const std::vector<Case> cases{
        {"no PDF printer: Access writes the PDF files itself",
         [](auto& p) { p.access.printers = {"Office Laser"}; },
         {"Done."},
         bothAsPdf},
        {"a printer named so but for letter case is not the PDF printer",
         [](auto& p) { p.access.printers = {"drevmark pdf writer"}; },
         {"Done."},
         bothAsPdf},
        {"a printer whose name cannot be read is not chosen",
         [](auto& p) {
             p.access.printers = {"Drevmark PDF Writer"};
             p.access.failAt = "device Drevmark PDF Writer";
         },
         {"116 Access failed at device Drevmark PDF Writer", "Done."},
         bothAsPdf},
        {"Access cannot start",
         [](auto& p) { p.access.failAt = "create"; },
         {"106 Access failed at create"},
         {}},
        {"the database does not open",
         [](auto& p) { p.access.failAt = "open"; },
         {"108 Not a valid password."},
         {}},
        {"the printer key cannot be created",
         [](auto& p) { p.registry.failCreating = "Software\\Drevmark PDF Writer"; },
         {"132 Access is denied.", "132 Access is denied.", "Done."},
         {}},
        {"the output file cannot be named to the printer",
         [](auto& p) { p.registry.failWriting = "OutputFile"; },
         {"136 Access is denied.", "136 Access is denied.", "Done."},
         {}},
        {"the switch cannot be written",
         [](auto& p) { p.registry.failWriting = "BypassSaveAs"; },
         {"140 Access is denied.", "140 Access is denied.", "Done."},
         {"write OutputFile=C:\\Out\\A.pdf", "write OutputFile=C:\\Out\\B.pdf"}},
        {"one report fails to print; the others are still saved",
         [](auto& p) { p.access.failAt = "print A on Drevmark PDF Writer (0,0)"; },
         {"148 Access failed at print A on Drevmark PDF Writer (0,0)", "Done."},
         bothPrinted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        p.access.calls.clear();
        p.ui.messages.clear();
        p.access.printers = {"Office Laser", "Drevmark PDF Writer"};
        p.access.failAt.reset();
        p.registry.failCreating.reset();
        p.registry.failWriting.reset();
        c.arrange(p);
        save();
        Lines said;
        for (const auto& report : reports()) {
            const auto at = report.find(kSave);
            said.push_back(at == std::string::npos ? report
                                                   : report.substr(at + std::strlen(kSave)) + " " +
                                                         report.substr(0, report.find("\r\n")));
        }
        EXPECT_EQ(said, c.reports);
        EXPECT_EQ(outputs(), c.outputs);
        EXPECT_EQ(form2().pointer(), Pointer::Default);
        if (!p.access.calls.empty() && p.access.failAt != "create") {
            EXPECT_EQ(p.access.calls.back(), "release") << "Access is never left running";
        }
    }
}

TEST_F(ExportTest, TheFolderIsReadAgainForEveryReport) {
    p.files.addFolder("C:\\Other");
    int rounds = 0;
    p.ui.duringEvents = [&] {
        if (++rounds == 5) form2().textBox("Text1").setText("C:\\Other");  // after the first report
    };
    save();
    EXPECT_EQ(outputs(),
              (Lines{"write OutputFile=C:\\Out\\A.pdf", "print A on Drevmark PDF Writer (0,0)",
                     "write OutputFile=C:\\Other\\B.pdf", "print B on Drevmark PDF Writer (0,0)"}));
}

TEST_F(ExportTest, ASecondCommandWhileTheExportRunsIsIgnored) {
    p.ui.duringEvents = [&] {
        p.ui.duringEvents = nullptr;
        save();
        form1().button("PushButton3").click();  // "Next >" would refill the list being walked
    };
    save();
    EXPECT_EQ(std::count(p.access.calls.begin(), p.access.calls.end(), "create"), 1);
    EXPECT_EQ(list().count(), 3);
    EXPECT_EQ(reports(), Lines{"Done."});
}

TEST(OutputFileNames, KeepNamesAFileCanHoldAndMakeTheRestSafeAndDistinct) {
    struct Case {
        FileNameRules rules;
        char separator;
        const char* folder;
        Lines reports, paths;
    };
    using enum FileNameRules;
    const std::vector<Case> cases{
        {Windows, '\\', "C:\\Out", {"A"}, {"C:\\Out\\A.pdf"}},
        {Windows,
         '\\',
         "C:\\Out\\",
         {"Sales by Month", " Ä é "},
         {"C:\\Out\\Sales by Month.pdf", "C:\\Out\\ Ä é_.pdf"}},
        {Windows,
         '\\',
         "C:\\",
         {"a\\b/c:d*e?f\"g<h>i|j", "..\\..\\x", "end."},
         {"C:\\a_b_c_d_e_f_g_h_i_j.pdf", "C:\\.._.._x.pdf", "C:\\end_.pdf"}},
        {Windows,
         '\\',
         "C:\\",
         {"CON", "nul.txt", "Com1", "COM10", "Console"},
         {"C:\\_CON.pdf", "C:\\_nul.txt.pdf", "C:\\_Com1.pdf", "C:\\COM10.pdf", "C:\\Console.pdf"}},
        {Windows,
         '\\',
         "C:\\",
         {"a/b", "a_b", "A_B", "a_b (2)"},
         {"C:\\a_b.pdf", "C:\\a_b (2).pdf", "C:\\A_B (3).pdf", "C:\\a_b (2) (2).pdf"}},
        {Posix,
         '/',
         "/home/ann/Out",
         {"a/b", "a\\b", "../../etc/x", "CON", "end. "},
         {"/home/ann/Out/a_b.pdf", "/home/ann/Out/a\\b.pdf", "/home/ann/Out/.._.._etc_x.pdf",
          "/home/ann/Out/CON.pdf", "/home/ann/Out/end. .pdf"}},
        {Posix, '/', "/out/", {"a/b", "a_b", "A_B"}, {"/out/a_b.pdf", "/out/a_b (2).pdf", "/out/A_B.pdf"}},
    };
    for (const auto& c : cases) {
        OutputFileNames names{c.rules, c.separator};
        Lines paths;
        for (const auto& report : c.reports) paths.push_back(names.pathFor(c.folder, report));
        EXPECT_EQ(paths, c.paths) << c.folder;
    }
}

class FolderChooserTest : public ExportTest {
  protected:
    void choose(const std::string& folder) {
        p.ui.chosenFolder = folder;
        form2().button("PushButton7").click();
    }
    std::string field() { return form2().textBox("Text1").text(); }
};

TEST_F(FolderChooserTest, OpensAtTheLastChosenFolderAndPutsTheChoiceInTheFieldWithOneSeparator) {
    choose("C:\\Data");
    EXPECT_EQ(p.ui.folderChoosersShown.back(),
              (std::pair<std::string, std::string>{"Please select folder:", ""}));
    EXPECT_EQ(field(), "C:\\Data\\");
    EXPECT_EQ(p.setting("Location"), "C:\\Data\\");
    EXPECT_EQ(p.setting("LastFolderDot"), "C:\\Data");

    form2().textBox("Text1").setText("D:\\Typed\\");
    choose("C:\\");
    EXPECT_EQ(p.ui.folderChoosersShown.back().second, "C:\\Data") << "not the field's text";
    EXPECT_EQ(field(), "C:\\");
    EXPECT_EQ(p.setting("LastFolderDot"), "C:\\");

    const auto writes = p.registry.writes.size();
    choose("");  // Cancel
    EXPECT_EQ(p.ui.folderChoosersShown.back().second, "C:\\");
    EXPECT_EQ(field(), "C:\\");
    EXPECT_EQ(p.registry.writes.size(), writes);
    EXPECT_TRUE(p.ui.messages.empty());
}

TEST_F(FolderChooserTest, AChooserThatFailsIsReportedAtLine100AndChangesNothing) {
    p.ui.folderChooserFailure = "Unable to create the dialog";
    choose("C:\\Data");
    EXPECT_EQ(
        reports(),
        Lines{"Unable to create the dialog\r\nin Ostrevan2021/08/31.Form2.PushButton7_Click at line 100"});
    EXPECT_EQ(field(), kOut);
}

struct NamedPrinters : platform::Printers {
    Lines names;
    std::vector<std::string> deviceNames() override { return names; }
};

TEST(CheckPdfPrinter, SaysHowToInstallThePrinterOnlyWhenNoneBearsItsExactName) {
    const std::string instructions =
        "Drevmark PDF Writer is not installed. Please follow these instructions:\r\n\r\n"
        "1) Go to Control Panel -> Printers and Faxes to add a local printer.\r\n"
        "2) Choose ''CPW2: (Drevmark PDF Writer)'' on Select a Printer Port dialog box, click Next.\r\n"
        "3) Choose a Postscript printer (e.g. HP Color LaserJet PS), click Next.\r\n"
        "4) Enter Drevmark PDF Writer as Printer name, click Next -> Finish.";
    const std::vector<std::pair<Lines, bool>> cases{{{"Laser", "Drevmark PDF Writer"}, false},
                                                    {{"drevmark pdf writer", "Drevmark PDF Writer 2"}, true},
                                                    {{}, true}};
    for (const auto& [names, told] : cases) {
        fakes::FakeUi ui;
        ui.setApplicationTitle("Calvenor");
        NamedPrinters printers;
        printers.names = names;
        CheckPdfPrinter(printers, ui);
        ASSERT_EQ(ui.messages.size(), told ? 1u : 0u);
        if (!told) continue;
        EXPECT_EQ(ui.messages[0].text, instructions);
        EXPECT_EQ(ui.messages[0].caption, "Calvenor");
        EXPECT_EQ(ui.messages[0].buttons, platform::MessageButtons::Ok);
        EXPECT_EQ(ui.messages[0].icon, platform::MessageIcon::None);
    }
}

}  // namespace
}  // namespace calvenor
