// The report list page as the user meets it: the real pages on the Qt backend over the real database
// engine, reached by "Next >" on the sample database (and on a protected one of our own), checked
// against its layout at 96 dpi and driven with the mouse and with the keyboard alone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "DatabaseFile.h"
#include "Model.h"
#include "app/Settings.h"
#include "pages/Form1.h"
#include "pages/Form2.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/JetAdo.h"
#include "platform/posix/FileRegistry.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtWindow.h"
#include "program/Program.h"
#include "tests/fakes/FakeDevices.h"
#include "tests/fakes/FakeShell.h"
#include "tests/platform/jet/TestFiles.h"
#include "tests/platform/qt/Keyboard.h"
#include "tests/platform/qt/ModalAnswerer.h"
#include "tests/platform/qt/PageLayoutCheck.h"
#include "tests/platform/qt/QtPrinting.h"
#include "tests/platform/qt/SampleReports.h"
#include "tests/support/NoPrintQueues.h"

namespace {

std::vector<std::string> allMarked(const std::vector<std::string>& names, const char* mark) {
    std::vector<std::string> shown;
    for (const auto& name : names) shown.push_back(mark + name);
    return shown;
}

// Answers the input box as a user does: types the text into its field and presses Enter.
ModalAnswerer answerInputBox(const QString& text) {
    return ModalAnswerer{[text](QWidget& modal) {
        auto* box = qobject_cast<QInputDialog*>(&modal);
        auto* edit = box != nullptr ? box->findChild<QLineEdit*>() : nullptr;
        if (edit == nullptr || !edit->hasFocus()) return false;
        typeText(*edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        return true;
    }};
}

class Form2OnQt : public ::testing::Test {
  protected:
    Form2OnQt() {
        shell.programFolderPath = CALVENOR_HELPER_DIR;  // the hand cursor file is there
        shell.desktopFolderPath = desktop.path().string();
    }

    void start() {
        program.start();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form1()));
    }

    QWidget& form1() { return dynamic_cast<platform::qt::QtWindow&>(program.form1().window()).widget(); }
    // Only once "Next >" has brought the page into being.
    QWidget& form2() { return dynamic_cast<platform::qt::QtWindow&>(program.form2().window()).widget(); }

    template <class Widget>
    static Widget& child(QWidget& window, const char* name) {
        auto* widget = window.findChild<Widget*>(QString::fromLatin1(name));
        if (widget == nullptr) throw std::runtime_error(std::string{"no widget "} + name);
        return *widget;
    }

    // "Next >" clicked on the first page with the path and the password in its fields; then the
    // report list page, once it is active.
    void next(const std::string& path, const std::string& password = "") {
        child<QLineEdit>(form1(), "Text1").setText(QString::fromStdString(path));
        child<QLineEdit>(form1(), "Text2").setText(QString::fromStdString(password));
        child<QPushButton>(form1(), "PushButton3").click();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form2()));
    }

    // A closed dialog gives the keyboard back to the page under X, with or without a window manager;
    // Qt's offscreen platform leaves no window active, so the test gives it back.
    void returnFromDialog() {
        form2().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form2()));
    }

    void click(const char* button) { child<QPushButton>(form2(), button).click(); }

    QTreeView& list() { return child<QTreeView>(form2(), "ListView1"); }

    // The list as the user sees it, a row each: "[x] name" or "[ ] name".
    std::vector<std::string> shown() {
        std::vector<std::string> rows;
        const QAbstractItemModel& model = *list().model();
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex index = model.index(row, 0);
            const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
            rows.push_back((checked ? "[x] " : "[ ] ") + index.data().toString().toStdString());
        }
        return rows;
    }

    test_support::TemporaryFolder desktop;
    fakes::FakeShell shell;
    platform::posix::PosixFileSystem files;
    // The registry the program keeps its settings in and the PDF writer stand-in reads its job from.
    test_support::TemporaryFolder registryFolder;
    platform::posix::FileRegistry registry{registryFolder.path().string()};
    test_support::NoPrintQueues queues;
    platform::jet::JetAdo ado{jet_tests::testOptions()};
    platform::jet::JetAccess access{registry, queues, jet_tests::testOptions()};
    platform::qt::QtUi ui;
    fakes::FakePrinters printers;
    fakes::FakeSkin skin;
    fakes::FakePrinterValuesLock printerValues;
    calvenor::Program program{
        {ui, shell, files, registry, ado, access, printers, skin, printerValues, &access, [] { return 0.5; }}};
    const std::string sample = CALVENOR_SAMPLE_DATABASE;
};

