#pragma once

#include <string>

#include "platform/jet/ChildProcess.h"

namespace jet_tests {

// What poppler's pdfinfo and pdftotext say about a PDF file; empty when they cannot read it.
inline std::string pdfInfo(const std::string& path) {
    auto result = platform::jet::runChild("/bin/sh", {"-c", "exec pdfinfo \"$1\" >&3", "sh", path}, {});
    return result.succeeded() ? result.output : std::string();
}
// The document's title as pdfinfo gives it.
inline std::string pdfTitle(const std::string& path) {
    std::string info = pdfInfo(path);
    auto start = info.find("Title:");
    if (start == std::string::npos) return {};
    start = info.find_first_not_of(' ', start + 6);
    return info.substr(start, info.find('\n', start) - start);
}
inline std::string pdfText(const std::string& path) {
    auto result =
        platform::jet::runChild("/bin/sh", {"-c", "exec pdftotext -enc UTF-8 \"$1\" - >&3", "sh", path}, {});
    return result.succeeded() ? result.output : std::string();
}

}  // namespace jet_tests
