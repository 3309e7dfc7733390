#pragma once

#include "platform/Shell.h"

namespace platform::win32 {

class WinShell : public Shell {
  public:
    // From GetModuleFileNameW, however long the path.
    std::string programFolder() override;
    // The Desktop's file-system folder (CSIDL_DESKTOPDIRECTORY); empty when Windows cannot say.
    std::string desktopFolder() override;
    // ShellExecuteW on the quoted address: the user's browser opens it.
    void openWebPage(std::string_view address) override;
    // CreateProcessW with the given show command; the process runs on by itself.
    void runCommand(std::string_view commandLine, int windowStyle) override;
};

}  // namespace platform::win32
