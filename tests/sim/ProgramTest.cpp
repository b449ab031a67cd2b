// The q17sim program: its pseudo-terminal, its control lines, how it ends.
// Waits are for events (a line, a reply, an end of file); the time limits
// only keep a broken program from hanging the test run.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "BusHelpers.h"
#include "support/ChildProcess.h"

namespace q17::sim {
namespace {

using test::Bytes;

constexpr int kGuardMs = 10000;

// The program with its control lines on standard input.
class SimProcess {
 public:
  explicit SimProcess(const std::vector<std::string>& args) {
    std::vector<std::string> argv{Q17SIM_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    child_.Start(argv, {}, false, true);
  }

  std::optional<std::string> ReadLine() {
    std::string line;
    if (!child_.ReadLine(line, kGuardMs)) return std::nullopt;
    return line;
  }

  // Sends a control line and returns its answer.
  std::string Control(const std::string& line) {
    if (!child_.WriteLine(line)) return "(write failed)";
    return ReadLine().value_or("(no answer)");
  }

  void CloseStdin() { child_.CloseStdin(); }
  void Signal(int sig) { child_.Signal(sig); }

  // Waits for the end of its output, then for the process; its exit status.
  std::optional<int> Wait() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGuardMs);
    bool late = false;
    const int code = child_.WaitExit(200, [&] {
      if (std::chrono::steady_clock::now() > deadline) {
        late = true;
        child_.Signal(SIGKILL);
      }
    });
    if (late || code < 0) return std::nullopt;
    return code;
  }
  const std::string& Rest() const { return child_.Out(); }

 private:
  q17::test::ChildProcess child_;
};

// The PC's end of the pseudo-terminal.
class Port {
 public:
  explicit Port(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
  ~Port() {
    if (fd_ >= 0) close(fd_);
  }
  bool ok() const { return fd_ >= 0; }
  // Sends a request and collects bytes up to the reply's end byte.
  Bytes Exchange(const Bytes& request) {
    if (write(fd_, request.data(), request.size()) != static_cast<ssize_t>(request.size())) return {};
    Bytes got;
    while (got.empty() || got.back() != 0xFE) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, kGuardMs) <= 0) break;
      std::uint8_t buf[64];
      const ssize_t n = read(fd_, buf, sizeof buf);
      if (n > 0) got.insert(got.end(), buf, buf + n);
    }
    return got;
  }

 private:
  int fd_;
};

TEST(ProgramTest, ServesAPseudoTerminal) {
  SimProcess sim({});
  const auto path = sim.ReadLine();
  ASSERT_TRUE(path);
  EXPECT_EQ(path->rfind("/dev/", 0), 0u) << *path;
  Port port(*path);
  ASSERT_TRUE(port.ok());
  EXPECT_EQ(port.Exchange(EncodeRequest(0, 1, 27, {})),
            (Bytes{0xFC, 0x00, 0x01, 0x00, 0x00, 0x02, 0x64, 0x00, 0xD0, 0x44, 0xFE}));
  // The PC's bytes arrive unchanged even if it never set the port up:
  // no echo, no newline translation of 0x0D or 0x0A.
  const Bytes echo{0x0D, 0x0A, 0x03, 0x04, 0x11, 0x13, 0x7F};
  const auto pc = test::PcReceive(port.Exchange(EncodeRequest(1, 1, 200, echo)), 1);
  EXPECT_EQ(pc.result, 0);
  EXPECT_EQ(pc.data, echo);
}

TEST(ProgramTest, ControlLinesActOnTheReaders) {
  SimProcess sim({});
  const auto path = sim.ReadLine();
  ASSERT_TRUE(path);
  EXPECT_EQ(sim.Control("tag add 1 00A10228").substr(0, 3), "ok ");
  EXPECT_EQ(sim.Control("nonsense").substr(0, 6), "error ");
  EXPECT_EQ(sim.Control(""), "ok");
  Port port(*path);
  EXPECT_EQ(test::PcReceive(port.Exchange(EncodeRequest(0, 1, 80, {})), 0).data, Bytes{1});
  EXPECT_EQ(sim.Control("fault badcrc next 1"), "ok badcrc on the next 1 replies");
  EXPECT_EQ(test::PcReceive(port.Exchange(EncodeRequest(1, 1, 80, {})), 1).result, 6);
  EXPECT_EQ(sim.Control("quit"), "ok bye");
  EXPECT_EQ(sim.Wait(), 0);
}

TEST(ProgramTest, KeepsServingWhileThePcOpensAndClosesThePort) {
  SimProcess sim({});
  const auto path = sim.ReadLine();
  ASSERT_TRUE(path);
  for (int i = 0; i < 5; ++i) {
    Port port(*path);
    ASSERT_TRUE(port.ok()) << i;
    const auto pc = test::PcReceive(port.Exchange(EncodeRequest(static_cast<std::uint8_t>(i), 1, 40, {})),
                                    static_cast<std::uint8_t>(i));
    EXPECT_EQ(pc.result, 0) << i;
  }
  EXPECT_EQ(sim.Control("stats"), "ok requests=5 unanswered=0 badcrc=0 malformed=0 replies=5");
}

