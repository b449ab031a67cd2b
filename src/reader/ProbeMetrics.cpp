#include "reader/ProbeMetrics.h"

#include <string>

namespace q17 {
namespace {

TMetricFamily Gauge(const char* name, const char* help) { return TMetricFamily{name, help, TMetricType::Gauge, {}}; }

}  // namespace

std::vector<TMetricFamily> ProbeFamilies(const TProbeResult& result) {
  TMetricFamily success = Gauge("q17_probe_success", "Whether the probe reached every address and some reader answered.");
  success.Add(result.Success ? 1 : 0);
  TMetricFamily duration = Gauge("q17_probe_duration_seconds", "How long the probe took, the port's opening included.");
  duration.Add(result.DurationSeconds);
  TMetricFamily cut = Gauge("q17_probe_cut_short", "Whether the probe ended before every address was asked (time-out or stop).");
  cut.Add(result.Failure == TProbeFailure::CutShort ? 1 : 0);
  TMetricFamily failure = Gauge("q17_probe_failure", "Why the probe failed: busy, no_device, no_access, not_serial, open_failed, no_answer, device_gone or cut_short.");
  if (result.Failure != TProbeFailure::None) failure.Add(1, {{"reason", ProbeFailureWord(result.Failure)}});

  TMetricFamily up = Gauge("q17_reader_up", "Whether the reader answered its version read whole and without an error code.");
  TMetricFamily code = Gauge("q17_reader_answer_code", "The last non-zero result of the reader's reads (link or answer code), 0 when all went well.");
  TMetricFamily echo = Gauge("q17_reader_echo_seconds", "How long one echo exchange with the reader took.");
  TMetricFamily info = Gauge("q17_reader_info", "The reader's version text.");
  TMetricFamily sensor = Gauge("q17_reader_sensor_active", "Whether a sensor input is active (DC: gate sensor, CAR: car sensor; 1, 2: channel).");
  TMetricFamily tags = Gauge("q17_reader_tags_in_field", "How many tags are in the channel's read field.");
  TMetricFamily matches = Gauge("q17_reader_config_matches", "Whether the reader holds the configuration of the module's settings file.");
  TMetricFamily mismatch = Gauge("q17_reader_config_mismatch", "A field of the configuration that differs from the settings file.");

  for (const TProbeReader& r : result.Readers) {
    const std::string address = std::to_string(r.Address);
    up.Add(r.Up ? 1 : 0, {{"address", address}});
    code.Add(r.AnswerCode, {{"address", address}});
    if (r.EchoSeconds) echo.Add(*r.EchoSeconds, {{"address", address}});
    if (r.Version) info.Add(1, {{"address", address}, {"version", *r.Version}});
    if (r.Sensors) {
      const std::pair<const char*, bool> states[] = {
          {"DC1", r.Sensors->DC1}, {"CAR1", r.Sensors->CAR1}, {"DC2", r.Sensors->DC2}, {"CAR2", r.Sensors->CAR2}};
      for (const auto& [name, active] : states) sensor.Add(active ? 1 : 0, {{"address", address}, {"sensor", name}});
    }
    if (r.TagsInField1) tags.Add(*r.TagsInField1, {{"address", address}, {"channel", "1"}});
    if (r.TagsInField2) tags.Add(*r.TagsInField2, {{"address", address}, {"channel", "2"}});
    if (r.ConfigMatches) matches.Add(*r.ConfigMatches ? 1 : 0, {{"address", address}});
    for (const std::string& field : r.Mismatches) mismatch.Add(1, {{"address", address}, {"field", field}});
  }
  return {success, duration, cut, failure, up, code, echo, info, sensor, tags, matches, mismatch};
}

}  // namespace q17
