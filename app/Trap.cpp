#include "app/Trap.h"

#include <exception>
#include <new>

#include "app/ErrorReport.h"
#include "platform/Failure.h"
#include "platform/Ui.h"

namespace calvenor {
namespace {

// The description of whatever a statement threw: the component's own text where it has one.
std::string describe(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const platform::Failure& e) {
        return e.description();
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unexpected error";
    }
}

}  // namespace

bool Trap::step(int number, const std::function<void()>& statement) {
    std::exception_ptr failure;
    try {
        statement();
        return true;
    } catch (const platform::ProgramEnded&) {
        throw;  // the program is over: nothing to report, nothing more to run
    } catch (...) {
        failure = std::current_exception();
    }
    // Reported outside the catch block: the report is modal and may run further handlers.
    report_.show(describe(failure), location_, number);
    return false;
}

bool Trap::test(int number, const std::function<bool()>& condition) {
    bool answer = true;
    step(number, [&] { answer = condition(); });
    return answer;
}

int Trap::passes(int number, const std::function<int()>& bound) {
    int count = 0;
    step(number, [&] { count = bound(); });
    return count;
}

}  // namespace calvenor
