#include "reader/ReaderConfig.h"

#include <algorithm>
#include <cstdlib>

#include "link/TranslateNoop.h"

namespace q17 {

TReaderConfig TReaderConfig::FromBytes(const std::uint8_t* b) {
  TReaderConfig config;
  config.Marker = {b[0], b[1]};
  for (std::size_t ch = 0; ch < 2; ++ch) {
    const std::uint8_t* c = b + 2 + ch * 6;
    config.Channel[ch] = TChannelConfig{c[0], c[1], c[2], c[3], c[4], c[5]};
  }
  config.Mode = b[14];
  config.WiegandInterval = b[15];
  return config;
}

TConfigBytes TReaderConfig::ToBytes() const {
  TConfigBytes b{};
  b[0] = Marker[0];
  b[1] = Marker[1];
  for (std::size_t ch = 0; ch < 2; ++ch) {
    const TChannelConfig& c = Channel[ch];
    std::uint8_t* out = b.data() + 2 + ch * 6;
    out[0] = c.WCT;
    out[1] = c.WAT;
    out[2] = c.GDT;
    out[3] = c.GOT;
    out[4] = c.TST;
    out[5] = c.OPT;
  }
  b[14] = Mode;
  b[15] = WiegandInterval;
  return b;
}

bool TReaderConfig::LookOpposit() const {
  return Channel[0].Opt(LookOppositChannel) || Channel[1].Opt(LookOppositChannel);
}

void TReaderConfig::SetLookOpposit(bool on) {
  for (TChannelConfig& c : Channel) c.SetOpt(LookOppositChannel, on);
}

const char* ModeStatusText(std::uint8_t mode) {
  switch (mode) {
    case Standard: return QT_TRANSLATE_NOOP("ReaderConfig", "СТАНДАРТНЫЙ");
    case NoGate: return QT_TRANSLATE_NOOP("ReaderConfig", "БЕЗ ВОРОТ");
    case OneRead: return QT_TRANSLATE_NOOP("ReaderConfig", "ОДНОКРАТНЫЙ");
    case OnTheFly: return QT_TRANSLATE_NOOP("ReaderConfig", "НА ПРОЕЗД");
    default: return QT_TRANSLATE_NOOP("ReaderConfig", "<неизвестный>");
  }
}

int TagMemTimeToSeconds(std::uint16_t tenths) { return std::clamp(tenths / 10, 1, 240); }

std::uint16_t SecondsToTagMemTime(int seconds) {
  return static_cast<std::uint16_t>(std::clamp(seconds, 1, 240) * 10);
}

int AttenuationToSlider(std::uint8_t attenuation) {
  return -std::min<int>(attenuation, kMaxAttenuation);
}

std::uint8_t SliderToAttenuation(int position) {
  return static_cast<std::uint8_t>(std::min(std::abs(position), int{kMaxAttenuation}));
}

std::uint8_t ClampWiegandInterval(std::uint8_t tenths) {
  return std::clamp<std::uint8_t>(tenths, 2, 20);
}

std::string WiegandIntervalText(std::uint8_t tenths, const std::string& decimalSeparator) {
  const int value = ClampWiegandInterval(tenths);
  std::string text = std::to_string(value / 10);
  if (value % 10 != 0) text += decimalSeparator + std::to_string(value % 10);
  return text + " sec";
}

std::uint8_t ClampTimeByte(std::uint8_t value) { return std::max<std::uint8_t>(value, 1); }

}  // namespace q17
