#include "platform/win32/ui/Dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <exception>
#include <iterator>
#include <vector>

#include "platform/Failure.h"
#include "platform/win32/ScopedHandles.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/WideText.h"

namespace platform::win32::ui {

namespace {

// Long enough for any path Windows accepts with the \\?\ prefix.
constexpr DWORD kLongPathLength = 32768;

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// ---- the input box: a dialog template built in memory --------------------------------------------------

constexpr WORD kPromptId = 100;
constexpr WORD kEditId = 101;
enum class ControlClass : WORD { Button = 0x0080, Edit = 0x0081, Static = 0x0082 };

// DLGTEMPLATE and DLGITEMTEMPLATE are variable-length records of WORDs, each item aligned on a DWORD.
class DialogTemplate {
  public:
    DialogTemplate(DWORD style, short width, short height, std::wstring_view caption, const LOGFONTW& font) {
        add(style | DS_SETFONT | DS_MODALFRAME);
        add(DWORD{0});  // extended style
        itemCountAt_ = words_.size();
        words_.push_back(0);
        for (short value : {short{0}, short{0}, width, height}) words_.push_back(static_cast<WORD>(value));
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the standard dialog class
        add(caption);
        words_.push_back(static_cast<WORD>(pointSize(font)));
        add(std::wstring_view{font.lfFaceName});
    }

    void addControl(ControlClass kind, WORD id, DWORD style, short x, short y, short width, short height,
                    std::wstring_view text) {
        if (words_.size() % 2 != 0) words_.push_back(0);
        add(style | WS_CHILD | WS_VISIBLE);
        add(DWORD{0});
        for (short value : {x, y, width, height}) words_.push_back(static_cast<WORD>(value));
        words_.push_back(id);
        words_.push_back(0xFFFF);
        words_.push_back(static_cast<WORD>(kind));
        add(text);
        words_.push_back(0);  // no creation data
        ++words_[itemCountAt_];
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  private:
    static int pointSize(const LOGFONTW& font) {
        HDC screen = GetDC(nullptr);
        const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) ReleaseDC(nullptr, screen);
        const int pixels = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
        return pixels ? std::max(1, MulDiv(pixels, 72, dpi)) : 9;
    }
    void add(DWORD value) {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void add(std::wstring_view text) {
        words_.insert(words_.end(), text.begin(), text.end());
        words_.push_back(0);
    }

    std::vector<WORD> words_;
    size_t itemCountAt_ = 0;
};

LOGFONTW messageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        LOGFONTW fallback{};
        fallback.lfHeight = -12;
        std::copy_n(L"MS Shell Dlg", 13, fallback.lfFaceName);
        return fallback;
    }
    return metrics.lfMessageFont;
}

void centreOn(HWND window, HWND owner) {
    RECT area{};
    if (!owner || !IsWindowVisible(owner) || IsIconic(owner) || !GetWindowRect(owner, &area)) {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT own{};
    GetWindowRect(window, &own);
    const int width = own.right - own.left, height = own.bottom - own.top;
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

struct InputBoxState {
    std::wstring text;
    std::exception_ptr failure;
};

INT_PTR CALLBACK inputBoxProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* state = reinterpret_cast<InputBoxState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    try {
        switch (message) {
            case WM_INITDIALOG: {
                SetWindowLongPtrW(dialog, DWLP_USER, lParam);
                HWND edit = GetDlgItem(dialog, kEditId);
                SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);  // no limit but the system's
                centreOn(dialog, GetWindow(dialog, GW_OWNER));
                SetFocus(edit);
                return FALSE;  // the focus is set
            }
            case WM_COMMAND:
                if (LOWORD(wParam) == IDOK) {
                    state->text = windowText(GetDlgItem(dialog, kEditId));
                    EndDialog(dialog, IDOK);
                    return TRUE;
                }
                if (LOWORD(wParam) == IDCANCEL) {
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                }
                break;
        }
    } catch (...) {
        if (state) state->failure = std::current_exception();
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

// ---- the open-file dialog -------------------------------------------------------------------------------

// "description|pattern|description|pattern|" as the NUL-separated, double-NUL-terminated list Windows reads.
std::wstring fileFilter(std::string_view filter) {
    std::wstring list = toWide(filter);
    std::replace(list.begin(), list.end(), L'|', L'\0');
    if (list.empty() || list.back() != L'\0') list.push_back(L'\0');
    list.push_back(L'\0');
    return list;
}

std::string commonDialogError(DWORD code) {
    struct Known {
        DWORD code;
        const char* text;
    };
    static constexpr Known known[] = {
        {CDERR_DIALOGFAILURE, "the dialog box could not be created"},
        {CDERR_INITIALIZATION, "there is not enough memory"},
        {CDERR_MEMALLOCFAILURE, "there is not enough memory"},
        {CDERR_STRUCTSIZE, "the structure size is invalid"},
        {CDERR_FINDRESFAILURE, "a resource could not be found"},
        {CDERR_LOADRESFAILURE, "a resource could not be loaded"},
        {CDERR_LOADSTRFAILURE, "a string could not be loaded"},
        {FNERR_BUFFERTOOSMALL, "the file name is too long"},
        {FNERR_INVALIDFILENAME, "the file name is not valid"},
        {FNERR_SUBCLASSFAILURE, "there is not enough memory to subclass the list box"},
    };
    for (const Known& entry : known) {
        if (entry.code == code) return entry.text;
    }
    return "common dialog error " + std::to_string(code);
}

// ---- the folder chooser ---------------------------------------------------------------------------------

int CALLBACK selectStartFolder(HWND dialog, UINT message, LPARAM, LPARAM startFolder) noexcept {
    if (message == BFFM_INITIALIZED && startFolder) {
        const auto* folder = reinterpret_cast<const wchar_t*>(startFolder);
        if (*folder) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, startFolder);
    }
    return 0;
}

using UniqueItemList = UniqueCoTaskMem<PIDLIST_ABSOLUTE>;

}  // namespace

MessageAnswer showMessageBox(HWND owner, std::string_view text, std::string_view caption,
                             MessageButtons buttons, MessageIcon icon) {
    UINT style = buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK;
    if (icon == MessageIcon::Exclamation) style |= MB_ICONEXCLAMATION;
    if (!owner) style |= MB_TASKMODAL;
    switch (MessageBoxW(owner, toWide(text).c_str(), toWide(caption).c_str(), style)) {
        case 0:
            raiseLastError("Cannot show the message box");
        case IDYES:
            return MessageAnswer::Yes;
        case IDNO:
            return MessageAnswer::No;
        default:
            return MessageAnswer::Ok;
    }
}

std::string showInputBox(HWND owner, std::string_view prompt, std::string_view caption) {
    // Dialog units, as the classic input box lays itself out: the prompt beside the buttons, the field
    // across the bottom.
    DialogTemplate layout{WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 260, 90, toWide(caption),
                          messageFont()};
    layout.addControl(ControlClass::Static, kPromptId, SS_LEFT | SS_NOPREFIX, 7, 7, 186, 54, toWide(prompt));
    layout.addControl(ControlClass::Button, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 203, 7, 50, 14, L"OK");
    layout.addControl(ControlClass::Button, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 203, 25, 50, 14, L"Cancel");
    layout.addControl(ControlClass::Edit, kEditId, ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 68,
                      246, 14, L"");

    InputBoxState state;
    const INT_PTR answer = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), layout.get(), owner,
                                                   inputBoxProcedure, reinterpret_cast<LPARAM>(&state));
    if (answer == -1) raiseLastError("Cannot show the input box");
    if (state.failure) std::rethrow_exception(state.failure);
    return answer == IDOK ? toUtf8(state.text) : std::string{};
}

