#pragma once
// Line faults on the readers' replies: what each one does to the bytes,
// when it strikes (always, the next N replies, or one in every K replies
// at random with a seed), and how often it struck.
#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "Frame.h"

namespace q17::sim {

enum class FaultKind : int {
  Noise,     // 1..8 random bytes below 0xFA before FC; the PC still succeeds
  BadCrc,    // CRC low byte XOR 1; the PC drops the frame and times out (6)
  PacketNo,  // echoed packet number + 1; the PC drains the line and gives 9
  Oversize,  // length field 129 and 129 data bytes; the PC gives 8
  Flags11,   // flags 0x11 with two-byte code and length fields; the PC succeeds
  NoReply,   // nothing is sent (the command is still carried out); 6
  Cut,       // the frame stops after the last data byte: no CRC, no FE; 6
  Delay,     // the reply leaves DelayMs() late; 6 when that is 50 ms or more
};
inline constexpr int kFaultKindCount = 8;

const char* FaultName(FaultKind kind);
std::optional<FaultKind> ParseFaultKind(std::string_view name);

// One reply as it leaves a reader: its bytes, held back by delayMs, for a
// request that took requestBytes on the line.
struct ReplyChunk {
  std::vector<std::uint8_t> bytes;
  std::uint32_t delayMs = 0;
  std::size_t requestBytes = 0;
  bool keepsTurn = false;  // a slow reader's: a new request does not drop it
};

class Faults {
 public:
  using Set = std::uint32_t;  // one bit per FaultKind
  static constexpr Set Bit(FaultKind k) { return Set{1} << static_cast<int>(k); }

  void SetOn(FaultKind kind, bool on);
  // The next `count` replies (added to any still pending).
  void SetNext(FaultKind kind, unsigned count);
  // One fault in every block of `every` replies, at a random place in the
  // block, of a kind drawn from `kinds`. False (nothing changed) when
  // every is 0 or kinds is empty.
  bool SetRandom(unsigned every, std::uint32_t seed, std::vector<FaultKind> kinds);
  void RandomOff();
  // Persistent, one-shot and random faults all off; counters stay.
  void AllOff();
  void ResetCounters();

  void SetDelayMs(std::uint32_t ms) { delayMs_ = ms; }
  std::uint32_t DelayMs() const { return delayMs_; }

  // Decides which faults strike the next reply and counts them. A reply
  // that is not sent at all counts only as NoReply.
  Set Draw();
  // The wire form of `clean` with `faults` applied; nothing for NoReply.
  std::optional<ReplyChunk> Render(const ReplyLayout& clean, Set faults);
  std::optional<ReplyChunk> Apply(const ReplyLayout& clean) { return Render(clean, Draw()); }

  std::uint64_t Injected(FaultKind kind) const { return injected_[static_cast<std::size_t>(kind)]; }
  std::uint64_t InjectedTotal() const;
  std::uint64_t Replies() const { return replies_; }
  // "noise=on,badcrc=next:2,random=10/42", or "none".
  std::string Describe() const;

  // Every kind but Delay: a late reply can reach the PC after it gave up
  // and be taken for the next reply, which a soak test does not want.
  static std::vector<FaultKind> DefaultRandomKinds();

 private:
  std::array<bool, kFaultKindCount> on_{};
  std::array<unsigned, kFaultKindCount> next_{};
  unsigned every_ = 0;
  std::uint32_t seed_ = 0;
  std::vector<FaultKind> randomKinds_;
  std::mt19937 rng_;
  unsigned blockPos_ = 0;
  unsigned blockTarget_ = 0;
  std::mt19937 noiseRng_{0x5117u};
  std::array<std::uint64_t, kFaultKindCount> injected_{};
  std::uint64_t replies_ = 0;
  std::uint32_t delayMs_ = 100;
};

}  // namespace q17::sim
