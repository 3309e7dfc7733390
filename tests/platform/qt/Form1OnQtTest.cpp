// The database selection page built by the real start-up on the Qt backend, checked against its
// layout at 96 dpi (15 twips to the pixel) and driven as a user drives it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "program/Program.h"
#include "app/Settings.h"
#include "pages/Form1.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtWindow.h"
#include "tests/fakes/FakeProgram.h"
#include "tests/platform/qt/Keyboard.h"
#include "tests/platform/qt/PageLayoutCheck.h"
#include "tests/platform/qt/QtPrinting.h"

namespace {

using calvenor::Settings;
using platform::Pointer;

class Form1OnQt : public ::testing::Test, protected fakes::ProgramOverFakes<platform::qt::QtUi> {
  protected:
    void start() {
        program.start();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    }

    QWidget& window() { return dynamic_cast<platform::qt::QtWindow&>(program.form1().window()).widget(); }

    template <class Widget>
    Widget& child(const char* name) {
        auto* widget = window().findChild<Widget*>(QString::fromLatin1(name));
        if (widget == nullptr) throw std::runtime_error(std::string{"no widget "} + name);
        return *widget;
    }

    void moveOver(QWidget& widget) {
        QTest::mouseMove(&widget, QPoint(widget.width() / 2, widget.height() / 2));
        QApplication::processEvents();
    }
};

TEST_F(Form1OnQt, EveryControlOfTheLayoutTableStandsWhereItSaysAsItSays) {
    using namespace layout_check;
    start();
    // clang-format off
    const std::vector<Control> table{
        {"Frame1",      Kind::Frame,      "Form1",  {  8,   8, 520, 89}, "Access Database",              9,     true, Fill::White,     4},
        {"Label5",      Kind::Label,      "Frame1", { 16,  23, 129, 17}, "MDB or ACCDB File:",           9,     true, Fill::White,     5},
        {"Text1",       Kind::TextBox,    "Frame1", {152,  20, 313, 23}, "",                             9,     true, Fill::TextField, 0},
        {"PushButton5", Kind::PushButton, "Frame1", {472,  20,  30, 23}, "...",                          11.25, true, Fill::White,     1},
        {"lblPassword", Kind::Label,      "Frame1", { 16,  56, 130, 15}, "Password (if required):",      9,     true, Fill::White,     6},
        {"Text2",       Kind::TextBox,    "Frame1", {152,  53, 351, 23}, "",                             9,     true, Fill::TextField, 2},
        {"PushButton1", Kind::PushButton, "Form1",  {  8, 106, 264, 27}, "Load Sample/Example Database", 11.25, true, Fill::White,     7},
        {"PushButton3", Kind::PushButton, "Form1",  {280, 105, 248, 27}, "Next >",                       11.25, true, Fill::White,     3},
    };
    // clang-format on
    expectLayout(window(), {"Form1", {536, 140}, "Calvenor", 9, false, Fill::White}, table);

    // A single fixed border with a minimize button, centred on the screen.
    EXPECT_TRUE(window().windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window().windowFlags() & Qt::WindowMaximizeButtonHint);
    const QRect screen = window().screen()->availableGeometry();
    EXPECT_LE((window().geometry().center() - screen.center()).manhattanLength(), 2);
    // 11.25 points are 15 pixels at 96 dpi.
    EXPECT_EQ(QFontInfo(child<QWidget>("PushButton3").font()).pixelSize(), 15);
}

TEST_F(Form1OnQt, PasswordShowsOneStarPerCharacterAndStoresTheRealOnes) {
    start();
    auto& text2 = child<QLineEdit>("Text2");
    text2.setFocus();
    typeText(text2, QString::fromUtf8("pä5"));
    EXPECT_EQ(text2.displayText(), "***");
    EXPECT_EQ(program.form1().Text2().text(), "pä5");
    EXPECT_EQ(writesOf(Settings::kPassword), (std::vector<std::string>{"p", "pä", "pä5"}));
}

TEST_F(Form1OnQt, FocusStartsInText1WithTheRestoredPathSelectedAndKeepsItAfterARoundOfTab) {
    registry.set(Settings::kKeyPath, Settings::kDatabase, "/data/Sales.mdb");
    start();
    auto& text1 = child<QLineEdit>("Text1");
    EXPECT_EQ(QApplication::focusWidget(), &text1);
    EXPECT_EQ(text1.selectedText(), "/data/Sales.mdb");
    const auto walked = layout_check::tabWalk(5);
    ASSERT_EQ(walked.size(), 5u);
    EXPECT_EQ(walked.back(), "Text1");
    EXPECT_EQ(text1.selectedText(), "/data/Sales.mdb");
}

TEST_F(Form1OnQt, ChangeHandlerRunsOncePerChangeWhetherSetOrTyped) {
    start();
    auto& box = program.form1().Text1();
    registry.writes.clear();
    box.setText("/a.mdb");
    box.setText("/a.mdb");  // no change, no event
    EXPECT_EQ(writesOf(Settings::kDatabase), (std::vector<std::string>{"/a.mdb"}));

    auto& text1 = child<QLineEdit>("Text1");
    text1.clear();
    QTest::keyClicks(&text1, QStringLiteral("abc"));
    EXPECT_EQ(writesOf(Settings::kDatabase), (std::vector<std::string>{"/a.mdb", "", "a", "ab", "abc"}));
}

TEST_F(Form1OnQt, ClickIntoABoxKeepsTheSelectionItsFocusHandlerMade) {
    start();
    program.form1().Text2().setText("secret");
    auto& text2 = child<QLineEdit>("Text2");
    ASSERT_NE(QApplication::focusWidget(), &text2);
    QTest::mouseClick(&text2, Qt::LeftButton, {}, QPoint(10, text2.height() / 2));
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), &text2);
    EXPECT_EQ(program.form1().Text2().selectionStart(), 0);
    EXPECT_EQ(program.form1().Text2().selectionLength(), 6);

    // A click into a box that has the focus already places the caret, as usual.
    QTest::mouseClick(&text2, Qt::LeftButton, {}, QPoint(2, text2.height() / 2));
    QApplication::processEvents();
    EXPECT_EQ(program.form1().Text2().selectionLength(), 0);
}

