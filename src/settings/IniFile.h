#pragma once
// An INI profile file on disk, read and written key by key the way the
// Windows profile functions do: each write reads the whole file, changes the
// one key and puts the whole file back at once (write and rename).
#include <filesystem>
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

TIniRead ReadIniFile(const std::filesystem::path& file);

// The key's value, or fallback when the key is missing.
std::string ReadProfileString(const TIniText& text, std::string_view section, std::string_view key,
                              std::string_view fallback);
// The key's value as a profile integer, or fallback when missing or not a number.
std::int32_t ReadProfileInteger(const TIniText& text, std::string_view section, std::string_view key,
                                std::int32_t fallback);

// Sets one key in the file, creating the file when it does not exist. A file
// that cannot be read, or a UTF-16 text, is never overwritten. Returns false with the reason in
// error when the file is left as it was.
bool WriteProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::string_view value, std::string& error, const TBeforeRename& beforeRename = {});

}  // namespace q17
