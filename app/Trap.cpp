#include "app/Trap.h"

#include <exception>

#include "app/ErrorReport.h"
#include "platform/Failure.h"
#include "platform/Ui.h"

namespace calvenor {

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
    report_.show(platform::describeFailure(failure), location_, number);
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
