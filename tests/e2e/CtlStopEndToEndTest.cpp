// A stop (a signal) in the middle of q17ctl's writes and tests, against
// q17sim on a pseudo-terminal: the exchange in progress is cut short and
// told as the stop, nothing new goes out but the clean-up, which still
// waits for its answer, and stderr tells what the reader may hold.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include "e2e/SimHarness.h"
#include "platform/TempDir.h"
#include "support/ChildProcess.h"

namespace q17::test {
namespace {

// Every reply is held back this long, well inside q17ctl's --timeout 1000,
// so the signal lands while a request waits for its answer: an exchange
// the stop did not cut would end in its answer, not in the stop's words.
constexpr const char* kReplyDelay = "delay 900";

std::uint64_t Requests(SimHarness& sim) {
  return std::strtoull(SimHarness::Field(sim.Control("stats"), "requests").c_str(), nullptr, 10);
}

// Starts q17ctl, sends `sig` once the reader has had `requests` more
// requests, and waits for the end.
int StopAfter(SimHarness& sim, ChildProcess& ctl, std::vector<std::string> args, std::uint64_t requests, int sig) {
  const std::uint64_t target = Requests(sim) + requests;
  args.insert(args.begin(), {"--port", sim.Pty(), "--timeout", "1000"});
  if (!ctl.Start(CtlArgv(args), {"SETUPQ17_PORTS=" + sim.Pty()}, true)) return -1;
  for (int i = 0; i < 800 && Requests(sim) < target; ++i) {
    std::string ignored;
    ctl.ReadLine(ignored, 25);
  }
  EXPECT_EQ(Requests(sim), target);
  ctl.Signal(sig);
  return ctl.WaitExit(200, {});
}

TEST(CtlStopEndToEnd, WriteConfigStoppedDuringTheBlockCutsItAndSendsNothingAfterIt) {
  SimHarness sim;
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  ASSERT_EQ(sim.Ctl({"save-config", dir / "gate.set"}).exitCode, 0);
  sim.Control(kReplyDelay);
  sim.Control("fault delay on");
  ChildProcess ctl;
  const std::uint64_t before = Requests(sim);
  // The reader's block is read first, then the block is written.
  const int stop = CtlStopSignal(SIGTERM);
  EXPECT_EQ(StopAfter(sim, ctl, {"write-config", dir / "gate.set"}, 2, stop), 128 + stop);
  sim.Control("fault off");
  EXPECT_EQ(Requests(sim), before + 2) << "nothing after the block";
  EXPECT_EQ(ctl.Err(),
            "q17ctl: stopped while writing the configuration\n"
            "BLOCK: not known\nTMT_1: not written\nTMT_2: not written\nATT_1: not written\nATT_2: not written\n");
}

TEST(CtlStopEndToEnd, RestoreRadioStoppedDuringChannel1LeavesChannel2Alone) {
  SimHarness sim;
  sim.Control(kReplyDelay);
  sim.Control("fault delay on");
  ChildProcess ctl;
  EXPECT_EQ(StopAfter(sim, ctl, {"restore-radio", "--yes"}, 1, SIGINT), 128 + SIGINT);
  sim.Control("fault off");
  EXPECT_EQ(Requests(sim), 1u);
  EXPECT_EQ(ctl.Out(), "");
  EXPECT_EQ(ctl.Err(), "q17ctl: stopped; CHANNEL_1: not known\n");
}

// The poll in progress is cut; switching audit mode off still waits for the
// reader's answer, past the cut poll's late reply.
TEST(CtlStopEndToEnd, AuditStoppedDuringAPollStillSwitchesAuditModeOff) {
  SimHarness sim;
  sim.Control(kReplyDelay);
  sim.Control("fault delay on");
  ChildProcess ctl;
  // Switched on, then the first poll.
  EXPECT_EQ(StopAfter(sim, ctl, {"audit"}, 2, SIGINT), 128 + SIGINT);
  sim.Control("fault off");
  EXPECT_EQ(ctl.Err(), "q17ctl: stopped before the reader answered\n");
  EXPECT_EQ(SimHarness::Field(sim.Control("state"), "AUDIT"), "off");
}

TEST(CtlStopEndToEnd, RadioTestStoppedStillStopsTheCountAndPrintsIt) {
  SimHarness sim;
  ChildProcess ctl;
  EXPECT_EQ(StopAfter(sim, ctl, {"radio-test", "--seconds", "600"}, 1, SIGINT), 128 + SIGINT);
  EXPECT_EQ(ctl.Out().rfind("etalon=", 0), 0u) << ctl.Out();
  EXPECT_NE(ctl.Out().find(" test=0\n"), std::string::npos) << ctl.Out();
  EXPECT_EQ(ctl.Err(), "");
  EXPECT_EQ(SimHarness::Field(sim.Control("state"), "RADIO"), "off");
}

}  // namespace
}  // namespace q17::test
