#include "platform/posix/FileRegistry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <optional>

#include "base/AsciiCase.h"
#include "platform/Failure.h"
#include "platform/posix/AtomicFile.h"
#include "platform/posix/PrivateFiles.h"
#include "platform/posix/SystemFailure.h"
#include "platform/posix/ValueFile.h"
#include "platform/posix/XdgFolders.h"

namespace platform::posix {

namespace {

// The two names a key folder keeps for itself; no key may be called so.
constexpr char kValueFileName[] = ".values.reg";
constexpr char kLockFileName[] = ".values.lock";

[[noreturn]] void rejectKeyPath(std::string_view path, std::string_view reason) {
    std::string shown{path};
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20) c = '?';  // a NUL would cut the message short
    }
    throw Failure{"Invalid registry key path \"" + shown + "\": " + std::string{reason}};
}

// The key names along the path. A name that could reach outside the root folder, or collide with the
// key's own files, is refused rather than mapped, so that no path can leave the root.
std::vector<std::string> splitKeyPath(std::string_view path) {
    std::vector<std::string> names;
    if (path.empty()) return names;  // the root key itself
    for (std::string_view rest = path;;) {
        const auto separator = rest.find('\\');
        const std::string_view name = rest.substr(0, separator);
        if (name.empty()) rejectKeyPath(path, "a key name is empty");
        if (name == "." || name == "..") rejectKeyPath(path, "\".\" and \"..\" are not key names");
        if (name.find('/') != std::string_view::npos) rejectKeyPath(path, "a key name contains \"/\"");
        if (name.find('\0') != std::string_view::npos) rejectKeyPath(path, "a key name contains a NUL");
        if (base::equalIgnoringCase(name, kValueFileName) || base::equalIgnoringCase(name, kLockFileName)) {
            rejectKeyPath(path, "the key name is reserved");
        }
        names.emplace_back(name);
        if (separator == std::string_view::npos) break;
        rest.remove_prefix(separator + 1);
    }
    return names;
}

bool isFolderEntry(DIR* dir, const dirent& entry) {
    if (entry.d_type == DT_DIR) return true;
    if (entry.d_type != DT_UNKNOWN) return false;  // symbolic links are not followed out of the tree
    struct stat status {};
    return ::fstatat(::dirfd(dir), entry.d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISDIR(status.st_mode);
}

bool isFolder(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// The spelling of the subkey folder whose name matches without regard to case; the exact spelling wins
// when several match (a hand-made copy), else the first in sorted order, so every process picks the same.
std::optional<std::string> findSubkeyFolder(const std::string& folder, std::string_view name) {
    // The exact spelling is what the program itself created: one look instead of reading the folder,
    // since every store walks the whole key path.
    if (isFolder(folder + '/' + std::string{name})) return std::string{name};
    ScopedDir dir{::opendir(folder.c_str())};
    if (!dir) {
        if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
        raiseSystemFailure("Cannot read the registry folder", folder, errno);
    }
    std::optional<std::string> found;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry) {
            if (errno != 0) raiseSystemFailure("Cannot read the registry folder", folder, errno);
            break;
        }
        const std::string_view entryName = entry->d_name;
        if (entryName == "." || entryName == ".." || !base::equalIgnoringCase(entryName, name)) continue;
        if (!isFolderEntry(dir.get(), *entry)) continue;
        if (entryName == name) return std::string{entryName};
        if (!found || entryName < *found) found = std::string{entryName};
    }
    return found;
}

class FileRegistryKey : public RegistryKey {
  public:
    explicit FileRegistryKey(std::string folder) : folder_(std::move(folder)) {}

    std::optional<std::string> readString(std::string_view name) override {
        const auto text = readWholeFile(valueFilePath());
        if (!text) return std::nullopt;
        return ValueFile::parse(*text).find(name);
    }

    void writeString(std::string_view name, std::string_view value) override {
        // Read, change and replace under the key's lock: another writer of this key (the PDF printer in
        // its own process, say) must not slip in between and have its value dropped.
        ExclusiveFileLock lock{folder_ + '/' + kLockFileName};
        removeAbandonedTempFiles(valueFilePath());
        auto values = ValueFile::parse(readWholeFile(valueFilePath()).value_or(std::string{}));
        values.set(name, value);
        // Each keystroke in a remembered field stores its whole text, on the user-interface thread, so a
        // flush to the disk per store would make typing stutter. The rename alone already gives what a
        // value needs: every process sees the new file at once (the PDF printer reads "OutputFile"
        // right after it is stored), and a killed program leaves the last stored file whole. Only a
        // crash of the whole system can lose the last few stores, which costs the user retyping a path.
        writeFileAtomically(valueFilePath(), values.format(), FileAccess::Private, Overwrite::Replace,
                            Durability::Visible);
    }

  private:
    std::string valueFilePath() const { return folder_ + '/' + kValueFileName; }

    std::string folder_;
};

}  // namespace

FileRegistry::FileRegistry(std::string rootFolder) : root_(std::move(rootFolder)) {}

std::string FileRegistry::defaultRoot() {
    const std::string config = configHome();
    if (config.empty()) {
        throw Failure{
            "Cannot find the settings folder: neither XDG_CONFIG_HOME nor HOME names an absolute folder"};
    }
    return config + "/calvenor/registry";
}

std::unique_ptr<RegistryKey> FileRegistry::createKey(std::string_view path) {
    const auto names = splitKeyPath(path);
    makePrivateFolders(root_);
    std::string folder = root_;
    for (const std::string& name : names) {
        auto existing = findSubkeyFolder(folder, name);
        if (!existing) {
            // Look again under the parent's lock, so that two processes creating "Software" and "SOFTWARE"
            // at once end up with one key.
            ExclusiveFileLock lock{folder + '/' + kLockFileName};
            existing = findSubkeyFolder(folder, name);
            if (!existing) {
                makePrivateFolder(folder + '/' + name);
                syncFolder(folder);
                existing = name;
            }
        }
        folder += '/';
        folder += *existing;
    }
    return std::make_unique<FileRegistryKey>(std::move(folder));
}

std::unique_ptr<RegistryKey> FileRegistry::openKey(std::string_view path) {
    const auto names = splitKeyPath(path);
    struct stat status {};
    if (::stat(root_.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return nullptr;
        raiseSystemFailure("Cannot read the registry folder", root_, errno);
    }
    if (!S_ISDIR(status.st_mode)) return nullptr;
    std::string folder = root_;
    for (const std::string& name : names) {
        const auto existing = findSubkeyFolder(folder, name);
        if (!existing) return nullptr;
        folder += '/';
        folder += *existing;
    }
    return std::make_unique<FileRegistryKey>(std::move(folder));
}

}  // namespace platform::posix
