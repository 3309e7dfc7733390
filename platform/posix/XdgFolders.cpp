#include "platform/posix/XdgFolders.h"

#include <cstdlib>
#include <fstream>

namespace platform::posix {

namespace {

std::string absoluteEnvironmentPath(const char* variable) {
    const char* value = std::getenv(variable);
    if (!value || value[0] != '/') return {};
    return value;
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// One line of user-dirs.dirs; empty when it is not an assignment to that variable with a usable value.
std::optional<std::string> readUserFolderLine(std::string_view line, std::string_view variable,
                                              const std::string& home) {
    const auto skipBlanks = [&line] {
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    };
    skipBlanks();
    if (!line.starts_with(variable)) return std::nullopt;
    line.remove_prefix(variable.size());
    skipBlanks();
    if (!line.starts_with('=')) return std::nullopt;
    line.remove_prefix(1);
    skipBlanks();
    if (!line.starts_with('"')) return std::nullopt;
    line.remove_prefix(1);

    std::string value;
    bool closed = false;
    while (!line.empty()) {
        char c = line.front();
        line.remove_prefix(1);
        if (c == '"') {
            closed = true;
            break;
        }
        if (c == '\\' && !line.empty()) {
            c = line.front();
            line.remove_prefix(1);
        }
        value += c;
    }
    if (!closed) return std::nullopt;

    constexpr std::string_view kHome = "$HOME";
    if (value == kHome || value.starts_with("$HOME/")) {
        if (home.empty()) return std::nullopt;
        return withoutTrailingSlashes(home + value.substr(kHome.size()));
    }
    if (value.starts_with('/')) return withoutTrailingSlashes(std::move(value));
    return std::nullopt;
}

}  // namespace

std::string homeFolder() {
    return absoluteEnvironmentPath("HOME");
}

std::string configHome() {
    std::string folder = absoluteEnvironmentPath("XDG_CONFIG_HOME");
    if (!folder.empty()) return folder;
    const std::string home = homeFolder();
    return home.empty() ? std::string{} : home + "/.config";
}

std::optional<std::string> userFolder(std::string_view variable) {
    const std::string config = configHome();
    if (config.empty()) return std::nullopt;
    std::ifstream file{config + "/user-dirs.dirs"};
    const std::string home = homeFolder();
    std::optional<std::string> folder;
    for (std::string line; std::getline(file, line);) {
        if (auto found = readUserFolderLine(line, variable, home)) folder = std::move(found);
    }
    return folder;
}

}  // namespace platform::posix
