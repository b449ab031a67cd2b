#pragma once
// The configuration a probe compares readers with, from a settings file.
#include <filesystem>
#include <optional>
#include <string>

#include "reader/Probe.h"

namespace q17 {

// The file's channels, tag memory times and attenuations, brought into the
// ranges the pages allow (as writing the file into a reader would), read
// strictly: a file that is missing, unreadable or UTF-16, one without any of
// the settings a reader gets, or one with a number key that is not wholly a
// number gives nothing and the reason in `problem`. A key the file lacks
// takes its default, as writing the file would.
std::optional<TExpectedConfig> LoadExpectedConfig(const std::filesystem::path& file, std::string& problem);

}  // namespace q17
