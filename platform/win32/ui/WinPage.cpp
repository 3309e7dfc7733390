#include "platform/win32/ui/WinPage.h"

#include <algorithm>
#include <cmath>

#include "platform/Failure.h"
#include "platform/Twips.h"
#include "platform/win32/SystemError.h"

namespace platform::win32::ui {
namespace {

// GetDpiForWindow exists from Windows 10 1607 on; older systems (and Wine) may lack it.
double dotsPerInchOf(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    if (HMODULE user32 = GetModuleHandleW(L"user32.dll")) {
        auto getDpi = reinterpret_cast<GetDpiForWindowFunction>(
            reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")));
        if (getDpi) {
            if (UINT dpi = getDpi(window)) return dpi;
        }
    }
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int zRank(ControlKind kind) {
    switch (kind) {
        case ControlKind::Frame:
            return 2;
        case ControlKind::Label:
            return 1;
        default:
            return 0;
    }
}

}  // namespace

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

COLORREF toColorRef(Color color) {
    return isSystemColor(color) ? GetSysColor(static_cast<int>(color & 0xFF)) : static_cast<COLORREF>(color);
}

ChildControl::~ChildControl() {
    if (handle_) RemoveWindowSubclass(handle_, subclassProc, 0);
}

void ChildControl::attach(HWND handle, Page& page) {
    handle_ = handle;
    owner_ = &page;
    SetWindowSubclass(handle, subclassProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK ChildControl::subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR self) {
    if (message == WM_MOUSEMOVE) {
        auto* control = reinterpret_cast<ChildControl*>(self);
        control->owner_->guard([control] { control->control().onMouseMove(); });
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

Page::Page(HWND window, FailureHandler onFailure)
    : window_(window), onFailure_(std::move(onFailure)), dotsPerInch_(dotsPerInchOf(window)) {}

int Page::pixels(int twips) const {
    return twipsToPixels(twips, dotsPerInch_);
}

int Page::twips(int pixels) const {
    return static_cast<int>(std::lround(pixels * kTwipsPerInch / dotsPerInch_));
}

HFONT Page::font(const Font& font) {
    auto& owned = fonts_[{font.points, font.bold}];
    if (!owned) {
        LOGFONTW description{};
        description.lfHeight = -static_cast<LONG>(std::lround(font.points * dotsPerInch_ / 72));
        description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
        description.lfCharSet = DEFAULT_CHARSET;
        description.lfQuality = DEFAULT_QUALITY;
        wcsncpy(description.lfFaceName, L"Arial", LF_FACESIZE - 1);
        owned.reset(CreateFontIndirectW(&description));
        if (!owned) raiseLastError("Cannot create the font Arial");
    }
    return owned.get();
}

HBRUSH Page::brush(Color color) {
    auto& owned = brushes_[color];
    if (!owned) {
        owned.reset(CreateSolidBrush(toColorRef(color)));
        if (!owned) raiseLastError("Cannot create a brush");
    }
    return owned.get();
}

HWND Page::createChild(const wchar_t* className, DWORD style, const ControlLayout& layout, POINT origin) {
    HWND child = CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, window_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId_++)),
                                 GetModuleHandleW(nullptr), nullptr);
    if (!child) raiseLastError("Cannot create the control " + std::string(layout.name));
    const TwipsRect& rect = layout.rect;
    placements_.push_back(
        {child, {origin.x + rect.left, origin.y + rect.top, rect.width, rect.height}, layout.font});
    place(placements_.back());
    return child;
}

void Page::place(const Placement& placement) {
    const TwipsRect& at = placement.twips;
    SetWindowPos(placement.handle, nullptr, pixels(at.left), pixels(at.top), pixels(at.width),
                 pixels(at.height), SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(placement.handle, WM_SETFONT, reinterpret_cast<WPARAM>(font(placement.font)), TRUE);
}

void Page::changeDotsPerInch(double dotsPerInch) {
    if (dotsPerInch <= 0 || dotsPerInch == dotsPerInch_) return;
    const double scale = dotsPerInch / dotsPerInch_;
    dotsPerInch_ = dotsPerInch;
    // The old fonts go only after every child has taken its new one.
    const auto oldFonts = std::move(fonts_);
    fonts_.clear();
    for (const Placement& placement : placements_) {
        place(placement);
        if (ChildControl* control = child(placement.handle)) control->dotsPerInchChanged(scale);
    }
}

void Page::add(ChildControl& child, const ControlLayout& layout) {
    children_[child.handle()] = &child;
    Placed placed{zRank(layout.kind), layout.tabIndex, child.handle()};
    zOrder_.insert(std::upper_bound(zOrder_.begin(), zOrder_.end(), placed,
                                    [](const Placed& a, const Placed& b) {
                                        return std::pair(a.rank, a.tabIndex) < std::pair(b.rank, b.tabIndex);
                                    }),
                   placed);
    HWND after = HWND_TOP;
    for (const auto& each : zOrder_) {
        SetWindowPos(each.handle, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = each.handle;
    }
}

ChildControl* Page::child(HWND handle) const {
    auto found = children_.find(handle);
    return found == children_.end() ? nullptr : found->second;
}

void Page::guard(const std::function<void()>& handler) noexcept {
    try {
        handler();
    } catch (const ProgramEnded&) {
        // The program has ended: the handler stops here, and nothing is reported.
    } catch (...) {
        if (!onFailure_) return;
        try {
            onFailure_(std::current_exception());
        } catch (...) {
            // A failing failure handler has nowhere left to report to.
        }
    }
}

}  // namespace platform::win32::ui
