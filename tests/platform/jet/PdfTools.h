#pragma once

#include <cstdio>
#include <string>

#include "platform/jet/ChildProcess.h"

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
