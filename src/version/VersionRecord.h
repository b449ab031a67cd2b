#pragma once
// A bounds-checked reader of the standard version record (VS_VERSIONINFO):
// nodes of length, value length, type, UTF-16 key, 32-bit aligned value and
// children. It answers the same paths as the system's VerQueryValue ("\",
// "\VarFileInfo\Translation", "\StringFileInfo\041904E3\ProductName"), and
// any bytes at all, damaged or hostile, only make a query fail.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace q17 {

// The fixed part of the record (VS_FIXEDFILEINFO), 13 little-endian words.
struct TFixedFileInfo {
  std::uint32_t Signature = 0;
  std::uint32_t StrucVersion = 0;
  std::uint32_t FileVersionMS = 0;
  std::uint32_t FileVersionLS = 0;
  std::uint32_t ProductVersionMS = 0;
  std::uint32_t ProductVersionLS = 0;
  std::uint32_t FileFlagsMask = 0;
  std::uint32_t FileFlags = 0;
  std::uint32_t FileOS = 0;
  std::uint32_t FileType = 0;
  std::uint32_t FileSubtype = 0;
  std::uint32_t FileDateMS = 0;
  std::uint32_t FileDateLS = 0;
};

inline constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
inline constexpr std::size_t kFixedFileInfoSize = 52;
// Node lengths are 16-bit, so no record is longer.
inline constexpr std::size_t kMaxVersionRecordSize = 0xFFFF;

// The name of a translation's string table: the language, then the code
// page, upper-case hexadecimal ("041904E3").
std::string TranslationKeyOf(std::uint16_t language, std::uint16_t codePage);

// Views bytes owned by the caller.
class TVersionRecordView {
 public:
  explicit TVersionRecordView(std::span<const std::uint8_t> bytes) : FBytes(bytes) {}

  // The root node fits in the bytes and is named VS_VERSION_INFO.
  bool Valid() const;

  // The value bytes of the node at `path` (components separated by '\',
  // matched without regard to ASCII case); "\" is the root's value. Nothing
  // when a node on the way is missing or damaged.
  std::optional<std::span<const std::uint8_t>> Query(std::string_view path) const;

  // The fixed part, when the root's value holds one with its signature.
  std::optional<TFixedFileInfo> Fixed() const;
  // The first entry of "\VarFileInfo\Translation": language in the low half,
  // code page in the high half.
  std::optional<std::uint32_t> Translation() const;
  // A text value as UTF-8, up to its terminating NUL.
  std::optional<std::string> Text(std::string_view path) const;

 private:
  std::span<const std::uint8_t> FBytes;
};

}  // namespace q17
