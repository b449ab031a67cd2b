#pragma once
// Where the program keeps what one user chose between runs (the network
// ports used): Linux and other POSIX systems $XDG_CONFIG_HOME/SetupQ17, else
// ~/.config/SetupQ17; Windows %APPDATA%\SetupQ17. The folder may not exist
// yet. Empty when the system names no such place (no home, no profile):
// nothing is then remembered.
#include <filesystem>

namespace q17 {

std::filesystem::path UserSettingsFolder();

}  // namespace q17
