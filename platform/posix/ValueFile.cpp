#include "platform/posix/ValueFile.h"

#include <algorithm>

#include "base/AsciiCase.h"

namespace platform::posix {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = base::toLowerAscii(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

void skipBlanks(std::string_view& rest) {
    while (!rest.empty() && isBlank(rest.front())) rest.remove_prefix(1);
}

// Reads one quoted text from the front of rest and consumes it; empty when rest does not start with a
// well-formed one (no opening or closing quote, an unknown escape).
std::optional<std::string> takeQuoted(std::string_view& rest) {
    if (rest.empty() || rest.front() != '"') return std::nullopt;
    std::string text;
    std::size_t at = 1;
    while (at < rest.size()) {
        const char c = rest[at++];
        if (c == '"') {
            rest.remove_prefix(at);
            return text;
        }
        if (c != '\\') {
            text += c;
            continue;
        }
        if (at >= rest.size()) return std::nullopt;
        switch (const char escaped = rest[at++]) {
            case '\\':
            case '"':
                text += escaped;
                break;
            case 'n':
                text += '\n';
                break;
            case 'r':
                text += '\r';
                break;
            case 't':
                text += '\t';
                break;
            case 'x': {
                if (at + 2 > rest.size()) return std::nullopt;
                const int high = hexValue(rest[at]);
                const int low = hexValue(rest[at + 1]);
                if (high < 0 || low < 0) return std::nullopt;
                text += static_cast<char>(high * 16 + low);
                at += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return std::nullopt;
}

struct NamedValue {
    std::string name;
    std::string value;
};

// "name"="value", with blanks allowed around the "=" and at the end of the line (hand edits, CRLF).
std::optional<NamedValue> readValueLine(std::string_view line) {
    auto name = takeQuoted(line);
    if (!name) return std::nullopt;
    skipBlanks(line);
    if (line.empty() || line.front() != '=') return std::nullopt;
    line.remove_prefix(1);
    skipBlanks(line);
    auto value = takeQuoted(line);
    if (!value) return std::nullopt;
    skipBlanks(line);
    if (!line.empty()) return std::nullopt;
    return NamedValue{std::move(*name), std::move(*value)};
}

// The text in the file's quoted notation, without the quotes.
std::string escapeText(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '"':
                escaped += "\\\"";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case '\t':
                escaped += "\\t";
                break;
            default:
                if (byte < 0x20 || byte == 0x7f) {
                    escaped += "\\x";
                    escaped += kHexDigits[byte >> 4];
                    escaped += kHexDigits[byte & 0xf];
                } else {
                    escaped += c;
                }
        }
    }
    return escaped;
}

}  // namespace

ValueFile ValueFile::parse(std::string_view text) {
    ValueFile file;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;

        if (auto value = readValueLine(line)) {
            // A name given twice: the later line wins, as when the lines are applied in order.
            file.set(value->name, value->value);
        } else {
            file.lines_.push_back({false, {}, std::string{line}});
        }
    }
    return file;
}

std::string ValueFile::format() const {
    std::string text;
    for (const Line& line : lines_) {
        if (line.isValue) {
            text += '"';
            text += escapeText(line.name);
            text += "\"=\"";
            text += escapeText(line.text);
            text += '"';
        } else {
            text += line.text;
        }
        text += '\n';
    }
    return text;
}

std::optional<std::string> ValueFile::find(std::string_view name) const {
    const std::size_t index = indexOf(name);
    if (index == lines_.size()) return std::nullopt;
    return lines_[index].text;
}

void ValueFile::set(std::string_view name, std::string_view value) {
    if (const std::size_t index = indexOf(name); index < lines_.size()) {
        lines_[index].text = value;
    } else {
        lines_.push_back({true, std::string{name}, std::string{value}});
    }
}

std::size_t ValueFile::indexOf(std::string_view name) const {
    const auto found = std::find_if(lines_.begin(), lines_.end(), [&](const Line& line) {
        return line.isValue && base::equalIgnoringCase(line.name, name);
    });
    return static_cast<std::size_t>(found - lines_.begin());
}

}  // namespace platform::posix
