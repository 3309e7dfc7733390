#pragma once

#include <stdexcept>
#include <string>

namespace platform::jet::design {

// A report design that cannot be read: a damaged or unknown blob or storage. what() says why.
class DesignError : public std::runtime_error {
  public:
    explicit DesignError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace platform::jet::design
