#include "reader/Cp1251.h"

#include <gtest/gtest.h>

namespace q17 {
namespace {

TEST(Cp1251, CyrillicBothWays) {
  const std::string cp = "\xC0\xE1\xE2\xA8\xB8 2.1";  // Абв Ёё 2.1
  EXPECT_EQ(Cp1251ToUtf8(cp), "Абв" "Ёё 2.1");
  EXPECT_EQ(Utf8ToCp1251("Абв" "Ёё 2.1"), cp);
  EXPECT_EQ(Cp1251ToUtf8("\xB9"), "№");
}

TEST(Cp1251, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) {
    if (b != 0x98) all += static_cast<char>(b);
  }
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(Cp1251, WhatHasNoFormBecomesAQuestionMark) {
  EXPECT_EQ(Utf8ToCp1251("日"), "?");
  EXPECT_EQ(Utf8ToCp1251("a\xD0"), "a?") << "a lead byte cut off at the end";
  EXPECT_EQ(Utf8ToCp1251("\xC3("), "?(");
  EXPECT_EQ(Utf8ToCp1251("\xFF"), "?");
  EXPECT_EQ(Cp1251ToUtf8("\x98"), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace q17
