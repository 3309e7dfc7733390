#include "platform/jet/print/PrintQueues.h"

#include "platform/posix/CupsQueues.h"

namespace platform::jet {

PrintQueues::List CupsPrintQueues::list() {
    auto queues = posix::listCupsQueues();
    return {std::move(queues.names), std::move(queues.defaultName)};
}

void CupsPrintQueues::print(const std::string& queue, const std::string& title, std::string_view pdf) {
    posix::printOnCupsQueue(queue, title, pdf);
}

}  // namespace platform::jet
