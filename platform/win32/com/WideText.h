#pragma once

#include <string>
#include <string_view>

namespace platform::win32::com {

// A private copy of the UTF-8/UTF-16 conversions until the platform layer's own is in the tree.
std::wstring toWide(std::string_view utf8);
std::string toUtf8(std::wstring_view wide);

}  // namespace platform::win32::com
