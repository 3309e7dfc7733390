#include "platform/win32/ui/WinWindow.h"

#include "platform/Failure.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/WideText.h"

namespace platform::win32::ui {
namespace {

constexpr wchar_t kPageClass[] = L"CalvenorPage";
constexpr DWORD kPageStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_BORDER;
constexpr long kInvalidPicture = 481;
#ifndef WM_DPICHANGED
constexpr UINT WM_DPICHANGED = 0x02E0;  // Windows 8.1 on; older headers lack it
#endif

void registerPageClass(WNDPROC procedure) {
    static const bool registered = [procedure] {
        WNDCLASSEXW pageClass{};
        pageClass.cbSize = sizeof(pageClass);
        pageClass.lpfnWndProc = procedure;
        pageClass.hInstance = GetModuleHandleW(nullptr);
        pageClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        pageClass.lpszClassName = kPageClass;
        return RegisterClassExW(&pageClass) != 0;
    }();
    if (!registered) raiseLastError("Cannot register the window class of the pages");
}

bool isPage(HWND window) {
    wchar_t className[32] = {};
    return window && GetClassNameW(window, className, 32) && lstrcmpW(className, kPageClass) == 0;
}

bool isTextBox(HWND window) {
    wchar_t className[16] = {};
    return window && GetClassNameW(window, className, 16) && lstrcmpiW(className, L"EDIT") == 0;
}

}  // namespace

WinWindow::WinWindow(const WindowLayout& layout, FailureHandler onFailure)
    : layout_(layout), backColor_(layout.backColor) {
    registerPageClass(windowProc);
    window_.reset(CreateWindowExW(0, kPageClass, toWide(layout.name).c_str(), kPageStyle, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 100, 100, nullptr, nullptr, GetModuleHandleW(nullptr),
                                  nullptr));
    if (!window_) raiseLastError("Cannot create the window " + std::string(layout.name));
    page_.emplace(window_.get(), std::move(onFailure));
    controls_.emplace(*page_, POINT{0, 0}, everyControl_);
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    RECT outer{0, 0, page_->pixels(layout.clientWidth), page_->pixels(layout.clientHeight)};
    AdjustWindowRectEx(&outer, kPageStyle, FALSE, 0);
    SetWindowPos(window_.get(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(window_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(page_->font(layout.font)), FALSE);
}

WinWindow::~WinWindow() {
    // No message of the window's destruction may reach a half-destroyed object.
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
    window_.reset();
}

void WinWindow::setBackColor(Color color) {
    backColor_ = color;
    InvalidateRect(handle(), nullptr, TRUE);
}

std::string WinWindow::caption() const {
    return toUtf8(windowText(handle()));
}

void WinWindow::setCaption(std::string_view caption) {
    if (!SetWindowTextW(handle(), toWide(caption).c_str())) raiseLastError("Cannot set the caption");
}

void WinWindow::show() {
    if (!shownBefore_) {
        shownBefore_ = true;
        RECT area{}, frame{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        GetWindowRect(handle(), &frame);
        int width = frame.right - frame.left, height = frame.bottom - frame.top;
        SetWindowPos(handle(), nullptr, area.left + (area.right - area.left - width) / 2,
                     area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ShowWindow(handle(), SW_SHOW);
        if (HWND first = GetNextDlgTabItem(handle(), nullptr, FALSE)) SetFocus(first);
        return;
    }
    ShowWindow(handle(), SW_SHOW);
}

void WinWindow::hide() {
    ShowWindow(handle(), SW_HIDE);
}

bool WinWindow::isVisible() const {
    return IsWindowVisible(handle()) != FALSE;
}

void WinWindow::setPointer(Pointer pointer) {
    pointer_ = pointer;
    // Show the new pointer now, not at the next mouse move.
    POINT at{};
    GetCursorPos(&at);
    if (WindowFromPoint(at) && GetAncestor(WindowFromPoint(at), GA_ROOT) == handle())
        SendMessageW(handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(WindowFromPoint(at)),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

void WinWindow::setMouseIcon(const std::string& cursorFile) {
    UniqueCursor cursor(LoadCursorFromFileW(toWide(cursorFile).c_str()));
    if (!cursor) throw Failure("Invalid picture", kInvalidPicture);
    customCursor_ = std::move(cursor);
}

void WinWindow::setProgramIcon() {
    HINSTANCE module = GetModuleHandleW(nullptr);
    // A build without the icon resource keeps the system's default icon.
    if (!FindResourceW(module, L"CALVENOR", MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */)) return;
    smallIcon_.reset(static_cast<HICON>(LoadImageW(
        module, L"CALVENOR", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
    bigIcon_.reset(static_cast<HICON>(LoadImageW(module, L"CALVENOR", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                 GetSystemMetrics(SM_CYICON), 0)));
    if (smallIcon_)
        SendMessageW(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    if (bigIcon_) SendMessageW(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
}

LRESULT CALLBACK WinWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<WinWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    bool handled = false;
    self->page_->guard([&] {
        result = self->handle(message, wParam, lParam);
        handled = true;
    });
    return handled ? result : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT WinWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = handle();
    switch (message) {
        case WM_CLOSE:
            // Closing is the page's decision: its unload handler ends the program or hides the page.
            onUnload();
            return 0;
        case WM_COMMAND: {
            auto* from = page_->child(reinterpret_cast<HWND>(lParam));
            if (from) {
                from->command(HIWORD(wParam));
                return 0;
            }
            // Enter on a focused push button arrives as IDOK from IsDialogMessageW.
            if (LOWORD(wParam) == IDOK && lParam == 0) {
                auto* focused = page_->child(GetFocus());
                if (focused && dynamic_cast<PushButton*>(&focused->control())) focused->command(BN_CLICKED);
            }
            return 0;
        }
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (auto* from = page_->child(header.hwndFrom)) return from->notify(header);
            break;
        }
        case WM_ERASEBKGND: {
            RECT client{};
            GetClientRect(window, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, page_->brush(backColor_));
            return 1;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN: {
            auto* from = page_->child(reinterpret_cast<HWND>(lParam));
            Color color = from ? from->control().backColor() : backColor_;
            SetBkColor(reinterpret_cast<HDC>(wParam), toColorRef(color));
            return reinterpret_cast<LRESULT>(page_->brush(color));
        }
        case WM_DPICHANGED: {
            // Moved to a monitor of other dots per inch: the same twips in that monitor's pixels, at the
            // place Windows proposes.
            page_->changeDotsPerInch(LOWORD(wParam));
            SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(page_->font(layout_.font)), FALSE);
            const RECT& proposed = *reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window, nullptr, proposed.left, proposed.top, proposed.right - proposed.left,
                         proposed.bottom - proposed.top, SWP_NOZORDER | SWP_NOACTIVATE);
            InvalidateRect(window, nullptr, TRUE);
            return 0;
        }
        case WM_SETCURSOR:
            if (setCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam))) return TRUE;
            break;
        case WM_MOUSEMOVE:
            mouseMoved({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool WinWindow::setCursor(HWND over, WORD hitTest) {
    if (hitTest != HTCLIENT) return false;
    if (pointer_ == Pointer::Hourglass) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return true;
    }
    // Text boxes keep their I-beam under any pointer but the hourglass.
    if (isTextBox(over)) return false;
    SetCursor(pointer_ == Pointer::Custom && customCursor_ ? customCursor_.get()
                                                           : LoadCursorW(nullptr, IDC_ARROW));
    return true;
}

void WinWindow::mouseMoved(POINT at) {
    // A group box lets the mouse through to the page: the move is the frame's when it is over one.
    for (Control* control : everyControl_) {
        if (control->kind() != ControlKind::Frame) continue;
        HWND frame = static_cast<WinFrame*>(control)->handle();
        RECT place{};
        GetWindowRect(frame, &place);
        MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT*>(&place), 2);
        if (PtInRect(&place, at)) {
            control->onMouseMove();
            return;
        }
    }
    onMouseMove();
}

bool translateWindowMessage(MSG& message) {
    HWND page = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    return isPage(page) && IsDialogMessageW(page, &message);
}

}  // namespace platform::win32::ui
