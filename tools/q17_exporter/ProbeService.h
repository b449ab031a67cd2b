#pragma once
// One /probe request from the target's check to the port's closing: the
// allow-list, the bound on probes at once, one probe per port, the port
// opened for the probe alone (never held between probes), the deadline the
// scraper's time-out sets, and the stats. No HTTP here, so tests drive it
// directly.
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "ExporterConfig.h"
#include "ExporterStats.h"
#include "PortGate.h"
#include "platform/SerialApi.h"
#include "reader/Probe.h"

namespace q17 {

struct TProbeAnswer {
  int Status = 200;    // 400 bad parameters, 403 target not allowed, 503 too many probes at once
  std::string Reason;  // a refusal's reason
  TProbeResult Result;
};

// Time-outs taken when the scraper names none, and the most a probe may take.
inline constexpr double kDefaultScrapeTimeoutSeconds = 10;
inline constexpr double kMaxProbeSeconds = 120;

class TProbeService {
 public:
  // `stopping` says the exporter is ending: waits and probes end at once.
  TProbeService(SerialApi& serial, TExporterStats& stats, int maxProbes, std::function<bool()> stopping);

  void SetConfig(std::shared_ptr<const TExporterConfig> config);
  std::shared_ptr<const TExporterConfig> Config() const;

  // Probes `target` with `module`'s addresses, ending before the scraper's
  // time-out (seconds).
  TProbeAnswer Probe(const std::string& target, const std::string& module, double scrapeTimeoutSeconds);

  // Wakes the probes that wait for a port, so that they see a stop.
  void WakeAll() { gate_.WakeAll(); }

 private:
  TProbeResult ProbePort(const std::string& target, const TExporterModule& module, double deadline, double started);
  double Now() const;

  SerialApi& serial_;
  TExporterStats& stats_;
  TPortGate gate_;
  std::function<bool()> stopping_;
  mutable std::mutex configMutex_;
  std::shared_ptr<const TExporterConfig> config_;
};

// How long a probe may run for a scraper's time-out: a little is left for the
// answer to travel.
double ProbeBudgetSeconds(double scrapeTimeoutSeconds);

}  // namespace q17
