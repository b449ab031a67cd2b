#include "version/Utf16.h"

#include <gtest/gtest.h>

namespace q17 {
namespace {

std::vector<std::uint8_t> Units(std::initializer_list<std::uint16_t> units) {
  std::vector<std::uint8_t> b;
  for (const auto u : units) b.push_back(static_cast<std::uint8_t>(u & 0xFF)), b.push_back(static_cast<std::uint8_t>(u >> 8));
  return b;
}

TEST(Utf16, DecodesToUtf8UpToTheNul) {
  const struct {
    std::vector<std::uint8_t> In;
    std::string Out;
  } cases[] = {
      {Units({'O', 'K'}), "OK"},
      {Units({0x041D, 0x0430}), "На"},
      {Units({'a', 0, 'b'}), "a"},
      {Units({0xD83D, 0xDE00}), "\xF0\x9F\x98\x80"},
      {Units({0xD83D, 'x'}), "\xEF\xBF\xBDx"},   // high surrogate alone
      {Units({0xDE00}), "\xEF\xBF\xBD"},          // low surrogate alone
      {{'a', 0, 'b'}, "a"},                       // odd trailing byte
  };
  for (const auto& c : cases) EXPECT_EQ(Utf16LeToUtf8(c.In), c.Out);
}

TEST(Utf16, EncodesUtf8AndReplacesWhatIsNotUtf8) {
  EXPECT_EQ(Utf8ToUtf16Le("На"), Units({0x041D, 0x0430}));
  EXPECT_EQ(Utf8ToUtf16Le("\xF0\x9F\x98\x80"), Units({0xD83D, 0xDE00}));
  EXPECT_EQ(Utf8ToUtf16Le("\xFF" "a"), Units({0xFFFD, 'a'}));
  EXPECT_EQ(Utf8ToUtf16Le("\xD0"), Units({0xFFFD}));            // cut short
  EXPECT_EQ(Utf8ToUtf16Le("\xC0\x80"), Units({0xFFFD}));        // overlong
  EXPECT_EQ(Utf8ToUtf16Le("\xED\xA0\x80"), Units({0xFFFD}));    // encoded surrogate
}

}  // namespace
}  // namespace q17
