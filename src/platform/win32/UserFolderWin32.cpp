#include <cstdlib>

#include "platform/UserFolder.h"

namespace q17 {

std::filesystem::path UserSettingsFolder() {
  // The wide variable: a profile path outside the ANSI code page stays whole.
  const wchar_t* appData = _wgetenv(L"APPDATA");
  if (!appData || !appData[0]) return {};
  return std::filesystem::path(appData) / L"SetupQ17";
}

}  // namespace q17
