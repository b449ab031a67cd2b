#pragma once
// What changed between sensor polls, for a log of changes only, and the
// recent history of the four sensors, for a timeline.
#include <array>
#include <ctime>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "reader/Sensors.h"

namespace q17 {

inline constexpr int kSensorCount = 4;
// Lane order: DC1, CAR1, DC2, CAR2.
const char* SensorName(int sensor);
bool SensorActive(const TSensorState& state, int sensor);

struct TSensorChange {
  int Sensor = 0;
  bool Active = false;
  bool operator==(const TSensorChange&) const = default;
};

class TSensorChangeDetector {
 public:
  // The sensors that differ from the last poll, in lane order; all four on the first.
  std::vector<TSensorChange> Update(const TSensorState& state);

 private:
  std::optional<TSensorState> FLast;
};

// "hh:mm:ss.mmm<TAB>CAR1<TAB>ВКЛ."
std::string SensorChangeLine(const std::tm& local, int milliseconds, const TSensorChange& change);

// The PC's local time of day now, with its milliseconds.
void LocalNowWithMs(std::tm& local, int& milliseconds);

// The polls of the last `spanMs` milliseconds on a steady scale.
class TSensorTimeline {
 public:
  explicit TSensorTimeline(long long spanMs = 60000) : FSpanMs(spanMs) {}
  void Record(long long nowMs, const TSensorState& state);
  void Clear() { FPolls.clear(); }
  long long SpanMs() const { return FSpanMs; }
  // Where the record begins within the span ending at nowMs: its first poll, or the span's start.
  long long FromMs(long long nowMs) const;
  // The stretches from..to (clipped to the span ending at nowMs) during which
  // the sensor was active; the last poll's state holds until nowMs.
  std::vector<std::pair<long long, long long>> ActiveSpans(int sensor, long long nowMs) const;

 private:
  long long FSpanMs;
  std::deque<std::pair<long long, TSensorState>> FPolls;
};

}  // namespace q17
