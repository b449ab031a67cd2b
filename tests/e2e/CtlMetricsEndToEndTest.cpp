// q17ctl metrics over q17sim: the exporter's probe for node_exporter's
// textfile collector.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "e2e/SimHarness.h"
#include "platform/TempDir.h"

namespace q17::test {
namespace {

bool Has(const std::string& text, const std::string& line) { return text.find(line + "\n") != std::string::npos; }

TEST(CtlMetricsEndToEnd, AListProbedAndComparedWithASettingsFile) {
  SimHarness sim({"--reader", "1", "--reader", "3"});
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const RunResult saved = sim.Ctl({"--address", "1", "save-config", dir / "gate.set"});
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  // The file asks channel 1 for another car wait time than the readers hold.
  std::ifstream in(dir / "gate.set", std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto at = text.find("WCT=10");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 6, "WCT=12");
  std::ofstream(dir / "gate.set", std::ios::binary) << text;

  // The list and the settings file reach the probe; what it reads of each
  // reader is the probe's own (reader_tests).
  const RunResult r = sim.Ctl({"--address", "1-3", "metrics", "--settings", dir / "gate.set"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  for (const char* line : {"q17_probe_success 1", "q17_reader_up{address=\"2\"} 0",
                           "q17_reader_config_mismatch{address=\"1\",field=\"WCT_1\"} 1"}) {
    EXPECT_TRUE(Has(r.out, line)) << line << "\n" << r.out;
  }

  const RunResult om = sim.Ctl({"--address", "1", "metrics", "--openmetrics"});
  EXPECT_EQ(om.exitCode, 0) << om.err;
  EXPECT_TRUE(om.out.size() > 6 && om.out.substr(om.out.size() - 6) == "# EOF\n") << om.out;
}

TEST(CtlMetricsEndToEnd, WhatCannotBeProbedIsRefusedBeforeThePortOpens) {
  SimHarness sim({"--reader", "1"});
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const RunResult missing = sim.Ctl({"--address", "1", "metrics", "--settings", dir / "none.set"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("none.set: no such file"), std::string::npos) << missing.err;
  EXPECT_EQ(sim.Ctl({"--address", "found", "metrics"}).exitCode, 2);
  EXPECT_EQ(sim.Control("stats").find("requests=0 "), 3u);  // "ok requests=0 ..."
}

}  // namespace
}  // namespace q17::test
