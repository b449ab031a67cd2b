#include "link/ReplyTimer.h"

#include <algorithm>
#include <cmath>

namespace q17 {
namespace {

// RFC 6298's gains (alpha 1/8, beta 1/4), its K of 4 and a clock granularity
// of one millisecond.
constexpr double kAlpha = 0.125;
constexpr double kBeta = 0.25;
constexpr double kDeviations = 4;
constexpr double kGranularityMs = 1;

}  // namespace

void TReplyTimer::Start(int openingMs) {
  *this = TReplyTimer{};
  FOpeningMs = std::clamp(openingMs, kMinReplyAllowanceMs, kMaxNetworkAllowanceMs);
}

void TReplyTimer::Sample(double ms) {
  ms = std::clamp(ms, 0.0, static_cast<double>(kMaxNetworkAllowanceMs));
  if (!FMeasured) {
    FSmoothed = ms;
    FDeviation = ms / 2;
    FMeasured = true;
  } else {
    FDeviation = (1 - kBeta) * FDeviation + kBeta * std::fabs(FSmoothed - ms);
    FSmoothed = (1 - kAlpha) * FSmoothed + kAlpha * ms;
  }
  FBackOffs = 0;
}

void TReplyTimer::BackOff() {
  if (FBackOffs < 16) ++FBackOffs;
}

void TReplyTimer::Relax() { FBackOffs = 0; }

int TReplyTimer::AllowanceMs() const {
  double ms = FMeasured ? FSmoothed + std::max(kGranularityMs, kDeviations * FDeviation) : FOpeningMs;
  ms = std::ceil(ms) * std::pow(2.0, FBackOffs);
  return static_cast<int>(std::clamp(ms, static_cast<double>(kMinReplyAllowanceMs),
                                     static_cast<double>(kMaxNetworkAllowanceMs)));
}

}  // namespace q17
