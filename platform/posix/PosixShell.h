#pragma once

#include "platform/Shell.h"

namespace platform::posix {

class PosixShell : public Shell {
  public:
    std::string programFolder() override;
    std::string desktopFolder() override;
    // Hands the address to xdg-open, the desktop's opener, which runs on by itself.
    void openWebPage(std::string_view address) override;
};

}  // namespace platform::posix
