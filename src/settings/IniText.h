#pragma once
// The text of an INI profile file, held as the file's own bytes (Windows-1251)
// so that whatever is not changed goes back to disk byte for byte. Names and
// values cross this interface in UTF-8.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace q17 {

// The longest value a read returns, in characters; the rest is dropped.
inline constexpr std::size_t kMaxProfileValue = 2047;

class TIniText {
 public:
  TIniText() = default;
  explicit TIniText(std::string bytes) : bytes_(std::move(bytes)) {}

  const std::string& Bytes() const { return bytes_; }

  // The value of the first key of that name in the first section of that
  // name, names matched without regard to case; blanks around it and one
  // pair of enclosing quotes removed. Nothing when either is missing.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

  // Replaces the key's value where it stands, or adds the key at the end of
  // its section, or adds the section at the end of the text. New lines end
  // as the text's first line does (CR LF when it has none). Line breaks in
  // the value become blanks, so a value can never add lines of its own.
  void SetValue(std::string_view section, std::string_view key, std::string_view value);

 private:
  std::string bytes_;
};

// A profile integer: "0x"/"0X" followed by at least one character, or "$",
// take hexadecimal digits (up to 32 bits, which wrap to a signed value);
// anything else is a signed decimal that must fit in 32 bits. Nothing when
// the text is not such a number.
std::optional<std::int32_t> ParseProfileInteger(std::string_view text);

}  // namespace q17
