#include "platform/DeviceNames.h"

#include <array>

namespace q17 {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// A digit as Windows counts it in COMn and LPTn: 0..9 or a superscript 1..3
// (UTF-8 C2 B9, C2 B2, C2 B3).
bool IsPortDigit(std::string_view s) {
  if (s.size() == 1) return s[0] >= '0' && s[0] <= '9';
  return s.size() == 2 && s[0] == '\xC2' && (s[1] == '\xB9' || s[1] == '\xB2' || s[1] == '\xB3');
}

}  // namespace

bool IsWindowsDeviceName(std::string_view path) {
  // "\\.\NAME" (or with forward slashes) opens any device by its name.
  if (path.size() > 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] == '.' && IsSeparator(path[3])) {
    return true;
  }
  std::size_t last = path.size();
  while (last > 0 && !IsSeparator(path[last - 1])) --last;
  std::string_view name = path.substr(last);
  if (last == 0 && name.size() >= 2 && name[1] == ':') name.remove_prefix(2);  // "C:NUL"
  // Windows reads the device's name up to the first dot or colon, without the
  // blanks before it.
  name = name.substr(0, name.find_first_of(".:"));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);

  static constexpr std::array<std::string_view, 6> kPlain = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (std::string_view device : kPlain) {
    if (SameIgnoringCase(name, device)) return true;
  }
  return name.size() >= 4 && (SameIgnoringCase(name.substr(0, 3), "COM") || SameIgnoringCase(name.substr(0, 3), "LPT")) &&
         IsPortDigit(name.substr(3));
}

}  // namespace q17
