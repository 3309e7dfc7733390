#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

// The program keeps text as UTF-8; Windows' wide functions take UTF-16. These two are the only
// conversions between them. Neither fails on malformed input: an invalid UTF-8 sequence, or an unpaired
// UTF-16 surrogate, becomes U+FFFD (the replacement character), so a bad name can never reach Windows as a
// different, valid name. Text over 2 GiB, which the conversion functions cannot take, raises a Failure.
std::wstring toWide(std::string_view utf8);
std::string toUtf8(std::wstring_view wide);

}  // namespace platform::win32
