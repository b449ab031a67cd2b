#pragma once
// The reader's 16-byte configuration block, field by field, and the
// conversions the pages use to show it.
#include <array>
#include <cstdint>
#include <string>

namespace q17 {

using TConfigBytes = std::array<std::uint8_t, 16>;

enum TReaderMode : std::uint8_t { Standard = 0, NoGate = 1, OneRead = 2, OnTheFly = 3 };

// Bits of a channel's OPT byte. Bit 7 has no name; it travels with the byte.
enum TOptBit : std::uint8_t {
  UseCarSens = 0x01,
  UseGateSens = 0x02,
  LookOppositChannel = 0x04,
  ChannelActive = 0x08,
  CarSensInversion = 0x10,
  GateSensInversion = 0x20,
  ResetGateTime = 0x40,
};

struct TChannelConfig {
  std::uint8_t WCT = 10;  // car wait time, seconds
  std::uint8_t WAT = 5;   // access wait time
  std::uint8_t GDT = 20;  // default access time without a gate sensor
  std::uint8_t GOT = 30;  // gate open time
  std::uint8_t TST = 30;  // not interpreted here
  std::uint8_t OPT = ChannelActive;

  bool Opt(TOptBit bit) const { return (OPT & bit) != 0; }
  void SetOpt(TOptBit bit, bool on) {
    OPT = static_cast<std::uint8_t>(on ? (OPT | bit) : (OPT & ~bit));
  }
  bool operator==(const TChannelConfig&) const = default;
};

struct TReaderConfig {
  std::array<std::uint8_t, 2> Marker{0xAA, 0x55};
  std::array<TChannelConfig, 2> Channel{};
  std::uint8_t Mode = NoGate;
  std::uint8_t WiegandInterval = 10;  // 0.1 s

  static TReaderConfig FromBytes(const std::uint8_t* bytes);
  TConfigBytes ToBytes() const;

  // One setting over both channels: set or clear bit 2 of both OPT bytes;
  // reads as set when either channel has it.
  bool LookOpposit() const;
  void SetLookOpposit(bool on);

  bool operator==(const TReaderConfig&) const = default;
};

// The per-channel values that live beside the block.
inline constexpr std::uint16_t kDefaultTagMemTime = 100;  // 0.1 s
inline constexpr std::uint8_t kDefaultAttenuation = 0;
inline constexpr std::uint8_t kMaxAttenuation = 31;

// Status-bar name of a mode; "<неизвестный>" outside 0..3. A window shows
// it translated under the context "ReaderConfig".
const char* ModeStatusText(std::uint8_t mode);

// Tag memory time shown in whole seconds, 1..240.
int TagMemTimeToSeconds(std::uint16_t tenths);
std::uint16_t SecondsToTagMemTime(int seconds);

// Gain slider: -31 ("Min.") .. 0 ("Max."), minus the attenuation.
int AttenuationToSlider(std::uint8_t attenuation);
std::uint8_t SliderToAttenuation(int position);

// The Wiegand interval clamped to what its slider can show, 2..20.
std::uint8_t ClampWiegandInterval(std::uint8_t tenths);
// "0,2 sec", "1,5 sec", "2 sec": one decimal through the given separator,
// whole seconds without one.
std::string WiegandIntervalText(std::uint8_t tenths, const std::string& decimalSeparator);

// A channel time byte as its spin edit shows it, 1..255.
std::uint8_t ClampTimeByte(std::uint8_t value);

}  // namespace q17
