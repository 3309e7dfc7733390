// Message boxes, the open-file dialog and untrapped failures on the Qt backend, each answered from a
// timer as a user would answer them.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/ErrorReport.h"
#include "platform/Failure.h"
#include "platform/qt/OpenFileFilter.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtWindow.h"
#include "tests/platform/qt/Keyboard.h"
#include "tests/platform/qt/ModalAnswerer.h"
#include "tests/platform/qt/QtPrinting.h"

namespace {

using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;

// What a message box showed, and the button names it offered.
struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    std::vector<std::string> buttons;
};

// Answers the next message box with the button of the given standard kind, recording what it showed.
ModalAnswerer answerBox(SeenBox& seen, QMessageBox::StandardButton press) {
    return ModalAnswerer{[&seen, press](QWidget& modal) {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        if (box == nullptr) return false;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* button : box->buttons())
            seen.buttons.push_back(button->text().remove('&').toStdString());
        QAbstractButton* target = box->button(press);
        if (target == nullptr) return false;
        target->click();
        return true;
    }};
}

TEST(QtMessageBox, ErrorReportShowsItsLinesUnderItsTitleWithTheExclamationIconAndOk) {
    platform::qt::QtUi ui;
    ui.setApplicationTitle("Calvenor");
    SeenBox seen;
    const auto answerer = answerBox(seen, QMessageBox::Ok);
    calvenor::ErrorReport{ui}.show("Disk full", "in Ostrevan2021/08/31.Form1.PushButton1_Click ", 100);

    EXPECT_EQ(answerer.answered(), 1);
    EXPECT_TRUE(answerer.rejected().empty());
    EXPECT_EQ(seen.title, "Application Error");
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons, (std::vector<std::string>{"OK"}));
    // The bare carriage returns are line breaks too: four lines, the third empty.
    EXPECT_EQ(seen.text.split('\n'),
              (QStringList{"Disk full", "in Ostrevan2021/08/31.Form1.PushButton1_Click at line 100", "",
                           "Please email screenshot of this message to support@drevmark.com"}));
}

TEST(QtMessageBox, EmptyCaptionShowsTheApplicationTitleAndYesNoAnswersWhatWasPressed) {
    platform::qt::QtUi ui;
    ui.setApplicationTitle("Calvenor");
    EXPECT_EQ(ui.applicationTitle(), "Calvenor");
    {
        SeenBox seen;
        const auto answerer = answerBox(seen, QMessageBox::No);
        EXPECT_EQ(ui.messageBox("Install it now?", "", MessageButtons::YesNo, MessageIcon::None),
                  MessageAnswer::No);
        EXPECT_EQ(seen.title, "Calvenor");
        EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
        EXPECT_EQ(seen.buttons.size(), 2u);
        EXPECT_EQ(seen.text, "Install it now?");
    }
    {
        SeenBox seen;
        const auto answerer = answerBox(seen, QMessageBox::Yes);
        EXPECT_EQ(ui.messageBox("<b>Done.</b>", "Own", MessageButtons::YesNo, MessageIcon::None),
                  MessageAnswer::Yes);
        EXPECT_EQ(seen.title, "Own");
        EXPECT_EQ(seen.text, "<b>Done.</b>");  // shown as it is, not as markup
    }
}

// How the user leaves a dialog after typing.
enum class Leave { EnterKey, OkButton, CancelButton, EscapeKey, CloseBox };

// Leaves the dialog as the user does once its field holds the text.
void leave(QDialog& dialog, QWidget& field, Leave how) {
    const auto press = [&dialog](QDialogButtonBox::ButtonRole role) {
        auto& buttons = *dialog.findChild<QDialogButtonBox*>();
        for (QAbstractButton* button : buttons.buttons())
            if (buttons.buttonRole(button) == role) button->click();
    };
    switch (how) {
        case Leave::EnterKey:
            QTest::keyClick(&field, Qt::Key_Return);
            break;
        case Leave::OkButton:
            press(QDialogButtonBox::AcceptRole);
            break;
        case Leave::CancelButton:
            press(QDialogButtonBox::RejectRole);
            break;
        case Leave::EscapeKey:
            QTest::keyClick(&field, Qt::Key_Escape);
            break;
        case Leave::CloseBox:
            dialog.close();
            break;
    }
}

