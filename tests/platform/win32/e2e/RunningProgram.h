#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/ScopedHandles.h"

namespace calvenor::e2e {

using namespace std::chrono_literals;

// A program under test, started with its own folder as the working folder, and driven from outside
// through its windows as a user would: by typing (WM_SETTEXT), clicking (BM_CLICK) and the list view's
// check boxes. Every wait has a limit, so a dialog nobody expected fails the test instead of hanging it.
// What is still running at the end is asked to close, then ended.
class RunningProgram {
  public:
    explicit RunningProgram(const std::wstring& program);
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    ~RunningProgram();

    // The program's visible top-level window of `className` for which `accept` holds, once there is one.
    HWND waitForWindow(const wchar_t* className, const std::function<bool(HWND)>& accept,
                       std::chrono::milliseconds limit = 20s) const;
    // Its visible page holding a button with this caption, if one is visible now.
    HWND visiblePage(const std::wstring& buttonCaption) const;
    HWND waitForPage(const std::wstring& buttonCaption, std::chrono::milliseconds limit = 20s) const;
    // Its message box or input box (a dialog), once one is open.
    HWND waitForDialog(std::chrono::milliseconds limit = 20s) const;
    // Its top-level windows, visible or not.
    std::vector<HWND> windows(const wchar_t* className) const;
    bool hasVisibleDialog() const;

    // Whether the program ended within the limit.
    bool waitForExit(std::chrono::milliseconds limit) const;
    DWORD exitCode() const;

    // Item texts and check marks of a list view, and one check mark set, through memory of the program's.
    std::vector<std::wstring> listItems(HWND listView) const;
    std::vector<bool> checkMarks(HWND listView) const;
    void setCheckMark(HWND listView, int index, bool checked) const;

  private:
    platform::win32::UniqueHandle process_;
    DWORD processId_ = 0;
};

// Polls until `condition` holds; fails the test with `what` when the limit has passed first.
void waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit,
               const std::string& what);

// The window's text, read as the system would for any window of another process.
std::wstring textOf(HWND window);
// The first child of the class whose text is `text`, or any of the class when `text` is empty.
HWND childOf(HWND parent, const wchar_t* className, const std::wstring& text = {});
std::vector<HWND> childrenOf(HWND parent, const wchar_t* className);
// A message box's message (its static text), the caption aside.
std::wstring messageOf(HWND dialog);

// As typing would: the text box gets the text and tells its page of the change.
void type(HWND textBox, const std::wstring& text);
// As a click would, without waiting for what the click opens.
void click(HWND button);
// Answers a message box with OK (or an input box with OK, after typing into it).
void answerOk(HWND dialog);
// Whether the window's thread answers a message within the limit.
bool answers(HWND window, std::chrono::milliseconds limit);

// Saves what the screen shows of the window as a bitmap file.
bool saveScreenshot(HWND window, const std::wstring& path);

}  // namespace calvenor::e2e
