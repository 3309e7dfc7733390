#pragma once

#include "platform/Ui.h"

// What both pages share of their look and their pointer behaviour.
namespace calvenor::pages {

inline constexpr platform::Font kArial9{"Arial", 9, false};
inline constexpr platform::Font kArial9Bold{"Arial", 9, true};
inline constexpr platform::Font kButtonFont{"Arial", 11.25, true};

// The hand over push buttons, the arrow elsewhere; never in place of the hourglass of a running command.
inline void showPointer(platform::Window& window, platform::Pointer pointer) {
    if (window.pointer() != platform::Pointer::Hourglass) window.setPointer(pointer);
}

}  // namespace calvenor::pages
