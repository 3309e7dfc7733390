#include "platform/win32/ui/WinListView.h"

#include <cmath>
#include <iterator>

#include "platform/Failure.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/WideText.h"

namespace platform::win32::ui {
namespace {

constexpr int kDefaultColumnTwips = 1440;

Failure indexOutOfBounds() {
    return Failure("Index out of bounds", 35600);
}

HWND headerOf(HWND list) {
    return reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
}

}  // namespace

WinListView::WinListView(Page& page, const ControlLayout& layout, POINT origin) : WinControl(page, layout) {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_LISTVIEW_CLASSES};
        return InitCommonControlsEx(&classes) != FALSE;
    }();
    if (!registered) raiseLastError("Cannot register the list view class");
    create(WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP | WS_BORDER, origin);
    // Extended styles take effect only on an existing list view.
    SendMessageW(handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT,
                 LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
}

void WinListView::addColumn(std::string_view text) {
    std::wstring wide = toWide(text);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = wide.data();
    column.cx = page_.pixels(kDefaultColumnTwips);
    int at = columnCount();
    if (SendMessageW(handle(), LVM_INSERTCOLUMNW, static_cast<WPARAM>(at),
                     reinterpret_cast<LPARAM>(&column)) < 0)
        raiseLastError("Cannot add a column to " + std::string(name()));
}

int WinListView::columnCount() const {
    return static_cast<int>(SendMessageW(headerOf(handle()), HDM_GETITEMCOUNT, 0, 0));
}

std::string WinListView::columnText(int column) const {
    std::wstring text(260, L'\0');
    LVCOLUMNW query{};
    query.mask = LVCF_TEXT;
    query.pszText = text.data();
    query.cchTextMax = static_cast<int>(text.size());
    SendMessageW(handle(), LVM_GETCOLUMNW, static_cast<WPARAM>(columnIndex(column)),
                 reinterpret_cast<LPARAM>(&query));
    return toUtf8(text.c_str());
}

void WinListView::setColumnWidth(int column, int twips) {
    SendMessageW(handle(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(columnIndex(column)), page_.pixels(twips));
}

int WinListView::columnWidth(int column) const {
    return page_.twips(static_cast<int>(
        SendMessageW(handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(columnIndex(column)), 0)));
}

void WinListView::dotsPerInchChanged(double scale) {
    for (int index = 0; index < columnCount(); ++index) {
        const auto width = SendMessageW(handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(index), 0);
        SendMessageW(handle(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(index),
                     static_cast<LPARAM>(std::lround(static_cast<double>(width) * scale)));
    }
}

void WinListView::clear() {
    SendMessageW(handle(), LVM_DELETEALLITEMS, 0, 0);
}

void WinListView::add(std::string_view text) {
    std::wstring wide = toWide(text);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = count();
    item.pszText = wide.data();
    if (SendMessageW(handle(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) < 0)
        raiseLastError("Cannot add an item to " + std::string(name()));
}

int WinListView::count() const {
    return static_cast<int>(SendMessageW(handle(), LVM_GETITEMCOUNT, 0, 0));
}

std::string WinListView::itemText(int position) const {
    int index = itemIndex(position);
    // The list view copies at most the buffer's size and reports how much it wrote: grow until it fits.
    for (size_t size = 256;; size *= 2) {
        std::wstring text(size, L'\0');
        LVITEMW query{};
        query.iSubItem = 0;
        query.pszText = text.data();
        query.cchTextMax = static_cast<int>(size);
        auto written = static_cast<size_t>(SendMessageW(
            handle(), LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&query)));
        if (written + 1 < size) return toUtf8(std::wstring_view(text.c_str(), written));
    }
}

bool WinListView::checked(int position) const {
    return ListView_GetCheckState(handle(), static_cast<UINT>(itemIndex(position))) != FALSE;
}

void WinListView::setChecked(int position, bool checked) {
    ListView_SetCheckState(handle(), itemIndex(position), checked ? TRUE : FALSE);
}

int WinListView::selectedItem() const {
    return static_cast<int>(SendMessageW(handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)) +
           1;
}

Event& WinListView::addMenuCommand(std::string_view caption) {
    return menu_.emplace_back(MenuCommand{toWide(caption), {}}).chosen;
}

LRESULT WinListView::notify(const NMHDR& header) {
    if (header.code != NM_DBLCLK && header.code != NM_RCLICK) return 0;
    const auto& activate = reinterpret_cast<const NMITEMACTIVATE&>(header);
    LVHITTESTINFO hit{};
    hit.pt = activate.ptAction;
    const int index =
        static_cast<int>(SendMessageW(handle(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (index < 0) return 0;
    if (header.code == NM_DBLCLK) {
        // A double click on the check box only marks the item.
        if ((hit.flags & LVHT_ONITEMSTATEICON) == 0) page_.guard([this] { onDoubleClick(); });
        return 0;
    }
    ListView_SetItemState(handle(), index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    showMenu(activate.ptAction);
    return 0;
}

void WinListView::showMenu(POINT at) {
    if (menu_.empty()) return;
    struct MenuDestroyer {
        HMENU menu;
        ~MenuDestroyer() { DestroyMenu(menu); }
    } menu{CreatePopupMenu()};
    if (!menu.menu) return;
    UINT id = 1;
    for (const auto& command : menu_) AppendMenuW(menu.menu, MF_STRING, id++, command.caption.c_str());
    ClientToScreen(handle(), &at);
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu.menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, page_.window(), nullptr));
    if (chosen == 0) return;
    auto command = menu_.begin();
    std::advance(command, chosen - 1);
    page_.guard([&] { command->chosen(); });
}

int WinListView::itemIndex(int position) const {
    if (position < 1 || position > count()) throw indexOutOfBounds();
    return position - 1;
}

int WinListView::columnIndex(int column) const {
    if (column < 1 || column > columnCount()) throw indexOutOfBounds();
    return column - 1;
}

}  // namespace platform::win32::ui
