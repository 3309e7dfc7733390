#pragma once

#include <cctype>
#include <string>
#include <string_view>

#include "base/AsciiCase.h"

namespace platform::jet::query {

// The name a parameter is known by: letter case, brackets and blanks around the parts aside, and "." as
// "!", so that "Forms!Dialog!Start", "[Forms]![Dialog]![Start]" and "forms.[dialog].start" are one. A
// name with a dot or "!" of its own is written in brackets, as in a query. Header-only: the program
// matches the values it was given by it as the query engine in the helper does.
inline std::string parameterKey(std::string_view name) {
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    std::string key, part;
    bool bracketed = false;
    const auto endPart = [&] {
        std::string_view trimmed = part;
        while (!trimmed.empty() && blank(trimmed.front())) trimmed.remove_prefix(1);
        while (!trimmed.empty() && blank(trimmed.back())) trimmed.remove_suffix(1);
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']')
            trimmed = trimmed.substr(1, trimmed.size() - 2);
        key += base::lowerAscii(trimmed);
        part.clear();
    };
    for (char c : name) {
        if (c == '[') bracketed = true;
        if (c == ']') bracketed = false;
        if ((c == '!' || c == '.') && !bracketed) {
            endPart();
            key += '!';  // Forms.Dialog.Start is Forms!Dialog!Start
            continue;
        }
        part += c;
    }
    endPart();
    return key;
}

}  // namespace platform::jet::query
