#include "platform/win32/WinFileSystem.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "platform/win32/ScopedHandles.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/WideText.h"

namespace platform::win32 {
namespace {

template <typename Char>
bool isSeparator(Char c) {
    return c == '\\' || c == '/';
}

// "C:\..." or "\\server\share\...": a path that means the same whatever the current drive and folder.
bool isFullPath(std::string_view path) {
    const bool drive = path.size() >= 3 &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                       path[1] == ':' && isSeparator(path[2]);
    const bool unc =
        path.size() >= 3 && isSeparator(path[0]) && isSeparator(path[1]) && !isSeparator(path[2]);
    return drive || unc;
}

// How much of the path names its root ("C:\", "\\server\share\", "\\?\C:\"), which no one creates.
std::size_t rootLength(std::wstring_view path) {
    if (path.size() >= 2 && path[1] == L':') return path.size() >= 3 && isSeparator(path[2]) ? 3 : 2;
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        std::size_t end = 2;
        for (int part = 0; part < 2; ++part) {  // the server, then the share
            end = path.find_first_of(L"\\/", end);
            if (end == std::wstring_view::npos) return path.size();
            ++end;
        }
        return end;
    }
    return !path.empty() && isSeparator(path[0]) ? 1 : 0;
}

// The folder's path with one separator after it, ready for a name.
std::wstring inFolder(std::wstring folder) {
    if (!folder.empty() && !isSeparator(folder.back())) folder += L'\\';
    return folder;
}

bool isFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

struct NewFile {
    std::wstring path;
    UniqueHandle handle;  // empty when none could be created
    DWORD error = ERROR_SUCCESS;
};

// A file under a name no one else uses: the prefix, this process and a count. CREATE_NEW never takes
// over a file that is there, such as one a run that died left behind; the next count is tried then.
NewFile createUniqueFile(const std::wstring& prefix, DWORD flags) {
    static std::atomic<unsigned> count{0};
    NewFile created;
    for (int attempt = 0; attempt < 100; ++attempt) {
        created.path =
            prefix + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count) + L".tmp";
        created.handle =
            ownFile(CreateFileW(created.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, flags, nullptr));
        if (created.handle) return created;
        created.error = GetLastError();
        if (created.error != ERROR_FILE_EXISTS && created.error != ERROR_ALREADY_EXISTS) break;
    }
    return created;
}

bool writeAll(HANDLE file, std::string_view text) {
    while (!text.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, text.data(), chunk, &written, nullptr) || written == 0) return false;
        text.remove_prefix(written);
    }
    return true;
}

FolderProblem problem(std::string reason) {
    return {false, std::move(reason)};
}

// The system's words for the error, as part of a sentence: without their closing full stop.
std::string reasonFor(DWORD error) {
    std::string reason = systemMessage(error);
    if (!reason.empty() && reason.back() == '.') reason.pop_back();
    return reason;
}

}  // namespace

std::string fullPath(const std::string& path) {
    const std::wstring wide = toWide(path);
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return path;
    full.resize(length);
    return toUtf8(full);
}

std::optional<PathKind> WinFileSystem::examine(std::string_view path) {
    // A NUL would cut the path short and examine a different one.
    if (path.empty() || path.find('\0') != std::string_view::npos) return std::nullopt;
    try {
        const DWORD attributes = GetFileAttributesW(toWide(path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
    } catch (...) {  // a path too long to convert names nothing
        return std::nullopt;
    }
}

std::optional<FolderProblem> WinFileSystem::outputFolderProblem(std::string_view folder) {
    if (folder.empty()) return FolderProblem{true, "no folder is named"};
    if (folder.find('\0') != std::string_view::npos) return problem("the name holds a NUL character");
    if (!isFullPath(folder))
        return problem("it is not a full path (one that starts with a drive, as \"C:\\\", or \"\\\\\")");
    std::wstring path;
    try {
        path = toWide(folder);
    } catch (const std::exception& e) {
        return problem(e.what());
    }

    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        switch (const DWORD error = GetLastError()) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
            case ERROR_INVALID_DRIVE:
            case ERROR_BAD_NETPATH:
            case ERROR_BAD_NET_NAME:
                return FolderProblem{true, "it does not exist"};
            default:
                return problem(reasonFor(error));
        }
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return problem("it is a file, not a folder");

    // The read-only attribute of a folder means nothing to Windows, and access lists, shares and media
    // have their own say: try a file for real. The system removes it as the handle closes.
    const NewFile probe = createUniqueFile(inFolder(path) + L".calvenor-write-test-",
                                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
    if (!probe.handle) return problem("no file can be written there (" + reasonFor(probe.error) + ")");
    return std::nullopt;
}

void WinFileSystem::createFolder(std::string_view folder) {
    const std::string action = "Cannot create the folder " + std::string{folder};
    if (folder.empty() || folder.find('\0') != std::string_view::npos)
        raiseSystemError(action, ERROR_INVALID_NAME);
    std::wstring path = toWide(folder);

    // The folders that are not there yet, the deepest first; never above the root.
    const std::size_t root = rootLength(path);
    std::vector<std::wstring> missing;
    while (path.size() > root && !isFolder(path)) {
        while (path.size() > root && isSeparator(path.back())) path.pop_back();
        if (path.size() <= root) break;
        missing.push_back(path);
        const std::size_t parent = path.find_last_of(L"\\/");
        path.resize(parent == std::wstring::npos || parent < root ? root : parent);
    }
    for (auto each = missing.rbegin(); each != missing.rend(); ++each) {
        if (CreateDirectoryW(each->c_str(), nullptr)) continue;
        const DWORD error = GetLastError();
        // Someone else made it meanwhile: as good. A file of that name is not.
        if (error != ERROR_ALREADY_EXISTS || !isFolder(*each)) raiseSystemError(action, error);
    }
}

void WinFileSystem::writeTextFile(std::string_view path, std::string_view text) {
    const std::string action = "Cannot write the file " + std::string{path};
    if (path.empty() || path.find('\0') != std::string_view::npos)
        raiseSystemError(action, ERROR_INVALID_NAME);
    const std::wstring target = toWide(path);
    const std::size_t nameStart = target.find_last_of(L"\\/:");
    const std::wstring folder = nameStart == std::wstring::npos ? L"" : target.substr(0, nameStart + 1);

    NewFile temporary = createUniqueFile(folder + L".calvenor-", FILE_ATTRIBUTE_NORMAL);
    if (!temporary.handle) raiseSystemError(action, temporary.error);
    // On the disk whole before it takes the name, so that the name never shows half a file.
    DWORD error = ERROR_SUCCESS;
    if (!writeAll(temporary.handle.get(), text) || !FlushFileBuffers(temporary.handle.get()))
        error = GetLastError();
    temporary.handle.reset();
    if (error == ERROR_SUCCESS && MoveFileExW(temporary.path.c_str(), target.c_str(),
                                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return;
    if (error == ERROR_SUCCESS) error = GetLastError();
    DeleteFileW(temporary.path.c_str());
    raiseSystemError(action, error);
}

}  // namespace platform::win32
