#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch/StatusLines.h"
#include "export/SaveReports.h"

namespace calvenor::batch {

// How a run looks on a stream: progress for each report, and one line for each failure, naming the
// report it belongs to (where it belongs to one), the step and the reason. Nothing waits for anyone.
class StreamReporting : public ExportReporting {
  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    using NoteOf = std::function<std::optional<std::string>(const std::string& path)>;

    // The names of the reports by their position in the run; noteOf: what a written file says when it
    // approximates its report, told on a line of its own.
    StreamReporting(StatusLines& status, std::vector<std::string> names, Clock clock, NoteOf noteOf = {});

    bool step(int number, const std::function<void()>& statement) override;
    void yield() override {}
    void showBusy(bool) override {}
    void reportStarting(int position, int count) override;
    void reportFinished(int position) override;
    void reportWritten(int position, const std::string& path) override;
    void folderMissing() override { folderMissing_ = true; }
    void done() override { done_ = true; }

    int reportsSaved() const { return saved_; }
    int failures() const { return failures_; }
    int approximations() const { return approximations_; }
    bool wasFolderMissing() const { return folderMissing_; }
    bool wasDone() const { return done_; }
    // Minutes and seconds since the reporting began, "m:ss".
    std::string elapsed() const;

  private:
    StatusLines& status_;
    std::vector<std::string> names_;
    Clock clock_;
    NoteOf noteOf_;
    std::chrono::steady_clock::time_point start_;
    std::optional<int> current_;
    bool currentFailed_ = false;
    int saved_ = 0;
    int failures_ = 0;
    int approximations_ = 0;
    bool folderMissing_ = false;
    bool done_ = false;
};

}  // namespace calvenor::batch
