#pragma once

#include <optional>
#include <utility>

namespace calvenor {

// The long commands ("Next >" and the export) serve the message loop while they run, so a click can
// start another one meanwhile: a double-click on "Next >" would list every report twice, and "Next >"
// during an export would refill the list the export is walking. One runs at a time; a click that finds
// one running is ignored.
class OneCommandAtATime {
  public:
    class Turn {
      public:
        explicit Turn(bool& running) : running_(&running) { running = true; }
        Turn(Turn&& other) noexcept : running_(std::exchange(other.running_, nullptr)) {}
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;
        Turn& operator=(Turn&&) = delete;
        ~Turn() {
            if (running_) *running_ = false;
        }

      private:
        bool* running_;
    };

    // The command's turn, held until it returns; none while another command holds one.
    std::optional<Turn> take() {
        if (running_) return std::nullopt;
        return std::optional<Turn>{std::in_place, running_};
    }

  private:
    bool running_ = false;
};

}  // namespace calvenor
