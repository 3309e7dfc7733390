#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "pages/Form1.h"
#include "pages/Form2.h"
#include "platform/Failure.h"
#include "platform/win32/WideText.h"
#include "platform/win32/ui/WinWindow.h"
#include "tests/fakes/FakeProgram.h"
#include "tests/platform/win32/TemporaryFolder.h"

namespace {

namespace ui = platform::win32::ui;
using platform::win32::toUtf8;

// The fakes' user interface, but with real windows: the pages are built over user32 while their other
// services stay in memory.
class WindowsOverFakes : public fakes::FakeUi {
  public:
    std::unique_ptr<platform::Window> createWindow(const platform::WindowLayout& layout) override {
        auto window = std::make_unique<ui::WinWindow>(layout, [this](std::exception_ptr) { ++failures; });
        windows[std::string(layout.name)] = window.get();
        return window;
    }
    std::map<std::string, ui::WinWindow*> windows;
    int failures = 0;
};

struct Program {
    WindowsOverFakes ui;
    fakes::FakeShell shell;
    fakes::FakeFileSystem files;
    fakes::FakeRegistry registry;
    fakes::FakeAdo ado;
    fakes::FakeAccess access;
    fakes::FakePrinters printers;
    fakes::FakeSkin skin;
    fakes::FakePrinterValuesLock printerValues;
    fakes::FakeReportPreview preview;
    calvenor::Program program{{ui, shell, files, registry, ado, access, printers, skin, printerValues,
                               nullptr, [] { return 0.5; }, &preview}};
};

std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::string windowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return toUtf8(text);
}

HWND handleOf(platform::Control& control) {
    return dynamic_cast<ui::ChildControl&>(control).handle();
}

struct ExpectedControl {
    const char* name;
    const wchar_t* className;
    const char* text;
    RECT pixels;            // at 96 dpi, relative to the container
    const char* container;  // the frame that holds it, or nullptr for the page
    LONG_PTR styleBits;     // style bits that must be set
};

class PagesAsWindows : public ::testing::Test {
  protected:
    void SetUp() override { p.program.start(); }

    ui::WinWindow& page(const char* name) {
        if (std::string(name) == "Form2") p.program.form2();
        return *p.ui.windows.at(name);
    }
    std::map<std::string, HWND> handles(ui::WinWindow& window) {
        std::map<std::string, HWND> byName;
        for (auto* control : window.controls()) byName[std::string(control->name())] = handleOf(*control);
        return byName;
    }
    std::vector<std::string> tabOrder(ui::WinWindow& window) {
        std::map<HWND, std::string> names;
        for (auto& [name, handle] : handles(window)) names[handle] = name;
        std::vector<std::string> order;
        HWND first = GetNextDlgTabItem(window.handle(), nullptr, FALSE);
        for (HWND at = first; at && order.size() < 20;) {
            order.push_back(names.count(at) ? names[at] : "?");
            at = GetNextDlgTabItem(window.handle(), at, FALSE);
            if (at == first) break;
        }
        return order;
    }

    Program p;
};

// clang-format off
const std::vector<ExpectedControl> kForm1Controls{
    {"Frame1",      L"Button", "Access Database",              {  8,   8, 528,  97}, nullptr,  BS_GROUPBOX},
    {"Label5",      L"Static", "MDB or ACCDB File:",           { 16,  23, 145,  40}, "Frame1", 0},
    {"Text1",       L"Edit",   "",                             {152,  20, 465,  43}, "Frame1", ES_AUTOHSCROLL},
    {"PushButton5", L"Button", "...",                          {472,  20, 502,  43}, "Frame1", 0},
    {"lblPassword", L"Static", "Password (if required):",      { 16,  56, 146,  71}, "Frame1", 0},
    {"Text2",       L"Edit",   "",                             {152,  53, 503,  76}, "Frame1", ES_PASSWORD},
    {"PushButton1", L"Button", "Load Sample/Example Database", {  8, 106, 272, 133}, nullptr,  0},
    {"PushButton3", L"Button", "Next >",                       {280, 105, 528, 132}, nullptr,  0},
};
const std::vector<ExpectedControl> kForm2Controls{
    {"PushButton2", L"Button",        "< Back",                           {  8,   8, 528,  35}, nullptr, 0},
    {"ListView1",   L"SysListView32", "",                                 {  8,  42, 528, 207}, nullptr, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS},
    {"PushButton1", L"Button",        "Check All",                        {  8, 213, 264, 240}, nullptr, 0},
    {"PushButton4", L"Button",        "Uncheck All",                      {272, 213, 528, 240}, nullptr, 0},
    {"PushButton6", L"Button",        "Check Entries Containing X Chars", {  8, 247, 264, 274}, nullptr, 0},
    {"PushButton5", L"Button",        "Check Entries Not Containing X",   {272, 247, 528, 274}, nullptr, 0},
    {"Frame2",      L"Button",        "Save PDF Files To This Folder",    {  8, 280, 528, 335}, nullptr, BS_GROUPBOX},
    {"Text1",       L"Edit",          nullptr,                            { 15,  20, 459,  43}, "Frame2", ES_AUTOHSCROLL},
    {"PushButton7", L"Button",        "...",                              {464,  20, 504,  43}, "Frame2", 0},
    {"PushButton3", L"Button",        "Save Checked Reports As PDF",      {  8, 343, 528, 370}, nullptr, 0},
};
// clang-format on

