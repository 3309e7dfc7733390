#pragma once

#include <string>
#include <vector>

#include "platform/Shell.h"

namespace platform::posix {

class PosixShell : public Shell {
  public:
    std::string programFolder() override;
    std::string desktopFolder() override;
    // Hands the address to xdg-open, the desktop's opener, which runs on by itself.
    void openWebPage(std::string_view address) override;
    // "explorer" stands for the desktop's opener; other programs run as named. Not waited for.
    void runCommand(std::string_view commandLine, int windowStyle) override;

  private:
    static void startDetached(std::vector<std::string> arguments, std::string_view what);
};

// A command line's words as Windows splits them: blanks between words, double quotes around blanks.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

}  // namespace platform::posix
