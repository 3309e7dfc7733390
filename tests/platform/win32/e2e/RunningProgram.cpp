#include "tests/platform/win32/e2e/RunningProgram.h"

#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "platform/win32/WideText.h"

namespace calvenor::e2e {

namespace {

constexpr UINT kReplyLimitMs = 5000;

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what);
}

}  // namespace

void waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit,
               const std::string& what) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) fail("timed out waiting for " + what);
        std::this_thread::sleep_for(50ms);
    }
}

namespace {

// Polls until `found` gives a window, or fails the test with `what` when the limit has passed.
HWND pollFor(const std::function<HWND()>& found, std::chrono::milliseconds limit, const std::string& what) {
    HWND window = nullptr;
    waitUntil([&] { return (window = found()) != nullptr; }, limit, what);
    return window;
}

LRESULT sendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kReplyLimitMs, &result))
        fail("the program did not answer message " + std::to_string(message));
    return static_cast<LRESULT>(result);
}

std::wstring classOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// Memory inside the program under test, for the list view messages that carry pointers.
class RemoteMemory {
  public:
    RemoteMemory(HANDLE process, std::size_t size)
        : process_(process),
          address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {
        if (!address_) fail("cannot reach the program's memory");
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    ~RemoteMemory() { VirtualFreeEx(process_, address_, 0, MEM_RELEASE); }

    template <class Value>
    void write(const Value& value) {
        if (!WriteProcessMemory(process_, address_, &value, sizeof value, nullptr))
            fail("cannot write to the program");
    }
    void read(std::size_t offset, void* into, std::size_t size) const {
        if (!ReadProcessMemory(process_, static_cast<char*>(address_) + offset, into, size, nullptr))
            fail("cannot read from the program");
    }
    LPARAM at(std::size_t offset = 0) const {
        return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + offset);
    }

  private:
    HANDLE process_;
    void* address_;
};

void releaseScreenDc(HDC dc) {
    ReleaseDC(nullptr, dc);
}
void deleteDc(HDC dc) {
    DeleteDC(dc);
}
void deleteBitmap(HBITMAP bitmap) {
    DeleteObject(bitmap);
}
using ScreenDc = platform::win32::Unique<HDC, releaseScreenDc>;
using MemoryDc = platform::win32::Unique<HDC, deleteDc>;
using Bitmap = platform::win32::Unique<HBITMAP, deleteBitmap>;

}  // namespace

RunningProgram::RunningProgram(const std::wstring& program) {
    std::wstring folder = program.substr(0, program.find_last_of(L'\\'));
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &started))
        fail("cannot start " + platform::win32::toUtf8(program));
    process_.reset(started.hProcess);
    CloseHandle(started.hThread);
    processId_ = started.dwProcessId;
}

RunningProgram::~RunningProgram() {
    if (waitForExit(0ms)) return;
    for (HWND window : windows(nullptr)) PostMessageW(window, WM_CLOSE, 0, 0);
    if (waitForExit(5s)) return;
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 2000);
}

std::vector<HWND> RunningProgram::windows(const wchar_t* className) const {
    struct Search {
        DWORD processId;
        const wchar_t* className;
        std::vector<HWND> found;
    } search{processId_, className, {}};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == search.processId && (!search.className || classOf(window) == search.className))
                search.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND RunningProgram::waitForWindow(const wchar_t* className, const std::function<bool(HWND)>& accept,
                                   std::chrono::milliseconds limit) const {
    return pollFor(
        [&]() -> HWND {
            for (HWND window : windows(className))
                if (IsWindowVisible(window) && accept(window)) return window;
            return nullptr;
        },
        limit, "a window of class " + platform::win32::toUtf8(className));
}

HWND RunningProgram::visiblePage(const std::wstring& buttonCaption) const {
    for (HWND window : windows(L"CalvenorPage"))
        if (IsWindowVisible(window) && childOf(window, L"Button", buttonCaption)) return window;
    return nullptr;
}

HWND RunningProgram::waitForPage(const std::wstring& buttonCaption, std::chrono::milliseconds limit) const {
    return pollFor([&] { return visiblePage(buttonCaption); }, limit,
                   "the page with \"" + platform::win32::toUtf8(buttonCaption) + "\"");
}

