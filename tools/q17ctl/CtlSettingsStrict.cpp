#include "CtlSettingsStrict.h"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "CtlOutput.h"
#include "settings/FileReplace.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

namespace q17 {
namespace {

// Whether text has the form of a profile number, only too many digits for one.
bool TooLarge(std::string_view text) {
  std::string_view digits = text;
  bool hex = false;
  if (digits.size() >= 3 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits.remove_prefix(2);
    hex = true;
  } else if (digits.starts_with('$')) {
    digits.remove_prefix(1);
    hex = true;
  } else if (digits.starts_with('-') || digits.starts_with('+')) {
    digits.remove_prefix(1);
  }
  if (digits.empty()) return false;
  for (char c : digits) {
    const bool digit = (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
    if (!digit) return false;
  }
  return true;
}

// A value as a message shows it: a line of safe text, long ones cut short.
std::string ShownValue(std::string_view value) {
  constexpr std::size_t kShown = 40;
  std::size_t at = 0;
  for (std::size_t n = 0; at < value.size() && n < kShown; ++n) {
    ++at;
    while (at < value.size() && (static_cast<unsigned char>(value[at]) & 0xC0) == 0x80) ++at;
  }
  return VisibleText(value.substr(0, at)) + (at < value.size() ? "..." : "");
}

}  // namespace

std::optional<TIniText> StrictSettings(const std::filesystem::path& file, std::ostream& err) {
  const std::string name = PathText(file);
  TIniRead read = ReadIniFile(file);
  if (read.Status != TFileRead::Read || read.Text.Encoding() == TIniEncoding::Utf16) {
    const std::string why = read.Status == TFileRead::Missing    ? "no such file"
                            : read.Status == TFileRead::Unreadable ? read.Error
                                                                   : kUtf16Refusal;
    err << "q17ctl: " << name << ": " << why << "\n";
    return std::nullopt;
  }
  bool anyToReader = false;
  bool allNumbers = true;
  std::vector<const TSettingsNumberKey*> absent;
  for (const TSettingsNumberKey& key : SettingsNumberKeys()) {
    const auto value = read.Text.Value(key.Section, key.Key);
    if (!value) {
      if (key.ToReader) absent.push_back(&key);
      continue;
    }
    anyToReader = anyToReader || key.ToReader;
    if (ParseProfileInteger(*value)) continue;
    allNumbers = false;
    err << "q17ctl: " << name << ": " << key.Key << "=" << ShownValue(*value) << " in [" << key.Section << "] is "
        << (TooLarge(*value) ? "too large a number" : "not a whole number") << "\n";
  }
  if (!anyToReader) {
    err << "q17ctl: no settings of this program in " << name << "\n";
    return std::nullopt;
  }
  if (!allNumbers) return std::nullopt;
  for (const TSettingsNumberKey* key : absent) {
    err << "q17ctl: " << name << ": no " << key->Key << " in [" << key->Section << "]; writing the default "
        << key->Default << "\n";
  }
  return std::move(read.Text);
}

}  // namespace q17
