#include "platform/win32/WideText.h"

#include <windows.h>

#include <climits>

#include "platform/Failure.h"

namespace platform::win32 {

namespace {

int checkedLength(std::size_t length) {
    if (length > static_cast<std::size_t>(INT_MAX)) {
        throw Failure{errors::kInvalidArgumentText, errors::kInvalidArgument};
    }
    return static_cast<int>(length);
}

}  // namespace

// Without MB_ERR_INVALID_CHARS the conversion replaces each invalid sequence with U+FFFD instead of
// failing; with an empty result only possible for empty input, a zero answer means nothing to convert.
std::wstring toWide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int length = checkedLength(utf8.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (needed <= 0) return std::wstring(1, L'\uFFFD');
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    const int written = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), needed);
    wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return wide;
}

// Without WC_ERR_INVALID_CHARS an unpaired surrogate becomes U+FFFD (EF BF BD).
std::string toUtf8(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int length = checkedLength(wide.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return "\xEF\xBF\xBD";
    std::string utf8(static_cast<std::size_t>(needed), '\0');
    const int written =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), needed, nullptr, nullptr);
    utf8.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return utf8;
}

}  // namespace platform::win32