TEST_F(Form2OnQt, EveryControlOfTheLayoutTableStandsWhereItSaysAsItSays) {
    using namespace layout_check;
    start();
    next(sample);
    // The page loads with the button face behind its window and its frame; the list, the field and the
    // push buttons keep their own colours.
    // clang-format off
    const std::vector<Control> table{
        {"ListView1",   Kind::ListView,   "Form2",  {  8,  42, 520, 165}, "",                                 9,     true, Fill::TextField,  0},
        {"PushButton1", Kind::PushButton, "Form2",  {  8, 213, 256,  27}, "Check All",                        11.25, true, Fill::White,      1},
        {"PushButton4", Kind::PushButton, "Form2",  {272, 213, 256,  27}, "Uncheck All",                      11.25, true, Fill::White,      2},
        {"PushButton6", Kind::PushButton, "Form2",  {  8, 247, 256,  27}, "Check Entries Containing X Chars", 11.25, true, Fill::White,      3},
        {"PushButton5", Kind::PushButton, "Form2",  {272, 247, 256,  27}, "Check Entries Not Containing X",   11.25, true, Fill::White,      4},
        {"Text1",       Kind::TextBox,    "Frame2", { 15,  20, 444,  23}, "",                                 9,     true, Fill::TextField,  5},
        {"PushButton7", Kind::PushButton, "Frame2", {464,  20,  40,  23}, "...",                              11.25, true, Fill::White,      6},
        {"PushButton3", Kind::PushButton, "Form2",  {  8, 343, 520,  27}, "Save Checked Reports As PDF",      11.25, true, Fill::White,      7},
        {"PushButton2", Kind::PushButton, "Form2",  {  8,   8, 520,  27}, "< Back",                           11.25, true, Fill::White,      8},
        {"Frame2",      Kind::Frame,      "Form2",  {  8, 280, 520,  55}, "Save PDF Files To This Folder",    9,     true, Fill::ButtonFace, 9},
    };
    // clang-format on
    expectLayout(form2(), {"Form2", {536, 374}, "Calvenor", 9, true, Fill::ButtonFace}, table);
}

TEST_F(Form2OnQt, NextListsEveryReportCheckedAndBackThenNextListsThemOnceAgain) {
    const auto reports = sampleReports();
    ASSERT_EQ(reports.size(), 7u);
    start();
    next(sample);
    EXPECT_TRUE(form2().isVisible());
    EXPECT_FALSE(form1().isVisible());
    EXPECT_EQ(shown(), allMarked(reports, "[x] "));
    EXPECT_EQ(QApplication::focusWidget(), &list());
    EXPECT_EQ(child<QLineEdit>(form2(), "Text1").text().toStdString(), shell.desktopFolderPath + "/");

    click("PushButton4");  // "Uncheck All", which "< Back" keeps
    click("PushButton2");  // "< Back"
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form1()));
    EXPECT_FALSE(form2().isVisible());
    EXPECT_EQ(child<QLineEdit>(form1(), "Text1").text().toStdString(), sample);
    EXPECT_EQ(shown(), allMarked(reports, "[ ] "));

    child<QPushButton>(form1(), "PushButton3").click();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form2()));
    EXPECT_FALSE(form1().isVisible());
    EXPECT_EQ(shown(), allMarked(reports, "[x] "));
    EXPECT_EQ(list().model()->columnCount(), 1);
    EXPECT_EQ(list().model()->headerData(0, Qt::Horizontal).toString(), "Report Name");
}

