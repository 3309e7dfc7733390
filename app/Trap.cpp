#include "app/Trap.h"

#include <exception>

#include "app/ErrorReport.h"
#include "platform/Failure.h"
#include "platform/Ui.h"

namespace calvenor {

bool NumberedSteps::step(int number, const std::function<void()>& statement) {
    std::exception_ptr failure;
    try {
        statement();
        return true;
    } catch (const platform::ProgramEnded&) {
        throw;  // the program is over: nothing to tell, nothing more to run
    } catch (...) {
        failure = std::current_exception();
    }
    // Told outside the catch block: the telling may be modal and run further handlers.
    failed(number, platform::describeFailure(failure));
    return false;
}

bool NumberedSteps::test(int number, const std::function<bool()>& condition) {
    bool answer = true;
    step(number, [&] { answer = condition(); });
    return answer;
}

int NumberedSteps::passes(int number, const std::function<int()>& bound) {
    int count = 0;
    step(number, [&] { count = bound(); });
    return count;
}

void Trap::failed(int number, const std::string& description) {
    report_.show(description, location_, number);
}

}  // namespace calvenor
