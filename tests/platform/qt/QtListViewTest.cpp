// The check-box list on its own window: long lists, the keyboard and the mouse, columns in twips,
// positions from 1.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTreeView>
#include <string>

#include "platform/Failure.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtWindow.h"
#include "tests/platform/qt/QtPrinting.h"

namespace {

using platform::ControlKind;

constexpr platform::Font kArial9Bold{"Arial", 9, true};
constexpr platform::WindowLayout kTestWindow{"Test", 8040, 3500, kArial9Bold, platform::kWhite};
constexpr platform::ControlLayout kList{
    "List", ControlKind::ListView, "", {120, 120, 7800, 2475}, 0, kArial9Bold, platform::kWindowBackground};

class QtListViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        list.addColumn("Report Name");
        list.setColumnWidth(1, 7000);
    }

    // The focus arrives in the list, the window's only tab stop.
    void show() {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&widget()));
    }

    QWidget& widget() { return dynamic_cast<platform::qt::QtWindow&>(*window).widget(); }
    QTreeView& view() { return *widget().findChild<QTreeView*>("List"); }

    // What the list shows of a row: its text and its check box.
    std::string shown(int row) {
        const QModelIndex index = view().model()->index(row, 0);
        const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        return (checked ? "[x] " : "[ ] ") + index.data().toString().toStdString();
    }

    // The check box of a row, where the view's style draws it.
    QRect checkBox(int row) {
        QStyleOptionViewItem option;
        option.initFrom(&view());
        option.rect = view().visualRect(view().model()->index(row, 0));
        option.features |= QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        return view().style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &view());
    }

    platform::qt::QtUi ui;
    std::unique_ptr<platform::Window> window = ui.createWindow(kTestWindow);
    platform::ListView& list = window->addListView(kList);
};

TEST_F(QtListViewTest, HoldsAHundredThousandItemsInOrderWithTheirCheckMarks) {
    show();
    constexpr int kCount = 100000;
    for (int i = 1; i <= kCount; ++i) {
        list.add("Report " + std::to_string(i));
        if (i % 3 == 0) list.setChecked(i, true);
        if (i % 1000 == 0) ui.doEvents();  // as the enumeration lets the window repaint
    }
    ASSERT_EQ(list.count(), kCount);
    for (int i : {1, 2, 3, 50001, 99999, kCount}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(list.itemText(i), "Report " + std::to_string(i));
        EXPECT_EQ(list.checked(i), i % 3 == 0);
    }
    EXPECT_EQ(view().model()->rowCount(), kCount);
    EXPECT_EQ(shown(kCount - 1), "[ ] Report 100000");
    EXPECT_EQ(shown(kCount - 2), "[x] Report 99999");

    for (int i = 1; i <= kCount; ++i) list.setChecked(i, i % 2 == 0);
    int checked = 0;
    for (int i = 1; i <= kCount; ++i) checked += list.checked(i) ? 1 : 0;
    EXPECT_EQ(checked, kCount / 2);
    EXPECT_EQ(shown(0), "[ ] Report 1");
    EXPECT_EQ(shown(1), "[x] Report 2");

    list.clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(view().model()->rowCount(), 0);
    EXPECT_EQ(list.columnCount(), 1) << "clearing the items keeps the columns";
}

TEST_F(QtListViewTest, OneHeadedColumnInTwipsNoSortingAndTextsAsGiven) {
    show();
    EXPECT_FALSE(view().isHeaderHidden());
    EXPECT_EQ(view().model()->headerData(0, Qt::Horizontal).toString(), "Report Name");
    EXPECT_EQ(view().model()->columnCount(), 1);
    EXPECT_EQ(list.columnText(1), "Report Name");
    EXPECT_EQ(view().header()->sectionSize(0), 467) << "7000 twips at 96 dpi";
    EXPECT_EQ(list.columnWidth(1), 7000);

    for (const char* name : {"Zeta", "alpha", "Ünïcode 😀 report", ""}) list.add(name);
    EXPECT_EQ(shown(0), "[ ] Zeta");
    EXPECT_EQ(shown(1), "[ ] alpha");
    EXPECT_EQ(list.itemText(3), "Ünïcode 😀 report");
    EXPECT_EQ(shown(2), "[ ] Ünïcode 😀 report");
    EXPECT_EQ(list.itemText(4), "");
    EXPECT_FALSE(view().model()->flags(view().model()->index(0, 0)) & Qt::ItemIsEditable);
}

TEST_F(QtListViewTest, PositionsOutsideTheListAndUnknownColumnsAreOutOfBounds) {
    list.add("Only");
    const auto expectOutOfBounds = [](const std::function<void()>& call) {
        try {
            call();
            ADD_FAILURE() << "no failure";
        } catch (const platform::Failure& failure) {
            EXPECT_EQ(failure.description(), "Index out of bounds");
            EXPECT_EQ(failure.number(), 35600);
        }
    };
    for (int position : {0, 2, -1}) {
        SCOPED_TRACE(position);
        expectOutOfBounds([&] { list.itemText(position); });
        expectOutOfBounds([&] { list.checked(position); });
        expectOutOfBounds([&] { list.setChecked(position, true); });
    }
    for (int column : {0, 2}) {
        SCOPED_TRACE(column);
        expectOutOfBounds([&] { list.columnText(column); });
        expectOutOfBounds([&] { list.setColumnWidth(column, 100); });
    }
    EXPECT_FALSE(list.checked(1)) << "a failed call changes nothing";
}

TEST_F(QtListViewTest, SpaceTogglesTheCurrentItemAndAClickOnItsBoxDoesToo) {
    for (const char* name : {"First", "Second", "Third"}) list.add(name);
    show();
    ASSERT_TRUE(view().hasFocus());
    ASSERT_EQ(view().currentIndex().row(), 0) << "the focus arrives on the first item";
    QTest::keyClick(&view(), Qt::Key_Space);
    EXPECT_TRUE(list.checked(1));
    QTest::keyClick(&view(), Qt::Key_Down);
    QTest::keyClick(&view(), Qt::Key_Space);
    EXPECT_TRUE(list.checked(2));
    QTest::keyClick(&view(), Qt::Key_Space);
    EXPECT_FALSE(list.checked(2));
    EXPECT_TRUE(list.checked(1));
    EXPECT_FALSE(list.checked(3));

    // A click on the box of the third item, then beside it on its text: only the box toggles.
    QTest::mouseClick(view().viewport(), Qt::LeftButton, {}, checkBox(2).center());
    EXPECT_TRUE(list.checked(3));
    const QRect row = view().visualRect(view().model()->index(2, 0));
    QTest::mouseClick(view().viewport(), Qt::LeftButton, {}, QPoint(row.right() - 20, row.center().y()));
    EXPECT_TRUE(list.checked(3));
    EXPECT_EQ(view().currentIndex().row(), 2);
    EXPECT_EQ(view().selectionModel()->selectedRows().size(), 1);
}

TEST_F(QtListViewTest, MouseMovesOverTheRowsAndTheHeaderAreTheLists) {
    list.add("Only");
    show();
    int moves = 0;
    list.onMouseMove = [&] { ++moves; };
    QTest::mouseMove(view().viewport(), QPoint(100, 60));
    QApplication::processEvents();
    EXPECT_EQ(moves, 1);
    QTest::mouseMove(view().header(), QPoint(100, 5));
    QApplication::processEvents();
    EXPECT_EQ(moves, 2);
}

}  // namespace
