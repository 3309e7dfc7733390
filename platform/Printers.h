#pragma once

#include <string>
#include <vector>

namespace platform {

class Printers {
  public:
    virtual ~Printers() = default;
    // The device names of the printers installed for the current user, in the platform's order.
    virtual std::vector<std::string> deviceNames() = 0;
};

}  // namespace platform
