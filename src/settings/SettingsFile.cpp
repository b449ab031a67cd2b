#include "settings/SettingsFile.h"

namespace q17 {

// Placeholder until the profile-file unit lands.
TSettingsLoad LoadSettingsFile(const std::filesystem::path&, TCommandState&) { return TSettingsLoad::Missing; }

TSettingsSave SaveSettingsFile(const std::filesystem::path& file, const TCommandState&, const std::string&,
                               const std::string&, const std::string&) {
  return {false, "Unable to write to " + file.string()};
}

}  // namespace q17
