#pragma once
// The spread of single exchange times in bounded memory: a histogram of
// 0.1 ms buckets, however many exchanges a test runs. Minimum and maximum
// are kept exactly; quantiles are right to within one bucket.
#include <cstdint>
#include <utility>
#include <vector>

namespace q17 {

class TEchoSpread {
 public:
  static constexpr double kBucketsPerMs = 10.0;
  static constexpr double kBucketMs = 1.0 / kBucketsPerMs;
  // Times from here on share one last bucket, which ends at Max().
  static constexpr double kLastBucketFromMs = 2000.0;

  // A negative or not-a-number time counts as 0.
  void Add(double ms);
  std::uint64_t Count() const { return FCount; }
  bool Empty() const { return FCount == 0; }
  // 0 while empty.
  double Min() const { return FCount ? FMin : 0.0; }
  double Max() const { return FCount ? FMax : 0.0; }
  // Nearest rank, p in 0..1 (0.5 the median, 0.95 the 95 % point): the upper
  // bound of the bucket that holds it, kept within Min()..Max(). 0 while empty.
  double Quantile(double p) const;
  // (upper bound ms, count) of each bucket from the lowest to the highest
  // one used, empty ones between included; nothing while empty.
  std::vector<std::pair<double, std::uint64_t>> Buckets() const;

 private:
  double UpperBound(std::size_t index) const;

  std::vector<std::uint64_t> FCounts;  // grows up to the highest bucket used
  std::uint64_t FCount = 0;
  double FMin = 0.0;
  double FMax = 0.0;
};

}  // namespace q17
