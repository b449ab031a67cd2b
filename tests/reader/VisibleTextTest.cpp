#include "reader/VisibleText.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace q17 {
namespace {

TEST(VisibleText, ControlCharactersFromAReaderAreShownNotObeyed) {
  const std::pair<std::string, std::string> table[] = {
      {"2xQ17 v1.0", "2xQ17 v1.0"},
      {"Считыватель", "Считыватель"},
      {"\x1B[2J\x1B]0;owned\x07", "\\x1B[2J\\x1B]0;owned\\x07"},
      {"a\rb\nc\td", "a\\x0Db\\x0Ac\\x09d"},
      {std::string("nul\0end", 7), "nul\\x00end"},
      {"del\x7F", "del\\x7F"},
      {"csi\xC2\x9B" "31m", "csi\\x9B31m"},  // U+009B, the one-byte CSI
      {"\xC2\xA0nbsp", "\xC2\xA0nbsp"},        // U+00A0 is text
      {"cut\xC2", "cut\xC2"},
  };
  for (const auto& [text, shown] : table) EXPECT_EQ(VisibleText(text), shown);
}

}  // namespace
}  // namespace q17
