#include "settings/IniText.h"

#include <algorithm>
#include <limits>

#include "reader/Cp1251.h"

namespace q17 {
namespace {

// One line of the text: its content [begin, end) without the line end, and
// where the next line begins.
struct TLine {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t next = 0;
};

TLine LineAt(const std::string& text, std::size_t begin) {
  TLine line;
  line.begin = begin;
  const std::size_t brk = text.find_first_of("\r\n", begin);
  if (brk == std::string::npos) {
    line.end = line.next = text.size();
  } else {
    line.end = brk;
    line.next = (text[brk] == '\r' && brk + 1 < text.size() && text[brk + 1] == '\n') ? brk + 2 : brk + 1;
  }
  return line;
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Upper case of a Windows-1251 byte: Latin and Cyrillic letters.
unsigned char FoldCase(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 'a' + 'A');
  if (c >= 0xE0) return static_cast<unsigned char>(c - 0x20);  // а..я
  switch (c) {
    case 0xB8: return 0xA8;  // ё
    case 0x90: return 0x80;  // ђ
    case 0x83: return 0x81;  // ѓ
    case 0x9A: return 0x8A;  // љ
    case 0x9C: return 0x8C;  // њ
    case 0x9D: return 0x8D;  // ќ
    case 0x9E: return 0x8E;  // ћ
    case 0x9F: return 0x8F;  // џ
    case 0xA2: return 0xA1;  // ў
    case 0xBC: return 0xA3;  // ј
    case 0xB4: return 0xA5;  // ґ
    case 0xBA: return 0xAA;  // є
    case 0xBF: return 0xAF;  // ї
    case 0xB3: return 0xB2;  // і
    case 0xBE: return 0xBD;  // ѕ
    default: return c;
  }
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// The name of a section header line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view content) {
  content = Trim(content);
  if (content.empty() || content.front() != '[') return std::nullopt;
  content.remove_prefix(1);
  const std::size_t close = content.find(']');
  return Trim(content.substr(0, close));
}

struct TKeyLine {
  std::string_view name;
  std::size_t valueBegin = 0;  // offset in the text, after '=' and the blanks behind it
};

// The key of a "name=value" line; comment lines and lines without '=' have none.
std::optional<TKeyLine> KeyOf(const std::string& text, const TLine& line) {
  const std::string_view content(text.data() + line.begin, line.end - line.begin);
  const std::string_view trimmed = Trim(content);
  if (trimmed.empty() || trimmed.front() == ';') return std::nullopt;
  const std::size_t eq = content.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  const std::string_view name = Trim(content.substr(0, eq));
  if (name.empty()) return std::nullopt;
  std::size_t value = line.begin + eq + 1;
  while (value < line.end && IsBlank(text[value])) ++value;
  return TKeyLine{name, value};
}

// Where a section and a key stand in the text.
struct TPlace {
  bool sectionFound = false;
  std::size_t sectionEnd = 0;  // just after the last non-blank line of the section
  bool sectionEndHasLineEnd = true;
  bool keyFound = false;
  TLine keyLine;
  std::size_t valueBegin = 0;
};

TPlace Locate(const std::string& text, std::size_t start, std::string_view section, std::string_view key) {
  TPlace place;
  bool inSection = false;
  for (std::size_t at = start; at < text.size();) {
    const TLine line = LineAt(text, at);
    at = line.next;
    const std::string_view content(text.data() + line.begin, line.end - line.begin);
    if (const auto name = SectionName(content)) {
      if (inSection) break;  // only the first section of the name counts
      inSection = SameName(*name, section);
      if (inSection) {
        place.sectionFound = true;
        place.sectionEnd = line.next;
        place.sectionEndHasLineEnd = line.next != line.end;
      }
      continue;
    }
    if (!inSection) continue;
    if (!Trim(content).empty()) {
      place.sectionEnd = line.next;
      place.sectionEndHasLineEnd = line.next != line.end;
    }
    if (const auto k = KeyOf(text, line); k && !place.keyFound && SameName(k->name, key)) {
      place.keyFound = true;
      place.keyLine = line;
      place.valueBegin = k->valueBegin;
    }
  }
  return place;
}

// The line end new lines get: the text's own, CR LF when it has none.
std::string LineEnd(const std::string& text) {
  const std::size_t brk = text.find_first_of("\r\n");
  if (brk == std::string::npos) return "\r\n";
  if (text[brk] == '\n') return "\n";
  return (brk + 1 < text.size() && text[brk + 1] == '\n') ? "\r\n" : "\r";
}

std::string OneLine(std::string bytes) {
  for (char& c : bytes) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return bytes;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::int32_t> ParseHex(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    value = value * 16 + static_cast<std::uint64_t>(d);
    if (value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::optional<std::int32_t> ParseDecimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

}  // namespace

TIniText::TIniText(std::string bytes) : bytes_(std::move(bytes)) {
  if (bytes_.starts_with(kUtf8Bom)) {
    encoding_ = TIniEncoding::Utf8;
  } else if (bytes_.starts_with("\xFF\xFE") || bytes_.starts_with("\xFE\xFF")) {
    encoding_ = TIniEncoding::Utf16;
  }
}

std::size_t TIniText::PrefixOfCharacters(std::string_view bytes, std::size_t count) const {
  if (encoding_ != TIniEncoding::Utf8) return std::min(bytes.size(), count);
  std::size_t at = 0;
  for (std::size_t n = 0; at < bytes.size() && n < count; ++n) {
    ++at;
    // A character has at most three continuation bytes, malformed text included.
    for (int more = 0; more < 3 && at < bytes.size() && (static_cast<unsigned char>(bytes[at]) & 0xC0) == 0x80; ++more) ++at;
  }
  return at;
}

std::size_t TIniText::Start() const { return encoding_ == TIniEncoding::Utf8 ? kUtf8Bom.size() : 0; }

std::string TIniText::ToText(std::string_view utf8) const {
  return encoding_ == TIniEncoding::Utf8 ? std::string(utf8) : Utf8ToCp1251(utf8);
}

std::string TIniText::FromText(std::string_view bytes) const {
  return encoding_ == TIniEncoding::Utf8 ? std::string(bytes) : Cp1251ToUtf8(bytes);
}

std::optional<std::string> TIniText::Value(std::string_view section, std::string_view key) const {
  if (encoding_ == TIniEncoding::Utf16) return std::nullopt;
  const TPlace place = Locate(bytes_, Start(), ToText(section), ToText(key));
  if (!place.keyFound) return std::nullopt;
  std::string_view value =
      Trim(std::string_view(bytes_.data() + place.valueBegin, place.keyLine.end - place.valueBegin));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return FromText(value.substr(0, PrefixOfCharacters(value, kMaxProfileValue)));
}

void TIniText::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  if (encoding_ == TIniEncoding::Utf16) return;
  const std::string sectionBytes = OneLine(ToText(section));
  const std::string keyBytes = OneLine(ToText(key));
  const std::string valueBytes = OneLine(ToText(value));
  const std::string eol = LineEnd(bytes_);
  const TPlace place = Locate(bytes_, Start(), sectionBytes, keyBytes);
  if (place.keyFound) {
    bytes_.replace(place.valueBegin, place.keyLine.end - place.valueBegin, valueBytes);
    return;
  }
  std::string lines = keyBytes + "=" + valueBytes + eol;
  if (place.sectionFound) {
    if (!place.sectionEndHasLineEnd) lines = eol + lines;
    bytes_.insert(place.sectionEnd, lines);
    return;
  }
  if (bytes_.size() > Start() && bytes_.back() != '\n' && bytes_.back() != '\r') bytes_ += eol;
  bytes_ += "[" + sectionBytes + "]" + eol + lines;
}

std::optional<std::int32_t> ParseProfileInteger(std::string_view text) {
  if (text.size() >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return ParseHex(text.substr(2));
  if (!text.empty() && text[0] == '$') return ParseHex(text.substr(1));
  return ParseDecimal(text);
}

}  // namespace q17
