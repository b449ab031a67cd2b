#pragma once
// An INI profile file on disk: read whole, changed in memory with the
// Windows profile functions' rules key by key, and put back whole in one
// replacement (write and rename), so the file goes from old to new in one step.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "settings/FileReplace.h"
#include "settings/IniText.h"

namespace q17 {

struct TIniRead {
  TFileRead Status = TFileRead::Missing;
  TIniText Text;      // empty unless Status is Read
  std::string Error;  // why, when Unreadable
};

// Why a UTF-16 text is neither read nor written.
inline constexpr const char* kUtf16Refusal = "UTF-16 text, not a settings file of this program";
// Why a file that is not text at all (a program, a picture) is not written.
inline constexpr const char* kNotTextRefusal = "not a text file";

TIniRead ReadIniFile(const std::filesystem::path& file);

// The key's value, or fallback when the key is missing.
std::string ReadProfileString(const TIniText& text, std::string_view section, std::string_view key,
                              std::string_view fallback);
// The key's value as a profile integer, or fallback when missing or not a number.
std::int32_t ReadProfileInteger(const TIniText& text, std::string_view section, std::string_view key,
                                std::int32_t fallback);

// The file's text for changing it: an empty text when the file does not
// exist. Nothing, with the reason in error, for a file that must not be
// written: one that cannot be read, a UTF-16 text or one that is not text.
std::optional<TIniText> ReadIniFileForChange(const std::filesystem::path& file, std::string& error);

// Puts the text into the file in one replacement (ReplaceWholeFile).
bool WriteIniFile(const std::filesystem::path& file, const TIniText& text, std::string& error,
                  const TBeforeRename& beforeRename = {});

}  // namespace q17
