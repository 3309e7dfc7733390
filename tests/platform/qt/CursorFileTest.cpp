#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

#include "pages/PageStyle.h"
#include "platform/Failure.h"
#include "platform/qt/CursorFile.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtWindow.h"
#include "tests/support/TestSupport.h"

namespace {

using platform::qt::loadCursorFile;

TEST(CursorFile, TheShippedHandPointsWithItsFingertip) {
    const QCursor hand = loadCursorFile(CALVENOR_HAND_CURSOR);
    EXPECT_EQ(hand.shape(), Qt::BitmapCursor);
    EXPECT_EQ(hand.hotSpot(), QPoint(6, 0));
    const QImage picture = hand.pixmap().toImage();
    ASSERT_EQ(picture.size(), QSize(32, 32));
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0) << "outside the hand is transparent";
    EXPECT_EQ(picture.pixel(6, 0) & 0xFFFFFF, 0x000000u) << "the fingertip's outline is black";
    EXPECT_EQ(picture.pixel(6, 3) & 0xFFFFFF, 0xFFFFFFu) << "the finger is white inside";
}

TEST(CursorFile, RefusesMissingFilesAndFilesThatAreNoCursor) {
    test_support::TemporaryFolder folder;
    const auto expectFailure = [](const std::string& path, const char* description) {
        try {
            loadCursorFile(path);
            ADD_FAILURE() << path << " loaded";
        } catch (const platform::Failure& failure) {
            EXPECT_EQ(failure.description(), description) << path;
        }
    };
    expectFailure(folder / "missing.cur", "File not found");
    test_support::writeFile(folder / "text.cur", "not a cursor at all, just text");
    expectFailure(folder / "text.cur", "Invalid picture");
    test_support::writeFile(folder / "empty.cur", "");
    expectFailure(folder / "empty.cur", "Invalid picture");
    // A cursor directory whose picture data is cut off.
    std::string truncated = test_support::readFile(CALVENOR_HAND_CURSOR).substr(0, 60);
    test_support::writeFile(folder / "cut.cur", truncated);
    expectFailure(folder / "cut.cur", "Invalid picture");
}

TEST(CursorFile, TheCustomPointerShowsTheLoadedPicture) {
    platform::qt::QtUi ui;
    auto window = ui.createWindow({"Form", 3000, 1500, calvenor::pages::kArial9, platform::kWhite});
    auto& widget = dynamic_cast<platform::qt::QtWindow&>(*window).widget();
    window->setPointer(platform::Pointer::Custom);
    EXPECT_EQ(widget.cursor().shape(), Qt::ArrowCursor) << "no picture yet";
    window->setMouseIcon(CALVENOR_HAND_CURSOR);
    EXPECT_EQ(widget.cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(widget.cursor().hotSpot(), QPoint(6, 0));
    window->setPointer(platform::Pointer::Default);
    EXPECT_EQ(widget.cursor().shape(), Qt::ArrowCursor);
}

}  // namespace
