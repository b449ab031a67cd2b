#pragma once
// What the exporter tells of itself on /metrics: its build, the probes by
// result and their durations, the requests it refused, and the process's
// memory and processor time as client libraries conventionally name them.
#include <array>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "reader/MetricText.h"

namespace q17 {

class TExporterStats {
 public:
  // Upper bounds of the probe duration histogram's buckets, in seconds.
  static constexpr std::array<double, 9> kBuckets = {0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10, 30};

  // A probe that ran: "success", or its failure's word.
  void ProbeDone(const std::string& result, double seconds);
  // A /probe request answered without a probe (400, 403, 503).
  void Refused(int status);
  void ProbeStarted();
  void ProbeEnded();

  std::vector<TMetricFamily> Families(const std::string& version) const;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, double> probes_;
  std::map<int, double> refused_;
  std::array<double, kBuckets.size()> bucketCounts_{};
  double count_ = 0;
  double sum_ = 0;
  int inProgress_ = 0;
};

// The process's own families (process_cpu_seconds_total and the like); empty
// where the system tells nothing.
std::vector<TMetricFamily> ProcessFamilies();

}  // namespace q17
