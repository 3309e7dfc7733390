#pragma once

#include <optional>

#include "platform/SkinFramework.h"
#include "platform/win32/com/Dispatch.h"
#include "platform/win32/com/ObjectFactory.h"

namespace platform::win32 {

// The skin engine "XtremeSkinFramework.SkinFramework", driven through its dispatch interface by the
// numbers of its members. The engine is created at its first use, so that a machine without it fails
// the skin step alone, with the system's own reason, and only when there is a skin to apply.
class WinSkinFramework final : public SkinFramework {
  public:
    WinSkinFramework();
    // The engine comes from `createEngine` instead (tests hand in objects of their own).
    explicit WinSkinFramework(com::ObjectFactory createEngine);

    void loadSkin(std::string_view skinFile, std::string_view iniFileName) override;
    std::int32_t property(int id) override;
    void setProperty(int id, std::int32_t value) override;
    void applyWindow(Window& window) override;

  private:
    com::Dispatch& engine();

    com::ObjectFactory factory_;
    std::optional<com::Dispatch> engine_;
};

}  // namespace platform::win32
