#pragma once
// A Russian locale for the tests of the user's date and time forms, whether
// or not the system has one installed: made once with localedef (from the
// `locales` package's sources) into a folder of the temporary directory,
// and reached with LOCPATH=<folder> LC_ALL=ru_RU.UTF-8. Wine takes the
// Windows user's locale from the same variables.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "support/ChildProcess.h"

namespace q17::test {

inline constexpr const char* kRussianLocale = "ru_RU.UTF-8";

// The folder for LOCPATH, or an empty text when no locale could be made.
inline std::string RussianLocalePath() {
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(::testing::TempDir()) / "q17-locales";
  const auto made = [](const fs::path& where) { return fs::exists(where / kRussianLocale / "LC_TIME"); };
  if (made(folder)) return folder.string();
  // Made aside and renamed, so a test running beside this one never sees half a locale.
  const fs::path building = folder.string() + "." + std::to_string(::getpid());
  std::error_code ec;
  fs::create_directories(building, ec);
  RunProgram({"/usr/bin/localedef", "-i", "ru_RU", "-f", "UTF-8", (building / kRussianLocale).string()});
  if (made(building)) fs::rename(building, folder, ec);
  fs::remove_all(building, ec);
  return made(folder) ? folder.string() : std::string();
}

}  // namespace q17::test
