// The link and q17ctl behind network serial servers that misbehave as a slow
// network does: replies that lag past the time-out, and a line that never
// goes quiet. The servers run on the loopback inside the test.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "e2e/SimHarness.h"
#include "link/ErrMsg.h"
#include "link/KvlInterface.h"
#include "reader/RdrCmd.h"
#include "support/FakeD2xxApi.h"
#include "support/SlowServers.h"

namespace q17::test {
namespace {

// The value of "name=..." in q17ctl's output; empty when missing.
std::string Figure(const std::string& out, const std::string& name) {
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(name + "=", 0) == 0) return line.substr(name.size() + 1);
  }
  return {};
}

TEST(SlowNetworkEndToEnd, NoEchoCountsGoodInLessThanTheLag) {
  SimHarness sim;
  LagRelay relay(sim.Pty(), 80);
  ASSERT_TRUE(relay.Ready());
  const RunResult r = RunProgram(CtlArgv({"--port", relay.Raw(), "echo-test", "--count", "30"}));
  ASSERT_EQ(Figure(r.out, "good").empty(), false) << r.out << r.err;
  // The first exchange may time out before the link has measured the lag;
  // every later one waits for its own reply.
  EXPECT_GE(std::stoi(Figure(r.out, "good")), 28) << r.out;
  EXPECT_GE(std::stod(Figure(r.out, "min_ms")), 80.0) << r.out;
  EXPECT_EQ(SimHarness::Field(sim.Control("stats"), "requests"), "30");
}

// A reader that refuses the second of two writes: its refusal is what the
// second write reports, not the first write's late OK.
TEST(SlowNetworkEndToEnd, ALateReplyIsNeverTakenForTheNextCommandsAnswer) {
  SimHarness sim;
  sim.Control("answer 20 cmd 25");
  LagRelay relay(sim.Pty(), 90);
  ASSERT_TRUE(relay.Ready());
  const std::unique_ptr<SerialApi> serial = MakeSystemSerialApi();
  FakeD2xxApi d2xx;
  TInterfList list(*serial, d2xx);
  const int index = list.AddNetworkPort(relay.Raw());
  ASSERT_EQ(list.Open(index, 0), rcOk);
  TCommandState s;
  const int config = WriteConfig(s, list);
  EXPECT_TRUE(config == rcOk || config == rcTimeout) << config;
  EXPECT_EQ(WriteTagMemTime1(s, list), 20);
}

TEST(SlowNetworkEndToEnd, ALineThatNeverGoesQuietEndsTheExchange) {
  TrickleServer trickle(10);
  ASSERT_TRUE(trickle.Ready());
  // Without a bound in time it would take some 45 s; the guard only keeps
  // a broken build from hanging the run.
  const RunResult r = RunProgram(CtlArgv({"--port", trickle.Raw(), "version"}), {}, 20000);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Код = 6 / Таймаут обмена\n");
}

}  // namespace
}  // namespace q17::test
