#pragma once
// The line exchange test: echo requests of a fixed pattern.
#include <cstdint>
#include <optional>

#include "reader/EchoSpread.h"
#include "reader/RdrCmd.h"

namespace q17 {

inline constexpr int kEchoMinLength = 1;
inline constexpr int kEchoMaxLength = 64;

// Byte i of the whole payload := 0x20 + i (0x20 .. 0x9F).
void FillEchoPattern(TCommandState& s);

// One echo of the first `length` payload bytes (clamped to 1..64): the
// link's result, else a non-zero answer code, else rcDataError unless the
// reply holds the very bytes sent. The payload then holds the reply.
int EchoExchange(TCommandState& s, TInterfList& link, int length);

// One echo as the exchange-test window counts it: the transaction's own
// result only. A well-formed reply is good whatever answer code the reader
// put into it, and its data are not looked at.
int EchoTransaction(TCommandState& s, TInterfList& link, int length);

// The outcome of a run of echoes. Only good exchanges go into the spread: a
// time-out or a refusal says nothing about how fast the line answers, so
// failed exchanges are counted beside it.
struct TEchoTally {
  long Good = 0;
  long Errors = 0;
  int LastError = 0;  // the code of the latest failed exchange, 0 while none failed
  TEchoSpread Spread;

  void Record(int result, double ms);
  long Exchanges() const { return Good + Errors; }
};

// Mean whole milliseconds per exchange, rounded; nothing when none was made.
std::optional<long long> MeanMsPerExchange(double elapsedMs, long long exchanges);

}  // namespace q17
