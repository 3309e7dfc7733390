#pragma once

#include <chrono>
#include <string>

namespace platform::jet {

// One report sent to a printer: what its first page says.
struct PrintJob {
    std::string title;         // the report's name; also the document's title
    std::string databaseName;  // the database file's name
    std::string printedAt;     // local date and time, "2024-06-07 14:03:22"
};

std::string localDateTime(std::chrono::system_clock::time_point when);

}  // namespace platform::jet
