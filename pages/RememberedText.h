#pragma once

#include <string>
#include <string_view>

namespace platform {
class TextBox;
class Ui;
}  // namespace platform

namespace calvenor {

class Settings;

// Stores a text box's whole text under its settings key on every change. A change the program makes
// belongs to the statement that made it, so a store that cannot be written fails that statement and
// its handler's trap reports it. A change the user types has no handler above it: the failure is said
// once, in a plain message, until a later write succeeds again; the text stays in the box and the next
// successful write stores all of it.
class RememberedText {
  public:
    RememberedText(Settings& settings, platform::Ui& ui, std::string_view key)
        : settings_(settings), ui_(ui), key_(key) {}

    void save(const platform::TextBox& box);

  private:
    Settings& settings_;
    platform::Ui& ui_;
    std::string key_;
    bool failing_ = false;
};

}  // namespace calvenor
