#include "batch/StatusLines.h"

namespace calvenor::batch {
namespace {

// Back to the line's start, then erase to its end: a shorter text leaves nothing of a longer one.
constexpr std::string_view kRewriteLine = "\r\x1b[K";

}  // namespace

void StatusLines::progress(std::string_view text) {
    if (!terminal_) {
        stream_ << text << '\n' << std::flush;
        return;
    }
    stream_ << kRewriteLine << text << std::flush;
    progressShown_ = true;
}

void StatusLines::line(std::string_view text) {
    clearProgress();
    stream_ << text << '\n' << std::flush;
}

void StatusLines::finish() {
    if (!progressShown_) return;
    stream_ << '\n' << std::flush;
    progressShown_ = false;
}

void StatusLines::clearProgress() {
    if (!progressShown_) return;
    stream_ << kRewriteLine;
    progressShown_ = false;
}

}  // namespace calvenor::batch
