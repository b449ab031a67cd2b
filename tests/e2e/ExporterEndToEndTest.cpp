// q17_exporter over q17sim: a probe over HTTP, a port another program holds,
// and requests that try to break or misuse it.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "e2e/ExporterHarness.h"
#include "e2e/SimHarness.h"
#include "platform/SerialApi.h"
#include "platform/TempDir.h"
#include "reader/ProbeMetrics.h"

namespace q17::test {
namespace {

// promtool's verdict on a metrics text ("" when it takes it).
std::string PromtoolCheck(const std::string& text) {
  ChildProcess promtool;
  if (!promtool.Start({"/usr/bin/promtool", "check", "metrics"}, {}, true, true)) return "promtool did not start";
  promtool.WriteLine(text.substr(0, text.empty() ? 0 : text.size() - 1));  // WriteLine adds the last line end
  promtool.CloseStdin();
  const int code = promtool.WaitExit(100, {});
  return code == 0 ? "" : "exit " + std::to_string(code) + ": " + promtool.Out() + promtool.Err();
}

class ExporterEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.ok());
    sim.Control("@1 sensor car 1 on");
    exporter = std::make_unique<ExporterHarness>(
        WriteExporterConfig(dir / "q17.yml", "1-2", {sim.Pty(), "/dev/ttyUSB*", "tcp://127.0.0.1:4001"}));
    ASSERT_NE(exporter->Port(), 0);
  }
  // The pty's traffic so far, as q17sim counts it.
  std::string Requests() { return SimHarness::Field(sim.Control("stats"), "requests"); }

  TempDir dir;
  SimHarness sim{{"--reader", "1"}};
  std::unique_ptr<ExporterHarness> exporter;
};

TEST_F(ExporterEndToEnd, AProbeInEitherFormatAndTheExportersOwnMetrics) {
  const HttpReply text = exporter->Probe(sim.Pty());
  ASSERT_EQ(text.status, 200) << text.body;
  EXPECT_NE(text.headers.find("Content-Type: text/plain; version=0.0.4; charset=utf-8"), std::string::npos);
  EXPECT_EQ(SampleValue(text.body, "q17_reader_sensor_active{address=\"1\",sensor=\"CAR1\"}"), "1");
  EXPECT_EQ(PromtoolCheck(text.body), "");

  const HttpReply om = exporter->Probe(sim.Pty(), "gates",
                                      {"Accept: application/openmetrics-text;version=1.0.0,text/plain;q=0.5"});
  ASSERT_EQ(om.status, 200);
  EXPECT_NE(om.headers.find("Content-Type: application/openmetrics-text; version=1.0.0"), std::string::npos);
  EXPECT_EQ(om.body.substr(om.body.size() - 6), "# EOF\n");

  const HttpReply own = Get(exporter->Port(), "/metrics");
  ASSERT_EQ(own.status, 200);
  EXPECT_EQ(SampleValue(own.body, "q17_exporter_probes_total{result=\"success\"}"), "2");
  EXPECT_NE(SampleValue(own.body, "process_resident_memory_bytes"), "");
  EXPECT_EQ(PromtoolCheck(own.body), "");
  EXPECT_EQ(Get(exporter->Port(), "/").status, 200);
}

TEST_F(ExporterEndToEnd, APortTheProgramHoldsIsBusyNotTaken) {
  // SetupQ17's core opens the port as the program does, lock and all.
  const auto serial = MakeSystemSerialApi();
  TSerialOpen held = serial->Open(sim.Pty(), TLineSettings{});
  ASSERT_NE(held.Port, nullptr) << held.Failure.Detail;
  const std::string before = Requests();
  const HttpReply r = exporter->Probe(sim.Pty());
  ASSERT_EQ(r.status, 200);
  EXPECT_EQ(SampleValue(r.body, "q17_probe_success"), "0");
  EXPECT_EQ(SampleValue(r.body, "q17_probe_failure{reason=\"busy\"}"), "1");
  EXPECT_EQ(Requests(), before);
  held.Port.reset();
  EXPECT_EQ(SampleValue(exporter->Probe(sim.Pty()).body, "q17_probe_success"), "1");
}

