#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/WideText.h"
#include "platform/win32/com/ComApartment.h"
#include "platform/win32/ui/Dialogs.h"
#include "tests/platform/win32/TemporaryFolder.h"

namespace {

using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;
using platform::win32::toUtf8;
using platform::win32::toWide;
namespace ui = platform::win32::ui;

std::wstring textOf(HWND window) {
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

BOOL CALLBACK collectText(HWND child, LPARAM shown) {
    if (IsWindowVisible(child)) reinterpret_cast<Shown*>(shown)->texts.push_back(toUtf8(textOf(child)));
    return TRUE;
}

BOOL CALLBACK findDialog(HWND window, LPARAM found) {
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

BOOL CALLBACK findEdit(HWND window, LPARAM found) {
    wchar_t className[8] = {};
    GetClassNameW(window, className, 8);
    if (std::wstring_view{className} != L"Edit") return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The dialog's one edit field, however deep among its controls.
HWND editOf(HWND dialog) {
    HWND edit = nullptr;
    EnumChildWindows(dialog, findEdit, reinterpret_cast<LPARAM>(&edit));
    return edit;
}

void press(HWND window, int id) {
    PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(id), 0);
}
void pressKey(HWND window, WPARAM key) {
    PostMessageW(window, WM_KEYDOWN, key, 0);
}
void type(HWND edit, const std::string& text) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(toWide(text).c_str()));
}

TEST(MessageBoxDialog, ShowsTheTextAndReturnsTheButtonPressed) {
    struct Case {
        MessageButtons buttons;
        int pressed;
        MessageAnswer expected;
        std::vector<std::string> buttonTexts;
    };
    const Case cases[] = {
        {MessageButtons::YesNo, IDYES, MessageAnswer::Yes, {"&Yes", "&No"}},
        {MessageButtons::YesNo, IDNO, MessageAnswer::No, {"&Yes", "&No"}},
        {MessageButtons::Ok, IDOK, MessageAnswer::Ok, {"OK"}},
    };
    for (const Case& c : cases) {
        Answerer answerer{[&](HWND dialog) { press(dialog, c.pressed); }};
        const MessageAnswer answer = ui::showMessageBox(nullptr, "Export finished.\r\nOpen the folder?",
                                                        "Calvenor Σ", c.buttons, MessageIcon::Exclamation);
        EXPECT_EQ(answer, c.expected) << c.pressed;
        EXPECT_TRUE(answerer.closedByAnswer()) << c.pressed;
        const Shown& shown = answerer.shown();
        EXPECT_EQ(shown.caption, "Calvenor Σ");
        EXPECT_TRUE(shown.shows("Export finished.\r\nOpen the folder?"));
        for (const std::string& button : c.buttonTexts) EXPECT_TRUE(shown.shows(button)) << button;
        EXPECT_EQ(shown.shows("OK"), c.buttons == MessageButtons::Ok);
    }
}

TEST(InputBox, ReturnsTheTypedTextOnOkAndNothingOtherwise) {
    const std::string longText(40000, 'x');
    struct Case {
        const char* how;
        std::string typed;
        std::function<void(HWND dialog, HWND edit)> answer;
        std::string expected;
    };
    const Case cases[] = {
        {"OK", "Καλημέρα κόσμε", [](HWND d, HWND) { press(d, IDOK); }, "Καλημέρα κόσμε"},
        {"Enter", "日本語の報告書", [](HWND, HWND e) { pressKey(e, VK_RETURN); }, "日本語の報告書"},
        {"OK, long", longText, [](HWND d, HWND) { press(d, IDOK); }, longText},
        {"Cancel", "typed", [](HWND d, HWND) { press(d, IDCANCEL); }, ""},
        {"Escape", "typed", [](HWND, HWND e) { pressKey(e, VK_ESCAPE); }, ""},
        {"close box", "typed", [](HWND d, HWND) { PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, ""},
    };
    for (const Case& c : cases) {
        bool startedEmpty = false;
        Answerer answerer{[&](HWND dialog) {
            HWND edit = editOf(dialog);
            startedEmpty = edit && GetWindowTextLengthW(edit) == 0;
            type(edit, c.typed);
            c.answer(dialog, edit);
        }};
        EXPECT_EQ(ui::showInputBox(nullptr, "Name of the & report:", "Calvenor"), c.expected) << c.how;
        EXPECT_TRUE(answerer.closedByAnswer()) << c.how;
        EXPECT_TRUE(startedEmpty) << c.how;
        const Shown& shown = answerer.shown();
        EXPECT_EQ(shown.caption, "Calvenor") << c.how;
        for (const char* text : {"Name of the & report:", "OK", "Cancel"})
            EXPECT_TRUE(shown.shows(text)) << text;
    }
}

TEST(OpenFile, ReturnsTheFullPathOnOkAndLeavesTheNameOnCancel) {
    test_support::TemporaryFolder folder;
    folder.createFile("Ωmega.mdb");
    const std::string existing = folder / "Ωmega.mdb";
    struct Case {
        const char* how;
        int pressed;
        std::string expected;
    };
    const Case cases[] = {{"OK", IDOK, existing}, {"Cancel", IDCANCEL, "C:\\earlier.mdb"}};
    for (const Case& c : cases) {
        platform::OpenFileDialog dialog{"C:\\earlier.mdb", 0x280001, "Choose the database",
                                        "Access databases (*.mdb)|*.mdb|All files (*.*)|*.*|"};
        Answerer answerer{[&](HWND window) {
            type(editOf(window), existing);
            press(window, c.pressed);
        }};
        ui::showOpenFile(nullptr, dialog);
        EXPECT_EQ(dialog.fileName, c.expected) << c.how;
        EXPECT_TRUE(answerer.closedByAnswer()) << c.how;
        const Shown& shown = answerer.shown();
        EXPECT_EQ(shown.caption, "Choose the database");
        EXPECT_TRUE(shown.shows("Access databases (*.mdb)")) << "the first filter entry is preselected";
    }
}

TEST(BrowseForFolder, OpensOnTheStartFolderAndReturnsNothingOnCancel) {
    platform::win32::com::ComApartment apartment;
    test_support::TemporaryFolder folder;
    folder.createFolder("Bücher");
    const std::string start = folder / "Bücher";
    struct Case {
        const char* how;
        std::string startFolder;
        int pressed;
        std::string expected;
    };
    const Case cases[] = {
        {"OK", start, IDOK, start}, {"Cancel", start, IDCANCEL, ""}, {"none", "", IDCANCEL, ""}};
    for (const Case& c : cases) {
        Answerer answerer{[&](HWND dialog) { press(dialog, c.pressed); }};
        EXPECT_EQ(ui::browseForFolder(nullptr, "Where shall the reports go?", c.startFolder), c.expected)
            << c.how;
        EXPECT_TRUE(answerer.closedByAnswer()) << c.how;
        EXPECT_TRUE(answerer.shown().shows("Where shall the reports go?")) << c.how;
    }
}

}  // namespace
