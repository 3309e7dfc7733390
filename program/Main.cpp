// Main — the start-up's own procedures (see Main.h).
#include "program/Main.h"

#include <chrono>
#include <memory>
#include <random>
#include <string>

#include "app/Product.h"
#include "app/ShellUtilities.h"
#include "platform/Shell.h"
#include "platform/SkinFramework.h"

namespace calvenor {
namespace {

constexpr int kOptionsProperty = 1;
constexpr int kProperty5 = 5;
constexpr int kProperty10 = 10;
constexpr std::int32_t kTrue = -1;  // a dispatch interface's true
constexpr int kMinimizedWithFocus = 2;

}  // namespace

void ApplySkin(platform::Shell& shell, platform::FileSystem& files, platform::SkinFramework& skin,
               platform::Window& window) {
    const std::string skinFile = ProgramFile(shell, files, "\\x\\o.cjs");
    if (!FileExists(files, skinFile)) return;
    SetFormColors(window);
    skin.loadSkin(skinFile, "");
    skin.setProperty(kOptionsProperty, skin.property(kOptionsProperty) | 1);
    skin.setProperty(kProperty5, kTrue);
    skin.setProperty(kProperty10, kTrue);
    skin.applyWindow(window);
}

void VisitHomePageAtRandom(platform::Shell& shell, const std::function<double()>& randomFraction) {
    const int n = static_cast<int>(randomFraction() * 100) + 1;
    if (n == 7) shell.runCommand(std::string{"explorer \""} + product::kHomePage + "\"", kMinimizedWithFocus);
}

std::function<double()> timeSeededFractions() {
    const auto timeOfDay = std::chrono::system_clock::now().time_since_epoch().count();
    auto generator = std::make_shared<std::mt19937>(static_cast<std::uint32_t>(timeOfDay));
    return [generator] { return std::uniform_real_distribution<double>(0.0, 1.0)(*generator); };
}

}  // namespace calvenor
