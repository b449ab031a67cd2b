// Prometheus scraping readers on q17sim through q17_exporter (a
// pseudo-terminal, and ser2net's raw and RFC 2217 ports), with the shipped
// alert rules: every reader's series reaches it with its value, and the
// reader-down alert fires once a reader falls silent.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "e2e/ExporterHarness.h"
#include "e2e/SimHarness.h"
#include "support/Prometheus.h"
#include "support/Ser2net.h"

namespace q17::test {
namespace {

std::string FileText(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// prometheus.yml: the exporter's targets by the multi-target relabelling.
std::string PrometheusConfig(int exporterPort, const std::vector<std::string>& targets) {
  std::string list;
  for (const std::string& t : targets) list += (list.empty() ? "'" : ", '") + t + "'";
  return "global:\n"
         "  scrape_interval: 1s\n"
         "  scrape_timeout: 1s\n"
         "  evaluation_interval: 1s\n"
         "rule_files:\n"
         "  - alerts.yml\n"
         "scrape_configs:\n"
         "  - job_name: q17\n"
         "    metrics_path: /probe\n"
         "    params:\n"
         "      module: [gates]\n"
         "    static_configs:\n"
         "      - targets: [" + list + "]\n"
         "    relabel_configs:\n"
         "      - source_labels: [__address__]\n"
         "        target_label: __param_target\n"
         "      - source_labels: [__param_target]\n"
         "        target_label: instance\n"
         "      - target_label: __address__\n"
         "        replacement: 127.0.0.1:" + std::to_string(exporterPort) + "\n";
}

TEST(PrometheusEndToEnd, ReadersScrapedThroughTheExporterAndTheReaderDownAlertFires) {
  if (!HavePrometheus() || !HaveSer2net()) GTEST_SKIP() << "needs Debian's prometheus and ser2net (scripts/deps.sh)";
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  // The gate: 1 well, with a car and a tag; 3 refuses to read its
  // configuration; 4 holds another one than the settings file; 5 is silent.
  SimHarness gate({"--reader", "1", "--reader", "2", "--reader", "3", "--reader", "4", "--exec", "@3 answer 20 cmd 151"});
  gate.Control("@1 sensor car 1 on");
  gate.Control("@1 tag add 2 00A10228");
  ASSERT_EQ(gate.Ctl({"--address", "1", "save-config", dir / "gate.set"}).exitCode, 0);
  std::string other = FileText(dir / "gate.set");
  other.replace(other.find("WCT=10"), 6, "WCT=12");
  std::ofstream(dir / "other.set", std::ios::binary) << other;
  ASSERT_EQ(gate.Ctl({"--address", "4", "write-config", dir / "other.set"}).exitCode, 0);
  // Two more buses behind ser2net, one raw and one RFC 2217.
  SimHarness raw({"--reader", "1", "--reader", "2"});
  SimHarness telnet({"--reader", "1", "--reader", "2"});
  Ser2net server(raw.Pty(), telnet.Pty());
  ASSERT_TRUE(server.Ready()) << server.Err();

  ExporterHarness exporter(
      WriteExporterConfig(dir / "q17.yml", "1-5", {gate.Pty(), server.Raw(), server.Telnet()}, "gate.set"));
  ASSERT_NE(exporter.Port(), 0);
  // The shipped rules, their waits shortened to fit a test.
  const std::string rules = std::regex_replace(FileText(Q17_ALERT_RULES), std::regex("for: [0-9]+[smhd]"), "for: 2s");
  PrometheusServer prometheus(PrometheusConfig(exporter.Port(), {gate.Pty(), server.Raw(), server.Telnet()}),
                              {{"alerts.yml", rules}});
  ASSERT_TRUE(prometheus.Ready());

  const auto series = [&](const std::string& instance, const std::string& selector) {
    return "{instance=\"" + instance + "\"" + (selector.empty() ? "" : "," + selector) + "}";
  };
  const auto reaches = [&](const std::string& query, const std::string& value) {
    const bool ok = PrometheusServer::Until([&] { return prometheus.Value(query) == value; }, 30000);
    EXPECT_TRUE(ok) << query << " is not " << value << ": " << prometheus.Query(query);
    return ok;
  };
  const std::string pty = gate.Pty();
  const std::pair<std::string, std::string> expected[] = {
      {"q17_probe_success" + series(pty, ""), "1"},
      {"q17_reader_up" + series(pty, "address=\"1\""), "1"},
      {"q17_reader_up" + series(pty, "address=\"3\""), "1"},
      {"q17_reader_up" + series(pty, "address=\"5\""), "0"},
      {"q17_reader_answer_code" + series(pty, "address=\"1\""), "0"},
      {"q17_reader_answer_code" + series(pty, "address=\"3\""), "20"},
      {"q17_reader_answer_code" + series(pty, "address=\"5\""), "6"},
      {"q17_reader_info" + series(pty, "address=\"1\",version=\"2xQ17 v1.0 \""), "1"},
      {"q17_reader_sensor_active" + series(pty, "address=\"1\",sensor=\"CAR1\""), "1"},
      {"q17_reader_sensor_active" + series(pty, "address=\"1\",sensor=\"DC1\""), "0"},
      {"q17_reader_tags_in_field" + series(pty, "address=\"1\",channel=\"2\""), "1"},
      {"q17_reader_config_matches" + series(pty, "address=\"1\""), "1"},
      {"q17_reader_config_matches" + series(pty, "address=\"4\""), "0"},
      {"q17_reader_config_mismatch" + series(pty, "address=\"4\",field=\"WCT_1\""), "1"},
      {"count(q17_reader_echo_seconds" + series(pty, "") + " > 0)", "4"},
  };
  for (const auto& [query, value] : expected) reaches(query, value);
  for (const std::string& bus : {server.Raw(), server.Telnet()}) {
    reaches("q17_probe_success" + series(bus, ""), "1");
    reaches("q17_reader_up" + series(bus, "address=\"2\""), "1");
    reaches("q17_reader_up" + series(bus, "address=\"3\""), "0");
    reaches("q17_reader_config_matches" + series(bus, "address=\"1\""), "1");
  }

  // Reader 2 falls silent: Prometheus sees it down, and the alert fires.
  reaches("q17_reader_up" + series(pty, "address=\"2\""), "1");
  gate.Control("reader remove 2");
  reaches("q17_reader_up" + series(pty, "address=\"2\""), "0");
  reaches("ALERTS" + series(pty, "alertname=\"Q17ReaderDown\",alertstate=\"firing\",address=\"2\""), "1");
}

}  // namespace
}  // namespace q17::test
