#pragma once

#include <chrono>
#include <string>

#include "platform/jet/EngineOptions.h"

namespace platform::jet {

// One report sent to a printer: what its first page says.
struct PrintJob {
    std::string title;         // the report's name; also the document's title
    std::string databaseName;  // the database file's name
    std::string printedAt;     // local date and time, "2024-06-07 14:03:22"
};

std::string localDateTime(std::chrono::system_clock::time_point when);

// The job as a PDF document, rendered by the renderer helper. Raises Failure when it cannot be rendered.
std::string renderPrintJob(const PrintJob& job, const EngineOptions& options);

}  // namespace platform::jet
