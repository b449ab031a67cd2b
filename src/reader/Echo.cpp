#include "reader/Echo.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "link/ErrMsg.h"

namespace q17 {

void FillEchoPattern(TCommandState& s) {
  for (std::size_t i = 0; i < s.Payload.size(); ++i) s.Payload[i] = static_cast<std::uint8_t>(0x20 + i);
}

namespace {

std::uint16_t EchoLength(int length) {
  return static_cast<std::uint16_t>(std::clamp(length, kEchoMinLength, kEchoMaxLength));
}

}  // namespace

int EchoTransaction(TCommandState& s, TInterfList& link, int length) {
  s.CommandCode = cmd::Echo;
  s.PayloadLength = EchoLength(length);
  return link.Transaction(s.ReaderAddress, s.Payload.data(), s.CommandCode, s.PayloadLength);
}

int EchoExchange(TCommandState& s, TInterfList& link, int length) {
  const std::uint16_t sentLength = EchoLength(length);
  std::array<std::uint8_t, kEchoMaxLength> sent{};
  std::copy_n(s.Payload.begin(), sentLength, sent.begin());
  if (const int r = EchoTransaction(s, link, length); r != 0) return r;
  if (s.CommandCode != 0) return s.CommandCode;
  // A reply that differs from the request is a line fault, not a good echo.
  if (s.PayloadLength != sentLength || !std::equal(sent.begin(), sent.begin() + sentLength, s.Payload.begin())) {
    return rcDataError;
  }
  return 0;
}

void TEchoTally::Record(int result, double ms) {
  if (result == 0) {
    ++Good;
    Spread.Add(ms);
  } else {
    ++Errors;
    LastError = result;
  }
}

std::optional<long long> MeanMsPerExchange(double elapsedMs, long long exchanges) {
  if (exchanges <= 0) return std::nullopt;
  return std::llround(elapsedMs / static_cast<double>(exchanges));
}

}  // namespace q17
