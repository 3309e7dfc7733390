#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::posix {

// The machine's printers, as the CUPS server names its queues.
struct CupsQueues {
    std::vector<std::string> names;
    std::optional<std::string> defaultName;
};

// The queues of the CUPS server ($CUPS_SERVER, client.conf or the local one); none when no server
// answers within the time.
CupsQueues listCupsQueues(std::chrono::milliseconds timeLimit = std::chrono::milliseconds(2000));

// Sends a PDF document to the queue as one job. Raises Failure with CUPS's reason when the server
// does not take it.
void printOnCupsQueue(const std::string& queue, const std::string& title, std::string_view pdf,
                      std::chrono::milliseconds timeLimit = std::chrono::milliseconds(10000));

}  // namespace platform::posix