TEST_F(Form2OnQt, SelectionCommandsMarkTheReportsTheInputBoxNames) {
    start();
    next(sample);
    const auto reports = sampleReports();
    // Each step: the command, what the input box is answered (nothing: no box), the marks afterwards.
    struct Step {
        const char* button;
        const char* x;
        std::vector<std::string> after;
    };
    const std::vector<Step> steps{
        {"PushButton4", nullptr, allMarked(reports, "[ ] ")},
        {"PushButton6",
         "ORDER",
         {"[ ] Customer Accounts", "[ ] Customer Labels", "[x] Orders by Customer", "[ ] Price List",
          "[ ] Product Catalogue", "[ ] Sales by Month", "[ ] Top 10 Products"}},
        // Only marks are added: the unmatched keep theirs.
        {"PushButton5",
         "customer",
         {"[ ] Customer Accounts", "[ ] Customer Labels", "[x] Orders by Customer", "[x] Price List",
          "[x] Product Catalogue", "[x] Sales by Month", "[x] Top 10 Products"}},
        {"PushButton4", nullptr, allMarked(reports, "[ ] ")},
        {"PushButton6", "", allMarked(reports, "[x] ")},  // an empty X is in every name
        {"PushButton4", nullptr, allMarked(reports, "[ ] ")},
        {"PushButton5", "", allMarked(reports, "[ ] ")},
        {"PushButton1", nullptr, allMarked(reports, "[x] ")},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string{step.button} + " " + (step.x ? step.x : "(no input box)"));
        // A command without an input box must open no dialog at all: one would stay unanswered.
        const auto answerer = step.x != nullptr ? answerInputBox(QString::fromUtf8(step.x))
                                                : ModalAnswerer{[](QWidget&) { return false; }};
        click(step.button);
        EXPECT_EQ(answerer.answered(), step.x != nullptr ? 1 : 0);
        EXPECT_TRUE(answerer.rejected().empty());
        EXPECT_EQ(shown(), step.after);
    }
}

TEST_F(Form2OnQt, KeyboardAloneOpensAProtectedDatabaseAndWalksTheListPage) {
    test_support::TemporaryFolder folder;
    mkmdb::Database database;
    database.password = "Kö;9 x";
    database.reports = {"Alpha", "Beta", "Gamma"};
    const std::string path = folder / "Protected ünïcode.mdb";
    mkmdb::writeDatabaseFile(database, path, mkmdb::Overwrite::Refuse);

    start();
    ASSERT_EQ(QApplication::focusWidget(), &child<QLineEdit>(form1(), "Text1"));
    typeText(*QApplication::focusWidget(), QString::fromStdString(path));
    EXPECT_EQ(layout_check::tabWalk(2), (std::vector<std::string>{"PushButton5", "Text2"}));
    typeText(*QApplication::focusWidget(), QString::fromUtf8("Kö;9 x"));
    EXPECT_EQ(layout_check::tabWalk(1), std::vector<std::string>{"PushButton3"});
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);  // "Next >"

    ASSERT_TRUE(QTest::qWaitForWindowActive(&form2()));
    EXPECT_FALSE(form1().isVisible());
    EXPECT_EQ(shown(), (std::vector<std::string>{"[x] Alpha", "[x] Beta", "[x] Gamma"}));
    ASSERT_EQ(QApplication::focusWidget(), &list());
    QTest::keyClick(&list(), Qt::Key_Down);
    QTest::keyClick(&list(), Qt::Key_Space);
    EXPECT_EQ(shown(), (std::vector<std::string>{"[x] Alpha", "[ ] Beta", "[x] Gamma"}));

    // Tab reaches the commands in their tab order; Enter and Space press the one that has the focus.
    struct Press {
        const char* button;
        Qt::Key key;
        const char* x;  // the input box's answer; none: the command has no input box
        std::vector<std::string> after;
    };
    const Press presses[] = {
        {"PushButton1", Qt::Key_Return, nullptr, {"[x] Alpha", "[x] Beta", "[x] Gamma"}},
        {"PushButton4", Qt::Key_Space, nullptr, {"[ ] Alpha", "[ ] Beta", "[ ] Gamma"}},
        {"PushButton6", Qt::Key_Enter, "mm", {"[ ] Alpha", "[ ] Beta", "[x] Gamma"}},
        {"PushButton5", Qt::Key_Space, "ph", {"[ ] Alpha", "[x] Beta", "[x] Gamma"}},
    };
    for (const Press& press : presses) {
        SCOPED_TRACE(press.button);
        EXPECT_EQ(layout_check::tabWalk(1), std::vector<std::string>{press.button});
        const auto answerer = press.x != nullptr ? answerInputBox(QString::fromUtf8(press.x))
                                                 : ModalAnswerer{[](QWidget&) { return false; }};
        QTest::keyClick(QApplication::focusWidget(), press.key);
        if (press.x != nullptr) returnFromDialog();
        EXPECT_EQ(answerer.answered(), press.x != nullptr ? 1 : 0);
        EXPECT_TRUE(answerer.rejected().empty());
        EXPECT_EQ(shown(), press.after);
    }

    // The output folder is typed into its field, and remembered as typed.
    EXPECT_EQ(layout_check::tabWalk(1), std::vector<std::string>{"Text1"});
    auto& field = child<QLineEdit>(form2(), "Text1");
    const QString typed = QString::fromStdString(folder / "Typed ü");
    QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
    typeText(field, typed);
    EXPECT_EQ(field.text(), typed);
    EXPECT_EQ(calvenor::Settings{registry}.GetSetting(calvenor::Settings::kLocation, ""),
              typed.toStdString());

    // "..." by the keyboard: a folder typed into the chooser and Enter put it into the field, with one
    // trailing separator.
    EXPECT_EQ(layout_check::tabWalk(1), std::vector<std::string>{"PushButton7"});
    const QString chosen = QString::fromStdString(folder.path().string());
    {
        const ModalAnswerer chooser{[&](QWidget& modal) {
            auto* nameField = modal.findChild<QLineEdit*>("fileNameEdit");
            if (qobject_cast<QFileDialog*>(&modal) == nullptr || nameField == nullptr ||
                !nameField->hasFocus())
                return false;
            typeText(*nameField, chosen);
            QTest::keyClick(nameField, Qt::Key_Return);
            return true;
        }};
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        returnFromDialog();
        EXPECT_EQ(chooser.answered(), 1);
        EXPECT_TRUE(chooser.rejected().empty());
    }
    EXPECT_EQ(field.text(), chosen + "/");

    // Past the export and "< Back" the focus comes round to the list; Shift+Tab goes back to "< Back",
    // which Enter presses.
    EXPECT_EQ(layout_check::tabWalk(3),
              (std::vector<std::string>{"PushButton3", "PushButton2", "ListView1"}));
    QTest::keyClick(&list(), Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), &child<QPushButton>(form2(), "PushButton2"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form1()));
    EXPECT_FALSE(form2().isVisible());
}

