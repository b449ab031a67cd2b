#pragma once
// A probe's result as metrics: the probe's own (success, duration, why it
// failed) and one series set per reader, labelled with its address.
#include <vector>

#include "reader/MetricText.h"
#include "reader/Probe.h"

namespace q17 {

std::vector<TMetricFamily> ProbeFamilies(const TProbeResult& result);

}  // namespace q17
