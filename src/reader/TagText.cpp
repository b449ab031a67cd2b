#include "reader/TagText.h"

#include <algorithm>
#include <cstdio>

namespace q17 {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A group of hex digits as a number; at most eight significant digits.
std::uint32_t ParseGroup(const std::string& group) {
  std::uint32_t value = 0;
  int significant = 0;
  for (char c : group) {
    const int d = HexDigit(c);
    if (d < 0) throw TConversionError("'" + group + "' is not a valid hexadecimal number");
    if (significant > 0 || d != 0) ++significant;
    if (significant > 8) throw TConversionError("'" + group + "' is too long for a hexadecimal number");
    value = (value << 4) | static_cast<std::uint32_t>(d);
  }
  return value;
}

}  // namespace

std::vector<std::uint8_t> HexToBytes(const std::string& text) {
  std::vector<std::uint8_t> bytes;
  std::string rest = text;
  while (!rest.empty() && static_cast<unsigned char>(rest.back()) <= ' ') rest.pop_back();
  if (text.empty()) return bytes;
  rest += ' ';
  std::size_t start = 0;
  for (std::size_t blank = rest.find(' '); blank != std::string::npos; blank = rest.find(' ', start)) {
    bytes.push_back(static_cast<std::uint8_t>(ParseGroup(rest.substr(start, blank - start)) & 0xFF));
    start = blank + 1;
  }
  return bytes;
}

bool IsTagText(const std::string& text) {
  try {
    HexToBytes(text);
    return true;
  } catch (const TConversionError&) {
    return false;
  }
}

TTagCode TagPayloadBytes(const std::string& text) {
  std::vector<std::uint8_t> bytes = HexToBytes(text);
  while (bytes.size() < 4) bytes.insert(bytes.begin(), 0);
  // Bytes beyond the fourth are ignored.
  return TTagCode{bytes[3], bytes[2], bytes[1], bytes[0]};
}

std::string TagCodeText(const TTagCode& b) {
  char text[12];
  std::snprintf(text, sizeof text, "%02X %02X %02X %02X", b[3], b[2], b[1], b[0]);
  return text;
}

std::string TagCodeText(std::uint32_t code) {
  return TagCodeText(TTagCode{static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(code >> 8),
                              static_cast<std::uint8_t>(code >> 16), static_cast<std::uint8_t>(code >> 24)});
}

void LoadTagTexts(TCommandState& s) {
  if (!IsTagText(s.EtalonTag)) s.EtalonTag = kEtalonTagFallback;
  if (!IsTagText(s.TestTag)) s.TestTag = kTestTagFallback;
}

TTagKeyEffect TagKeyEffect(std::size_t length, std::size_t caret, std::size_t selStart, std::size_t selLength,
                           char32_t ch) {
  TTagKeyEffect k;
  if (ch >= U'a' && ch <= U'z') ch = ch - U'a' + U'A';
  const bool hex = (ch >= U'0' && ch <= U'9') || (ch >= U'A' && ch <= U'F');
  if (!hex) return k;
  if (length >= 2 && (length + 1) % 3 == 0) {
    k.AppendBlank = true;
    ++length;
    caret = length;
    selStart = length;
    selLength = 0;
  }
  k.Caret = caret;
  selStart = std::min(selStart, length);
  selLength = std::min(selLength, length - selStart);
  if (length - selLength + 1 > kTagTextMaxLength) return k;
  k.Insert = true;
  k.Char = static_cast<char>(ch);
  k.At = selLength > 0 ? selStart : std::min(caret, length);
  k.Replace = selLength;
  k.Caret = k.At + 1;
  return k;
}

bool TypeTagChar(TTagEdit& e, char32_t ch) {
  const TTagKeyEffect k = TagKeyEffect(e.Text.size(), e.Caret, e.SelStart, e.SelLength, ch);
  if (k.AppendBlank) e.Text += ' ';
  if (k.Insert) e.Text.replace(k.At, k.Replace, 1, k.Char);
  if (k.AppendBlank || k.Insert) {
    e.Caret = k.Caret;
    e.SelStart = k.Caret;
    e.SelLength = 0;
  }
  return k.Insert;
}

TTagChange LimitTagChange(const std::u16string& before, const std::u16string& after, std::size_t caret) {
  const std::size_t limit = std::max(kTagTextMaxLength, before.size());
  if (after.size() <= limit) return {after, caret};
  // The inserted run lies between what both texts share at the front and at the back.
  const std::size_t shorter = std::min(before.size(), after.size());
  std::size_t front = 0;
  while (front < shorter && before[front] == after[front]) ++front;
  std::size_t back = 0;
  while (back < shorter - front && before[before.size() - 1 - back] == after[after.size() - 1 - back]) ++back;
  const std::size_t allowed = limit - (front + back);
  return {after.substr(0, front + allowed) + after.substr(after.size() - back), front + allowed};
}

std::uint32_t TagNumber(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (c != ' ') digits += c;
  }
  if (digits.empty()) return 0;
  return ParseGroup(digits);
}

bool TagMatches(std::uint32_t number, const TTagCode& b) {
  const std::uint32_t code = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                             (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  return code == number;
}

}  // namespace q17
