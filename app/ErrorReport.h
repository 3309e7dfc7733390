#pragma once

#include <string>
#include <string_view>

namespace platform {
class Ui;
}

namespace calvenor {

// The one report every trapped handler shows when a statement fails.
class ErrorReport {
  public:
    explicit ErrorReport(platform::Ui& ui) : ui_(ui) {}

    static std::string text(std::string_view description, std::string_view location, int step);

    // Shows the report, modal, and returns when the user has closed it.
    void show(std::string_view description, std::string_view location, int step);

  private:
    platform::Ui& ui_;
};

}  // namespace calvenor
