#pragma once
// Builds standard version records: the build embeds one in each program,
// and tests shape good and damaged ones from the same pieces.
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace q17 {

// One node of a record; Value is the raw value (UTF-16 for text nodes).
// ValueLength is what the header states: characters for text, bytes else.
struct TVersionNode {
  std::string Key;
  std::uint16_t Type = 0;  // 1 text, 0 binary
  std::vector<std::uint8_t> Value;
  std::uint16_t ValueLength = 0;
  std::vector<TVersionNode> Children;
};

TVersionNode TextNode(const std::string& key, const std::string& utf8Value);
TVersionNode BinaryNode(const std::string& key, std::vector<std::uint8_t> value);

// Throws std::length_error when a node outgrows its 16-bit length.
std::vector<std::uint8_t> EncodeVersionNode(const TVersionNode& node);

struct TVersionRecordData {
  std::array<std::uint16_t, 4> FileVersion{};     // major, minor, release, build
  std::array<std::uint16_t, 4> ProductVersion{};
  std::uint16_t Language = 0x0419;
  std::uint16_t CodePage = 1251;
  std::vector<std::pair<std::string, std::string>> Strings;  // UTF-8, in this order
};

// The fixed part, one string table for the translation, and the translation
// table, as resource compilers lay them out.
std::vector<std::uint8_t> BuildVersionRecord(const TVersionRecordData& data);

}  // namespace q17
