#include "platform/win32/ui/WinControls.h"

#include <utility>

#include "platform/win32/WideText.h"
#include "platform/win32/ui/WinListView.h"

namespace platform::win32::ui {
namespace {

bool isHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// Characters (code points) from the start of the text to a UTF-16 position, and back.
int unitsToCharacters(const std::wstring& text, int units) {
    int characters = 0;
    for (int i = 0; i < units && i < static_cast<int>(text.size()); ++i, ++characters) {
        if (isHighSurrogate(text[static_cast<size_t>(i)]) && i + 1 < units) ++i;
    }
    return characters;
}

int charactersToUnits(const std::wstring& text, int characters) {
    int units = 0;
    for (int c = 0; c < characters && units < static_cast<int>(text.size()); ++c) {
        units += isHighSurrogate(text[static_cast<size_t>(units)]) ? 2 : 1;
    }
    return std::min(units, static_cast<int>(text.size()));
}

}  // namespace

WinLabel::WinLabel(Page& page, const ControlLayout& layout, POINT origin) : WinControl(page, layout) {
    create(L"STATIC", SS_LEFT | SS_NOPREFIX, origin);
}

WinPushButton::WinPushButton(Page& page, const ControlLayout& layout, POINT origin)
    : WinControl(page, layout) {
    create(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, origin);
}

void WinPushButton::command(WORD code) {
    if (code == BN_CLICKED) onClick();
}

WinTextBox::WinTextBox(Page& page, const ControlLayout& layout, POINT origin) : WinControl(page, layout) {
    create(L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP | WS_BORDER | (layout.password ? ES_PASSWORD : 0), origin);
    if (layout.password) SendMessageW(handle(), EM_SETPASSWORDCHAR, L'*', 0);
}

std::string WinTextBox::text() const {
    return toUtf8(windowText(handle()));
}

void WinTextBox::setText(std::string_view text) {
    std::wstring wide = toWide(text);
    if (wide == windowText(handle())) return;
    settingText_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{settingText_};
    changeFailure_ = nullptr;
    SetWindowTextW(handle(), wide.c_str());
    // The change handler ran inside user32, which cannot unwind: its failure waited here and now belongs
    // to the statement that set the text, whose trap reports it.
    if (auto failure = std::exchange(changeFailure_, nullptr)) std::rethrow_exception(failure);
}

void WinTextBox::setSelection(int start, int length) {
    std::wstring text = windowText(handle());
    int from = charactersToUnits(text, std::max(start, 0));
    int to = charactersToUnits(text, std::max(start, 0) + std::max(length, 0));
    SendMessageW(handle(), EM_SETSEL, static_cast<WPARAM>(from), static_cast<LPARAM>(to));
}

void WinTextBox::setFocus() {
    SetFocus(handle());
}

int WinTextBox::selectionStart() const {
    DWORD from = 0, to = 0;
    SendMessageW(handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    return unitsToCharacters(windowText(handle()), static_cast<int>(from));
}

int WinTextBox::selectionLength() const {
    DWORD from = 0, to = 0;
    SendMessageW(handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    std::wstring text = windowText(handle());
    return unitsToCharacters(text, static_cast<int>(to)) - unitsToCharacters(text, static_cast<int>(from));
}

void WinTextBox::command(WORD code) {
    if (code == EN_CHANGE && settingText_) {
        try {
            onChange();
        } catch (...) {
            changeFailure_ = std::current_exception();
        }
    } else if (code == EN_CHANGE) {
        onChange();
    }
    if (code == EN_SETFOCUS) onGotFocus();
}

WinFrame::WinFrame(Page& page, const ControlLayout& layout, POINT origin, std::vector<Control*>& everyControl)
    : WinControl(page, layout),
      contents_(page, {origin.x + layout.rect.left, origin.y + layout.rect.top}, everyControl) {
    create(L"BUTTON", BS_GROUPBOX, origin);
}

template <typename Made, typename... Arguments>
Made& ControlMaker::make(Arguments&&... arguments) {
    auto made = std::make_unique<Made>(page_, std::forward<Arguments>(arguments)...);
    Made& result = *made;
    owned_.push_back(std::move(made));
    everyControl_.push_back(&result);
    return result;
}

Frame& ControlMaker::addFrame(const ControlLayout& layout) {
    return make<WinFrame>(layout, origin_, everyControl_);
}
Label& ControlMaker::addLabel(const ControlLayout& layout) {
    return make<WinLabel>(layout, origin_);
}
TextBox& ControlMaker::addTextBox(const ControlLayout& layout) {
    return make<WinTextBox>(layout, origin_);
}
PushButton& ControlMaker::addPushButton(const ControlLayout& layout) {
    return make<WinPushButton>(layout, origin_);
}
ListView& ControlMaker::addListView(const ControlLayout& layout) {
    return make<WinListView>(layout, origin_);
}

}  // namespace platform::win32::ui
