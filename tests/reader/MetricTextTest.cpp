#include "reader/MetricText.h"

#include <gtest/gtest.h>

#include "reader/ProbeMetrics.h"

namespace q17::test {
namespace {

TEST(MetricTextTest, LabelValuesAreEscapedAndKeptUtf8) {
  const struct {
    std::string value;
    std::string written;
  } cases[] = {
      {"2xQ17 v1.0 ", "2xQ17 v1.0 "},
      {"a \"quoted\" word", "a \\\"quoted\\\" word"},
      {"C:\\readers\\", "C:\\\\readers\\\\"},
      {"two\nlines", "two\\nlines"},
      {"Ворота №1", "Ворота №1"},
      {"cut \xD0", "cut \xEF\xBF\xBD"},          // a character cut short
      {"\xFF\xFE", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // bytes that begin no character
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeLabelValue(c.value), c.written) << c.value;
}

TEST(MetricTextTest, FamiliesAreWrittenWholeInEitherFormat) {
  TMetricFamily up{"q17_reader_up", "Whether \"up\"\\down.", TMetricType::Gauge, {}};
  up.Add(1, {{"address", "1"}}).Add(0, {{"address", "2"}});
  TMetricFamily probes{"q17_exporter_probes", "Probes run.", TMetricType::Counter, {}};
  probes.Add(3, {{"result", "success"}});
  TMetricFamily empty{"q17_reader_info", "Nothing to say.", TMetricType::Gauge, {}};
  TMetricFamily seconds{"q17_probe_duration_seconds", "Seconds.", TMetricType::Gauge, {}};
  seconds.Add(0.125);

  EXPECT_EQ(WriteMetrics({up, probes, empty, seconds}, TMetricFormat::Text),
            "# HELP q17_reader_up Whether \"up\"\\\\down.\n"
            "# TYPE q17_reader_up gauge\n"
            "q17_reader_up{address=\"1\"} 1\n"
            "q17_reader_up{address=\"2\"} 0\n"
            "# HELP q17_exporter_probes_total Probes run.\n"
            "# TYPE q17_exporter_probes_total counter\n"
            "q17_exporter_probes_total{result=\"success\"} 3\n"
            "# HELP q17_probe_duration_seconds Seconds.\n"
            "# TYPE q17_probe_duration_seconds gauge\n"
            "q17_probe_duration_seconds 0.125\n");
  EXPECT_EQ(WriteMetrics({up, probes}, TMetricFormat::OpenMetrics),
            "# HELP q17_reader_up Whether \\\"up\\\"\\\\down.\n"
            "# TYPE q17_reader_up gauge\n"
            "q17_reader_up{address=\"1\"} 1\n"
            "q17_reader_up{address=\"2\"} 0\n"
            "# HELP q17_exporter_probes Probes run.\n"
            "# TYPE q17_exporter_probes counter\n"
            "q17_exporter_probes_total{result=\"success\"} 3\n"
            "# EOF\n");
}

TEST(MetricTextTest, TheScrapersAcceptHeaderPicksTheFormat) {
  const struct {
    const char* accept;
    TMetricFormat format;
  } cases[] = {
      // Prometheus 2.42's own.
      {"application/openmetrics-text;version=1.0.0,application/openmetrics-text;version=0.0.1;q=0.75,"
       "text/plain;version=0.0.4;q=0.5,*/*;q=0.1",
       TMetricFormat::OpenMetrics},
      {"", TMetricFormat::Text},
      {"*/*", TMetricFormat::Text},
      {"text/plain;version=0.0.4", TMetricFormat::Text},
      {"Application/OpenMetrics-Text; q=0.9, text/plain; q=0.5", TMetricFormat::OpenMetrics},
      {"application/openmetrics-text;version=0.0.1,text/plain;q=0.5", TMetricFormat::Text},  // a version not written
      {"application/openmetrics-text;q=0", TMetricFormat::Text},
      {"text/plain;q=1, application/openmetrics-text;q=0.5", TMetricFormat::Text},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatForAccept(c.accept), c.format) << c.accept;
}

TEST(MetricTextTest, AProbeGivesItsSeriesPerReaderAddress) {
  TProbeResult result;
  result.Success = true;
  result.DurationSeconds = 0.5;
  TProbeReader up;
  up.Address = 7;
  up.Up = true;
  up.Version = "v1";
  up.Sensors = TSensorState{true, false, false, false};
  up.TagsInField1 = 2;
  up.TagsInField2 = 0;
  up.EchoSeconds = 0.04;
  up.ConfigMatches = false;
  up.Mismatches = {"ATT_2"};
  TProbeReader down;
  down.Address = 9;
  down.AnswerCode = 6;
  result.Readers = {up, down};
  const std::string text = WriteMetrics(ProbeFamilies(result), TMetricFormat::Text);
  for (const char* line : {"q17_probe_success 1\n", "q17_probe_cut_short 0\n", "q17_reader_up{address=\"7\"} 1\n",
                           "q17_reader_up{address=\"9\"} 0\n", "q17_reader_answer_code{address=\"9\"} 6\n",
                           "q17_reader_info{address=\"7\",version=\"v1\"} 1\n",
                           "q17_reader_sensor_active{address=\"7\",sensor=\"DC1\"} 1\n",
                           "q17_reader_sensor_active{address=\"7\",sensor=\"CAR2\"} 0\n",
                           "q17_reader_tags_in_field{address=\"7\",channel=\"1\"} 2\n",
                           "q17_reader_echo_seconds{address=\"7\"} 0.04\n",
                           "q17_reader_config_matches{address=\"7\"} 0\n",
                           "q17_reader_config_mismatch{address=\"7\",field=\"ATT_2\"} 1\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
  // What a silent reader cannot tell is left out, not written as 0.
  EXPECT_EQ(text.find("address=\"9\",sensor"), std::string::npos);
  EXPECT_EQ(text.find("q17_probe_failure"), std::string::npos);
}

}  // namespace
}  // namespace q17::test
