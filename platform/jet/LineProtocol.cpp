#include "platform/jet/LineProtocol.h"

namespace platform::jet {

std::string escapeField(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string joinFields(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) line += '\t';
        line += escapeField(fields[i]);
    }
    line += '\n';
    return line;
}

namespace {

std::vector<std::string> splitFields(std::string_view line) {
    std::vector<std::string> fields(1);
    while (!line.empty()) {
        std::size_t special = line.find_first_of("\t\\");
        fields.back().append(line.substr(0, special));  // plain text in one piece
        if (special == std::string_view::npos) break;
        if (line[special] == '\t') {
            fields.emplace_back();
            line.remove_prefix(special + 1);
        } else if (special + 1 < line.size()) {
            char next = line[special + 1];
            fields.back() += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
            line.remove_prefix(special + 2);
        } else {
            fields.back() += '\\';
            line.remove_prefix(special + 1);
        }
    }
    return fields;
}

// The length of the UTF-8 sequence of one character at the text's start; 0 when it is none.
std::size_t utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                                                             : 0;
    if (length == 0 || length > text.size()) return 0;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    const bool shortest = length < 3 || code >= (length == 3 ? 0x800u : 0x10000u);
    const bool valid = code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    return shortest && valid ? length : 0;
}

}  // namespace

std::string printableLine(std::string_view text, std::size_t maxBytes) {
    std::string line;
    while (!text.empty()) {
        const std::size_t length = utf8Length(text);
        if (length == 0) {
            line += '?';
            text.remove_prefix(1);
            continue;
        }
        const std::string_view character = text.substr(0, length);
        const auto first = static_cast<unsigned char>(character[0]);
        // C0 controls, DEL and the C1 controls (U+0080 to U+009F, "\xC2\x80" to "\xC2\x9F").
        const bool control = first < 0x20 || first == 0x7F ||
                             (first == 0xC2 && static_cast<unsigned char>(character[1]) < 0xA0);
        if (control)
            line += ' ';
        else
            line += character;
        text.remove_prefix(length);
    }
    if (line.size() <= maxBytes) return line;
    std::size_t end = maxBytes - 3;
    while (end > 0 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) --end;
    return line.substr(0, end) + "...";
}

std::vector<std::vector<std::string>> splitLines(std::string_view text) {
    std::vector<std::vector<std::string>> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1)
        lines.push_back(splitFields(text.substr(start, end - start)));
    return lines;
}

}  // namespace platform::jet
