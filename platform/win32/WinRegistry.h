#pragma once

#include <memory>
#include <string_view>

#include "platform/Registry.h"

namespace platform::win32 {

// The current user's registry through the wide Reg* functions. Values are REG_SZ; a value of another
// type reads as absent, and one longer than kMaxValueBytes raises a Failure rather than being loaded.
class WinRegistry : public Registry {
  public:
    static constexpr unsigned long kMaxValueBytes = 1ul << 20;

    std::unique_ptr<RegistryKey> createKey(std::string_view path) override;
    std::unique_ptr<RegistryKey> openKey(std::string_view path) override;
};

}  // namespace platform::win32
