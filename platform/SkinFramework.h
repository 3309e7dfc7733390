#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

class Window;

// The skin engine of the database selection page, reached through its dispatch interface by the
// numbers of its members; what its options and properties mean is the engine's own business.
class SkinFramework {
  public:
    virtual ~SkinFramework() = default;
    // Member 2: loads the skin file (and its ini section, empty for the file's own).
    virtual void loadSkin(std::string_view skinFile, std::string_view iniFileName) = 0;
    virtual std::int32_t property(int id) = 0;
    virtual void setProperty(int id, std::int32_t value) = 0;
    // Member 3: applies the loaded skin to the window.
    virtual void applyWindow(Window& window) = 0;
};

}  // namespace platform
