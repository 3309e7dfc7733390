#include "app/Settings.h"

#include "platform/Registry.h"

namespace calvenor {

std::string Settings::GetSetting(std::string_view key, std::string_view defaultValue) const {
    auto section = registry_.openKey(kKeyPath);
    if (!section) return std::string{defaultValue};
    return section->readString(key).value_or(std::string{defaultValue});
}

void Settings::SaveSetting(std::string_view key, std::string_view value) {
    registry_.createKey(kKeyPath)->writeString(key, value);
}

}  // namespace calvenor
