#include "tests/fakes/FakeFileSystem.h"

#include "platform/Failure.h"

namespace fakes {

std::optional<platform::PathKind> FakeFileSystem::examine(std::string_view path) {
    auto found = paths_.find(path);
    if (found == paths_.end()) return std::nullopt;
    return found->second;
}

std::optional<platform::FolderProblem> FakeFileSystem::outputFolderProblem(std::string_view folder) {
    if (examine(folder) != platform::PathKind::Folder)
        return platform::FolderProblem{true, "it does not exist"};
    if (auto refused = unwritable.find(folder); refused != unwritable.end())
        return platform::FolderProblem{false, refused->second};
    return std::nullopt;
}

void FakeFileSystem::createFolder(std::string_view folder) {
    if (!refuseCreating.empty())
        throw platform::Failure{"Cannot create the folder " + std::string{folder} + ": " + refuseCreating};
    addFolder(std::string{folder});
}

void FakeFileSystem::writeTextFile(std::string_view path, std::string_view text) {
    textFiles[std::string{path}] = std::string{text};
}

}  // namespace fakes
