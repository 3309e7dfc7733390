#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <thread>

#include "platform/Failure.h"
#include "platform/win32/ui/WinUi.h"
#include "platform/win32/ui/WinWindow.h"
#include "tests/platform/win32/ui/DialogDriver.h"

namespace {

using namespace calvenor::test;
namespace ui = platform::win32::ui;

constexpr platform::Font kFont{"Arial", 9, false};
constexpr platform::WindowLayout kPage{"Page", 3000, 1500, kFont, platform::kWhite};
constexpr platform::ControlLayout kButton{
    "Button", platform::ControlKind::PushButton, "Go", {0, 0, 900, 300}, 0, kFont, platform::kWhite};

// Each program ends with a quit message in its thread's queue, which would close every later dialog of
// that thread at once: each test's program runs on a thread of its own.
void asProgram(const std::function<void()>& body) {
    std::thread{body}.join();
}

// After the program's end: every wait stops the running handler, the loop returns, the pages are gone
// from the screen.
void expectEnded(ui::WinUi& winUi, platform::Window& page) {
    EXPECT_TRUE(winUi.programEnded());
    EXPECT_THROW(winUi.doEvents(), platform::ProgramEnded);
    EXPECT_THROW(winUi.inputBox("Enter X:"), platform::ProgramEnded);
    EXPECT_EQ(winUi.run(), 0);
    EXPECT_FALSE(page.isVisible());
}

TEST(WinUi, AFailureNoHandlerTrappedIsReportedUnderTheApplicationTitleAndEndsTheProgram) {
    asProgram([] {
        ui::WinUi winUi;
        winUi.setApplicationTitle("Calvenor Σ");
        auto page = winUi.createWindow(kPage);
        auto& button = page->addPushButton(kButton);
        button.onClick = [] { throw platform::Failure("Disk full", 61); };
        page->show();

        Answerer answerer{[](HWND box) { press(box, IDOK); }};
        SendMessageW(GetWindow(static_cast<ui::WinWindow&>(*page).handle(), GW_CHILD), BM_CLICK, 0, 0);
        EXPECT_TRUE(answerer.closedByAnswer());
        EXPECT_EQ(answerer.shown().caption, "Calvenor Σ");
        EXPECT_TRUE(answerer.shown().shows("Run-time error '61':\r\n\r\nDisk full"));
        expectEnded(winUi, *page);
    });
}

TEST(WinUi, ClosingAPageDuringALongLoopEndsTheProgramAtTheLoopsNextWait) {
    asProgram([] {
        ui::WinUi winUi;
        auto page = winUi.createWindow(kPage);
        page->onUnload = [&] { winUi.endProgram(); };
        page->show();
        PostMessageW(static_cast<ui::WinWindow&>(*page).handle(), WM_CLOSE, 0, 0);
        int served = 0;
        try {
            for (; served < 1000; ++served) {
                winUi.doEvents();
                Sleep(1);
            }
        } catch (const platform::ProgramEnded&) {
        }
        EXPECT_LT(served, 1000) << "the loop ran on after its page was closed";
        expectEnded(winUi, *page);
    });
}

}  // namespace
