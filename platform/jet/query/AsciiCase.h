#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace platform::jet::query {

// Access compares names, keywords and format codes without regard to the case of ASCII letters.
inline std::string lowerAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

inline std::string upperAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

inline bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && lowerAscii(a) == lowerAscii(b);
}

}  // namespace platform::jet::query
