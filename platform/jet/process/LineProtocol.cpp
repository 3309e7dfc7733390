#include "platform/jet/process/LineProtocol.h"

#include "base/Utf8.h"

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

}  // namespace

std::string printableLine(std::string_view text, std::size_t maxBytes) {
    std::string line;
    while (!text.empty()) {
        const auto decoded = base::decodeUtf8(text);
        if (!decoded) {
            line += '?';
            text.remove_prefix(1);
            continue;
        }
        // C0 controls, DEL and the C1 controls.
        const char32_t c = decoded->value;
        if (c < 0x20 || (c >= 0x7F && c < 0xA0))
            line += ' ';
        else
            line += text.substr(0, decoded->length);
        text.remove_prefix(decoded->length);
    }
    if (line.size() <= maxBytes) return line;
    std::size_t end = maxBytes - 3;
    while (end > 0 && base::isUtf8Continuation(line[end])) --end;
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
