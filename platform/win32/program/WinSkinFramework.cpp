#include "platform/win32/program/WinSkinFramework.h"

#include <cstdint>

#include "platform/Failure.h"
#include "platform/win32/ui/WinWindow.h"

namespace platform::win32 {
namespace {

constexpr char kEngineClass[] = "XtremeSkinFramework.SkinFramework";
constexpr DISPID kLoadSkin = 2;
constexpr DISPID kApplyWindow = 3;

}  // namespace

WinSkinFramework::WinSkinFramework() : WinSkinFramework(com::factoryOf(kEngineClass)) {}

WinSkinFramework::WinSkinFramework(com::ObjectFactory createEngine) : factory_(std::move(createEngine)) {}

com::Dispatch& WinSkinFramework::engine() {
    if (!engine_) engine_.emplace(factory_());
    return *engine_;
}

void WinSkinFramework::loadSkin(std::string_view skinFile, std::string_view iniFileName) {
    engine().callMember(
        kLoadSkin, com::arguments(com::ScopedVariant::text(skinFile), com::ScopedVariant::text(iniFileName)));
}

std::int32_t WinSkinFramework::property(int id) {
    return engine().getMember(id).asNumber();
}

void WinSkinFramework::setProperty(int id, std::int32_t value) {
    engine().putMember(id, com::ScopedVariant::number(value));
}

void WinSkinFramework::applyWindow(Window& window) {
    auto* page = dynamic_cast<ui::WinWindow*>(&window);
    if (page == nullptr) throw Failure{errors::kInvalidArgumentText, errors::kInvalidArgument};
    // Window handles keep to 32 significant bits on 64-bit Windows, so that 32-bit servers can take them.
    const auto handle = static_cast<long>(reinterpret_cast<std::intptr_t>(page->handle()));
    engine().callMember(kApplyWindow, com::arguments(com::ScopedVariant::number(handle)));
}

}  // namespace platform::win32
