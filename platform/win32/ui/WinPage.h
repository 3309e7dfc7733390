#pragma once

#include <windows.h>
// after windows.h, whose types it uses
#include <commctrl.h>

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Ui.h"
#include "platform/win32/ScopedHandles.h"

namespace platform::win32::ui {

// Where a failure inside a window's message handling goes: no exception may cross into user32.
using FailureHandler = std::function<void(std::exception_ptr)>;

inline void deleteGdiObject(HGDIOBJ object) {
    DeleteObject(object);
}
inline void destroyWindow(HWND window) {
    DestroyWindow(window);
}
inline void destroyCursor(HCURSOR cursor) {
    DestroyCursor(cursor);
}
inline void destroyIcon(HICON icon) {
    DestroyIcon(icon);
}
using UniqueFont = Unique<HFONT, deleteGdiObject>;
using UniqueBrush = Unique<HBRUSH, deleteGdiObject>;
using UniqueWindow = Unique<HWND, destroyWindow>;
using UniqueCursor = Unique<HCURSOR, destroyCursor>;
using UniqueIcon = Unique<HICON, destroyIcon>;

// A window's text, whatever its length.
std::wstring windowText(HWND window);

class Page;

// A child window of a page: it answers the notifications the page forwards and reports mouse moves.
class ChildControl {
  public:
    ChildControl(const ChildControl&) = delete;
    ChildControl& operator=(const ChildControl&) = delete;
    virtual ~ChildControl();

    HWND handle() const { return handle_; }
    virtual platform::Control& control() = 0;
    virtual void command(WORD /*code*/) {}
    // The page moved to a monitor of other dots per inch: what the control sized in pixels itself
    // (beyond its place and font, which the page keeps) grows or shrinks by `scale`.
    virtual void dotsPerInchChanged(double /*scale*/) {}
    virtual LRESULT notify(const NMHDR& /*header*/) { return 0; }

  protected:
    ChildControl() = default;
    void attach(HWND handle, Page& page);

  private:
    static LRESULT CALLBACK subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    HWND handle_ = nullptr;
    Page* owner_ = nullptr;
};

// What the controls of one page share: the page window, its dots per inch, one font object per distinct
// font and one brush per colour, the children by handle, and the handler for failures.
class Page {
  public:
    Page(HWND window, FailureHandler onFailure);

    HWND window() const { return window_; }
    double dotsPerInch() const { return dotsPerInch_; }
    int pixels(int twips) const;
    int twips(int pixels) const;
    HFONT font(const platform::Font& font);
    HBRUSH brush(platform::Color color);

    // Creates a child window of the page at the layout's place, offset by `origin` (twips from the page's
    // top left corner: a frame's contents sit inside the frame while staying children of the page).
    HWND createChild(const wchar_t* className, DWORD style, const platform::ControlLayout& layout,
                     POINT origin);
    // Lays every child out afresh from its twips, with fonts made for the new dots per inch.
    void changeDotsPerInch(double dotsPerInch);
    // Registers a child and puts it in the z-order: tab stops by tab index first, then labels, frames last
    // (so that a group box never paints over what it holds).
    void add(ChildControl& child, const platform::ControlLayout& layout);
    ChildControl* child(HWND handle) const;

    // Runs an event handler at the boundary with user32: a failure goes to the handler, never further.
    void guard(const std::function<void()>& handler) noexcept;

  private:
    struct Placed {
        int rank, tabIndex;
        HWND handle;
    };
    // Where a child sits in twips relative to the page, and its font: enough to lay it out at any DPI.
    struct Placement {
        HWND handle;
        platform::TwipsRect twips;
        platform::Font font;
    };
    void place(const Placement& placement);
    HWND window_;
    FailureHandler onFailure_;
    double dotsPerInch_;
    int nextId_ = 100;  // clear of IDOK and IDCANCEL, which IsDialogMessageW sends for Enter and Escape
    std::map<std::pair<double, bool>, UniqueFont> fonts_;
    std::map<platform::Color, UniqueBrush> brushes_;
    std::map<HWND, ChildControl*> children_;
    std::vector<Placed> zOrder_;
    std::vector<Placement> placements_;
};

COLORREF toColorRef(platform::Color color);

}  // namespace platform::win32::ui
