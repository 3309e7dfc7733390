#include <gtest/gtest.h>
#include <windows.h>
// after windows.h, whose types it uses
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/WideText.h"
#include "platform/win32/com/ComApartment.h"
#include "platform/win32/ui/Dialogs.h"
#include "tests/platform/win32/TemporaryFolder.h"
#include "tests/platform/win32/ui/DialogDriver.h"

namespace {

using namespace calvenor::test;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;
using platform::win32::toUtf8;
using platform::win32::toWide;
namespace ui = platform::win32::ui;

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

// The text of the folder the chooser's tree has selected.
std::wstring selectedFolder(HWND dialog) {
    HWND tree = FindWindowExW(dialog, nullptr, L"SysTreeView32", nullptr);
    if (!tree) return {};
    TVITEMW item{};
    wchar_t text[MAX_PATH] = {};
    item.mask = TVIF_TEXT;
    item.hItem = TreeView_GetSelection(tree);
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    return item.hItem && TreeView_GetItem(tree, &item) ? text : L"";
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
        Answerer answerer{[&](HWND dialog) {
            // The tree fills in as the system reads the folders; the start folder is selected once it has.
            for (int attempt = 0;
                 attempt < 100 && !c.startFolder.empty() && selectedFolder(dialog) != L"Bücher"; ++attempt)
                Sleep(50);
            press(dialog, c.pressed);
        }};
        EXPECT_EQ(ui::browseForFolder(nullptr, "Where shall the reports go?", c.startFolder), c.expected)
            << c.how;
        EXPECT_TRUE(answerer.closedByAnswer()) << c.how;
        EXPECT_TRUE(answerer.shown().shows("Where shall the reports go?")) << c.how;
    }
}

}  // namespace
