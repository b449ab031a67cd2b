#include "reader/Echo.h"

#include <algorithm>
#include <cmath>

namespace q17 {

void FillEchoPattern(TCommandState& s) {
  for (std::size_t i = 0; i < s.Payload.size(); ++i) s.Payload[i] = static_cast<std::uint8_t>(0x20 + i);
}

int EchoExchange(TCommandState& s, TInterfList& link, int length) {
  s.CommandCode = cmd::Echo;
  s.PayloadLength = static_cast<std::uint16_t>(std::clamp(length, kEchoMinLength, kEchoMaxLength));
  return link.Transaction(s.ReaderAddress, s.Payload.data(), s.CommandCode, s.PayloadLength);
}

std::optional<long long> MeanMsPerExchange(double elapsedMs, long long exchanges) {
  if (exchanges <= 0) return std::nullopt;
  return std::llround(elapsedMs / static_cast<double>(exchanges));
}

double TExchangeStats::Min() const { return FTimes.empty() ? 0.0 : *std::min_element(FTimes.begin(), FTimes.end()); }

double TExchangeStats::Max() const { return FTimes.empty() ? 0.0 : *std::max_element(FTimes.begin(), FTimes.end()); }

double TExchangeStats::Percentile(double p) const {
  if (FTimes.empty()) return 0.0;
  std::vector<double> sorted = FTimes;
  std::sort(sorted.begin(), sorted.end());
  const double rank = std::ceil(std::clamp(p, 0.0, 100.0) / 100.0 * static_cast<double>(sorted.size()));
  const std::size_t index = rank < 1.0 ? 0 : static_cast<std::size_t>(rank) - 1;
  return sorted[std::min(index, sorted.size() - 1)];
}

}  // namespace q17
