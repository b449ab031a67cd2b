#pragma once
// The line exchange test: echo requests of a fixed pattern, and the spread
// of single exchange times.
#include <cstdint>
#include <optional>
#include <vector>

#include "reader/RdrCmd.h"

namespace q17 {

inline constexpr int kEchoMinLength = 1;
inline constexpr int kEchoMaxLength = 64;

// Byte i of the whole payload := 0x20 + i (0x20 .. 0x9F).
void FillEchoPattern(TCommandState& s);

// One echo of the first `length` payload bytes (clamped to 1..64). Only the
// link's result counts: a well-formed reply is good whatever its answer code.
int EchoExchange(TCommandState& s, TInterfList& link, int length);

// Mean whole milliseconds per exchange, rounded; nothing when none was made.
std::optional<long long> MeanMsPerExchange(double elapsedMs, long long exchanges);

// Single exchange times, in milliseconds.
class TExchangeStats {
 public:
  void Add(double ms) { FTimes.push_back(ms); }
  bool Empty() const { return FTimes.empty(); }
  double Min() const;
  double Max() const;
  // The nearest-rank percentile, p in 0..100.
  double Percentile(double p) const;

 private:
  std::vector<double> FTimes;
};

}  // namespace q17
