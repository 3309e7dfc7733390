#include "app/ShellUtilities.h"

#include <algorithm>
#include <optional>

#include "app/Product.h"
#include "app/Text.h"
#include "platform/Failure.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "platform/Ui.h"

namespace calvenor {

namespace {

constexpr std::size_t kTitleLimit = 40;

// A path that cannot be examined, for whatever reason, is simply not there.
std::optional<platform::PathKind> examineQuietly(platform::FileSystem& files, std::string_view path) {
    try {
        return files.examine(path);
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace

bool FileExists(platform::FileSystem& files, std::string_view path) {
    return examineQuietly(files, path).has_value();
}

bool IsFolder(platform::FileSystem& files, std::string_view path) {
    return examineQuietly(files, path) == platform::PathKind::Folder;
}

std::string GetDesktopFolder(platform::Shell& shell, platform::FileSystem& files) {
    std::string folder = shell.desktopFolder();
    if (folder.empty()) {
        throw platform::Failure{platform::errors::kInvalidArgumentText, platform::errors::kInvalidArgument};
    }
    const char separator = files.pathSeparator();
    while (!folder.empty() && folder.back() == separator) folder.pop_back();
    return folder + separator;
}

void SetFormColors(platform::Window& window) {
    window.setBackColor(platform::kButtonFace);
    for (platform::Control* control : window.controls()) {
        const auto kind = control->kind();
        if (kind == platform::ControlKind::Frame || kind == platform::ControlKind::Label) {
            control->setBackColor(platform::kButtonFace);
        }
    }
}

void SetAppTitle(platform::Ui& ui) {
    ui.setApplicationTitle(ShortenTitle(product::kTitle));
}

std::string ShortenTitle(std::string_view title) {
    while (characterCount(title) > kTitleLimit) {
        const auto blank = title.rfind(' ');
        title =
            blank == std::string_view::npos ? firstCharacters(title, kTitleLimit) : title.substr(0, blank);
    }
    return std::string{title};
}

std::string ProgramFile(platform::Shell& shell, platform::FileSystem& files, std::string_view relative) {
    std::string path = shell.programFolder();
    path += relative;
    std::replace(path.end() - static_cast<std::ptrdiff_t>(relative.size()), path.end(), '\\',
                 files.pathSeparator());
    return path;
}

}  // namespace calvenor
