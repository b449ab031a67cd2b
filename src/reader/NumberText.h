#pragma once
// A whole decimal number typed by a user (an argument, an address list),
// with its range checked: the one reading of such numbers.
#include <charconv>
#include <optional>
#include <string_view>

namespace q17 {

// The number `text` spells when it is wholly decimal digits (a minus sign
// allowed; no blanks, no plus) and lies within low..high; nothing otherwise.
inline std::optional<long> ParseNumberIn(std::string_view text, long low, long high) {
  long value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high) return std::nullopt;
  return value;
}

}  // namespace q17
