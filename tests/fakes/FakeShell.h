#pragma once

#include <string>
#include <vector>

#include "platform/Shell.h"

namespace fakes {

class FakeShell : public platform::Shell {
  public:
    std::string programFolder() override { return programFolderPath; }
    std::string desktopFolder() override { return desktopFolderPath; }
    void openWebPage(std::string_view address) override { openedPages.emplace_back(address); }
    void runCommand(std::string_view commandLine, int windowStyle) override {
        commandsRun.push_back(std::string{commandLine} + " (" + std::to_string(windowStyle) + ")");
    }

    std::string programFolderPath = "C:\\Program Files\\Calvenor";
    std::string desktopFolderPath = "C:\\Users\\ann\\Desktop";
    std::vector<std::string> openedPages;
    std::vector<std::string> commandsRun;  // "COMMAND LINE (STYLE)"
};

}  // namespace fakes