TEST_F(ExporterEndToEnd, HostileRequestsOpenNothingAndStopNoGoodProbe) {
  const int port = exporter->Port();
  const std::string pty = sim.Pty();
  const std::string before = Requests();
  const struct {
    std::string request;
    int status;
  } refused[] = {
      {"GET /probe?target=%2Fetc%2Fpasswd&module=gates HTTP/1.1\r\n\r\n", 400},
      {"GET /probe?target=%2Fdev%2Fsda&module=gates HTTP/1.1\r\n\r\n", 403},
      {"GET /probe?target=tcp%3A%2F%2F127.0.0.2%3A4001&module=gates HTTP/1.1\r\n\r\n", 403},
      {"GET /probe?target=%2Fdev%2FttyUSB0%2F..%2F..%2Fdev%2Fsda&module=gates HTTP/1.1\r\n\r\n", 400},
      {"GET /probe?target=%252Fdev%252Fsda&module=gates HTTP/1.1\r\n\r\n", 400},
      {"GET /probe?target=" + UrlEncode(pty) + "%00&module=gates HTTP/1.1\r\n\r\n", 400},
      {"GET /probe?target=" + UrlEncode(pty) + "%20&module=gates HTTP/1.1\r\n\r\n", 400},
      {"GET /probe?target=" + UrlEncode(pty) + "%0A&module=gates HTTP/1.1\r\n\r\n", 400},
      {"GET /probe?target=" + UrlEncode(pty) + "&target=%2Fdev%2Fsda&module=gates HTTP/1.1\r\n\r\n", 400},
      {"GET /probe?target=" + UrlEncode(pty) + "&module=nope HTTP/1.1\r\n\r\n", 400},
      {"GET /probe?target=" + UrlEncode(pty) + " HTTP/1.1\r\n\r\n", 400},
      {"GET /probe?target=" + UrlEncode(pty) + "&module=gates&debug=1 HTTP/1.1\r\n\r\n", 400},
      {"GET /probe?target=" + UrlEncode(pty) + "&module=gates HTTP/1.1\r\nX-Prometheus-Scrape-Timeout-Seconds: -1\r\n\r\n", 400},
      {"GET /probe?target=" + std::string(100000, 'A') + "&module=gates HTTP/1.1\r\n\r\n", 0},  // cut off
      {"GET / HTTP/1.1\r\nX-Long: " + std::string(20000, 'b') + "\r\n\r\n", 400},
      {"NONSENSE\r\n\r\n", 400},
      {std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11) + "\r\n\r\n", 400},  // a TLS hello
  };
  for (const auto& r : refused) {
    const HttpReply reply = Exchange(port, r.request);
    EXPECT_EQ(reply.status, r.status) << r.request.substr(0, 120) << "\n" << reply.body;
  }
  std::string headers;
  for (int i = 0; i < 100; ++i) headers += "X-Header-" + std::to_string(i) + ": x\r\n";
  EXPECT_EQ(Exchange(port, "GET /metrics HTTP/1.1\r\n" + headers + "\r\n").status, 431);
  EXPECT_EQ(Requests(), before);  // not one frame went to the reader

  // Clients that send a byte now and then hold no worker for long, and many
  // connections at once are answered or turned away: the next good probe is served.
  std::vector<std::unique_ptr<LoopbackConnection>> slow;
  for (int i = 0; i < 20; ++i) {
    slow.push_back(std::make_unique<LoopbackConnection>(port));
    slow.back()->Send("G");
  }
  std::atomic<bool> dripping{true};
  std::thread drip([&] {
    for (int step = 0; dripping && step < 200; ++step) {
      for (auto& c : slow) c->Send("E");
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  });
  EXPECT_EQ(SampleValue(exporter->Probe(pty).body, "q17_probe_success"), "1");
  std::vector<std::unique_ptr<LoopbackConnection>> many;
  for (int i = 0; i < 400; ++i) {
    many.push_back(std::make_unique<LoopbackConnection>(port));
    many.back()->Send("GET /metrics HTTP/1.1\r\nConnection: close\r\n\r\n");
  }
  int answered = 0;
  for (auto& c : many) {
    const int status = ParseReply(c->ReadToEnd()).status;
    answered += status == 200 || status == 503 ? 1 : 0;  // served, or turned away at once
  }
  EXPECT_EQ(answered, 400);
  EXPECT_EQ(SampleValue(exporter->Probe(pty).body, "q17_probe_success"), "1");
  // A slow client is cut off once its request's head is overdue.
  EXPECT_TRUE(slow.front()->ClosedByPeer());
  dripping = false;
  drip.join();
}

TEST(ExporterMetricText, LabelValuesThatNeedEscapingPassPromtool) {
  TProbeResult result;
  result.Success = true;
  TProbeReader reader;
  reader.Address = 1;
  reader.Up = true;
  reader.Version = "Ворота \"север\" C:\\q17\nстрока 2 \xFF";
  result.Readers = {reader};
  const std::string text = WriteMetrics(ProbeFamilies(result), TMetricFormat::Text);
  EXPECT_EQ(PromtoolCheck(text), "") << text;
  EXPECT_NE(text.find("version=\"Ворота \\\"север\\\" C:\\\\q17\\nстрока 2 \xEF\xBF\xBD\"} 1\n"), std::string::npos)
      << text;
}

TEST(ExporterProgram, ABadConfigurationIsNamedWithItsLineAndNothingListens) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  std::ofstream(dir / "q17.yml") << "modules:\n  gates:\n    addresses: 1\ntargets:\n  - /dev/*\n";
  const RunResult r = RunProgram({Q17_EXPORTER_PATH, "--config.file", dir / "q17.yml"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("q17.yml:5: target '/dev/*': it would let callers open /dev/sda"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace q17::test
