#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/win32/WideText.h"

// Driving the dialogs a test's thread opens as a user would, from a thread of the test's own.
namespace calvenor::test {

using platform::win32::toUtf8;
using platform::win32::toWide;

inline std::wstring textOf(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// What a dialog showed: its caption and the texts of its visible controls.
struct Shown {
    std::string caption;
    std::vector<std::string> texts;
    bool shows(const std::string& text) const {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
};

inline BOOL CALLBACK collectText(HWND child, LPARAM shown) {
    if (IsWindowVisible(child)) reinterpret_cast<Shown*>(shown)->texts.push_back(toUtf8(textOf(child)));
    return TRUE;
}

inline BOOL CALLBACK findDialog(HWND window, LPARAM found) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (IsWindowVisible(window) && std::wstring_view{className} == L"#32770") {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// Answers the dialog the test's thread opens, from a thread of its own, as a user would. A dialog the
// answer does not close is cancelled after a few seconds, so that a broken dialog fails the test instead
// of hanging it.
class Answerer {
  public:
    using Answer = std::function<void(HWND dialog)>;
    explicit Answerer(Answer answer)
        : owner_(GetCurrentThreadId()), worker_([this, answer = std::move(answer)] { run(answer); }) {}
    ~Answerer() { join(); }

    // Valid once the dialog call has returned.
    const Shown& shown() {
        join();
        return shown_;
    }
    bool closedByAnswer() {
        join();
        return closedByAnswer_;
    }

  private:
    void join() {
        if (worker_.joinable()) worker_.join();
    }
    void run(const Answer& answer) {
        HWND dialog = nullptr;
        for (int attempt = 0; attempt < 250 && !dialog; ++attempt) {
            Sleep(20);
            EnumThreadWindows(owner_, findDialog, reinterpret_cast<LPARAM>(&dialog));
        }
        if (!dialog) return;
        Sleep(100);  // let it finish initialising
        shown_.caption = toUtf8(textOf(dialog));
        EnumChildWindows(dialog, collectText, reinterpret_cast<LPARAM>(&shown_));
        answer(dialog);
        for (int attempt = 0; attempt < 250 && IsWindow(dialog); ++attempt) Sleep(20);
        closedByAnswer_ = !IsWindow(dialog);
        if (!closedByAnswer_) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }

    DWORD owner_;
    Shown shown_;
    bool closedByAnswer_ = false;
    std::thread worker_;
};

inline BOOL CALLBACK findEdit(HWND window, LPARAM found) {
    wchar_t className[8] = {};
    GetClassNameW(window, className, 8);
    if (std::wstring_view{className} != L"Edit") return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The dialog's one edit field, however deep among its controls.
inline HWND editOf(HWND dialog) {
    HWND edit = nullptr;
    EnumChildWindows(dialog, findEdit, reinterpret_cast<LPARAM>(&edit));
    return edit;
}

inline void press(HWND window, int id) {
    PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(id), 0);
}
inline void pressKey(HWND window, WPARAM key) {
    PostMessageW(window, WM_KEYDOWN, key, 0);
}
inline void type(HWND edit, const std::string& text) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(toWide(text).c_str()));
}

}  // namespace calvenor::test
