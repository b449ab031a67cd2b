#pragma once
// q17ctl metrics: the exporter's probe of one bus, printed as metrics text,
// for a timer that feeds node_exporter's textfile collector where no
// exporter runs.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "link/KvlInterface.h"

namespace q17 {

struct TMetricsArgs {
  std::string SettingsFile;  // empty: no configuration is compared
  bool OpenMetrics = false;
};

// Checks metrics' arguments ([--settings FILE] [--openmetrics]); returns the problem, or an empty text.
std::string ParseMetricsArgs(const std::vector<std::string>& args, TMetricsArgs& parsed);

// Opens the entry at `index` of `link` (-1: no such entry), probes
// `addresses`, closes the port and prints the metrics, also when the port
// did not open or the probe failed (q17_probe_success 0; why on `err`). A
// settings file that cannot be read as one is refused before the port is
// opened. Exit code: 0 when the probe succeeded, else 1.
int RunMetrics(const TMetricsArgs& args, TInterfList& link, int index, const std::string& portName,
               const std::vector<int>& addresses, std::ostream& out, std::ostream& err,
               const std::function<bool()>& stop);

}  // namespace q17
