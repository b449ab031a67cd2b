// q17ctl over a car park on q17sim: the survey of every reader, and one
// settings file written into a list of readers.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "e2e/SimHarness.h"
#include "platform/TempDir.h"

namespace q17::test {
namespace {

std::vector<std::string> Split(const std::string& text, char by) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, by)) parts.push_back(part);
  if (!text.empty() && text.back() == by) parts.emplace_back();
  return parts;
}

// Five readers; reader 5 refuses to give its second tag memory time.
std::vector<std::string> FiveReaders() {
  return {"--reader", "1", "--reader", "2", "--reader", "3", "--reader", "5", "--reader", "7",
          "--exec",   "@5 answer 20 cmd 28"};
}

TEST(CtlFleetEndToEnd, SurveyListsEveryReaderAndTheStepThatFailed) {
  SimHarness sim(FiveReaders());
  sim.Control("@3 version Q17-3 ");
  const RunResult r = sim.Ctl({"survey", "1", "8"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  const auto lines = Split(r.out, '\n');
  ASSERT_EQ(lines.size(), 7u) << r.out;  // header, five readers, the empty rest
  EXPECT_EQ(lines[0], "addr\tversion\tmode\ttmt1\ttmt2\tatt1\tatt2\techo_errors\techo_p95_ms\terror");
  const char* addresses[] = {"1", "2", "3", "5", "7"};
  for (std::size_t i = 0; i < 5; ++i) {
    const auto f = Split(lines[i + 1], '\t');
    ASSERT_EQ(f.size(), 10u) << lines[i + 1];
    EXPECT_EQ(f[0], addresses[i]);
    EXPECT_EQ(f[1], i == 2 ? "Q17-3 " : "2xQ17 v1.0 ");  // whole, as `version` prints it
    EXPECT_EQ(f[2], "БЕЗ ВОРОТ");
    EXPECT_EQ(f[3], "100");
    EXPECT_EQ(f[5] + f[6], "00");
    EXPECT_EQ(f[7], "0");
    EXPECT_FALSE(f[8].empty());
    if (f[0] == "5") {
      EXPECT_EQ(f[4], "");
      EXPECT_EQ(f[9].rfind("Код = 20 / ", 0), 0u) << f[9];
    } else {
      EXPECT_EQ(f[4], "100");
      EXPECT_EQ(f[9], "");
    }
  }
}

TEST(CtlFleetEndToEnd, SurveyAsJson) {
  SimHarness sim(FiveReaders());
  const RunResult r = sim.Ctl({"survey", "--json", "1", "8"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  ASSERT_EQ(r.out.rfind("[\n  {\"addr\": 1, \"version\": \"2xQ17 v1.0 \", \"mode\": \"БЕЗ ВОРОТ\", \"tmt1\": 100, "
                        "\"tmt2\": 100, \"att1\": 0, \"att2\": 0, \"echo_errors\": 0, \"echo_p95_ms\": ", 0),
            0u)
      << r.out;
  EXPECT_EQ(r.out.substr(r.out.size() - 4), "}\n]\n");
  EXPECT_EQ(Split(r.out, '{').size(), 6u);
  EXPECT_NE(r.out.find("{\"addr\": 5, \"version\": \"2xQ17 v1.0 \", \"mode\": \"БЕЗ ВОРОТ\", \"tmt1\": 100, "
                       "\"tmt2\": null,"),
            std::string::npos);
  EXPECT_NE(r.out.find("\"error\": \"Код = 20 / "), std::string::npos);
  EXPECT_EQ(Split(r.out, '\n').size(), 8u) << r.out;  // "[", five objects, "]"
}

TEST(CtlFleetEndToEnd, WriteConfigToAListGoesOnPastAFailure) {
  SimHarness sim(FiveReaders());
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  std::ofstream(dir / "gate.set", std::ios::binary) << "[MEMORY]\r\nTMT_1=300\r\nTMT_2=200\r\n[ATTEN]\r\nATT_1=4\r\nATT_2=6\r\n";
  // 4: no reader; 5: cannot be read back whole.
  const RunResult r = sim.Ctl({"--address", "1,4,5,7", "write-config", dir / "gate.set"});
  EXPECT_EQ(r.exitCode, 1);
  const auto blocks = Split(r.out, '\n');
  std::vector<std::string> summary;
  for (const auto& line : blocks)
    if (line.rfind("Addr=", 0) == 0 || line == "OK" || line.rfind("Код = ", 0) == 0) summary.push_back(line);
  ASSERT_EQ(summary.size(), 8u) << r.out;
  EXPECT_EQ(summary[5].rfind("Код = 20 / ", 0), 0u) << r.out;
  summary[5] = "Код = 20";
  EXPECT_EQ(summary, (std::vector<std::string>{"Addr=01", "OK", "Addr=04", "Код = 6 / Таймаут обмена", "Addr=05",
                                               "Код = 20", "Addr=07", "OK"}))
      << r.out;
  EXPECT_NE(r.err.find("Addr=04: Код = 6 / Таймаут обмена\n"), std::string::npos) << r.err;
  for (const char* reader : {"1", "5", "7"}) {
    const std::string state = sim.Control(std::string("state ") + reader);
    EXPECT_EQ(SimHarness::Field(state, "TMT"), "300,200") << reader;
    EXPECT_EQ(SimHarness::Field(state, "ATT"), "4,6") << reader;
  }
  EXPECT_EQ(SimHarness::Field(sim.Control("state 2"), "TMT"), "100,100");

  // A wrong file: said once, no reader touched.
  std::ofstream(dir / "bad.set", std::ios::binary) << "[MEMORY]\r\nTMT_1=3OO\r\n";
  const RunResult bad = sim.Ctl({"--address", "1,2", "write-config", dir / "bad.set"});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_EQ(bad.out, "");
  EXPECT_NE(bad.err.find("TMT_1=3OO"), std::string::npos) << bad.err;
  EXPECT_EQ(bad.err.find("Addr="), std::string::npos) << bad.err;
  EXPECT_EQ(SimHarness::Field(sim.Control("state 2"), "TMT"), "100,100");

  // "found": every reader on the bus, one block each (short time-outs: the scan covers 1..254).
  const RunResult found = sim.Ctl({"--timeout", "20", "--address", "found", "version"});
  EXPECT_EQ(found.exitCode, 0) << found.err;
  EXPECT_EQ(found.out.substr(0, 32), "Addr=01\n2xQ17 v1.0 \nOK\nAddr=02\n2") << found.out;
  EXPECT_EQ(Split(found.out, 'A').size(), 6u);
}

}  // namespace
}  // namespace q17::test
