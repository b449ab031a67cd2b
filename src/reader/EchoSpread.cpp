#include "reader/EchoSpread.h"

#include <algorithm>
#include <cmath>

namespace q17 {
namespace {

constexpr auto kLastBucket = static_cast<std::size_t>(TEchoSpread::kLastBucketFromMs * TEchoSpread::kBucketsPerMs);

std::size_t BucketOf(double ms) {
  const double index = std::floor(ms * TEchoSpread::kBucketsPerMs);
  return index >= static_cast<double>(kLastBucket) ? kLastBucket : static_cast<std::size_t>(index);
}

}  // namespace

void TEchoSpread::Add(double ms) {
  if (!(ms >= 0.0)) ms = 0.0;
  const std::size_t index = BucketOf(ms);
  if (index >= FCounts.size()) FCounts.resize(index + 1, 0);
  ++FCounts[index];
  FMin = FCount == 0 ? ms : std::min(FMin, ms);
  FMax = FCount == 0 ? ms : std::max(FMax, ms);
  ++FCount;
}

double TEchoSpread::UpperBound(std::size_t index) const {
  if (index >= kLastBucket) return FMax;
  return std::clamp(static_cast<double>(index + 1) / kBucketsPerMs, FMin, FMax);
}

double TEchoSpread::Quantile(double p) const {
  if (FCount == 0) return 0.0;
  const double wanted = std::ceil(std::clamp(p, 0.0, 1.0) * static_cast<double>(FCount));
  const std::uint64_t rank = wanted < 1.0 ? 1 : static_cast<std::uint64_t>(wanted);
  std::uint64_t seen = 0;
  for (std::size_t i = 0; i < FCounts.size(); ++i) {
    seen += FCounts[i];
    // The lowest rank lies in the minimum's own bucket: the minimum itself.
    if (seen >= rank) return rank == 1 ? FMin : UpperBound(i);
  }
  return FMax;
}

std::vector<std::pair<double, std::uint64_t>> TEchoSpread::Buckets() const {
  std::vector<std::pair<double, std::uint64_t>> buckets;
  if (FCount == 0) return buckets;
  for (std::size_t i = BucketOf(FMin); i < FCounts.size(); ++i) buckets.emplace_back(UpperBound(i), FCounts[i]);
  return buckets;
}

}  // namespace q17
