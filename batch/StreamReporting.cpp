#include "batch/StreamReporting.h"

#include <cstdio>

#include "app/Text.h"

namespace calvenor::batch {

StreamReporting::StreamReporting(StatusLines& status, Clock clock)
    : status_(status), clock_(std::move(clock)), start_(clock_()) {}

void StreamReporting::failed(int number, const std::string& description) {
    // A report's failure is told once, with its name, when the report ends.
    if (!inReport_) {
        ++otherFailures_;
        status_.line("failed: step " + std::to_string(number) + ": " + printableName(description));
    }
}

void StreamReporting::reportStarting(int number, int total, const std::string& name) {
    inReport_ = true;
    status_.progress(std::to_string(number) + " of " + std::to_string(total) + "  " + elapsed() + "  " +
                     printableName(name));
}

void StreamReporting::reportEnded(const ReportResult& result) {
    inReport_ = false;
    ++counts_[static_cast<int>(result.outcome)];
    if (result.outcome != ReportOutcome::Saved) status_.line(resultLine(result));
}

std::string StreamReporting::elapsed() const {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(clock_() - start_).count();
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
    return text;
}

}  // namespace calvenor::batch
