#include "reader/PageRanges.h"

#include <gtest/gtest.h>

namespace q17 {
namespace {

TEST(PageRanges, ValuesNoControlCanShowComeToTheNearestOneThatCan) {
  const struct {
    std::uint8_t time;  // into WCT, WAT, GDT and GOT of both channels
    std::uint16_t tmt;
    std::uint8_t att;
    std::uint8_t timeAfter;
    std::uint16_t tmtAfter;
    std::uint8_t attAfter;
  } table[] = {
      {0, 0, 0, 1, 10, 0},          {1, 9, 31, 1, 10, 31},
      {255, 105, 32, 255, 100, 31}, {7, 2409, 255, 7, 2400, 31},
      {30, 65535, 5, 30, 2400, 5},  {100, 19, 0, 100, 10, 0},
  };
  for (const auto& row : table) {
    TCommandState s;
    for (TChannelConfig& c : s.Config.Channel) c = {row.time, row.time, row.time, row.time, 0, 0x80};
    s.Config.Mode = 9;
    s.Config.WiegandInterval = 0;
    s.TMT_1 = s.TMT_2 = row.tmt;
    s.ATT_1 = s.ATT_2 = row.att;
    ClampToPageRanges(s);
    const auto t = row.timeAfter;
    for (const TChannelConfig& c : s.Config.Channel) {
      EXPECT_EQ(c, (TChannelConfig{t, t, t, t, 0, 0x80})) << int{row.time};
    }
    EXPECT_EQ(s.TMT_1, row.tmtAfter) << row.tmt;
    EXPECT_EQ(s.TMT_2, row.tmtAfter) << row.tmt;
    EXPECT_EQ(s.ATT_1, row.attAfter) << int{row.att};
    EXPECT_EQ(s.ATT_2, row.attAfter) << int{row.att};
    EXPECT_EQ(s.Config.Mode, 9);
    EXPECT_EQ(s.Config.WiegandInterval, 0);
  }
}

}  // namespace
}  // namespace q17
