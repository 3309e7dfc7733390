#include "batch/StreamReporting.h"

#include <cstdio>
#include <exception>

#include "batch/PrintableName.h"

namespace calvenor::batch {

StreamReporting::StreamReporting(StatusLines& status, std::vector<std::string> names, Clock clock,
                                 NoteOf noteOf)
    : status_(status),
      names_(std::move(names)),
      clock_(std::move(clock)),
      noteOf_(std::move(noteOf)),
      start_(clock_()) {}

bool StreamReporting::step(int number, const std::function<void()>& statement) {
    std::string description;
    try {
        statement();
        return true;
    } catch (const std::exception& e) {
        description = e.what();
    } catch (...) {
        description = "Unexpected error";
    }
    ++failures_;
    std::string text = "failed: ";
    if (current_) {
        currentFailed_ = true;
        text += printableName(names_.at(static_cast<std::size_t>(*current_ - 1))) + ": ";
    }
    text += "step " + std::to_string(number) + ": " + printableName(description);
    status_.line(text);
    return false;
}

void StreamReporting::reportStarting(int position, int count) {
    current_ = position;
    currentFailed_ = false;
    status_.progress(std::to_string(position) + " of " + std::to_string(count) + "  " + elapsed() + "  " +
                     printableName(names_.at(static_cast<std::size_t>(position - 1))));
}

void StreamReporting::reportFinished(int) {
    if (!currentFailed_) ++saved_;
    current_.reset();
}

void StreamReporting::reportWritten(int position, const std::string& path) {
    if (!noteOf_) return;
    if (const auto note = noteOf_(path)) {
        ++approximations_;
        status_.line("approximated: " + printableName(names_.at(static_cast<std::size_t>(position - 1))) +
                     ": " + printableName(*note));
    }
}

std::string StreamReporting::elapsed() const {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(clock_() - start_).count();
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
    return text;
}

}  // namespace calvenor::batch
