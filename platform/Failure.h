#pragma once

#include <exception>
#include <new>
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

// The description of whatever a statement threw: the component's own text where it has one.
inline std::string describeFailure(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const Failure& e) {
        return e.description();
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unexpected error";
    }
}

// What the user reads of a failure that no handler trapped, before the program ends: the run-time error
// with its number, when it has one, and its description.
inline std::string untrappedFailureReport(const std::exception_ptr& failure) {
    std::string heading = "Run-time error:";
    try {
        std::rethrow_exception(failure);
    } catch (const Failure& e) {
        if (e.number() != 0) heading = "Run-time error '" + std::to_string(e.number()) + "':";
    } catch (...) {
        // Only a Failure carries a number.
    }
    return heading + "\r\n\r\n" + describeFailure(failure);
}

// The standard descriptions of the failures the program raises itself.
namespace errors {
inline constexpr long kInvalidArgument = 5;
inline constexpr char kInvalidArgumentText[] = "Invalid procedure call or argument";
}  // namespace errors

}  // namespace platform
