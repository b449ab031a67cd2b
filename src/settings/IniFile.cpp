#include "settings/IniFile.h"

namespace q17 {
namespace {

// Text as editors write it: no NUL and no control bytes but tab, line and
// page breaks, escape and the old end-of-file mark.
bool LooksLikeText(std::string_view bytes) {
  for (const unsigned char c : bytes) {
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\v' && c != '\f' && c != '\r' && c != 0x1A && c != 0x1B) return false;
  }
  return true;
}

}  // namespace

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

std::optional<TIniText> ReadIniFileForChange(const std::filesystem::path& file, std::string& error) {
  TIniRead read = ReadIniFile(file);
  if (read.Status == TFileRead::Unreadable) {
    error = read.Error;
    return std::nullopt;
  }
  if (read.Text.Encoding() == TIniEncoding::Utf16) {
    // Windows-1251 lines in it would spoil the user's text.
    error = kUtf16Refusal;
    return std::nullopt;
  }
  if (!LooksLikeText(read.Text.Bytes())) {
    // Sections appended to a program or a picture would spoil it.
    error = kNotTextRefusal;
    return std::nullopt;
  }
  return std::move(read.Text);
}

bool WriteIniFile(const std::filesystem::path& file, const TIniText& text, std::string& error,
                  const TBeforeRename& beforeRename) {
  return ReplaceWholeFile(file, text.Bytes(), error, beforeRename);
}

}  // namespace q17
