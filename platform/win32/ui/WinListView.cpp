#include "platform/win32/ui/WinListView.h"

#include <cmath>

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

int WinListView::itemIndex(int position) const {
    if (position < 1 || position > count()) throw indexOutOfBounds();
    return position - 1;
}

int WinListView::columnIndex(int column) const {
    if (column < 1 || column > columnCount()) throw indexOutOfBounds();
    return column - 1;
}

}  // namespace platform::win32::ui