TEST(QtInputBox, AnswersTheTypedTextOnOkAndTheEmptyTextOtherwise) {
    platform::qt::QtUi ui;
    ui.setApplicationTitle("Calvenor");
    struct Case {
        Leave leave;
        const char* typed;
        const char* answer;
    };
    const Case cases[] = {
        {Leave::EnterKey, "Größe 😀 x", "Größe 😀 x"},
        {Leave::OkButton, " sal ", " sal "},  // as typed: no trimming
        {Leave::EnterKey, "", ""},
        {Leave::CancelButton, "typed", ""},
        {Leave::EscapeKey, "typed", ""},
        {Leave::CloseBox, "typed", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string{c.typed} + " left by " + std::to_string(int(c.leave)));
        QString title, prompt, startText;
        QStringList captions;
        ModalAnswerer answerer{[&](QWidget& modal) {
            auto* box = qobject_cast<QInputDialog*>(&modal);
            auto* edit = box != nullptr ? box->findChild<QLineEdit*>() : nullptr;
            if (edit == nullptr || !edit->hasFocus()) return false;
            title = box->windowTitle();
            prompt = box->findChild<QLabel*>()->text();
            startText = edit->text();
            for (const QPushButton* button : box->findChildren<QPushButton*>())
                captions += button->text().remove('&');
            typeText(*edit, QString::fromUtf8(c.typed));
            leave(*box, *edit, c.leave);
            return true;
        }};
        EXPECT_EQ(ui.inputBox("Enter X:"), c.answer);
        EXPECT_EQ(answerer.answered(), 1);
        EXPECT_TRUE(answerer.rejected().empty());
        EXPECT_EQ(title, "Calvenor");
        EXPECT_EQ(prompt, "Enter X:");
        EXPECT_EQ(startText, "");
        captions.sort();
        EXPECT_EQ(captions, (QStringList{"Cancel", "OK"}));
    }
}

constexpr platform::Font kFont{"Arial", 9, false};
constexpr platform::WindowLayout kTestWindow{"Test", 3000, 1500, kFont, platform::kWhite};
constexpr platform::ControlLayout kGoButton{
    "Button", platform::ControlKind::PushButton, "Go", {120, 120, 1200, 405}, 0, kFont, platform::kWhite};
constexpr platform::ControlLayout kTextBox{
    "Box", platform::ControlKind::TextBox, "", {120, 120, 1200, 345}, 0, kFont, platform::kWindowBackground};

TEST(QtToolkitEvents, AFailureNoHandlerTrappedIsShownAndEndsTheProgram) {
    platform::qt::QtUi ui;
    auto window = ui.createWindow(kTestWindow);
    auto& button = window->addPushButton(kGoButton);
    int clicks = 0;
    button.onClick = [&] {
        ++clicks;
        throw platform::Failure("Invalid procedure call or argument", 5);
    };
    window->show();

    SeenBox seen;
    const auto answerer = answerBox(seen, QMessageBox::Ok);
    auto& widget = dynamic_cast<platform::qt::QtWindow&>(*window).widget();
    widget.findChild<QPushButton*>("Button")->click();
    EXPECT_EQ(seen.text, "Run-time error '5':\n\nInvalid procedure call or argument");
    EXPECT_TRUE(ui.programEnded());
    EXPECT_FALSE(window->isVisible());
    widget.findChild<QPushButton*>("Button")->click();
    EXPECT_EQ(clicks, 1);
}

TEST(QtToolkitEvents, AChangeTheProgramMakesFailsItsCallerWhileATypedOneIsTheToolkits) {
    platform::qt::QtUi ui;
    auto window = ui.createWindow(kTestWindow);
    auto& box = window->addTextBox(kTextBox);
    std::vector<bool> typed;
    box.onChange = [&] { typed.push_back(box.changeIsTyped()); };
    window->show();
    box.setText("set");
    auto& edit = *dynamic_cast<platform::qt::QtWindow&>(*window).widget().findChild<QLineEdit*>("Box");
    QTest::keyClicks(&edit, QStringLiteral("x"));
    EXPECT_EQ(typed, (std::vector<bool>{false, true}));

    box.onChange = [] { throw platform::Failure("Access is denied."); };
    EXPECT_THROW(box.setText("again"), platform::Failure);
    EXPECT_FALSE(ui.programEnded());
}

