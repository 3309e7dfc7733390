#include "export/OutputFileNames.h"

#include <set>

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
    } else {
        for (char& c : safe) {
            if (windowsRefuses(c)) c = '_';
        }
        // Windows drops trailing blanks and dots from a name: "A." and "A" would be one file.
        for (auto it = safe.rbegin(); it != safe.rend() && (*it == ' ' || *it == '.'); ++it) *it = '_';
        if (isWindowsDeviceName(safe)) safe.insert(0, "_");
    }
    // A file manager hides a name that starts with a dot; an empty one would be only ".pdf".
    if (safe.empty() || safe.front() == '.') safe.insert(0, "_");
    return safe;
}

std::vector<std::string> reportFileNames(const std::vector<std::string>& reports,
                                         platform::FileNameRules rules) {
    // Windows' file names ignore letter case: "Sales.pdf" and "SALES.pdf" are one file there.
    const auto key = [rules](const std::string& name) {
        return rules == platform::FileNameRules::Windows ? lowerCase(name) : name;
    };
    std::set<std::string> taken;
    std::vector<std::string> names;
    names.reserve(reports.size());
    for (const auto& report : reports) {
        const std::string safe = safeFileName(report, rules);
        std::string name = safe;
        for (int copy = 2; taken.contains(key(name)); ++copy) name = safe + " (" + std::to_string(copy) + ")";
        taken.insert(key(name));
        names.push_back(std::move(name));
    }
    return names;
}

std::string pathInFolder(std::string_view folder, char separator, std::string_view fileName) {
    std::string path{folder};
    if (path.empty() || path.back() != separator) path += separator;
    return path.append(fileName);
}

std::string outputPath(std::string_view folder, char separator, std::string_view fileName) {
    return pathInFolder(folder, separator, fileName).append(".pdf");
}

}  // namespace calvenor
