#include "version/VerInf.h"

#include <cstdio>

namespace q17 {

TVersionInfo::TVersionInfo(std::string fileName) : FFileName(std::move(fileName)) { Load(); }

std::string TVersionInfo::TranslationKey() const {
  const auto t = Translation();
  if (!t) return {};
  return TranslationKeyOf(static_cast<std::uint16_t>(*t & 0xFFFF), static_cast<std::uint16_t>(*t >> 16));
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> TVersionInfo::FileVersionNumbers() const {
  const auto fixed = FixedInfo();
  if (!fixed) return std::nullopt;
  return std::pair{fixed->FileVersionMS, fixed->FileVersionLS};
}

std::string TVersionInfo::GetFileVersion() const {
  std::string text = StringValue("FileVersion");
  if (!text.empty() || !FValid) return text;
  // A record with neither the string nor a fixed part shows nothing rather
  // than an invented 0.0.0.0.
  const auto numbers = FileVersionNumbers();
  if (!numbers) return text;
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u", static_cast<unsigned>(numbers->first >> 16),
                static_cast<unsigned>(numbers->first & 0xFFFF), static_cast<unsigned>(numbers->second >> 16),
                static_cast<unsigned>(numbers->second & 0xFFFF));
  return buffer;
}

}  // namespace q17
