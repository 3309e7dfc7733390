#pragma once

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/jet/process/ChildProcess.h"

namespace jet_tests {

// What poppler's pdfinfo and pdftotext say about a PDF file; empty when they cannot read it.
inline std::string pdfInfo(const std::string& path) {
    auto result = platform::jet::runChild("/bin/sh", {"-c", "exec pdfinfo \"$1\" >&3", "sh", path}, {});
    return result.succeeded() ? result.output : std::string();
}
// The document's title as pdfinfo gives it, leading blanks too: its values start after a label
// padded to 17 characters.
inline std::string pdfTitle(const std::string& path) {
    std::string info = pdfInfo(path);
    auto start = info.find("Title:");
    if (start == std::string::npos) return {};
    start += 17;
    return info.substr(start, info.find('\n', start) - start);
}
// layout: the text in its lines as the page shows them, rather than in the order it was drawn.
inline std::string pdfText(const std::string& path, bool layout = false) {
    auto result = platform::jet::runChild(
        "/bin/sh",
        {"-c", std::string("exec pdftotext ") + (layout ? "-layout " : "") + "-enc UTF-8 \"$1\" - >&3", "sh",
         path},
        {});
    return result.succeeded() ? result.output : std::string();
}

// Where a word first lies on a page (1-based), as pdftotext -bbox gives it: the left and top of its
// box in points from the page's top left corner.
struct WordBox {
    double left = 0, top = 0;
};
inline std::optional<WordBox> wordBox(const std::string& path, int page, const std::string& word) {
    const std::string number = std::to_string(page);
    auto result = platform::jet::runChild(
        "/bin/sh",
        {"-c", "exec pdftotext -enc UTF-8 -bbox -f \"$2\" -l \"$2\" \"$1\" - >&3", "sh", path, number}, {});
    const auto end = result.output.find(">" + word + "</word>");
    const auto start = result.output.rfind("<word ", end);
    if (end == std::string::npos || start == std::string::npos) return std::nullopt;
    const auto attribute = [&](const char* name) {
        const auto at = result.output.find(name, start);
        return at < end ? std::atof(result.output.c_str() + at + std::char_traits<char>::length(name)) : -1.0;
    };
    return WordBox{attribute("xMin=\""), attribute("yMin=\"")};
}

// Whether an installed font has every character of the UTF-8 text: a page shows, and pdftotext
// gives back, only text some font can draw.
inline bool installedFontsHave(const std::string& text) {
    std::string charset;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        char hex[16];
        std::snprintf(hex, sizeof hex, " %x", static_cast<unsigned>(code));
        charset += hex;
        i += length;
    }
    auto result = platform::jet::runChild(
        "/bin/sh", {"-c", "exec fc-list \":charset=$1\" family >&3", "sh", charset.substr(1)}, {});
    return result.succeeded() && !result.output.empty();
}

}  // namespace jet_tests
