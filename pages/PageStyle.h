#pragma once

#include <initializer_list>

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

// Wires that rule: the hand over the page's push buttons, the arrow over the areas named.
inline void showPointerOnMouseMove(platform::Window& window,
                                   std::initializer_list<platform::PushButton*> buttons,
                                   std::initializer_list<platform::Control*> arrowAreas) {
    for (platform::PushButton* button : buttons) {
        button->onMouseMove = [&window] { showPointer(window, platform::Pointer::Custom); };
    }
    for (platform::Control* area : arrowAreas) {
        area->onMouseMove = [&window] { showPointer(window, platform::Pointer::Default); };
    }
}

}  // namespace calvenor::pages
