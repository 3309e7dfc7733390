#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch/StatusLines.h"
#include "export/SaveReports.h"

namespace calvenor::batch {

// How a run looks on a stream: progress for each report, one line for each report that failed or was
// approximated (resultLine) and for each failure outside a report (the step and the reason). Nothing
// waits for anyone.
class StreamReporting : public ExportReporting {
  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    StreamReporting(StatusLines& status, Clock clock);

    void failed(int number, const std::string& description) override;
    void yield() override {}
    void showBusy(bool) override {}
    void reportStarting(int number, int total, const std::string& name) override;
    void reportEnded(const ReportResult& result) override;
    void folderRefused(const std::string&, const platform::FolderProblem&) override { folderRefused_ = true; }
    void done(const std::vector<ReportResult>&) override { done_ = true; }

    int count(ReportOutcome outcome) const { return counts_[static_cast<int>(outcome)]; }
    // Failures of the run's own statements, outside any report.
    int otherFailures() const { return otherFailures_; }
    bool wasFolderRefused() const { return folderRefused_; }
    bool wasDone() const { return done_; }
    // Minutes and seconds since the reporting began, "m:ss".
    std::string elapsed() const;

  private:
    StatusLines& status_;
    Clock clock_;
    std::chrono::steady_clock::time_point start_;
    bool inReport_ = false;
    int counts_[3] = {0, 0, 0};
    int otherFailures_ = 0;
    bool folderRefused_ = false;
    bool done_ = false;
};

}  // namespace calvenor::batch
