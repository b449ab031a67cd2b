#include "reader/Echo.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "link/ErrMsg.h"

namespace q17 {

void FillEchoPattern(TCommandState& s) {
  for (std::size_t i = 0; i < s.Payload.size(); ++i) s.Payload[i] = static_cast<std::uint8_t>(0x20 + i);
}

int EchoExchange(TCommandState& s, TInterfList& link, int length) {
  const auto sentLength = static_cast<std::uint16_t>(std::clamp(length, kEchoMinLength, kEchoMaxLength));
  std::array<std::uint8_t, kEchoMaxLength> sent{};
  std::copy_n(s.Payload.begin(), sentLength, sent.begin());
  s.CommandCode = cmd::Echo;
  s.PayloadLength = sentLength;
  if (const int r = Exchange(s, link); r != 0) return r;
  // A reply that differs from the request is a line fault, not a good echo.
  if (s.PayloadLength != sentLength || !std::equal(sent.begin(), sent.begin() + sentLength, s.Payload.begin())) {
    return rcDataError;
  }
  return 0;
}

std::optional<long long> MeanMsPerExchange(double elapsedMs, long long exchanges) {
  if (exchanges <= 0) return std::nullopt;
  return std::llround(elapsedMs / static_cast<double>(exchanges));
}

}  // namespace q17
