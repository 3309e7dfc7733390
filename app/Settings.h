#pragma once

#include <string>
#include <string_view>

namespace platform {
class Registry;
}

namespace calvenor {

// The per-user settings: one text value per key, under the application "Drevmark" and the section
// "Calvenor", where Windows keeps the settings of classic GetSetting/SaveSetting programs, so that the
// values an earlier installation stored are found. Nothing is cached: every call goes to the registry.
class Settings {
  public:
    static constexpr char kKeyPath[] = "Software\\VB and VBA Program Settings\\Drevmark\\Calvenor";

    static constexpr char kDatabase[] = "Database";
    static constexpr char kPassword[] = "Password";
    static constexpr char kLocation[] = "Location";
    static constexpr char kLastFolder[] = "LastFolderDot";

    explicit Settings(platform::Registry& registry) : registry_(registry) {}

    std::string GetSetting(std::string_view key, std::string_view defaultValue) const;
    void SaveSetting(std::string_view key, std::string_view value);

  private:
    platform::Registry& registry_;
};

}  // namespace calvenor
