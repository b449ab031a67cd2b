#include <cstdlib>

#include "platform/UserFolder.h"

namespace q17 {

std::filesystem::path UserSettingsFolder() {
  // A relative XDG_CONFIG_HOME is invalid and must be ignored.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return std::filesystem::path(config) / "SetupQ17";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::filesystem::path(home) / ".config" / "SetupQ17";
  return {};
}

}  // namespace q17
