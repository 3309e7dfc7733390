#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// How every outside component fails: the description the user reads in the error report, and the
// error number where a caller tells failures apart (ADO's 3706 for a missing provider, say).
class Failure : public std::runtime_error {
  public:
    explicit Failure(std::string description, long number = 0)
        : std::runtime_error(std::move(description)), number_(number) {}

    std::string description() const { return what(); }
    long number() const { return number_; }

  private:
    long number_;
};

// The standard descriptions of the failures the program raises itself.
namespace errors {
inline constexpr long kInvalidArgument = 5;
inline constexpr char kInvalidArgumentText[] = "Invalid procedure call or argument";
}  // namespace errors

}  // namespace platform
