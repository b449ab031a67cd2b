#pragma once
// write-config's reading of a settings file: strict where the windows are
// lenient, so a wrong file never reaches a reader as defaults.
#include <filesystem>
#include <iosfwd>
#include <optional>

#include "settings/IniText.h"

namespace q17 {

// The file's text when it holds this program's settings, every one of them a
// number as the file's integer rules read it whole: what a lenient reading
// would take as a default or a cut-off number ("1O", "5 sec", "12.5") is
// refused, as is a file with none of the settings a reader gets, a file that
// cannot be read and a UTF-16 text; each reason goes to err. Each setting
// the file lacks is named on err with the default it takes.
std::optional<TIniText> StrictSettings(const std::filesystem::path& file, std::ostream& err);

}  // namespace q17