TEST(QtToolkitEvents, EndingTheProgramStopsTheRunningHandlerAtItsNextWait) {
    platform::qt::QtUi ui;
    auto window = ui.createWindow(kTestWindow);
    auto& button = window->addPushButton(kGoButton);
    int passes = 0;
    button.onClick = [&] {
        for (int i = 0; i < 5; ++i) {
            ++passes;
            if (i == 1) ui.endProgram();  // as if the user closed the page meanwhile
            ui.doEvents();
        }
    };
    window->show();
    dynamic_cast<platform::qt::QtWindow&>(*window).widget().findChild<QPushButton*>("Button")->click();
    EXPECT_EQ(passes, 2);
    EXPECT_TRUE(ui.programEnded());
    EXPECT_THROW(ui.messageBox("late", "", platform::MessageButtons::Ok, platform::MessageIcon::None),
                 platform::ProgramEnded);
    EXPECT_THROW(ui.inputBox("Enter X:"), platform::ProgramEnded);
    EXPECT_THROW(ui.browseForFolder(*window, "Please select folder:", ""), platform::ProgramEnded);
}

TEST(QtToolkitEvents, ALoopThatCallsDoEventsLetsPendingEventsRunWhileItLasts) {
    platform::qt::QtUi ui;
    int fired = 0;
    QTimer::singleShot(0, [&] { ++fired; });
    QTimer::singleShot(30, [&] { ++fired; });
    QElapsedTimer loop;
    loop.start();
    while (loop.elapsed() < 100) ui.doEvents();
    EXPECT_EQ(fired, 2);
}

TEST(QtOpenFileFilter, TranslatesTheListWithOrWithoutTheFinalBar) {
    using platform::qt::openFileNameFilters;
    EXPECT_EQ(openFileNameFilters("Databases (*.mdb,*.accdb)|*.*db|Access 97|*.mdb;*.mde|"),
              (QStringList{"Databases (*.mdb,*.accdb) (*.*db)", "Access 97 (*.mdb *.mde)"}));
    EXPECT_EQ(openFileNameFilters("All files|*.*"), QStringList{"All files (*)"});
    EXPECT_TRUE(openFileNameFilters("").isEmpty());
}

class QtOpenDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        for (const char* name : {"Sales.MDB", "orders.accdb", "Old.ACCDB", "notes.txt", "backup.mdb.bak"}) {
            QFile file{folder.filePath(QString::fromLatin1(name))};
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        dialog.dialogTitle = "Select Access Database";
        dialog.filter =
            "All Microsoft Databases (*.mdb,*.accdb)|*.*db|Microsoft Database (*.mdb)|*.mdb|"
            "Microsoft 2007 Database (*.accdb)|*.accdb|";
    }

    platform::qt::QtUi ui;
    std::unique_ptr<platform::Window> owner =
        ui.createWindow({"Owner", 3000, 1500, {"Arial", 9, false}, platform::kWhite});
    QTemporaryDir folder;
    platform::OpenFileDialog dialog;
};

TEST_F(QtOpenDialog, FirstFilterListsDatabasesOfEitherCaseAndOpenReturnsTheFullPath) {
    QString title, selectedFilter;
    QStringList filters, listed;
    ModalAnswerer answerer{[&](QWidget& modal) {
        auto* fileDialog = qobject_cast<QFileDialog*>(&modal);
        if (fileDialog == nullptr) return false;
        auto* model = fileDialog->findChild<QFileSystemModel*>();
        if (model == nullptr) return false;
        if (fileDialog->directory().absolutePath() != folder.path()) {
            fileDialog->setDirectory(folder.path());
            return false;
        }
        const QModelIndex root = model->index(folder.path());
        if (model->rowCount(root) < 3) return false;  // still being read
        title = fileDialog->windowTitle();
        filters = fileDialog->nameFilters();
        selectedFilter = fileDialog->selectedNameFilter();
        for (int row = 0; row < model->rowCount(root); ++row)
            listed += model->index(row, 0, root).data().toString();
        auto* nameBox = fileDialog->findChild<QLineEdit*>("fileNameEdit");
        if (nameBox == nullptr) return false;
        nameBox->setText("Sales.MDB");  // as the user types it, or clicks it in the list
        static_cast<QDialog*>(fileDialog)->accept();
        return true;
    }};
    ui.showOpen(*owner, dialog);

    ASSERT_EQ(answerer.answered(), 1);
    EXPECT_EQ(title, "Select Access Database");
    EXPECT_EQ(filters.size(), 3);
    EXPECT_EQ(selectedFilter, "All Microsoft Databases (*.mdb,*.accdb)");  // shown without Qt's patterns
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"Old.ACCDB", "Sales.MDB", "orders.accdb"}));
    EXPECT_EQ(dialog.fileName, folder.filePath("Sales.MDB").toStdString());
}

