#include "platform/Console.h"

#include <gtest/gtest.h>

namespace q17 {
namespace {

TEST(Console, WholeUtf8PrefixLeavesOutOnlyACharacterCutShortAtTheEnd) {
  const struct {
    std::string text;
    std::size_t whole;
  } cases[] = {
      {"", 0},
      {"abc", 3},
      {"Ж", 2},
      {"a\xD0", 1},                  // Ж without its second byte
      {"a\xE2\x82", 1},              // € without its third
      {"a\xF0\x9F\x98", 1},          // 😀 without its fourth
      {"\xF0\x9F\x98\x80", 4},
      {"a\x80\x80\x80\x80", 5},      // stray continuation bytes: nothing to wait for
      {"ab\xFF", 3},                 // a byte no sequence begins with
      {"\xD0\x96\xD0", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    EXPECT_EQ(WholeUtf8Prefix(c.text), c.whole);
  }
}

}  // namespace
}  // namespace q17
