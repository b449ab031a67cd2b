// q17ctl through a network serial server nobody here wrote: ser2net on the
// loopback, with one raw and one RFC 2217 accepter, each in front of its
// own q17sim (a server's port takes one client at a time).
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "e2e/SimHarness.h"
#include "link/OpenFailureText.h"
#include "platform/TempDir.h"
#include "support/FileBytes.h"
#include "support/Ser2net.h"

namespace q17::test {
namespace {

// What q17ctl says when a serial server's connection drops.
constexpr const char* kConnectionLost =
    "the connection to the serial server was lost; once the server is back, run the command again";

// A generous line wait: two forwarding processes on a loaded machine must
// not turn into exchange failures; the timing is the benchmark's business.
RunResult Ctl(std::vector<std::string> args) {
  args.insert(args.begin(), {"--timeout", "400"});
  return RunProgram(CtlArgv(args));
}

// Every key a reader gets, so q17ctl names no default taken.
constexpr const char* kSetup =
    "[CHAN_1]\r\nWCT=0x0C\r\nWAT=6\r\nGDT=1\r\nGOT=40\r\nTST=50\r\nOPT=$1B\r\n"
    "[CHAN_2]\r\nWCT=7\r\nWAT=8\r\nGDT=9\r\nGOT=11\r\nTST=12\r\nOPT=3\r\n"
    "[MEMORY]\r\nTMT_1=250\r\nTMT_2=2400\r\n[ATTEN]\r\nATT_1=3\r\nATT_2=31\r\n";

TEST(SerialServerEndToEnd, BothKindsCarryTheCommandsOfALocalPort) {
  if (!HaveSer2net()) GTEST_SKIP() << "ser2net is not installed (scripts/deps.sh installs it)";
  SimHarness rawSim({"--reader", "1", "--reader", "3"});
  SimHarness telnetSim({"--reader", "1", "--reader", "3"});
  Ser2net server(rawSim.Pty(), telnetSim.Pty());
  ASSERT_TRUE(server.Ready()) << server.Err();
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  for (SimHarness* sim : {&rawSim, &telnetSim}) {
    const std::string port = sim == &rawSim ? server.Raw() : server.Telnet();
    SCOPED_TRACE(port);
    RunResult r = Ctl({"--port", port, "version"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "2xQ17 v1.0 \n");

    r = Ctl({"--port", port, "scan", "1", "3"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Addr=01 [2xQ17 v1.0]\nAddr=03 [2xQ17 v1.0]\n");

    // The longest payload; its frames hold 0xFF bytes, which telnet doubles.
    r = Ctl({"--port", port, "echo-test", "--count", "30", "--length", "64"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("good=30\nerrors=0\n", 0), 0u) << r.out;

    // A set-up written into reader 3 and read back.
    std::ofstream(dir / "start.set", std::ios::binary) << kSetup;
    r = Ctl({"--port", port, "--address", "3", "write-config", dir / "start.set"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(SimHarness::Field(sim->Control("state 3"), "BLOCK"), "AA550C060128321B" "0708090B0C03" "010A");
    r = Ctl({"--port", port, "--address", "3", "save-config", dir / "back.set"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(Slurp(dir / "back.set").find("[CHAN_1]\r\nWCT=12\r\nWAT=6\r\n"), std::string::npos);
  }
}

// Several buses at once, each on its own thread: the rows in the order of
// the ports given, whichever bus finished first.
TEST(SerialServerEndToEnd, ASurveyOfTwoBusesAtOnceListsThemInPortOrder) {
  if (!HaveSer2net()) GTEST_SKIP() << "ser2net is not installed (scripts/deps.sh installs it)";
  SimHarness rawSim({"--reader", "1", "--reader", "3"});
  SimHarness telnetSim({"--reader", "2"});
  Ser2net server(rawSim.Pty(), telnetSim.Pty());
  ASSERT_TRUE(server.Ready()) << server.Err();
  const RunResult r = Ctl({"--port", server.Telnet(), "--port", server.Raw(), "survey", "1", "3"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::istringstream lines(r.out);
  std::vector<std::string> starts;
  for (std::string line; std::getline(lines, line);) starts.push_back(line.substr(0, line.find('\t', line.find('\t') + 1)));
  EXPECT_EQ(starts, (std::vector<std::string>{"port\taddr", server.Telnet() + "\t2", server.Raw() + "\t1",
                                              server.Raw() + "\t3"}))
      << r.out;
}

TEST(SerialServerEndToEnd, AServerStoppedMidRunIsTheDeviceGone) {
  if (!HaveSer2net()) GTEST_SKIP() << "ser2net is not installed (scripts/deps.sh installs it)";
  SimHarness rawSim;
  SimHarness telnetSim;
  Ser2net server(rawSim.Pty(), telnetSim.Pty());
  ASSERT_TRUE(server.Ready()) << server.Err();
  ChildProcess ctl;
  ASSERT_TRUE(ctl.Start(CtlArgv({"--port", server.Telnet(), "echo-test", "--count", "100000000"}), {}, true));
  for (int i = 0; i < 400 && SimHarness::Field(telnetSim.Control("stats"), "requests") == "0"; ++i) {
    std::string ignored;
    ctl.ReadLine(ignored, 25);
  }
  server.Stop();
  EXPECT_EQ(ctl.WaitExit(200, {}), 1);
  EXPECT_NE(ctl.Err().find(kConnectionLost), std::string::npos) << ctl.Err();

  // Nobody listens any more.
  const RunResult r = Ctl({"--port", server.Raw(), "version"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("соединение отклонено"), std::string::npos) << r.err;
}

// The connection dropped while a write waits for its answer: each group is
// named written, not known or not written, as after a stop, and the run fails.
TEST(SerialServerEndToEnd, AServerStoppedDuringWriteConfigSaysWhatEachGroupBecame) {
  if (!HaveSer2net()) GTEST_SKIP() << "ser2net is not installed (scripts/deps.sh installs it)";
  SimHarness rawSim;
  SimHarness telnetSim;
  Ser2net server(rawSim.Pty(), telnetSim.Pty());
  ASSERT_TRUE(server.Ready()) << server.Err();
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  std::ofstream(dir / "gate.set", std::ios::binary) << kSetup;
  // Every reply held back well inside the line wait, so the server goes
  // while a request waits for its answer.
  rawSim.Control("delay 900");
  rawSim.Control("fault delay on");
  const auto requests = [&rawSim] { return SimHarness::Field(rawSim.Control("stats"), "requests"); };
  ChildProcess ctl;
  ASSERT_TRUE(ctl.Start({Q17CTL_PATH, "--timeout", "1000", "--port", server.Raw(), "write-config", dir / "gate.set"},
                        {}, true));
  // The reader's block read, the block written, then the first tag memory time.
  for (int i = 0; i < 800 && requests() != "3"; ++i) {
    std::string ignored;
    ctl.ReadLine(ignored, 25);
  }
  ASSERT_EQ(requests(), "3");
  server.Stop();
  EXPECT_EQ(ctl.WaitExit(200, {}), 1);
  rawSim.Control("fault off");
  EXPECT_EQ(requests(), "3") << "nothing after the connection dropped";
  EXPECT_EQ(ctl.Out(), "");
  EXPECT_EQ(ctl.Err(), std::string("q17ctl: the port's device went away while writing the configuration\n"
                                   "BLOCK: written\nTMT_1: not known (Код = 6 / Таймаут обмена)\n"
                                   "TMT_2: not written\nATT_1: not written\nATT_2: not written\n") +
                           kConnectionLost + "\n");
}

TEST(SerialServerEndToEnd, AListenerThatNeverAnswersEndsInAClearError) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), len), 0);
  ASSERT_EQ(::listen(fd, 4), 0);  // the kernel accepts; nobody ever reads or answers
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  const std::string where = "127.0.0.1:" + std::to_string(ntohs(a.sin_port));

  RunResult r = Ctl({"--port", "tcp://" + where, "version"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Код = 6 / Таймаут обмена\n") << "a raw line cannot tell a dead server from a silent bus";
  r = Ctl({"--port", "rfc2217://" + where, "version"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("сервер не отвечает"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("a raw port is reached as tcp://" + where), std::string::npos) << r.err;
  ::close(fd);
}

// One connection on the loopback, served on a thread of its own until the
// client goes; `reached` is set once the server has seen what it waits for.
class MisbehavingServer {
 public:
  explicit MisbehavingServer(std::function<void(int fd, std::atomic<bool>& reached)> serve) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&a), len), 0);
    EXPECT_EQ(::listen(listener_, 4), 0);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    where_ = "127.0.0.1:" + std::to_string(ntohs(a.sin_port));
    thread_ = std::thread([this, serve = std::move(serve)] {
      const int c = ::accept(listener_, nullptr, nullptr);
      if (c < 0) return;
      serve(c, reached_);
      ::close(c);
    });
  }
  ~MisbehavingServer() {
    ::shutdown(listener_, SHUT_RDWR);  // ends a waiting accept
    thread_.join();
    ::close(listener_);
  }
  const std::string& Where() const { return where_; }
  bool Reached() const { return reached_; }

 private:
  int listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  std::string where_;
  std::atomic<bool> reached_{false};
  std::thread thread_;
};

// Starts q17ctl, stops it once the server has seen what it waits for, and
// gives the exit code.
int StoppedAt(MisbehavingServer& server, ChildProcess& ctl, const std::vector<std::string>& args, int sig) {
  if (!ctl.Start(CtlArgv(args), {}, true)) return -1;
  for (int i = 0; i < 800 && !server.Reached(); ++i) {
    std::string ignored;
    ctl.ReadLine(ignored, 25);
  }
  EXPECT_TRUE(server.Reached());
  ctl.Signal(sig);
  return ctl.WaitExit(200, {});
}

// A stop is heard in every wait of a network port: the server's silence
// over RFC 2217's settings, and an exchange whose reply trickles in for
// ever. It ends the run with the stop's code, with no word of the server.
TEST(SerialServerEndToEnd, AStopEndsTheWaitsOfANetworkPortAtOnce) {
  const int sig = CtlStopSignal(SIGTERM);
  {
    MisbehavingServer silent([](int fd, std::atomic<bool>& reached) {
      reached = true;
      std::uint8_t b[256];
      while (::recv(fd, b, sizeof b, 0) > 0) {
      }
    });
    ChildProcess ctl;
    EXPECT_EQ(StoppedAt(silent, ctl, {"--port", "rfc2217://" + silent.Where(), "version"}, sig), 128 + sig);
    EXPECT_EQ(ctl.Err(), "q17ctl: stopped before the port was open\n");
  }
  MisbehavingServer trickle([](int fd, std::atomic<bool>& reached) {
    std::uint8_t b[256];
    if (::recv(fd, b, sizeof b, 0) <= 0) return;  // the request
    reached = true;
    const std::uint8_t noise = 0x55;
    while (::send(fd, &noise, 1, MSG_NOSIGNAL) == 1) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  });
  ChildProcess ctl;
  EXPECT_EQ(StoppedAt(trickle, ctl, {"--timeout", "1000", "--port", "tcp://" + trickle.Where(), "version"}, sig),
            128 + sig);
  EXPECT_EQ(ctl.Out(), "");
  EXPECT_EQ(ctl.Err(), "q17ctl: stopped before the reader answered\n");
}

}  // namespace
}  // namespace q17::test
