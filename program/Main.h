// Main — the start-up's own procedures: the skin, the maker's home page now and then.
#pragma once

#include <functional>

namespace platform {
class FileSystem;
class Shell;
class SkinFramework;
class Window;
}  // namespace platform

namespace calvenor {

// With the skin file beside the program ("\x\o.cjs"), the window takes the button-face colours and the
// skin engine loads the skin and applies it to the window; without it nothing happens.
void ApplySkin(platform::Shell& shell, platform::FileSystem& files, platform::SkinFramework& skin,
               platform::Window& window);

// About one start in a hundred opens the maker's home page, without waiting for it. randomFraction
// draws a uniform fraction in [0, 1).
void VisitHomePageAtRandom(platform::Shell& shell, const std::function<double()>& randomFraction);

// Uniform fractions in [0, 1) from a generator seeded with the time of day.
std::function<double()> timeSeededFractions();

}  // namespace calvenor