// The export as the user runs it: reports unchecked in the list, a fresh folder typed into the field,
// "Save Checked Reports As PDF" pressed with Space; "Done." comes while the hourglass is up.
TEST_F(Form2OnQt, SaveByKeyboardWritesOnePdfPerCheckedReportIntoTheTypedFolder) {
    REQUIRE_TEST_FILE("asample.accdb");
    test_support::TemporaryFolder folder;
    const std::string out = folder / "Out ü";
    std::filesystem::create_directory(out);

    start();
    next(jet_tests::testFile("asample.accdb"));
    ASSERT_EQ(shown(), (std::vector<std::string>{"[x] rptAssetListingInNumberOrder",
                                                 "[x] rptAssetsGroupedByOwners", "[x] rptGSTPaidByMonth"}));
    ASSERT_EQ(QApplication::focusWidget(), &list());
    QTest::keyClick(&list(), Qt::Key_Down);
    QTest::keyClick(&list(), Qt::Key_Space);  // "rptAssetsGroupedByOwners" stays behind
    ASSERT_EQ(shown(), (std::vector<std::string>{"[x] rptAssetListingInNumberOrder",
                                                 "[ ] rptAssetsGroupedByOwners", "[x] rptGSTPaidByMonth"}));
    EXPECT_EQ(layout_check::tabWalk(5).back(), "Text1");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    typeText(*QApplication::focusWidget(), QString::fromStdString(out + "/"));
    EXPECT_EQ(layout_check::tabWalk(2).back(), "PushButton3");

    QString said;
    Qt::CursorShape pointerWhileSaid = Qt::ArrowCursor, fieldPointerWhileSaid = Qt::ArrowCursor;
    {
        const ModalAnswerer done{[&](QWidget& modal) {
            auto* box = qobject_cast<QMessageBox*>(&modal);
            if (box == nullptr) return false;
            said = box->text();
            pointerWhileSaid = form2().cursor().shape();
            fieldPointerWhileSaid = child<QLineEdit>(form2(), "Text1").cursor().shape();
            QTest::keyClick(box, Qt::Key_Return);
            return true;
        }};
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        EXPECT_EQ(done.answered(), 1);
        EXPECT_TRUE(done.rejected().empty()) << done.rejected().front();
    }
    EXPECT_EQ(said, "Done.");
    EXPECT_EQ(pointerWhileSaid, Qt::WaitCursor);
    EXPECT_EQ(fieldPointerWhileSaid, Qt::WaitCursor);
    // The default pointer again: the arrow, and the I-beam over the folder field.
    EXPECT_EQ(form2().cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(child<QLineEdit>(form2(), "Text1").cursor().shape(), Qt::IBeamCursor);

    // Each checked report under its own name; nothing for the unchecked one, nothing else.
    std::set<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator{out}) {
        const std::string name = entry.path().filename().string();
        written.insert(name);
        std::ifstream pdf{entry.path(), std::ios::binary};
        std::string start(5, '\0');
        pdf.read(start.data(), 5);
        EXPECT_EQ(start, "%PDF-") << name;
    }
    EXPECT_EQ(written, (std::set<std::string>{"rptAssetListingInNumberOrder.pdf", "rptGSTPaidByMonth.pdf"}));

    const QString screenshots = QStringLiteral(CALVENOR_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(screenshots));
    EXPECT_TRUE(form2().grab().save(screenshots + QStringLiteral("/form2-after-save.png")));
}

