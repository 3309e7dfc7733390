#include "platform/posix/OutputFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace platform::posix {
namespace {

FolderProblem problem(std::string reason) {
    return {false, std::move(reason)};
}

}  // namespace

std::optional<FolderProblem> outputFolderProblem(std::string_view folder) {
    if (folder.empty()) return FolderProblem{true, "no folder is named"};
    if (folder.find('\0') != std::string_view::npos) return problem("the name holds a NUL character");
    const std::filesystem::path path{std::string{folder}};
    if (!path.is_absolute()) return problem("it is not a full path (one that starts with \"/\")");
    for (const auto& part : path.relative_path())
        if (part == "." || part == "..") return problem("it has a \".\" or \"..\" part");

    const std::string name{folder};
    struct stat status {};
    if (::stat(name.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return FolderProblem{true, "it does not exist"};
        return problem(std::strerror(errno));
    }
    if (!S_ISDIR(status.st_mode)) return problem("it is a file, not a folder");

    // Permission bits do not tell it all (a read-only mount, access lists): try a file for real.
    std::string probe = name;
    if (probe.back() != '/') probe += '/';
    probe += ".calvenor-write-test-XXXXXX";
    const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
    if (fd < 0) return problem(std::string{"no file can be written there ("} + std::strerror(errno) + ")");
    ::close(fd);
    ::unlink(probe.c_str());
    return std::nullopt;
}

}  // namespace platform::posix
