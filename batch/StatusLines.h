#pragma once

#include <ostream>
#include <string_view>

namespace calvenor::batch {

// Progress and messages on one stream. On a terminal the progress is a single line rewritten in
// place; elsewhere (a log file, a pipe) each progress line stays, so that the log reads in order.
class StatusLines {
  public:
    StatusLines(std::ostream& stream, bool terminal) : stream_(stream), terminal_(terminal) {}
    StatusLines(const StatusLines&) = delete;
    StatusLines& operator=(const StatusLines&) = delete;
    ~StatusLines() { finish(); }

    // Replaces the progress shown so far.
    void progress(std::string_view text);
    // A line that stays, under any progress shown.
    void line(std::string_view text);
    // Leaves the progress shown last on a line of its own.
    void finish();

  private:
    void clearProgress();

    std::ostream& stream_;
    bool terminal_;
    bool progressShown_ = false;
};

}  // namespace calvenor::batch
