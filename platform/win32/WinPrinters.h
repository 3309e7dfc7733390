#pragma once

#include "platform/Printers.h"

namespace platform::win32 {

// The local printers and the network printers the user connected to, as EnumPrintersW lists them.
class WinPrinters : public Printers {
  public:
    std::vector<std::string> deviceNames() override;
};

}  // namespace platform::win32
