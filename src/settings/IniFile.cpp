#include "settings/IniFile.h"

namespace q17 {

TIniRead ReadIniFile(const std::filesystem::path& file) {
  TIniRead read;
  std::string bytes;
  read.Status = ReadSmallFile(file, bytes, read.Error);
  if (read.Status == TFileRead::Read) read.Text = TIniText(std::move(bytes));
  return read;
}

std::string ReadProfileString(const TIniText& text, std::string_view section, std::string_view key,
                              std::string_view fallback) {
  auto value = text.Value(section, key);
  return value ? std::move(*value) : std::string(fallback);
}

std::int32_t ReadProfileInteger(const TIniText& text, std::string_view section, std::string_view key,
                                std::int32_t fallback) {
  const auto value = text.Value(section, key);
  if (!value) return fallback;
  return ParseProfileInteger(*value).value_or(fallback);
}

bool WriteProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::string_view value, std::string& error, const TBeforeRename& beforeRename) {
  TIniRead read = ReadIniFile(file);
  if (read.Status == TFileRead::Unreadable) {
    error = read.Error;
    return false;
  }
  if (read.Text.Encoding() == TIniEncoding::Utf16) {
    // Windows-1251 lines in it would spoil the user's text.
    error = kUtf16Refusal;
    return false;
  }
  read.Text.SetValue(section, key, value);
  return ReplaceWholeFile(file, read.Text.Bytes(), error, beforeRename);
}

}  // namespace q17
