#include "platform/jet/ConnectionString.h"

#include "base/AsciiCase.h"

namespace platform::jet {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<ConnectionString> ConnectionString::parse(std::string_view text) {
    ConnectionString result;
    std::size_t at = 0;
    while (at < text.size()) {
        // The key runs to the first "=" that is not part of "==".
        std::string key;
        for (;;) {
            if (at >= text.size()) {
                if (!trim(key).empty()) return std::nullopt;  // a last pair without "="
                return result;
            }
            char c = text[at];
            if (c == '=') {
                if (at + 1 < text.size() && text[at + 1] == '=') {
                    key += '=';
                    at += 2;
                    continue;
                }
                ++at;
                break;
            }
            if (c == ';') {
                if (!trim(key).empty()) return std::nullopt;  // a pair without "="
                key.clear();
                ++at;
                continue;
            }
            key += c;
            ++at;
        }
        std::string_view name = trim(key);
        if (name.empty()) return std::nullopt;

        while (at < text.size() && isBlank(text[at])) ++at;
        std::string value;
        if (at < text.size() && (text[at] == '"' || text[at] == '\'')) {
            const char quote = text[at++];
            for (;;) {
                if (at >= text.size()) return std::nullopt;  // unclosed
                if (text[at] == quote) {
                    if (at + 1 < text.size() && text[at + 1] == quote) {
                        value += quote;
                        at += 2;
                        continue;
                    }
                    ++at;
                    break;
                }
                value += text[at++];
            }
            while (at < text.size() && isBlank(text[at])) ++at;
            if (at < text.size() && text[at] != ';') return std::nullopt;
        } else {
            std::size_t end = text.find(';', at);
            if (end == std::string_view::npos) end = text.size();
            value = trim(text.substr(at, end - at));
            at = end;
        }
        if (at < text.size()) ++at;  // the ";"
        result.values_[base::lowerAscii(name)] = value;
    }
    return result;
}

std::optional<std::string> ConnectionString::value(std::string_view key) const {
    auto found = values_.find(base::lowerAscii(trim(key)));
    if (found == values_.end()) return std::nullopt;
    return found->second;
}

}  // namespace platform::jet
