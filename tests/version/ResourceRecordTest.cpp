// The Windows resource script and the Linux section come from the same
// values by two roads; the resource compiler's record must equal ours byte
// for byte, so both systems show the same about box.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

namespace {

std::vector<std::uint8_t> ReadAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// The data of the first RT_VERSION entry of a .res file: entries of data
// size, header size, type, name..., each padded to 32 bits.
std::optional<std::vector<std::uint8_t>> VersionResource(const std::vector<std::uint8_t>& res) {
  constexpr std::uint16_t kRtVersion = 16;
  std::size_t at = 0;
  while (at + 12 <= res.size()) {
    const std::uint32_t dataSize = U32(res, at);
    const std::uint32_t headerSize = U32(res, at + 4);
    if (headerSize < 12 || at + headerSize + dataSize > res.size()) return std::nullopt;
    const bool numericType = res[at + 8] == 0xFF && res[at + 9] == 0xFF;
    if (numericType && (res[at + 10] | (res[at + 11] << 8)) == kRtVersion) {
      const auto begin = res.begin() + static_cast<std::ptrdiff_t>(at + headerSize);
      return std::vector<std::uint8_t>(begin, begin + dataSize);
    }
    at = (at + headerSize + dataSize + 3) & ~std::size_t{3};
  }
  return std::nullopt;
}

TEST(ResourceRecord, WindowsResourceEqualsTheSectionRecord) {
  const auto resource = VersionResource(ReadAll(WINDOWS_RESOURCE_PATH));
  ASSERT_TRUE(resource);
  EXPECT_EQ(*resource, ReadAll(VERSION_RECORD_PATH));
}

}  // namespace