HWND RunningProgram::waitForDialog(std::chrono::milliseconds limit) const {
    return waitForWindow(
        L"#32770", [](HWND) { return true; }, limit);
}

bool RunningProgram::hasVisibleDialog() const {
    for (HWND window : windows(L"#32770"))
        if (IsWindowVisible(window)) return true;
    return false;
}

bool RunningProgram::waitForExit(std::chrono::milliseconds limit) const {
    return WaitForSingleObject(process_.get(), static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
}

DWORD RunningProgram::exitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

std::vector<std::wstring> RunningProgram::listItems(HWND listView) const {
    constexpr int kLength = 512;
    const auto count = static_cast<int>(sendTo(listView, LVM_GETITEMCOUNT, 0, 0));
    RemoteMemory memory(process_.get(), sizeof(LVITEMW) + kLength * sizeof(wchar_t));
    std::vector<std::wstring> items;
    for (int index = 0; index < count; ++index) {
        LVITEMW item{};
        item.pszText = reinterpret_cast<wchar_t*>(memory.at(sizeof(LVITEMW)));
        item.cchTextMax = kLength;
        memory.write(item);
        const auto length = static_cast<std::size_t>(sendTo(listView, LVM_GETITEMTEXTW, index, memory.at()));
        std::wstring text(length, L'\0');
        memory.read(sizeof(LVITEMW), text.data(), length * sizeof(wchar_t));
        items.push_back(text);
    }
    return items;
}

std::vector<bool> RunningProgram::checkMarks(HWND listView) const {
    const auto count = static_cast<int>(sendTo(listView, LVM_GETITEMCOUNT, 0, 0));
    std::vector<bool> marks;
    for (int index = 0; index < count; ++index) {
        const auto state = static_cast<UINT>(sendTo(listView, LVM_GETITEMSTATE, index, LVIS_STATEIMAGEMASK));
        marks.push_back((state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2));
    }
    return marks;
}

void RunningProgram::setCheckMark(HWND listView, int index, bool checked) const {
    RemoteMemory memory(process_.get(), sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    memory.write(item);
    sendTo(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(index), memory.at());
}

std::wstring textOf(HWND window) {
    const auto length = static_cast<std::size_t>(sendTo(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    const auto copied = static_cast<std::size_t>(
        sendTo(window, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data())));
    text.resize(copied);
    return text;
}

std::vector<HWND> childrenOf(HWND parent, const wchar_t* className) {
    struct Search {
        const wchar_t* className;
        std::vector<HWND> found;
    } search{className, {}};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM parameter) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(parameter);
            if (_wcsicmp(classOf(child).c_str(), search.className) == 0) search.found.push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND childOf(HWND parent, const wchar_t* className, const std::wstring& text) {
    for (HWND child : childrenOf(parent, className))
        if (text.empty() || textOf(child) == text) return child;
    return nullptr;
}

std::wstring messageOf(HWND dialog) {
    constexpr int kMessageBoxText = 0xFFFF;  // the static control that holds a message box's message
    if (HWND message = GetDlgItem(dialog, kMessageBoxText)) return textOf(message);
    return {};
}

void type(HWND textBox, const std::wstring& text) {
    sendTo(textBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void click(HWND button) {
    if (!PostMessageW(button, BM_CLICK, 0, 0)) fail("cannot click");
}

void answerOk(HWND dialog) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

bool answers(HWND window, std::chrono::milliseconds limit) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, static_cast<UINT>(limit.count()),
                               &result) != 0;
}

bool saveScreenshot(HWND window, const std::wstring& path) {
    RECT area{};
    if (!GetWindowRect(window, &area)) return false;
    const int width = area.right - area.left, height = area.bottom - area.top;
    ScreenDc screen(GetDC(nullptr));
    MemoryDc memory(CreateCompatibleDC(screen.get()));
    Bitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    if (!screen || !memory || !bitmap) return false;
    HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    const bool copied = BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY);
    SelectObject(memory.get(), previous);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
    std::string pixels(stride * static_cast<DWORD>(height), '\0');
    if (!copied || !GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(),
                              reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS))
        return false;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(out);
}

}  // namespace calvenor::e2e