TEST_F(PagesAsWindows, EveryControlHasItsClassTextPlaceAndStyle) {
    for (auto [pageName, expected] :
         {std::pair{"Form1", &kForm1Controls}, std::pair{"Form2", &kForm2Controls}}) {
        auto& window = page(pageName);
        auto byName = handles(window);
        ASSERT_EQ(byName.size(), expected->size()) << pageName;
        for (const auto& row : *expected) {
            SCOPED_TRACE(std::string(pageName) + "." + row.name);
            HWND control = byName.at(row.name);
            EXPECT_EQ(GetParent(control), window.handle());
            EXPECT_EQ(lstrcmpiW(className(control).c_str(), row.className), 0) << toUtf8(className(control));
            if (row.text) {
                EXPECT_EQ(windowText(control), row.text);
            }
            RECT place{};
            GetWindowRect(control, &place);
            HWND container = row.container ? byName.at(row.container) : window.handle();
            POINT origin{0, 0};
            if (row.container) {
                RECT frame{};
                GetWindowRect(container, &frame);
                origin = {frame.left, frame.top};
            } else {
                ClientToScreen(container, &origin);
            }
            EXPECT_EQ(place.left - origin.x, row.pixels.left);
            EXPECT_EQ(place.top - origin.y, row.pixels.top);
            EXPECT_EQ(place.right - origin.x, row.pixels.right);
            EXPECT_EQ(place.bottom - origin.y, row.pixels.bottom);
            EXPECT_EQ(GetWindowLongPtrW(control, GWL_STYLE) & row.styleBits, row.styleBits);
        }
    }
}

TEST_F(PagesAsWindows, ClientAreasFollowTheLayoutsTwips) {
    for (auto [pageName, width, height] : {std::tuple{"Form1", 536, 140}, std::tuple{"Form2", 536, 374}}) {
        RECT client{};
        GetClientRect(page(pageName).handle(), &client);
        EXPECT_EQ(client.right, width) << pageName;
        EXPECT_EQ(client.bottom, height) << pageName;
        LONG_PTR style = GetWindowLongPtrW(page(pageName).handle(), GWL_STYLE);
        EXPECT_TRUE(style & WS_MINIMIZEBOX);
        EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME));
    }
}

TEST_F(PagesAsWindows, TabOrderFollowsTheTabIndexAcrossFrames) {
    EXPECT_EQ(tabOrder(page("Form1")),
              (std::vector<std::string>{"Text1", "PushButton5", "Text2", "PushButton3", "PushButton1"}));
    auto& form2 = page("Form2");
    form2.show();
    EXPECT_EQ(tabOrder(form2), (std::vector<std::string>{"ListView1", "PushButton1", "PushButton4",
                                                         "PushButton6", "PushButton5", "Text1", "PushButton7",
                                                         "PushButton3", "PushButton2"}));
}