TEST_F(Form1OnQt, SelectionCountsCharactersNotUtf16Units) {
    start();
    auto& box = program.form1().Text1();
    box.setText(
        "a\xF0\x9F\x98\x80"
        "b");  // "a😀b": three characters, four UTF-16 units
    box.setSelection(1, 1);
    EXPECT_EQ(child<QLineEdit>("Text1").selectedText(), QString::fromUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(box.selectionStart(), 1);
    EXPECT_EQ(box.selectionLength(), 1);
    box.setSelection(2, 50);  // past the end stops at the end
    EXPECT_EQ(box.selectionStart(), 2);
    EXPECT_EQ(box.selectionLength(), 1);
    box.setSelection(0, 3);
    EXPECT_EQ(child<QLineEdit>("Text1").selectedText().size(), 4);
}

TEST_F(Form1OnQt, PointerIsAHandOverButtonsAnArrowElsewhereAndNeverReplacesTheHourglass) {
    start();
    auto& form = program.form1().window();
    moveOver(child<QWidget>("PushButton3"));
    EXPECT_EQ(form.pointer(), Pointer::Custom);
    EXPECT_EQ(window().cursor().shape(), Qt::ArrowCursor);  // no hand picture was loaded

    moveOver(child<QWidget>("Label5"));  // labels change nothing
    EXPECT_EQ(form.pointer(), Pointer::Custom);
    moveOver(child<QWidget>("Frame1"));
    EXPECT_EQ(form.pointer(), Pointer::Default);
    moveOver(child<QWidget>("PushButton5"));
    moveOver(child<QWidget>("Text2"));
    EXPECT_EQ(form.pointer(), Pointer::Default);
    EXPECT_EQ(child<QWidget>("Text2").cursor().shape(), Qt::IBeamCursor);

    form.setPointer(Pointer::Hourglass);
    EXPECT_EQ(window().cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(child<QWidget>("Text1").cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(child<QWidget>("PushButton1").cursor().shape(), Qt::WaitCursor);
    moveOver(child<QWidget>("PushButton1"));
    moveOver(window());
    EXPECT_EQ(form.pointer(), Pointer::Hourglass);

    form.setPointer(Pointer::Default);
    EXPECT_EQ(child<QWidget>("Text1").cursor().shape(), Qt::IBeamCursor);
    EXPECT_EQ(window().cursor().shape(), Qt::ArrowCursor);
}

TEST_F(Form1OnQt, ClosingTheWindowEndsTheProgramAndNoHandlerRunsAfterwards) {
    start();
    window().close();
    EXPECT_TRUE(ui.programEnded());
    EXPECT_FALSE(window().isVisible());
    registry.writes.clear();
    child<QPushButton>("PushButton1").click();  // "Load Sample/Example Database"
    EXPECT_EQ(program.form1().Text1().text(), "");
    EXPECT_TRUE(registry.writes.empty());
}

TEST_F(Form1OnQt, ListsEveryControlFramesContentsIncludedInOrderOfAdding) {
    start();
    std::vector<std::string> names;
    for (auto* control : program.form1().window().controls()) names.emplace_back(control->name());
    EXPECT_EQ(names, (std::vector<std::string>{"Frame1", "Text1", "PushButton5", "Text2", "PushButton1",
                                               "PushButton3", "Label5", "lblPassword"}));
}

TEST_F(Form1OnQt, Screenshot) {
    registry.set(Settings::kKeyPath, Settings::kDatabase, "/home/ann/Documents/Sales.accdb");
    registry.set(Settings::kKeyPath, Settings::kPassword, "secret");
    start();
    QApplication::processEvents();
    const QString folder = QStringLiteral(CALVENOR_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(window().grab().save(folder + QStringLiteral("/form1.png")));
}

}  // namespace