TEST_F(QtOpenDialog, CancelLeavesTheFileNameAlone) {
    dialog.fileName = "/kept/as/it/was.mdb";
    ModalAnswerer answerer{[](QWidget& modal) {
        auto* fileDialog = qobject_cast<QFileDialog*>(&modal);
        if (fileDialog == nullptr) return false;
        fileDialog->reject();
        return true;
    }};
    ui.showOpen(*owner, dialog);
    EXPECT_EQ(answerer.answered(), 1);
    EXPECT_EQ(dialog.fileName, "/kept/as/it/was.mdb");
}

// The folder chooser, driven as the user drives it: it opens at the start folder (or at the top), the
// user may type a folder into its name field, and leaves it by a key or a button.
TEST(QtFolderChooser, OpensAtTheStartFolderAndAnswersTheChosenPathOrNothing) {
    platform::qt::QtUi ui;
    const auto owner = ui.createWindow(kTestWindow);
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString base = QDir(scratch.path()).canonicalPath();
    const QString out = base + QString::fromUtf8("/Out ä \"q\"");
    ASSERT_TRUE(QDir().mkpath(out));
    ASSERT_TRUE(QDir().mkpath(base + "/Sub"));

    struct Case {
        QString start;
        QString opensWith;  // the folder chosen if the user accepts at once
        QString typed;      // into the name field; empty: nothing typed
        Leave leave;
        QString answer;
    };
    const Case cases[] = {
        {out, out, "", Leave::EnterKey, out},
        {out + "/", out, "", Leave::OkButton, out},  // the field's trailing separator is not the folder's
        {"/", "/", "", Leave::OkButton, "/"},        // the root keeps its separator
        // Without a start folder: the Desktop where there is one, else home, never the root.
        {"", QDir::homePath(), "", Leave::OkButton, QDir::homePath()},
        {base + "/gone", QDir::homePath(), "", Leave::EnterKey, QDir::homePath()},
        {base + "/gone", QDir::homePath(), base + "/Sub/", Leave::EnterKey, base + "/Sub"},
        {out, out, "", Leave::CancelButton, ""},
        {out, out, base + "/Sub", Leave::EscapeKey, ""},
        {out, out, "", Leave::CloseBox, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.start + " left by " + QString::number(int(c.leave))).toStdString());
        QString title, prompt, opensWith;
        bool promptShown = false;
        ModalAnswerer answerer{[&](QWidget& modal) {
            auto* chooser = qobject_cast<QFileDialog*>(&modal);
            auto* nameField = chooser != nullptr ? chooser->findChild<QLineEdit*>("fileNameEdit") : nullptr;
            auto* label = chooser != nullptr ? chooser->findChild<QLabel*>("lookInLabel") : nullptr;
            if (nameField == nullptr || label == nullptr || !nameField->hasFocus()) return false;
            title = chooser->windowTitle();
            prompt = label->text();
            promptShown = label->isVisible();
            opensWith = chooser->selectedFiles().value(0);
            if (!c.typed.isEmpty()) {
                nameField->clear();
                typeText(*nameField, c.typed);
            }
            leave(*chooser, *nameField, c.leave);
            return true;
        }};
        EXPECT_EQ(QString::fromStdString(
                      ui.browseForFolder(*owner, "Please select folder:", c.start.toStdString())),
                  c.answer);
        EXPECT_EQ(answerer.answered(), 1);
        EXPECT_TRUE(answerer.rejected().empty());
        EXPECT_EQ(title, "Browse For Folder");
        EXPECT_EQ(prompt, "Please select folder:");
        EXPECT_TRUE(promptShown);
        EXPECT_EQ(opensWith, c.opensWith);
    }
}

}  // namespace
