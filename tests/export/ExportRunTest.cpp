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
            // The closing message by its first line: what it says besides has a test of its own.
            said.push_back(at == std::string::npos ? report.substr(0, report.find("\r\n"))
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

TEST_F(ExportTest, AFolderThatCannotTakeTheFilesIsNamedWithTheReasonBeforeAnythingIsDrawn) {
    p.files.unwritable[kOut] = "no file can be written there (Permission denied)";
    save();
    EXPECT_EQ(reports(),
              Lines{"The folder \"C:\\Out\\\" cannot take the PDF files: no file can be written there "
                    "(Permission denied).\r\n\r\nPlease select another folder."});
    EXPECT_TRUE(p.access.calls.empty());
}

TEST_F(ExportTest, TheClosingMessageCountsApproximationsAndNamesFailuresWithTheWholeListInTheFolder) {
    struct Case {
        Lines reports;
        std::function<void(fakes::FakeProgram&)> arrange;
        std::string message, file;
    };
    const std::string list =
        "\r\n\r\nThe whole list, with what each approximation leaves out, is in "
        "\"C:\\Out\\Calvenor results.txt\".";
    const std::string denied = ": step 136: Access is denied.\n";
    const std::vector<Case> cases{
        {{"A", "B", "C"},
         [](auto& p) {
             p.drawn.notes["C:\\Out\\A.pdf"] = "a chart is not drawn";
             p.access.failAt = "print B on Drevmark PDF Writer (0,0)";
         },
         "Done.\r\n\r\nSaved 2 of 3 reports; 1 is an approximation, with something left out that cannot be "
         "drawn here.\r\n\r\n1 report failed, and no file was written for it:\r\nB: Access failed at print B "
         "on Drevmark PDF Writer (0,0)" +
             list,
         "approximated: A: a chart is not drawn\nfailed: B: step 148: Access failed at print B on Drevmark "
         "PDF "
         "Writer (0,0)\nsaved: C\n"},
        {{"R1", "R2", "R3", "R4", "R5", "R6", "R7"},
         [](auto& p) { p.registry.failWriting = "OutputFile"; },
         "Done.\r\n\r\nSaved 0 of 7 reports.\r\n\r\n7 reports failed, and no file was written for them:"
         "\r\nR1: Access is denied.\r\nR2: Access is denied.\r\nR3: Access is denied.\r\nR4: Access is "
         "denied.\r\nR5: Access is denied.\r\n... and 2 more." +
             list,
         "failed: R1" + denied + "failed: R2" + denied + "failed: R3" + denied + "failed: R4" + denied +
             "failed: R5" + denied + "failed: R6" + denied + "failed: R7" + denied},
    };
    for (const auto& c : cases) {
        p.access.reports = c.reports;
        form2().button("PushButton2").click();
        form1().button("PushButton3").click();  // "Next >" lists them, all checked
        c.arrange(p);
        p.ui.messages.clear();
        save();
        EXPECT_EQ(p.ui.messages.back().text, c.message);
        EXPECT_EQ(p.files.textFiles["C:\\Out\\Calvenor results.txt"], c.file);
    }
}

TEST_F(ExportTest, TheCaptionShowsWhichReportIsBeingSavedAndReturnsAtTheEnd) {
    const std::string caption = form2().caption();
    Lines during;
    p.ui.duringEvents = [&] {
        if (during.empty() || during.back() != form2().caption()) during.push_back(form2().caption());
    };
    save();
    EXPECT_EQ(during,
              (Lines{caption, caption + " \u2014 saving 1 of 2: A", caption + " \u2014 saving 2 of 2: B"}));
    EXPECT_EQ(form2().caption(), caption);
}

TEST_F(ExportTest, ThePrinterValuesAreLockedFromTheirWritingUntilTheReportIsPrinted) {
    p.printerValues.journal = &p.access.calls;
    save();
    Lines locked;
    std::copy_if(
        p.access.calls.begin(), p.access.calls.end(), std::back_inserter(locked),
        [](const std::string& c) { return c == "lock" || c == "unlock" || c.starts_with("print "); });
    EXPECT_EQ(locked, (Lines{"lock", "print A on Drevmark PDF Writer (0,0)", "unlock", "lock",
                             "print B on Drevmark PDF Writer (0,0)", "unlock"}));
    const Lines takingTheKey{"lock", "create Software\\Drevmark PDF Writer"};
    EXPECT_NE(
        std::search(p.access.calls.begin(), p.access.calls.end(), takingTheKey.begin(), takingTheKey.end()),
        p.access.calls.end());
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

TEST(OutputFileNames, KeepNamesAFileCanHoldAndMakeTheRestSafeVisibleAndDistinct) {
    struct Case {
        FileNameRules rules;
        Lines reports, names;
    };
    using enum FileNameRules;
    const std::vector<Case> cases{
        {Windows, {"Sales by Month", " Ä é "}, {"Sales by Month", " Ä é_"}},
        {Windows,
         {"a\\b/c:d*e?f\"g<h>i|j", "..\\..\\x", "end.", "", ".hidden", ".."},
         {"a_b_c_d_e_f_g_h_i_j", "_.._.._x", "end_", "_", "_.hidden", "__"}},
        {Windows,
         {"CON", "nul.txt", "Com1", "lpt9 ", "COM10", "Console"},
         {"_CON", "_nul.txt", "_Com1", "lpt9_", "COM10", "Console"}},
        {Windows, {"a/b", "a_b", "A_B", "a_b (2)"}, {"a_b", "a_b (2)", "A_B (3)", "a_b (2) (2)"}},
        {Posix,
         {"a/b", "a\\b", "../../etc/x", "CON", "end. ", "..", "", ".hidden"},
         {"a_b", "a\\b", "_.._.._etc_x", "CON", "end. ", "_..", "_", "_.hidden"}},
        {Posix, {"a/b", "a_b", "A_B"}, {"a_b", "a_b (2)", "A_B"}},
    };
    for (const auto& c : cases) EXPECT_EQ(reportFileNames(c.reports, c.rules), c.names) << c.reports[0];
    EXPECT_EQ(outputPath("C:\\Out", '\\', "A"), "C:\\Out\\A.pdf");
    EXPECT_EQ(outputPath("/out/", '/', "A"), "/out/A.pdf");
}

TEST_F(ExportTest, AReportKeepsItsFileWhicheverReportsARunSaves) {
    p.access.reports = {"a/b", "a_b", "c"};
    form2().button("PushButton2").click();  // "< Back", then "Next >" lists the new reports
    form1().button("PushButton3").click();
    list().setChecked(1, false);
    save();
    for (int i = 1; i <= 3; ++i) list().setChecked(i, i != 3);
    save();
    Lines files = outputs();
    std::erase_if(files, [](const std::string& call) { return !call.starts_with("write"); });
    EXPECT_EQ(files, (Lines{"write OutputFile=C:\\Out\\a_b (2).pdf", "write OutputFile=C:\\Out\\c.pdf",
                            "write OutputFile=C:\\Out\\a_b.pdf", "write OutputFile=C:\\Out\\a_b (2).pdf"}));
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
