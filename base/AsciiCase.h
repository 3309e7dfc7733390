#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace base {

// Access and Windows compare names, keywords, file extensions and connection keys without regard to
// the case of the ASCII letters alone: every other byte (all of UTF-8's beyond ASCII) stays as it is,
// whatever the process's locale.

constexpr char toLowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char toUpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = toLowerAscii(c);
    return lower;
}

inline std::string upperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = toUpperAscii(c);
    return upper;
}

inline bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return toLowerAscii(x) == toLowerAscii(y); });
}

// Byte order after folding, each byte taken as unsigned, as Access's object lists are ordered.
inline bool precedesIgnoringCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(toLowerAscii(x)) < static_cast<unsigned char>(toLowerAscii(y));
    });
}

}  // namespace base
