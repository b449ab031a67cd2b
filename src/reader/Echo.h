#pragma once
// The line exchange test: echo requests of a fixed pattern.
#include <cstdint>
#include <optional>

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

// Mean whole milliseconds per exchange, rounded; nothing when none was made.
std::optional<long long> MeanMsPerExchange(double elapsedMs, long long exchanges);

}  // namespace q17
