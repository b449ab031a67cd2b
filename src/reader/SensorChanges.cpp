#include "reader/SensorChanges.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace q17 {

const char* SensorName(int sensor) {
  static constexpr const char* kNames[kSensorCount] = {"DC1", "CAR1", "DC2", "CAR2"};
  return sensor >= 0 && sensor < kSensorCount ? kNames[sensor] : "";
}

bool SensorActive(const TSensorState& s, int sensor) {
  switch (sensor) {
    case 0:
      return s.DC1;
    case 1:
      return s.CAR1;
    case 2:
      return s.DC2;
    case 3:
      return s.CAR2;
  }
  return false;
}

std::vector<TSensorChange> TSensorChangeDetector::Update(const TSensorState& state) {
  std::vector<TSensorChange> changes;
  for (int i = 0; i < kSensorCount; ++i) {
    const bool active = SensorActive(state, i);
    if (!FLast || SensorActive(*FLast, i) != active) changes.push_back({i, active});
  }
  FLast = state;
  return changes;
}

std::string SensorChangeLine(const std::tm& t, int ms, const TSensorChange& c) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d", t.tm_hour, t.tm_min, t.tm_sec, std::clamp(ms, 0, 999));
  return std::string(stamp) + '\t' + SensorName(c.Sensor) + '\t' + OnOffText(c.Active);
}

void LocalNowWithMs(std::tm& local, int& ms) {
  // One reading, so the milliseconds belong to the second shown.
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  ms = static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now - std::chrono::system_clock::from_time_t(seconds))
          .count());
  ms = std::clamp(ms, 0, 999);
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
}

void TSensorTimeline::Record(long long nowMs, const TSensorState& state) {
  FPolls.emplace_back(nowMs, state);
  // Keep one poll from before the span: it tells the state at its left edge.
  while (FPolls.size() > 1 && FPolls[1].first <= nowMs - FSpanMs) FPolls.pop_front();
}

long long TSensorTimeline::FromMs(long long nowMs) const {
  const long long left = nowMs - FSpanMs;
  return FPolls.empty() ? nowMs : std::max(FPolls.front().first, left);
}

std::vector<std::pair<long long, long long>> TSensorTimeline::ActiveSpans(int sensor, long long nowMs) const {
  std::vector<std::pair<long long, long long>> spans;
  const long long left = nowMs - FSpanMs;
  for (std::size_t i = 0; i < FPolls.size(); ++i) {
    if (!SensorActive(FPolls[i].second, sensor)) continue;
    const long long from = std::max(FPolls[i].first, left);
    const long long to = std::min(i + 1 < FPolls.size() ? FPolls[i + 1].first : nowMs, nowMs);
    if (to <= from) continue;
    if (!spans.empty() && spans.back().second == from) {
      spans.back().second = to;
    } else {
      spans.emplace_back(from, to);
    }
  }
  return spans;
}

}  // namespace q17
