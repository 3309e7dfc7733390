#include "platform/win32/ui/WinUi.h"

#include "platform/Failure.h"
#include "platform/win32/ui/Dialogs.h"
#include "platform/win32/ui/WinWindow.h"

namespace platform::win32::ui {
namespace {

HWND handleOf(Window& window) {
    auto* page = dynamic_cast<WinWindow*>(&window);
    return page != nullptr ? page->handle() : nullptr;
}

// Dialogs that name no owner belong to the page the user is working in.
HWND activePage() {
    HWND active = GetActiveWindow();
    return active != nullptr && IsWindowVisible(active) ? active : nullptr;
}

BOOL CALLBACK hideWindow(HWND window, LPARAM) {
    ShowWindow(window, SW_HIDE);
    return TRUE;
}

}  // namespace

std::unique_ptr<Window> WinUi::createWindow(const WindowLayout& layout) {
    return std::make_unique<WinWindow>(layout,
                                       [this](std::exception_ptr failure) { reportUntrapped(failure); });
}

void WinUi::setApplicationTitle(std::string_view title) {
    applicationTitle_ = title;
}

std::string WinUi::applicationTitle() const {
    return applicationTitle_;
}

MessageAnswer WinUi::messageBox(std::string_view text, std::string_view caption, MessageButtons buttons,
                                MessageIcon icon) {
    stopIfEnded();
    try {
        const MessageAnswer answer =
            showMessageBox(activePage(), text,
                           caption.empty() ? std::string_view{applicationTitle_} : caption, buttons, icon);
        stopIfEnded();  // the box was closed by the program's end, not answered
        return answer;
    } catch (const Failure&) {
        stopIfEnded();  // the box ended with the program
        throw;
    }
}

void WinUi::showOpen(Window& owner, OpenFileDialog& dialog) {
    stopIfEnded();
    showOpenFile(handleOf(owner), dialog);  // a dialog closed by the program's end leaves the name alone
    stopIfEnded();
}

std::string WinUi::inputBox(std::string_view prompt) {
    stopIfEnded();
    std::string typed = showInputBox(activePage(), prompt, applicationTitle_);
    stopIfEnded();  // closed by the program's end, not answered
    return typed;
}

std::string WinUi::browseForFolder(Window& owner, std::string_view prompt, std::string_view startFolder) {
    stopIfEnded();
    std::string chosen = ui::browseForFolder(handleOf(owner), prompt, startFolder);
    stopIfEnded();
    return chosen;
}

bool WinUi::dispatch(MSG& message) {
    if (message.message == WM_QUIT) {
        ended_ = true;
        return false;
    }
    if (!translateWindowMessage(message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

// The enumeration calls this once per report, thousands of times: the queue is served at most every
// 10 ms, which repaints faster than the eye can tell and keeps the list's growth cheap. The program's
// end is looked for at every call.
void WinUi::doEvents() {
    constexpr auto kEventInterval = std::chrono::milliseconds{10};
    stopIfEnded();
    const auto now = std::chrono::steady_clock::now();
    if (now - eventsProcessed_ < kEventInterval) return;
    MSG message{};
    while (!ended_ && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        if (!dispatch(message)) break;
    eventsProcessed_ = std::chrono::steady_clock::now();
    stopIfEnded();
}

int WinUi::run() {
    MSG message{};
    while (!ended_) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) return 1;  // the queue itself failed: nothing more can be served
        if (got == 0 || !dispatch(message)) break;
    }
    return 0;
}

void WinUi::stopIfEnded() const {
    if (ended_) throw ProgramEnded{};
}

void WinUi::endProgram() {
    if (ended_) return;
    ended_ = true;
    // Every window goes at once; the pages themselves are destroyed when the program object goes.
    EnumThreadWindows(GetCurrentThreadId(), hideWindow, 0);
    // Ends the message loop, and every modal loop running inside it (a message box, a dialog).
    PostQuitMessage(0);
}

void WinUi::reportUntrapped(const std::exception_ptr& failure) {
    if (ended_) return;
    const std::string report = untrappedFailureReport(failure);
    try {
        messageBox(report, "", MessageButtons::Ok, MessageIcon::Exclamation);
    } catch (const ProgramEnded&) {
        return;  // ended meanwhile: nothing more to say
    } catch (const Failure&) {
        // The report could not be shown; the program ends all the same.
    }
    endProgram();
}

}  // namespace platform::win32::ui
