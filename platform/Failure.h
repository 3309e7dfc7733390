#pragma once

#include <exception>
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

// What the user reads of a failure that no handler trapped, before the program ends: the run-time error
// with its number, when it has one, and its description.
inline std::string untrappedFailureReport(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const Failure& trapped) {
        return trapped.number() != 0 ? "Run-time error '" + std::to_string(trapped.number()) + "':\r\n\r\n" +
                                           trapped.description()
                                     : "Run-time error:\r\n\r\n" + trapped.description();
    } catch (const std::exception& other) {
        return std::string{"Run-time error:\r\n\r\n"} + other.what();
    } catch (...) {
        return "Run-time error";
    }
}

// The standard descriptions of the failures the program raises itself.
namespace errors {
inline constexpr long kInvalidArgument = 5;
inline constexpr char kInvalidArgumentText[] = "Invalid procedure call or argument";
}  // namespace errors

}  // namespace platform
