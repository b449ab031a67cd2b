#pragma once
// The text of an INI profile file, held as the file's own bytes (Windows-1251)
// so that whatever is not changed goes back to disk byte for byte. Names and
// values cross this interface in UTF-8. A line ends at CR LF, LF or a lone
// CR; new lines end as the text's own do.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace q17 {

// The longest value a read returns, in characters; the rest is dropped.
inline constexpr std::size_t kMaxProfileValue = 2047;

// What the text's first bytes say it is. An editor's UTF-8 byte-order mark
// stays where it is and the text behind it is UTF-8; UTF-16 (either byte
// order) is no profile text this program reads or writes.
enum class TIniEncoding { Cp1251, Utf8, Utf16 };

class TIniText {
 public:
  TIniText() = default;
  explicit TIniText(std::string bytes);

  const std::string& Bytes() const { return bytes_; }
  TIniEncoding Encoding() const { return encoding_; }

  // The value of the first key of that name in the first section of that
  // name, names matched without regard to case; blanks around it and one
  // pair of enclosing quotes removed. Nothing when either is missing, and
  // nothing at all in a UTF-16 text.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

  // Replaces the key's value where it stands, or adds the key at the end of
  // its section, or adds the section at the end of the text. New lines end
  // as the text's first line does (CR LF when it has none). Line breaks in
  // the value become blanks, so a value can never add lines of its own.
  // A UTF-16 text is left as it is.
  void SetValue(std::string_view section, std::string_view key, std::string_view value);

 private:
  // Where the lines begin: behind a byte-order mark.
  std::size_t Start() const;
  // Names and values as the text's own bytes, and back.
  std::string ToText(std::string_view utf8) const;
  std::string FromText(std::string_view bytes) const;
  // How many of the bytes make up the first count characters.
  std::size_t PrefixOfCharacters(std::string_view bytes, std::size_t count) const;

  std::string bytes_;
  TIniEncoding encoding_ = TIniEncoding::Cp1251;
};

// A profile integer: "0x"/"0X" followed by at least one character, or "$",
// take hexadecimal digits (up to 32 bits, which wrap to a signed value);
// anything else is a signed decimal that must fit in 32 bits. Nothing when
// the text is not such a number.
std::optional<std::int32_t> ParseProfileInteger(std::string_view text);

}  // namespace q17
