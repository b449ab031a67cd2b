#pragma once
// Tag codes as people type them: hexadecimal byte pairs separated by blanks,
// most significant first ("00 FF FF 01"). Inside payloads they travel least
// significant byte first.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "reader/RdrCmd.h"

namespace q17 {

// A tag text that is not hexadecimal.
class TConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr std::size_t kTagTextMaxLength = 12;
inline constexpr const char* kEtalonTagFallback = "00 FF FF 01";
inline constexpr const char* kTestTagFallback = "00 FF FF 02";

// One byte per blank-separated group (an empty group is 0, a longer group
// gives its low byte). Throws TConversionError on a group that is not
// hexadecimal or has more than eight significant digits.
std::vector<std::uint8_t> HexToBytes(const std::string& text);

bool IsTagText(const std::string& text);

// The code as it goes into a payload: the last four bytes of the text's
// conversion (zero-filled in front when shorter), least significant first.
// Throws TConversionError.
TTagCode TagPayloadBytes(const std::string& text);

// Four code bytes, least significant first as the reader sends them, shown
// most significant first: "12 34 56 78".
std::string TagCodeText(const TTagCode& lsbFirst);
std::string TagCodeText(std::uint32_t code);

// A text that does not convert is replaced by its fallback.
void LoadTagTexts(TCommandState& s);

// One edit field's text, caret and selection (characters; the filter only
// accepts one-byte characters, so bytes and characters agree).
struct TTagEdit {
  std::string Text;
  std::size_t Caret = 0;
  std::size_t SelStart = 0;
  std::size_t SelLength = 0;
};

// What the entry filter does with one typed character, decided from the
// field's length, caret and selection alone, so that a field keeps whatever
// else it holds (a pasted or loaded text in any script).
struct TTagKeyEffect {
  bool AppendBlank = false;  // a blank goes on the end first
  bool Insert = false;       // then Char replaces Replace characters at At
  char Char = 0;
  std::size_t At = 0;
  std::size_t Replace = 0;
  std::size_t Caret = 0;  // the caret afterwards (selection dropped), when anything changed
};

// The entry filter for a typed character of code 32 and up (control
// characters are the edit's own business): upper-cases a..z, refuses
// anything but 0-9/A-F, and appends a blank (caret to the end, selection
// dropped) when the text is 2, 5, 8 or 11 long before the character goes
// in. The character then replaces the selection or goes in at the caret,
// unless that would pass the 12-character limit.
TTagKeyEffect TagKeyEffect(std::size_t length, std::size_t caret, std::size_t selStart, std::size_t selLength,
                           char32_t ch);

// TagKeyEffect applied to `edit`. Returns whether the character went in;
// `edit` carries any appended blank either way.
bool TypeTagChar(TTagEdit& edit, char32_t ch);

// A change to a field made otherwise than by typing one character (a
// paste, a drop), in UTF-16 as fields hold text: what stays of it under the
// 12-character limit. Inserted characters past the limit are dropped; a
// field already longer (a text loaded from a file) may keep its length but
// not grow. The caret goes after what was inserted.
struct TTagChange {
  std::u16string Text;
  std::size_t Caret = 0;
};
TTagChange LimitTagChange(const std::u16string& before, const std::u16string& after, std::size_t caret);

// The read-zone test's tag number: the text without blanks as one
// hexadecimal number; 0 (any tag) when empty. Throws TConversionError when
// it is not hexadecimal or longer than eight significant digits.
std::uint32_t TagNumber(const std::string& text);

// Whether a code as the reader returns it (least significant first) is the number.
bool TagMatches(std::uint32_t number, const TTagCode& lsbFirst);

}  // namespace q17
