#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/Ui.h"

// The standard dialogs of the Windows edition. Each is modal over `owner` (null: over the whole task)
// and takes and returns UTF-8. The Ui resolves an empty caption to the application title before it
// calls these.
namespace platform::win32::ui {

// MessageBoxW; "\r\n" in the text breaks the line. Raises a Failure when the box cannot be shown.
MessageAnswer showMessageBox(HWND owner, std::string_view text, std::string_view caption,
                             MessageButtons buttons, MessageIcon icon);

// The prompt, an empty edit field, OK and Cancel, in the system's message font, centred on the owner.
// The typed text on OK (Enter); the empty text on Cancel (Escape, the close box).
std::string showInputBox(HWND owner, std::string_view prompt, std::string_view caption);

// GetOpenFileNameW with the dialog's title, flags and "description|pattern|..." filter, the first entry
// preselected. Sets dialog.fileName to the chosen full path; leaves it alone on Cancel. Raises a Failure
// when the dialog itself fails.
void showOpenFile(HWND owner, OpenFileDialog& dialog);

// SHBrowseForFolderW over the file-system folders, the start folder selected when it exists. The chosen
// folder's full path; the empty text on Cancel or for a folder without a file-system path.
// The calling thread must have COM initialised as a single-threaded apartment.
std::string browseForFolder(HWND owner, std::string_view prompt, std::string_view startFolder);

}  // namespace platform::win32::ui
