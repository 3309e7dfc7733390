#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::posix {

// The user's folders as the XDG base-directory and user-directory conventions name them. Only absolute
// paths count: a relative HOME or XDG_CONFIG_HOME is ignored, so nothing lands relative to wherever the
// program was started.

// $HOME, or empty text when it is unset or not absolute.
std::string homeFolder();

// $XDG_CONFIG_HOME, else $HOME/.config; empty text when neither is known.
std::string configHome();

// A folder from $XDG_CONFIG_HOME/user-dirs.dirs, such as "XDG_DESKTOP_DIR"; nothing when the file does not
// name it usably. The file holds shell-style lines XDG_DESKTOP_DIR="$HOME/Desktop" whose value is either
// "$HOME/..." or an absolute path; the last usable line wins.
std::optional<std::string> userFolder(std::string_view variable);

}  // namespace platform::posix