TEST_F(PagesAsWindows, PasswordBoxShowsStarsAndListViewHasCheckBoxes) {
    HWND password = handles(page("Form1")).at("Text2");
    EXPECT_EQ(SendMessageW(password, EM_GETPASSWORDCHAR, 0, 0), L'*');
    HWND list = handles(page("Form2")).at("ListView1");
    auto extended = SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    EXPECT_EQ(extended & (LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT),
              LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
}

std::vector<std::string> writesOf(const fakes::FakeRegistry& registry, std::string_view name) {
    std::vector<std::string> values;
    for (const auto& write : registry.writes) {
        if (write.name == name) values.push_back(write.value);
    }
    return values;
}

TEST_F(PagesAsWindows, TextSetFromOutsideRaisesOneChangeWithTheNewText) {
    HWND text1 = handles(page("Form1")).at("Text1");
    p.registry.writes.clear();
    SetWindowTextW(text1, L"C:\\db\\caf\u00e9.mdb");
    EXPECT_EQ(writesOf(p.registry, "Database"), std::vector<std::string>{"C:\\db\\caf\xC3\xA9.mdb"});
}

TEST_F(PagesAsWindows, ProgramsOwnTextChangeIsNotTypedAndRaisesOnlyWhenTheTextDiffers) {
    auto& box = p.program.form1().Text1();
    std::vector<bool> typed;
    box.onChange = [&] { typed.push_back(box.changeIsTyped()); };
    box.setText("first");
    box.setText("first");
    SetWindowTextW(handleOf(box), L"typed");
    EXPECT_EQ(typed, (std::vector<bool>{false, true}));
}

TEST_F(PagesAsWindows, SelectionCountsCharactersNotUtf16Units) {
    auto& box = p.program.form1().Text1();
    box.setText(
        "a\xF0\x9F\x98\x80"
        "bc");  // a, one character outside the BMP, b, c
    box.setSelection(1, 2);
    DWORD from = 0, to = 0;
    SendMessageW(handleOf(box), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 1u);
    EXPECT_EQ(to, 4u);
    EXPECT_EQ(box.selectionStart(), 1);
    EXPECT_EQ(box.selectionLength(), 2);
}

TEST_F(PagesAsWindows, ListViewKeepsTheCheckMarksOfAThousandItems) {
    page("Form2");
    auto& list = p.program.form2().ListView1();
    list.clear();
    for (int i = 1; i <= 1000; ++i) list.add("Report " + std::to_string(i));
    for (int i = 1; i <= 1000; i += 3) list.setChecked(i, true);
    ASSERT_EQ(list.count(), 1000);
    int mismatches = 0;
    for (int i = 1; i <= 1000; ++i) {
        bool expected = (i - 1) % 3 == 0;
        bool native = ListView_GetCheckState(handleOf(list), static_cast<UINT>(i - 1)) != FALSE;
        if (list.checked(i) != expected || native != expected) ++mismatches;
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(list.itemText(1000), "Report 1000");
    for (int outside : {0, 1001}) {
        try {
            list.checked(outside);
            ADD_FAILURE() << outside;
        } catch (const platform::Failure& failure) {
            EXPECT_EQ(failure.number(), 35600);
            EXPECT_EQ(failure.description(), "Index out of bounds");
        }
    }
}

TEST_F(PagesAsWindows, DoubleClickingAReportsNamePreviewsItAndOnItsCheckBoxOnlyMarksIt) {
    page("Form2");
    auto& list = p.program.form2().ListView1();
    list.clear();
    for (const char* report : {"Sales", "Costs"}) list.add(report);
    const HWND handle = handleOf(list);
    const auto doubleClick = [&](int item, int code) {
        RECT place{};
        place.left = code;
        SendMessageW(handle, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&place));
        const LPARAM at = MAKELPARAM(code == LVIR_LABEL ? (place.left + place.right) / 2 : place.left + 8,
                                     (place.top + place.bottom) / 2);
        for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
            SendMessageW(handle, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
    };
    doubleClick(1, LVIR_LABEL);
    EXPECT_EQ(p.preview.shown, std::vector<std::string>{"||Costs"});
    EXPECT_EQ(list.selectedItem(), 2);
    doubleClick(0, LVIR_BOUNDS);  // where its check box is
    EXPECT_EQ(p.preview.shown.size(), 1u);
    EXPECT_EQ(p.ui.failures, 0);
}

TEST_F(PagesAsWindows, MouseMovesOverControlsAndThePageReachTheirHandlers) {
    auto& window = page("Form1");
    auto byName = handles(window);
    struct Move {
        HWND over;
        POINT at;
        platform::Pointer expected;
    };
    // The page's handlers show the hand over buttons and the arrow over the page and the frame.
    for (auto [over, at, expected] : {Move{byName.at("PushButton3"), {2, 2}, platform::Pointer::Custom},
                                      Move{window.handle(), {2, 2}, platform::Pointer::Default},
                                      Move{byName.at("PushButton5"), {2, 2}, platform::Pointer::Custom},
                                      Move{window.handle(), {20, 40}, platform::Pointer::Default}}) {
        SendMessageW(over, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
        EXPECT_EQ(window.pointer(), expected);
    }
}

TEST_F(PagesAsWindows, HourglassCoversTextBoxesWhileOtherPointersLeaveThemTheIBeam) {
    auto& window = page("Form1");
    HWND text = handles(window).at("Text1");
    HWND button = handles(window).at("PushButton3");
    struct Case {
        platform::Pointer pointer;
        HWND over;
        LPCWSTR expected;
    };
    for (auto [pointer, over, expected] : {Case{platform::Pointer::Hourglass, text, IDC_WAIT},
                                           Case{platform::Pointer::Hourglass, button, IDC_WAIT},
                                           Case{platform::Pointer::Default, text, IDC_IBEAM},
                                           Case{platform::Pointer::Default, button, IDC_ARROW},
                                           Case{platform::Pointer::Custom, text, IDC_IBEAM}}) {
        window.setPointer(pointer);
        SendMessageW(over, WM_SETCURSOR, reinterpret_cast<WPARAM>(over), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, expected)) << static_cast<int>(pointer);
    }
}

TEST_F(PagesAsWindows, ClosingTheFirstPageUnloadsIt) {
    SendMessageW(page("Form1").handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(p.ui.ended);
    EXPECT_TRUE(IsWindow(page("Form1").handle()));
}

// A bare window of a test's own, with one push button where the test needs one.
constexpr platform::Font kTestFont{"Arial", 9, false};
constexpr platform::WindowLayout kTestWindow{"Test", 3000, 1500, kTestFont, platform::kWhite};
constexpr platform::ControlLayout kGoButton{
    "Button", platform::ControlKind::PushButton, "Go", {0, 0, 900, 300}, 0, kTestFont, platform::kWhite};

TEST(WinWindow, FailureInAHandlerGoesToTheWindowsHandlerNotIntoUser32) {
    std::vector<std::string> failures;
    ui::WinWindow window(kTestWindow, [&](std::exception_ptr failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const platform::Failure& f) {
            failures.push_back(f.description());
        }
    });
    auto& button = window.addPushButton(kGoButton);
    button.onClick = [] { throw platform::Failure("went wrong", 5); };
    SendMessageW(handleOf(button), BM_CLICK, 0, 0);
    EXPECT_EQ(failures, std::vector<std::string>{"went wrong"});
}

TEST(WinWindow, AChangeFailingUnderTheProgramsOwnSetTextGoesBackToItsCaller) {
    int toHandler = 0;
    ui::WinWindow window(kTestWindow, [&](std::exception_ptr) { ++toHandler; });
    auto& box = window.addTextBox(
        {"Box", platform::ControlKind::TextBox, "", {0, 0, 900, 300}, 0, kTestFont, platform::kWhite});
    box.onChange = [] { throw platform::Failure("Access is denied.", 5); };
    try {
        box.setText("x");
        ADD_FAILURE() << "the caller must hear of it";
    } catch (const platform::Failure& failure) {
        EXPECT_EQ(failure.description(), "Access is denied.");
    }
    EXPECT_EQ(toHandler, 0);
    EXPECT_EQ(box.text(), "x") << "the text stays set";
    SetWindowTextW(handleOf(box), L"typed");  // a change from outside still goes to the handler
    EXPECT_EQ(toHandler, 1);
}

TEST(WinWindow, KeyboardMovesAmongTabStopsAndPressesTheFocusedButton) {
    ui::WinWindow window(kTestWindow, {});
    const platform::Font& font = kTestFont;
    using platform::ControlKind;
    // Added out of tab order: the tab index decides.
    auto& second =
        window.addPushButton({"Second", ControlKind::PushButton, "2", {0, 400, 900, 300}, 1, font, 0});
    auto& first = window.addTextBox({"First", ControlKind::TextBox, "", {0, 0, 900, 300}, 0, font, 0});
    auto& third =
        window.addPushButton({"Third", ControlKind::PushButton, "3", {0, 800, 900, 300}, 2, font, 0});
    std::vector<std::string> clicks;
    second.onClick = [&] { clicks.push_back("Second"); };
    third.onClick = [&] { clicks.push_back("Third"); };
    window.show();
    ASSERT_EQ(GetFocus(), handleOf(first));

    auto press = [&](WPARAM key, UINT message = WM_KEYDOWN) {
        MSG keyMessage{GetFocus(), message, key, 0, 0, {}};
        if (!ui::translateWindowMessage(keyMessage)) {
            TranslateMessage(&keyMessage);
            DispatchMessageW(&keyMessage);
        }
    };
    press(VK_TAB);
    EXPECT_EQ(GetFocus(), handleOf(second));
    press(VK_RETURN);
    press(VK_TAB);
    EXPECT_EQ(GetFocus(), handleOf(third));
    press(VK_SPACE);
    press(VK_SPACE, WM_KEYUP);
    EXPECT_EQ(clicks, (std::vector<std::string>{"Second", "Third"}));
}

// A 32 x 32 monochrome cursor file: its directory, one entry, then the bitmap with its two masks.
std::string monochromeCursor() {
    std::string bytes;
    auto put16 = [&](int value) {
        bytes += {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
    };
    auto put32 = [&](int value) {
        put16(value & 0xFFFF);
        put16((value >> 16) & 0xFFFF);
    };
    constexpr int kImageSize = 40 + 8 + 128 + 128;
    put16(0), put16(2), put16(1);                                               // reserved, cursor, one image
    bytes += {32, 32, 2, 0}, put16(1), put16(1), put32(kImageSize), put32(22);  // 32 x 32, hot spot (1, 1)
    put32(40), put32(32), put32(64), put16(1), put16(1);  // header: both masks stacked, one bit a pixel
    for (int i = 0; i < 6; ++i) put32(0);
    put32(0), put32(0x00FFFFFF);        // black and white
    bytes += std::string(128, '\x0F');  // the picture
    bytes += std::string(128, '\0');    // nothing transparent
    return bytes;
}

TEST(WinWindow, MouseIconLoadsACursorFileAndRefusesAnythingElse) {
    test_support::TemporaryFolder folder;
    struct Case {
        const char* file;
        std::string content;  // none: the file is missing
        bool loads;
    };
    for (const auto& [file, content, loads] :
         {Case{"pointer.cur", monochromeCursor(), true}, Case{"notes.cur", "not a cursor", false},
          Case{"missing.cur", "", false}}) {
        if (!content.empty())
            std::ofstream(std::filesystem::path(platform::win32::toWide(folder / file)), std::ios::binary)
                << content;
        ui::WinWindow window(kTestWindow, {});
        auto& button = window.addPushButton(kGoButton);
        try {
            window.setMouseIcon(folder / file);
            EXPECT_TRUE(loads) << file;
        } catch (const platform::Failure& failure) {
            EXPECT_FALSE(loads) << file;
            EXPECT_EQ(failure.number(), 481) << file;
            EXPECT_EQ(failure.description(), "Invalid picture");
        }
        if (!loads) continue;
        window.setPointer(platform::Pointer::Custom);
        HWND over = handleOf(button);
        SendMessageW(over, WM_SETCURSOR, reinterpret_cast<WPARAM>(over), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_NE(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
        EXPECT_NE(GetCursor(), nullptr);
    }
}

}  // namespace

TEST(WinWindow, MovingToAMonitorOfOtherDotsPerInchLaysThePageOutAgainFromItsTwips) {
    ui::WinWindow window(kTestWindow, {});
    using platform::ControlKind;
    auto& frame = window.addFrame({"Frame", ControlKind::Frame, "", {720, 360, 2160, 1440}, 0, kTestFont, 0});
    frame.addTextBox({"Box", ControlKind::TextBox, "", {720, 360, 1440, 720}, 1, kTestFont, 0});
    auto& list = window.addListView({"List", ControlKind::ListView, "", {0, 0, 700, 300}, 2, kTestFont, 0});
    list.addColumn("Reports");
    list.setColumnWidth(1, 1440);
    const std::vector<platform::Control*> controls = window.controls();
    HWND box = static_cast<ui::WinTextBox*>(controls[1])->handle();

    RECT proposed{10, 10, 900, 600};
    SendMessageW(window.handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(192, 192),
                 reinterpret_cast<LPARAM>(&proposed));

    // 1440 twips are an inch: 192 pixels now, wherever the page started.
    RECT place{};
    GetWindowRect(box, &place);
    MapWindowPoints(nullptr, window.handle(), reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.left, 192);
    EXPECT_EQ(place.top, 96);
    EXPECT_EQ(place.right - place.left, 192);
    EXPECT_EQ(place.bottom - place.top, 96);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)), sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, -24);  // 9 points at 192 dots per inch
    EXPECT_EQ(list.columnWidth(1), 1440);
    RECT outer{};
    GetWindowRect(window.handle(), &outer);
    EXPECT_EQ(outer.right - outer.left, 890);
}
