#include "ExporterStats.h"

namespace q17 {
namespace {

std::string Bound(double bound) {
  std::string text = std::to_string(bound);
  // "0.050000" -> "0.05", "1.000000" -> "1"
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

}  // namespace

void TExporterStats::ProbeDone(const std::string& result, double seconds) {
  const std::lock_guard lock(mutex_);
  probes_[result] += 1;
  for (std::size_t i = 0; i < kBuckets.size(); ++i) {
    if (seconds <= kBuckets[i]) bucketCounts_[i] += 1;
  }
  count_ += 1;
  sum_ += seconds;
}

void TExporterStats::Refused(int status) {
  const std::lock_guard lock(mutex_);
  refused_[status] += 1;
}

void TExporterStats::ProbeStarted() {
  const std::lock_guard lock(mutex_);
  ++inProgress_;
}

void TExporterStats::ProbeEnded() {
  const std::lock_guard lock(mutex_);
  --inProgress_;
}

std::vector<TMetricFamily> TExporterStats::Families(const std::string& version) const {
  const std::lock_guard lock(mutex_);
  TMetricFamily build{"q17_exporter_build_info", "The exporter's version.", TMetricType::Gauge, {}};
  build.Add(1, {{"version", version}});
  TMetricFamily probes{"q17_exporter_probes", "Probes run, by result (success, or why the probe failed).",
                       TMetricType::Counter, {}};
  // Both common results from the start, so that a rate over them never starts empty.
  for (const char* result : {"success", "busy"}) {
    if (!probes_.count(result)) probes.Add(0, {{"result", result}});
  }
  for (const auto& [result, n] : probes_) probes.Add(n, {{"result", result}});
  TMetricFamily refused{"q17_exporter_probe_requests_refused",
                        "Probe requests answered without a probe, by HTTP status (400 bad parameters, 403 target "
                        "not allowed, 503 too many probes at once).",
                        TMetricType::Counter, {}};
  for (const int status : {400, 403, 503}) {
    const auto it = refused_.find(status);
    refused.Add(it == refused_.end() ? 0 : it->second, {{"code", std::to_string(status)}});
  }
  TMetricFamily inProgress{"q17_exporter_probes_in_progress", "Probes running now.", TMetricType::Gauge, {}};
  inProgress.Add(inProgress_);
  TMetricFamily durations{"q17_exporter_probe_duration_seconds", "How long probes took.", TMetricType::Histogram, {}};
  for (std::size_t i = 0; i < kBuckets.size(); ++i) {
    durations.Samples.push_back({"_bucket", {{"le", Bound(kBuckets[i])}}, bucketCounts_[i]});
  }
  durations.Samples.push_back({"_bucket", {{"le", "+Inf"}}, count_});
  durations.Samples.push_back({"_sum", {}, sum_});
  durations.Samples.push_back({"_count", {}, count_});
  return {build, probes, refused, inProgress, durations};
}

}  // namespace q17