TEST(ProgramTest, SeveralReadersAndStartUpLines) {
  char scriptPath[] = "/tmp/q17sim-script-XXXXXX";
  const int fd = mkstemp(scriptPath);
  ASSERT_GE(fd, 0);
  close(fd);
  {
    std::ofstream script(scriptPath);
    script << "# start-up\n\n@4 version Reader four \n@3 tag add 2 01\n";
  }
  SimProcess sim({"--reader", "3", "--reader", "4", "--script", scriptPath, "--fault", "noise on"});
  const auto path = sim.ReadLine();
  std::remove(scriptPath);
  ASSERT_TRUE(path);
  Port port(*path);
  // One request nobody answers, then one to reader 4, in one write.
  Bytes both = EncodeRequest(0, 1, 40, {});
  const Bytes toFour = EncodeRequest(0, 4, 40, {});
  both.insert(both.end(), toFour.begin(), toFour.end());
  const auto four = test::PcReceive(port.Exchange(both), 0);
  EXPECT_EQ(four.result, 0);
  EXPECT_EQ(four.address, 4);
  EXPECT_EQ(std::string(four.data.begin(), four.data.end()), "Reader four ");
  EXPECT_EQ(test::PcReceive(port.Exchange(EncodeRequest(1, 3, 83, {})), 1).data, Bytes{1});
  EXPECT_EQ(sim.Control("stats"), "ok requests=3 unanswered=1 badcrc=0 malformed=0 replies=2");
}

TEST(ProgramTest, PacedRepliesArriveWhole) {
  SimProcess sim({"--baud", "115200"});
  const auto path = sim.ReadLine();
  ASSERT_TRUE(path);
  Port port(*path);
  Bytes pattern;
  for (int i = 0; i < 64; ++i) pattern.push_back(static_cast<std::uint8_t>(0x20 + i));
  const auto pc = test::PcReceive(port.Exchange(EncodeRequest(0, 1, 200, pattern)), 0);
  EXPECT_EQ(pc.result, 0);
  EXPECT_EQ(pc.data, pattern);
}

TEST(ProgramTest, EndsAtTheEndOfItsInput) {
  SimProcess sim({});
  ASSERT_TRUE(sim.ReadLine());
  sim.CloseStdin();
  EXPECT_EQ(sim.Wait(), 0);
}

TEST(ProgramTest, WithoutStdinItEndsOnSigterm) {
  SimProcess sim({"--no-stdin"});
  const auto path = sim.ReadLine();
  ASSERT_TRUE(path);
  sim.CloseStdin();  // ignored: it keeps serving
  {
    Port port(*path);
    EXPECT_EQ(test::PcReceive(port.Exchange(EncodeRequest(0, 1, 40, {})), 0).result, 0);
  }
  sim.Signal(SIGTERM);
  EXPECT_EQ(sim.Wait(), 0);
}

TEST(ProgramTest, ServesAnExistingSerialDevice) {
  // A pseudo-terminal made here plays the serial device; its master is the
  // PC's end of the cable.
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string device = ptsname(master);
  {
    SimProcess sim({"--device", device, "--baud", "19200", "--reader", "2"});
    EXPECT_EQ(sim.ReadLine(), device);
    const Bytes request = EncodeRequest(0, 2, 151, {});
    ASSERT_EQ(write(master, request.data(), request.size()), static_cast<ssize_t>(request.size()));
    Bytes got;
    while (got.empty() || got.back() != 0xFE) {
      pollfd p{master, POLLIN, 0};
      if (poll(&p, 1, kGuardMs) <= 0) break;
      std::uint8_t buf[64];
      const ssize_t n = read(master, buf, sizeof buf);
      if (n > 0) got.insert(got.end(), buf, buf + n);
    }
    EXPECT_EQ(test::PcReceive(got, 0).data.size(), 16u);
    EXPECT_EQ(sim.Control("quit"), "ok bye");
    EXPECT_EQ(sim.Wait(), 0);
  }
  close(master);
}

TEST(ProgramTest, StartUpErrorsEndItBeforeThePath) {
  const std::vector<std::vector<std::string>> cases = {
      {"--script", "/nonexistent/q17sim.script"},
      {"--script", "/"},  // a directory is no empty script
      {"--fault", "bogus on"},
      {"--exec", "tag add 3 1"},
      {"--reader", "0"},
      {"--baud", "fast"},
      {"--frobnicate"},
      {"--reader"},
  };
  for (const auto& args : cases) {
    SimProcess sim(args);
    EXPECT_EQ(sim.Wait(), 2) << args[0];
    EXPECT_EQ(sim.Rest(), "") << args[0];
  }
  SimProcess device({"--device", "/nonexistent/ttyS99"});
  EXPECT_EQ(device.Wait(), 1);
}

}  // namespace
}  // namespace q17::sim