void showOpenFile(HWND owner, OpenFileDialog& dialog) {
    const std::wstring filter = fileFilter(dialog.filter);
    const std::wstring title = toWide(dialog.dialogTitle);
    std::wstring fileName = toWide(dialog.fileName);
    fileName.resize(std::max<size_t>(kLongPathLength, fileName.size() + 1), L'\0');

    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = dialog.filter.empty() ? nullptr : filter.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = fileName.data();
    request.nMaxFile = static_cast<DWORD>(fileName.size());
    request.lpstrTitle = title.empty() ? nullptr : title.c_str();
    request.Flags = dialog.flags;
    if (!GetOpenFileNameW(&request)) {
        const DWORD error = CommDlgExtendedError();
        if (error == 0) return;  // Cancel
        throw Failure{"Cannot show the open-file dialog: " + commonDialogError(error),
                      static_cast<long>(error)};
    }
    dialog.fileName = toUtf8(fileName.c_str());
}

std::string browseForFolder(HWND owner, std::string_view prompt, std::string_view startFolder) {
    const std::wstring title = toWide(prompt);
    const std::wstring start = toWide(startFolder);
    std::wstring displayName(MAX_PATH, L'\0');

    BROWSEINFOW request{};
    request.hwndOwner = owner;
    request.pszDisplayName = displayName.data();
    request.lpszTitle = title.c_str();
    request.ulFlags = BIF_RETURNONLYFSDIRS;
    request.lpfn = selectStartFolder;
    request.lParam = reinterpret_cast<LPARAM>(start.c_str());
    UniqueItemList chosen{SHBrowseForFolderW(&request)};
    if (!chosen) return {};

    std::wstring path(kLongPathLength, L'\0');
    if (!SHGetPathFromIDListEx(chosen.get(), path.data(), kLongPathLength, GPFIDL_DEFAULT)) return {};
    return toUtf8(path.c_str());
}

}  // namespace platform::win32::ui
