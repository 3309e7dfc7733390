#pragma once

#include <string>
#include <string_view>

namespace platform {

class Shell {
  public:
    virtual ~Shell() = default;
    // The folder that holds the program file, without a trailing separator.
    virtual std::string programFolder() = 0;
    // The current user's Desktop folder as the platform names it, possibly with a trailing separator;
    // empty when the platform cannot say.
    virtual std::string desktopFolder() = 0;
    // Shows the page in the user's web browser without waiting for it; failures are raised.
    virtual void openWebPage(std::string_view address) = 0;
    // Starts a command line ("explorer \"https://...\"") without waiting for it; the window style is
    // Windows' show command for the program's first window (2: minimized). Failures are raised.
    virtual void runCommand(std::string_view commandLine, int windowStyle) = 0;
};

}  // namespace platform
