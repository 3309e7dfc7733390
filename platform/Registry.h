#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// One open key below HKEY_CURRENT_USER. Values are text (REG_SZ); names compare without regard to
// letter case, as the registry does. Closing is the key object's destruction.
class RegistryKey {
  public:
    virtual ~RegistryKey() = default;
    virtual std::optional<std::string> readString(std::string_view name) = 0;
    // Takes effect at once: a reader opening the key afterwards sees the value.
    virtual void writeString(std::string_view name, std::string_view value) = 0;
};

// The current user's registry. Key paths are relative to HKEY_CURRENT_USER, components separated by
// "\" ("Software\Drevmark PDF Writer"). Failures are raised as Failure.
class Registry {
  public:
    virtual ~Registry() = default;
    // Opens the key, creating it and its parents when absent (RegCreateKeyEx).
    virtual std::unique_ptr<RegistryKey> createKey(std::string_view path) = 0;
    // Opens an existing key; null when the key does not exist.
    virtual std::unique_ptr<RegistryKey> openKey(std::string_view path) = 0;
};

}  // namespace platform
