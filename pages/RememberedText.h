#pragma once

#include <string>
#include <string_view>

namespace platform {
class Ui;
}

namespace calvenor {

class Settings;

// Stores a text box's whole text under its settings key on every change. The change handlers carry no
// error trap, so a store that cannot be written is said once, in a plain message, until a later write
// succeeds again; the text stays in the box and the next successful write stores all of it.
class RememberedText {
  public:
    RememberedText(Settings& settings, platform::Ui& ui, std::string_view key)
        : settings_(settings), ui_(ui), key_(key) {}

    void save(std::string_view text);

  private:
    Settings& settings_;
    platform::Ui& ui_;
    std::string key_;
    bool failing_ = false;
};

}  // namespace calvenor
