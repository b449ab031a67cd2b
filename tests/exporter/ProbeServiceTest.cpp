#include "ProbeService.h"

#include <gtest/gtest.h>

#include "ReaderBus.h"
#include "SimSerialApi.h"

namespace q17::test {
namespace {

class ProbeServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto config = std::make_shared<TExporterConfig>();
    config->Modules["gates"].Addresses = {1, 2};
    config->Targets = {"COM5", "/dev/ttyUSB*"};
    service.SetConfig(config);
  }
  std::string Stats() { return WriteMetrics(stats.Families("1"), TMetricFormat::Text); }

  sim::ReaderBus bus{{1, 2}};
  sim::SimSerialApi serial{bus, "COM5"};
  TExporterStats stats;
  bool stopping = false;
  TProbeService service{serial, stats, 4, [this] { return stopping; }};
};

TEST_F(ProbeServiceTest, ARefusedRequestOpensNothing) {
  const struct {
    std::string target;
    std::string module;
    int status;
  } cases[] = {
      {"COM5", "nope", 400},
      {"/dev/ttyUSB0/../sda", "gates", 400},
      {"COM6", "gates", 403},
  };
  for (const auto& c : cases) {
    const TProbeAnswer a = service.Probe(c.target, c.module, 10);
    EXPECT_EQ(a.Status, c.status) << c.target;
    EXPECT_FALSE(a.Reason.empty());
  }
  EXPECT_TRUE(serial.Writes().empty());
  const std::string stats = Stats();
  EXPECT_NE(stats.find("q17_exporter_probe_requests_refused_total{code=\"400\"} 2\n"), std::string::npos) << stats;
  EXPECT_NE(stats.find("q17_exporter_probe_requests_refused_total{code=\"403\"} 1\n"), std::string::npos) << stats;
}

TEST_F(ProbeServiceTest, TheProbeOpensThePortForItselfOnly) {
  const TProbeAnswer a = service.Probe("COM5", "gates", 10);
  EXPECT_EQ(a.Status, 200);
  EXPECT_TRUE(a.Result.Success) << a.Result.Detail;
  EXPECT_EQ(a.Result.Readers.size(), 2u);
  EXPECT_FALSE(serial.IsOpen());  // never held between probes
  EXPECT_NE(Stats().find("q17_exporter_probes_total{result=\"success\"} 1\n"), std::string::npos);
}

TEST_F(ProbeServiceTest, APortInUseIsAFailedProbeNotAStolenPort) {
  const auto other = serial.Open("COM5", TLineSettings{});  // SetupQ17 has it
  ASSERT_NE(other.Port, nullptr);
  const TProbeAnswer a = service.Probe("COM5", "gates", 10);
  EXPECT_EQ(a.Status, 200);
  EXPECT_FALSE(a.Result.Success);
  EXPECT_EQ(a.Result.Failure, TProbeFailure::Busy);
  EXPECT_TRUE(serial.Writes().empty());
}

TEST_F(ProbeServiceTest, ProbesBeyondTheBoundAreRefused) {
  TProbeService none(serial, stats, 0, [] { return false; });
  none.SetConfig(service.Config());
  EXPECT_EQ(none.Probe("COM5", "gates", 10).Status, 503);
}

TEST(PortGateTest, OneProbePerPortAndSoManyAtOnce) {
  TPortGate gate(2);
  auto a = gate.TakeSlot();
  auto b = gate.TakeSlot();
  EXPECT_TRUE(a && b);
  EXPECT_FALSE(gate.TakeSlot());
  a.reset();
  EXPECT_TRUE(gate.TakeSlot());

  const auto soon = [] { return std::chrono::steady_clock::now() + std::chrono::milliseconds(20); };
  auto first = gate.HoldPort("COM5", soon(), {});
  ASSERT_TRUE(first);
  EXPECT_FALSE(gate.HoldPort("COM5", soon(), {}));  // waited until its time was up
  EXPECT_TRUE(gate.HoldPort("COM6", soon(), {}));
  bool stopped = true;
  EXPECT_FALSE(gate.HoldPort("COM5", std::chrono::steady_clock::now() + std::chrono::hours(1), [&] { return stopped; }));
  first.reset();
  EXPECT_TRUE(gate.HoldPort("COM5", soon(), {}));
}

}  // namespace
}  // namespace q17::test
