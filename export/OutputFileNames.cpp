#include "export/OutputFileNames.h"

#include <array>

#include "app/Text.h"

namespace calvenor {
namespace {

bool windowsRefuses(char c) {
    return static_cast<unsigned char>(c) < 0x20 ||
           std::string_view{"\\/:*?\"<>|"}.find(c) != std::string_view::npos;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices on Windows, whatever follows after a dot.
bool isWindowsDeviceName(std::string_view name) {
    std::string stem = lowerCase(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (const char* device : {"con", "prn", "aux", "nul"}) {
        if (stem == device) return true;
    }
    return stem.size() == 4 && (stem.starts_with("com") || stem.starts_with("lpt")) && stem[3] >= '1' &&
           stem[3] <= '9';
}

}  // namespace

std::string safeFileName(std::string_view name, platform::FileNameRules rules) {
    std::string safe{name};
    if (rules == platform::FileNameRules::Posix) {
        for (char& c : safe) {
            if (c == '/' || c == '\0') c = '_';
        }
        return safe;
    }
    for (char& c : safe) {
        if (windowsRefuses(c)) c = '_';
    }
    // Windows drops trailing blanks and dots from a name: "A." and "A" would be one file.
    for (auto it = safe.rbegin(); it != safe.rend() && (*it == ' ' || *it == '.'); ++it) *it = '_';
    if (isWindowsDeviceName(safe)) safe.insert(0, "_");
    return safe;
}

std::string OutputFileNames::pathFor(std::string_view folder, std::string_view reportName) {
    std::string start{folder};
    if (start.empty() || start.back() != separator_) start += separator_;
    const std::string name = safeFileName(reportName, rules_);
    std::string path = start + name + ".pdf";
    for (int copy = 2; taken_.contains(key(path)); ++copy) {
        path = start + name + " (" + std::to_string(copy) + ").pdf";
    }
    taken_.insert(key(path));
    return path;
}

// Windows' file names ignore letter case: "Sales.pdf" and "SALES.pdf" are one file there.
std::string OutputFileNames::key(const std::string& path) const {
    return rules_ == platform::FileNameRules::Windows ? lowerCase(path) : path;
}

}  // namespace calvenor
