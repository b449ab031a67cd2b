// q17ctl against q17sim through the real POSIX serial code.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstring>
#include <ctime>
#include <iomanip>
#include <sstream>

#include "e2e/SimHarness.h"
#include "link/OpenFailureText.h"

namespace q17::test {
namespace {

TEST(CtlEndToEnd, PortsListsTheSimulatorsTerminal) {
  SimHarness sim;
  const std::string name = CtlPortName(sim.Pty());
  ASSERT_FALSE(name.empty());
  const RunResult r = sim.Ctl({"ports"}, false);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::istringstream lines(r.out);
  int listed = 0;
  for (std::string line; std::getline(lines, line);) listed += line == name;
  EXPECT_EQ(listed, 1) << name << " in\n" << r.out;
}

TEST(CtlEndToEnd, VersionAndConfiguration) {
  SimHarness sim;
  sim.Control("version Считыватель 2xQ17 в.1.2 ");
  RunResult r = sim.Ctl({"version"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Считыватель 2xQ17 в.1.2 \n");

  r = sim.Ctl({"read-config"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "BLOCK=AA 55 0A 05 14 1E 1E 08 0A 05 14 1E 1E 08 01 0A\n"
            "TMT_1=100\nTMT_2=100\nATT_1=0\nATT_2=0\nMODE=БЕЗ ВОРОТ\n");
}

TEST(CtlEndToEnd, SetTimeReachesTheReadersClock) {
  SimHarness sim;
  const RunResult r = sim.Ctl({"set-time"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // TIME=YYYY-MM-DD hh:mm:ss DOW=d
  ASSERT_EQ(r.out.rfind("TIME=", 0), 0u) << r.out;
  const std::string date = r.out.substr(5, 10);
  const std::string dow = r.out.substr(r.out.find("DOW=") + 4, 1);
  const std::string state = sim.Control("state");
  EXPECT_EQ(SimHarness::Field(state, "DATE"), date) << state;
  EXPECT_EQ(SimHarness::Field(state, "DOW"), dow) << state;
  // The clock runs on: allow the second that may have passed since.
  const std::string sent = r.out.substr(16, 8);
  const std::string now = SimHarness::Field(state, "TIME");
  auto seconds = [](const std::string& t) {
    return std::stoi(t.substr(0, 2)) * 3600 + std::stoi(t.substr(3, 2)) * 60 + std::stoi(t.substr(6, 2));
  };
  EXPECT_LE(seconds(now) - seconds(sent), 2) << sent << " vs " << now;
  EXPECT_GE(seconds(now) - seconds(sent), 0) << sent << " vs " << now;

  // What was sent is this computer's local time, with its weekday (1 = Sunday).
  std::tm printed{};
  std::istringstream(r.out.substr(5, 19)) >> std::get_time(&printed, "%Y-%m-%d %H:%M:%S");
  printed.tm_isdst = -1;
  const std::time_t at = std::mktime(&printed);
  EXPECT_LE(std::time(nullptr) - at, 2) << r.out;
  EXPECT_GE(std::time(nullptr) - at, 0) << r.out;
  EXPECT_EQ(dow, std::to_string(printed.tm_wday + 1)) << r.out;
}

TEST(CtlEndToEnd, SetAddressThenTheReaderAnswersAtTheNewOne) {
  SimHarness sim;
  RunResult r = sim.Ctl({"set-address", "5"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "ADDRESS=5\n");
  r = sim.Ctl({"--address", "5", "version"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  r = sim.Ctl({"version"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Код = 6 / Таймаут обмена\n");
  // A complement the reader refuses never reaches the line from q17ctl; a
  // taken address is refused by the reader.
  sim.Control("reader add 9");
  r = sim.Ctl({"--address", "5", "set-address", "9"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Код = 20 / Недопустимый параметр\n");
}

TEST(CtlEndToEnd, RestoreRadioSendsBothChannels) {
  SimHarness sim;
  const std::string before = SimHarness::Field(sim.Control("stats"), "requests");
  const RunResult r = sim.Ctl({"restore-radio", "--yes"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "CHANNEL_1=Код = 0 / OK !\nCHANNEL_2=Код = 0 / OK !\n");
  const std::string state = sim.Control("state");
  EXPECT_EQ(SimHarness::Field(state, "PROFILE1"), SimHarness::Field(state, "PROFILE2"));
  EXPECT_EQ(std::stoi(SimHarness::Field(sim.Control("stats"), "requests")), std::stoi(before) + 2);
}

TEST(CtlEndToEnd, ScanFindsEveryReaderAndSkipsSilentAddresses) {
  SimHarness sim({"--reader", "1", "--reader", "3", "--reader", "12"});
  sim.Control("@12 version Q17-12 ");
  sim.Control("@3 version ");  // one character: nothing left between the brackets
  const RunResult r = sim.Ctl({"scan", "1", "14"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Addr=01 [2xQ17 v1.0]\nAddr=03 []\nAddr=12 [Q17-12]\n");
}

TEST(CtlEndToEnd, EchoTestWithTheLongestPayload) {
  SimHarness sim;
  const RunResult r = sim.Ctl({"echo-test", "--count", "50", "--length", "64"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.rfind("good=50\nerrors=0\nms_per_exchange=", 0), 0u) << r.out;
}

// The PC cannot wait for a pty to drain, so a paced simulator must not wait
// for the request's own wire time (75 ms for 64 bytes, past the time-out).
TEST(CtlEndToEnd, TheLongestEchoOnALinePacedAt9600) {
  SimHarness sim({"--baud", "9600"});
  const RunResult r = sim.Ctl({"echo-test", "--count", "3", "--length", "64"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.rfind("good=3\nerrors=0\n", 0), 0u) << r.out;
}

TEST(CtlEndToEnd, LineFaultsShowTheirCodes) {
  SimHarness sim;
  const std::pair<const char*, const char*> table[] = {
      {"noreply", "Код = 6 / Таймаут обмена\n"},
      {"badcrc", "Код = 6 / Таймаут обмена\n"},
      {"cut", "Код = 6 / Таймаут обмена\n"},
      {"packetno", "Код = 9 / Неправильный номер пакета\n"},
      {"oversize", "Код = 8 / Переполнение буфера обмена\n"},
  };
  for (auto [kind, text] : table) {
    sim.Control(std::string("fault ") + kind + " next 1");
    RunResult r = sim.Ctl({"version"});
    EXPECT_EQ(r.exitCode, 1) << kind;
    EXPECT_EQ(r.err, text) << kind;
    r = sim.Ctl({"version"});
    EXPECT_EQ(r.exitCode, 0) << kind << ": the next exchange succeeds\n" << r.err;
  }
  sim.Control("answer 201 1");
  const RunResult r = sim.Ctl({"read-config"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Код = 201 / Функция не поддерживается\nОшибка получения конфигурации считыателя!\n");
}

TEST(CtlEndToEnd, PortInUseIsExplained) {
  if (CtlLaunched()) GTEST_SKIP() << "Wine opens a COM port for a second program, where Windows refuses it";
  SimHarness sim;
  ChildProcess holder;
  ASSERT_TRUE(holder.Start(CtlArgv({"--port", sim.Pty(), "--timeout", "1000", "echo-test", "--count", "1000000"}),
                           {"SETUPQ17_PORTS=" + sim.Pty()}, true));
  sim.Control("fault noreply on");  // keeps the holder waiting inside its exchanges
  // Wait until the holder has the port: its requests reach the reader.
  for (int i = 0; i < 200 && SimHarness::Field(sim.Control("stats"), "requests") == "0"; ++i) {
    std::string ignored;
    holder.ReadLine(ignored, 25);
  }
  const RunResult r = sim.Ctl({"version"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Код = 7 / Ошибка открытия порта\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("in use by another program"), std::string::npos) << r.err;
}

// Waits until the simulator has seen a request from a q17ctl started in the
// background, so that it has the port and is inside its exchanges.
void WaitForRequests(SimHarness& sim, ChildProcess& ctl) {
  for (int i = 0; i < 400 && SimHarness::Field(sim.Control("stats"), "requests") == "0"; ++i) {
    std::string ignored;
    ctl.ReadLine(ignored, 25);
  }
}

TEST(CtlEndToEnd, StopSignalsEndItCleanlyWithTheTotalsAndThePortFree) {
  for (const int sig : CtlStopSignals()) {
    SCOPED_TRACE(strsignal(sig));
    SimHarness sim;
    ChildProcess ctl;
    ASSERT_TRUE(ctl.Start(CtlArgv({"--port", sim.Pty(), "echo-test", "--count", "100000000"}),
                          {"SETUPQ17_PORTS=" + sim.Pty()}, true));
    WaitForRequests(sim, ctl);
    ctl.Signal(sig);
    EXPECT_EQ(ctl.WaitExit(200, {}), 128 + sig);
    // The exchange in progress runs to its reply: no error.
    EXPECT_EQ(ctl.Out().rfind("good=", 0), 0u) << ctl.Out();
    EXPECT_NE(ctl.Out().find("\nerrors=0\nms_per_exchange="), std::string::npos) << ctl.Out();
    EXPECT_EQ(ctl.Err(), "");
    const RunResult next = sim.Ctl({"version"});
    EXPECT_EQ(next.exitCode, 0) << next.err;
  }
}

// The simulator ending hangs its terminal up, as an adapter pulled out
// does: the commands that poll stop at once and say why.
TEST(CtlEndToEnd, ADeviceGoneMidRunEndsTheRunAndIsNamed) {
  for (const char* command : {"echo-test", "sensors"}) {
    SCOPED_TRACE(command);
    SimHarness sim;
    ChildProcess ctl;
    std::vector<std::string> args{"--port", sim.Pty(), command};
    if (std::string(command) == "echo-test") args.insert(args.end(), {"--count", "100000000"});
    ASSERT_TRUE(ctl.Start(CtlArgv(args), {"SETUPQ17_PORTS=" + sim.Pty()}, true));
    WaitForRequests(sim, ctl);
    sim.Control("quit");
    EXPECT_EQ(ctl.WaitExit(200, {}), 1);
    EXPECT_NE(ctl.Err().find(DeviceGoneExplanation()), std::string::npos) << ctl.Err();
  }
}

TEST(CtlEndToEnd, KilledMidScanTheNextRunWorksAtOnce) {
  SimHarness sim;
  ChildProcess ctl;
  // Every address but 1 is silent: the scan sits in its waits.
  ASSERT_TRUE(ctl.Start(CtlArgv({"--port", sim.Pty(), "scan", "2", "254"}), {"SETUPQ17_PORTS=" + sim.Pty()},
                        true));
  WaitForRequests(sim, ctl);
  ctl.Signal(SIGKILL);
  EXPECT_EQ(ctl.WaitExit(200, {}), 128 + SIGKILL);
  const RunResult next = sim.Ctl({"version"});
  EXPECT_EQ(next.exitCode, 0) << next.err;
  EXPECT_EQ(next.out, "2xQ17 v1.0 \n");
}

// A word of a bash command line, whatever it holds.
std::string ShellWord(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Each command that prints as it goes ends at the first output its reader no
// longer takes (on Windows a closed pipe shows only then), quietly, with the
// port free. Every address answers, each 50 ms late: a run that went on
// would take many seconds and end with 0.
TEST(CtlEndToEnd, AClosedOutputPipeEndsItQuietlyWithThePortFree) {
  std::vector<std::string> bus;
  for (int address = 1; address <= 254; ++address) bus.insert(bus.end(), {"--reader", std::to_string(address)});
  bus.insert(bus.end(), {"--delay", "50", "--fault", "delay on"});
  SimHarness sim(bus);
  const struct {
    std::vector<std::string> args;
    std::string firstLine;
    std::string err;  // how stderr begins
  } table[] = {
      {{"scan", "1", "254"}, "Addr=01 [2xQ17 v1.0]", ""},
      {{"survey", "1", "254"}, "addr\tversion\tmode\ttmt1\ttmt2\tatt1\tatt2\techo_errors\techo_p95_ms\terror", ""},
      // What a list did not reach is named, as after any stop.
      {{"--address", "1-254", "version"}, "Addr=01", "q17ctl: stopped; not touched: "},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.args.front());
    std::vector<std::string> args{"--port", sim.Pty(), "--timeout", "1000"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    std::string pipeline = "set -o pipefail;";
    for (const std::string& word : CtlArgv(args)) pipeline += " " + ShellWord(word);
    const long before = std::stol(SimHarness::Field(sim.Control("stats"), "requests"));
    const RunResult r = RunProgram({"/bin/bash", "-c", pipeline + " | head -1"}, {"SETUPQ17_PORTS=" + sim.Pty()});
    EXPECT_EQ(r.exitCode, 141);
    EXPECT_EQ(r.out, row.firstLine + "\n");
    if (row.err.empty()) {
      EXPECT_EQ(r.err, "");
    } else {
      EXPECT_EQ(r.err.rfind(row.err, 0), 0u) << r.err;
      EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
    EXPECT_LT(std::stol(SimHarness::Field(sim.Control("stats"), "requests")) - before, 254);
  }
  const RunResult next = sim.Ctl({"--timeout", "1000", "version"});
  EXPECT_EQ(next.exitCode, 0) << next.err;
}

// 20,000 echo exchanges, one fault in every hundred at a random place:
// every exchange is counted once, and every fault as exactly one error.
TEST(CtlEndToEnd, SoakWithRandomFaults) {
  SimHarness sim;
  sim.Control("fault random 100 20261207 badcrc packetno oversize noreply cut");
  // A wait long enough that a busy machine's scheduling is never taken for
  // a fault: only the injected ones may count as errors.
  const RunResult r = sim.Ctl({"--timeout", "100", "echo-test", "--count", "20000", "--length", "10"});
  ASSERT_EQ(r.exitCode, 1) << r.err;  // some exchanges failed
  const auto value = [&](const std::string& name) {
    const auto at = r.out.find(name + "=");
    return std::stol(r.out.substr(at + name.size() + 1));
  };
  const long good = value("good");
  const long errors = value("errors");
  const long injected = std::stol(SimHarness::Field(sim.Control("faults"), "injected"));
  EXPECT_EQ(good + errors, 20000);
  EXPECT_EQ(injected, 200);
  EXPECT_EQ(errors, injected);
}

}  // namespace
}  // namespace q17::test
