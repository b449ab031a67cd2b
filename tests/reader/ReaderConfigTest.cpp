#include "reader/ReaderConfig.h"

#include <gtest/gtest.h>

namespace q17 {
namespace {

TEST(ReaderConfig, BytesRoundTripUnchanged) {
  TConfigBytes bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0xF0 + i);
  const TReaderConfig config = TReaderConfig::FromBytes(bytes.data());
  EXPECT_EQ(config.ToBytes(), bytes);
  EXPECT_EQ(config.Channel[1].WCT, 0xF8);
  EXPECT_EQ(config.Channel[0].OPT, 0xF7);
  EXPECT_EQ(config.Mode, 0xFE);
}

TEST(ReaderConfig, LookOppositChannelActsOnBothChannels) {
  TReaderConfig config;
  config.Channel[0].SetOpt(LookOppositChannel, true);
  config.Channel[0].OPT |= 0x80;
  EXPECT_TRUE(config.LookOpposit());
  config.SetLookOpposit(false);
  EXPECT_FALSE(config.Channel[0].Opt(LookOppositChannel));
  EXPECT_FALSE(config.Channel[1].Opt(LookOppositChannel));
  EXPECT_EQ(config.Channel[0].OPT, 0x88) << "bit 7 and the other bits stay";
  config.SetLookOpposit(true);
  EXPECT_EQ(config.Channel[0].OPT, 0x8C);
  EXPECT_EQ(config.Channel[1].OPT, 0x0C);
}

TEST(ReaderConfig, ModeTexts) {
  EXPECT_STREQ(ModeStatusText(0), "СТАНДАРТНЫЙ");
  EXPECT_STREQ(ModeStatusText(1), "БЕЗ ВОРОТ");
  EXPECT_STREQ(ModeStatusText(2), "ОДНОКРАТНЫЙ");
  EXPECT_STREQ(ModeStatusText(3), "НА ПРОЕЗД");
  EXPECT_STREQ(ModeStatusText(4), "<неизвестный>");
  EXPECT_STREQ(ModeStatusText(255), "<неизвестный>");
}

TEST(ReaderConfig, DisplayConversions) {
  const std::pair<int, int> tmt[] = {{100, 10}, {105, 10}, {5, 1}, {0, 1}, {3000, 240}, {2400, 240}, {65535, 240}};
  for (auto [tenths, seconds] : tmt) EXPECT_EQ(TagMemTimeToSeconds(static_cast<std::uint16_t>(tenths)), seconds) << tenths;
  EXPECT_EQ(SecondsToTagMemTime(24), 240);

  EXPECT_EQ(AttenuationToSlider(0), 0);
  EXPECT_EQ(AttenuationToSlider(12), -12);
  EXPECT_EQ(AttenuationToSlider(40), -31);
  EXPECT_EQ(SliderToAttenuation(-31), 31);
  EXPECT_EQ(SliderToAttenuation(0), 0);

  EXPECT_EQ(WiegandIntervalText(10, ","), "1 sec");
  EXPECT_EQ(WiegandIntervalText(25, ","), "2 sec");
  EXPECT_EQ(WiegandIntervalText(1, ","), "0,2 sec");
  EXPECT_EQ(WiegandIntervalText(15, "."), "1.5 sec");
  EXPECT_EQ(ClampWiegandInterval(25), 20);
  EXPECT_EQ(ClampWiegandInterval(1), 2);
  EXPECT_EQ(ClampTimeByte(0), 1);
  EXPECT_EQ(ClampTimeByte(255), 255);
}

}  // namespace
}  // namespace q17