// A report drawn with something left out and one that cannot be drawn: the failure is reported as it
// happens, and "Done." then says what became of each, naming the list in the folder.
TEST_F(Form2OnQt, TheClosingMessageTellsApproximationsAndFailuresOfARealFile) {
    REQUIRE_TEST_FILE("reports/insideout-ch8-reports-jet4.mdb");
    test_support::TemporaryFolder folder;
    start();
    next(jet_tests::testFile("reports/insideout-ch8-reports-jet4.mdb"));
    auto& reports = program.form2().ListView1();
    for (int i = 1; i <= reports.count(); ++i) {
        const std::string name = reports.itemText(i);
        reports.setChecked(i, name == "rptEvents" || name == "rptCustomerGrid");
    }
    // A folder where rptCustomerGrid's file would go makes that report fail as it is written.
    std::filesystem::create_directory(folder.path() / "rptCustomerGrid.pdf");
    program.form2().Text1().setText(folder.path().string() + "/");
    std::vector<QString> said;
    {
        const ModalAnswerer boxes{[&](QWidget& modal) {
            auto* box = qobject_cast<QMessageBox*>(&modal);
            if (box == nullptr) return false;
            said.push_back(box->text());
            QTest::keyClick(box, Qt::Key_Return);
            return said.back().startsWith("Done.");  // the error report comes first
        }};
        click("PushButton3");
    }
    ASSERT_EQ(said.size(), 2u);
    EXPECT_TRUE(said[0].contains("Cannot replace the file")) << said[0].toStdString();
    EXPECT_TRUE(said[1].startsWith("Done.")) << said[1].toStdString();
    EXPECT_TRUE(said[1].contains("1 is an approximation")) << said[1].toStdString();
    EXPECT_TRUE(said[1].contains("1 report failed")) << said[1].toStdString();
    EXPECT_EQ(test_support::namesIn(folder.path()),
              (std::vector<std::string>{"Calvenor results.txt", "rptCustomerGrid.pdf", "rptEvents.pdf"}));
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "rptCustomerGrid.pdf"));
    EXPECT_EQ(form2().windowTitle(), "Calvenor") << "the progress leaves the caption";
}

TEST_F(Form2OnQt, Screenshot) {
    start();
    next(sample);
    QTest::keyClick(&list(), Qt::Key_Down);
    QTest::keyClick(&list(), Qt::Key_Space);
    QApplication::processEvents();
    const QString folder = QStringLiteral(CALVENOR_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(form2().grab().save(folder + QStringLiteral("/form2.png")));
}

}  // namespace
