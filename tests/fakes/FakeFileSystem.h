#pragma once

#include <map>
#include <string>

#include "platform/FileSystem.h"

namespace fakes {

class FakeFileSystem : public platform::FileSystem {
  public:
    explicit FakeFileSystem(char separator = '\\') : separator_(separator) {}

    std::optional<platform::PathKind> examine(std::string_view path) override;
    char pathSeparator() const override { return separator_; }
    // Windows' rules go with Windows' separator.
    platform::FileNameRules fileNameRules() const override {
        return separator_ == '\\' ? platform::FileNameRules::Windows : platform::FileNameRules::Posix;
    }
    // A folder that exists takes files unless a test refused it; anything else is missing.
    std::optional<platform::FolderProblem> outputFolderProblem(std::string_view folder) override;
    void createFolder(std::string_view folder) override;
    void writeTextFile(std::string_view path, std::string_view text) override;

    void addFile(std::string path) { paths_[std::move(path)] = platform::PathKind::File; }
    void addFolder(std::string path) { paths_[std::move(path)] = platform::PathKind::Folder; }

    std::map<std::string, std::string, std::less<>> unwritable;  // folder -> the reason it gives
    std::map<std::string, std::string, std::less<>> textFiles;   // what writeTextFile wrote
    std::string refuseCreating;  // createFolder fails with this reason when set

  private:
    char separator_;
    std::map<std::string, platform::PathKind, std::less<>> paths_;
};

}  // namespace fakes
