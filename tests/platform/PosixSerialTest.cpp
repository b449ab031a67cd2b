// The termios port against real pseudo-terminals: the test holds the master
// side and plays the reader; the code under test opens the slave by name.
#include <fcntl.h>
#include <signal.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <numeric>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "platform/PortHolder.h"
#include "platform/SerialApi.h"
#include "platform/posix/LineSpeed.h"
#include "platform/posix/TermiosFrame.h"

namespace q17 {
namespace {

constexpr int kPatienceMs = 5000;  // only ever reached when something is broken

class Pty {
 public:
  Pty() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    if (const char* name = ptsname(master_)) slave_ = name;
    struct termios t {};
    if (tcgetattr(master_, &t) == 0) {
      cfmakeraw(&t);
      tcsetattr(master_, TCSANOW, &t);
    }
  }
  ~Pty() { CloseMaster(); }

  bool ok() const { return master_ >= 0 && !slave_.empty(); }
  const std::string& slave() const { return slave_; }

  void CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

  void Send(const std::vector<std::uint8_t>& bytes) {
    ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // What the slave side wrote, waiting for `count` bytes or a long silence.
  std::vector<std::uint8_t> Receive(std::size_t count) {
    std::vector<std::uint8_t> got;
    while (got.size() < count) {
      struct pollfd p {master_, POLLIN, 0};
      if (poll(&p, 1, kPatienceMs) <= 0) break;
      std::uint8_t buf[512];
      const ssize_t n = read(master_, buf, sizeof buf);
      if (n <= 0) break;
      got.insert(got.end(), buf, buf + n);
    }
    return got;
  }

 private:
  int master_ = -1;
  std::string slave_;
};

std::vector<std::uint8_t> AllByteValues() {
  std::vector<std::uint8_t> bytes(256);
  std::iota(bytes.begin(), bytes.end(), 0);
  return bytes;
}

std::vector<std::uint8_t> ReadThrough(SerialPort& port, std::size_t count) {
  std::vector<std::uint8_t> got;
  std::uint8_t buf[512];
  while (got.size() < count) {
    const long n = port.Read(buf, sizeof buf, kPatienceMs);
    if (n <= 0) break;
    got.insert(got.end(), buf, buf + n);
  }
  return got;
}

class PosixSerialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pty_.ok()) GTEST_SKIP() << "no pseudo-terminals here";
  }
  std::unique_ptr<SerialPort> OpenSlave(const TLineSettings& line = {}) {
    TSerialOpen opened = api_->Open(pty_.slave(), line);
    failure_ = opened.Failure;
    return std::move(opened.Port);
  }

  Pty pty_;
  std::unique_ptr<SerialApi> api_ = MakeSystemSerialApi();
  TOpenFailure failure_;  // of the last OpenSlave
};

TEST_F(PosixSerialTest, OpenSetsRawLineEveryByteValuePassesBothWaysAndCloseRestoresTheDevicesOwn) {
  // A second descriptor on the same tty shows the settings the port got.
  const int probe = open(pty_.slave().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(probe, 0);
  struct termios cooked {};
  ASSERT_EQ(tcgetattr(probe, &cooked), 0);
  cooked.c_iflag |= IXON | IXOFF | ICRNL;
  cooked.c_oflag |= OPOST | ONLCR;
  cooked.c_lflag |= ICANON | ECHO | ISIG;
  cfsetspeed(&cooked, B2400);
  ASSERT_EQ(tcsetattr(probe, TCSANOW, &cooked), 0);
  ASSERT_EQ(tcgetattr(probe, &cooked), 0);  // as the device holds them

  auto port = OpenSlave();
  ASSERT_NE(port, nullptr) << failure_.Detail;

  struct termios t {};
  ASSERT_EQ(tcgetattr(probe, &t), 0);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_cflag & (CRTSCTS | PARENB | CSTOPB), 0u);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(t.c_cc[VMIN], 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);

  // 0x03 (^C), 0x11/0x13 (XON/XOFF), '\r' and '\n' are the usual victims.
  const auto bytes = AllByteValues();
  EXPECT_EQ(port->Write(bytes.data(), bytes.size()), 256);
  EXPECT_EQ(pty_.Receive(bytes.size()), bytes);

  pty_.Send(bytes);
  EXPECT_EQ(ReadThrough(*port, bytes.size()), bytes);
  port.reset();

  struct termios after {};
  ASSERT_EQ(tcgetattr(probe, &after), 0);
  close(probe);
  EXPECT_EQ(after.c_iflag, cooked.c_iflag);
  EXPECT_EQ(after.c_oflag, cooked.c_oflag);
  EXPECT_EQ(after.c_lflag, cooked.c_lflag);
  EXPECT_EQ(after.c_cflag, cooked.c_cflag);
  EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B2400));
  EXPECT_EQ(std::memcmp(after.c_cc, cooked.c_cc, sizeof after.c_cc), 0);
}

TEST_F(PosixSerialTest, ReadReturnsWhatArrivesWithoutWaitingOutTheTimeout) {
  auto port = OpenSlave();
  ASSERT_NE(port, nullptr);
  std::thread reader([this] {
    // Give the Read a chance to be waiting already; correctness does not
    // depend on it.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pty_.Send({0xFC, 0x00, 0x01});
  });
  std::vector<std::uint8_t> got;
  std::uint8_t buf[16];
  // A wait far beyond the test's time limit: only an early return passes.
  while (got.size() < 3) {
    const long n = port->Read(buf, sizeof buf, 60000);
    ASSERT_GT(n, 0);
    got.insert(got.end(), buf, buf + n);
  }
  reader.join();
  EXPECT_EQ(got, (std::vector<std::uint8_t>{0xFC, 0x00, 0x01}));
  port.reset();
}

TEST_F(PosixSerialTest, ReadOnSilenceReturnsZero) {
  auto port = OpenSlave();
  ASSERT_NE(port, nullptr);
  std::uint8_t buf[8];
  EXPECT_EQ(port->Read(buf, sizeof buf, 0), 0);
  EXPECT_EQ(port->Read(buf, sizeof buf, 30), 0);
  EXPECT_EQ(port->Read(buf, 0, 30), 0);
  port.reset();
}

// A pty whose other end closed is what an unplugged adapter's tty looks like.
TEST_F(PosixSerialTest, PeerGoneIsTheDeviceGoneNotSilence) {
  auto port = OpenSlave();
  ASSERT_NE(port, nullptr);
  pty_.Send({0x41});
  std::uint8_t buf[8];
  ASSERT_EQ(port->Read(buf, sizeof buf, kPatienceMs), 1);
  EXPECT_TRUE(port->Present());

  pty_.CloseMaster();
  EXPECT_FALSE(port->Present());
  EXPECT_EQ(port->Read(buf, sizeof buf, 0), kPortGone);
  EXPECT_EQ(port->Read(buf, sizeof buf, 60000), kPortGone);  // at once, not after the wait
  const std::uint8_t frame[] = {0xFB, 0x00, 0xFD};
  EXPECT_EQ(port->Write(frame, sizeof frame), kPortGone);
  port.reset();
}

// A stop asked for through a pipe, as a signal descriptor would be.
class PipeStop final : public StopSignal {
 public:
  PipeStop() {
    if (pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
  }
  ~PipeStop() override {
    close(fds_[0]);
    close(fds_[1]);
  }
  void Request() {
    requested_ = true;
    ASSERT_EQ(write(fds_[1], "s", 1), 1);
  }
  bool Requested() const override { return requested_; }
  int WaitDescriptor() const override { return fds_[0]; }

 private:
  int fds_[2];
  bool requested_ = false;
};

// Fills the pty's buffer towards the master, which nobody reads.
void FillUntilFull(const std::string& slave) {
  const int fd = open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  // The pty frees room as it moves bytes on: full means no room for a while.
  const std::vector<std::uint8_t> block(4096, 0x55);
  for (;;) {
    while (write(fd, block.data(), block.size()) > 0) {
    }
    struct pollfd p {fd, POLLOUT, 0};
    if (poll(&p, 1, 200) == 0) break;
  }
  close(fd);
}

TEST_F(PosixSerialTest, AWriteTheLineDoesNotTakeGivesUp) {
  auto port = OpenSlave();
  ASSERT_NE(port, nullptr);
  FillUntilFull(pty_.slave());
  const std::uint8_t frame[10] = {0xFB};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port->Write(frame, sizeof frame), -1);
  // 110 ms are due; a generous bound still tells it from the old second.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
  port.reset();
}

TEST_F(PosixSerialTest, AStopEndsReadAndWriteWaitsAtOnce) {
  // Waits far beyond the test's time limit: only the stop can end them.
  TLineSettings line;
  line.WriteAllowanceMs = 600000;
  line.WriteMsPerByte = 0;
  auto port = OpenSlave(line);
  ASSERT_NE(port, nullptr);
  PipeStop stop;
  api_->SetStopSignal(&stop);
  stop.Request();
  std::uint8_t buf[8];
  EXPECT_EQ(port->Read(buf, sizeof buf, 600000), 0);
  pty_.Send({0x41});
  EXPECT_EQ(port->Read(buf, sizeof buf, 600000), 1) << "what arrived is still read";
  FillUntilFull(pty_.slave());
  const std::uint8_t frame[4] = {0xFB, 0x00, 0x01, 0xFD};
  EXPECT_EQ(port->Write(frame, sizeof frame), -1);
  port.reset();
  api_->SetStopSignal(nullptr);
}

TEST_F(PosixSerialTest, PortIsExclusive) {
  auto first = OpenSlave();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(OpenSlave(), nullptr);
  EXPECT_EQ(failure_.Reason, OpenFailure::Busy);

  // Another program's hold counts too.
  auto other = MakeSystemSerialApi();
  const TSerialOpen refused = other->Open(pty_.slave(), TLineSettings{});
  EXPECT_EQ(refused.Port, nullptr);
  EXPECT_EQ(refused.Failure.Reason, OpenFailure::Busy);

  first.reset();
  EXPECT_NE(OpenSlave(), nullptr) << "closing must release the port";
}

// Another program holding the pty open: locked, flagged or both, until the
// test ends it. Run as nobody when the test is root, and inspectable, so
// that an ordinary user's open can see it as well as root's.
class Holder {
 public:
  Holder(const std::string& path, bool lock, bool flag) {
    int ready[2];
    if (pipe(ready) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) _exit(1);
      prctl(PR_SET_DUMPABLE, 1);
      const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      const bool ok = fd >= 0 && (!lock || flock(fd, LOCK_EX | LOCK_NB) == 0) && (!flag || ioctl(fd, TIOCEXCL) == 0);
      const char c = ok ? 'y' : 'n';
      if (write(ready[1], &c, 1) != 1) _exit(1);
      for (;;) pause();
    }
    close(ready[1]);
    char c = 0;
    ok_ = pid_ > 0 && read(ready[0], &c, 1) == 1 && c == 'y';
    close(ready[0]);
  }
  ~Holder() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  bool ok() const { return ok_; }
  std::string pid() const { return std::to_string(pid_); }

 private:
  pid_t pid_ = -1;
  bool ok_ = false;
};

// The open of an ordinary user, in a child running as nobody: 0 when it
// failed with `failure` and `words`, 1 opened, 2 other failure, 3 other
// words; 10 when the test is not root (then the test's own open is that user's).
int OpenAsNobody(const std::string& path, OpenFailure failure, const std::string& words) {
  if (geteuid() != 0) return 10;
  const pid_t child = fork();
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(10);
    const TSerialOpen opened = MakeSystemSerialApi()->Open(path, TLineSettings{});
    if (opened.Port) _exit(1);
    if (opened.Failure.Reason != failure) _exit(2);
    if (opened.Failure.Detail.find(words) == std::string::npos) _exit(3);
    _exit(0);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

void ClearFlag(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  ioctl(fd, TIOCNXCL);
  close(fd);
}

bool FlagSet(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);  // root passes the flag
  int flag = 0;
  const bool set = fd >= 0 && ioctl(fd, TIOCGEXCL, &flag) == 0 && flag != 0;
  if (fd >= 0) close(fd);
  return set;
}

// A live program holds the port when it has a lock on it, or has it open
// while the exclusive flag is set (it may take the flag and no lock): the
// port is in use, named, and that program's flag stays. A flag nobody
// stands behind was left by a program that ended: root opens past it and
// clears it; an ordinary user, who cannot see other users' open files, is
// told both possibilities. A pty never keeps the flag.
TEST_F(PosixSerialTest, InUseMeansALiveHolderAndOnlyAStaleFlagIsCleared) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root: to open as two users and to clear the flags it leaves";
  ASSERT_EQ(chmod(pty_.slave().c_str(), 0666), 0);
  struct Case {
    const char* what;
    bool lock;
    bool flag;
  };
  for (const Case& c : {Case{"lock", true, false}, Case{"lock and flag", true, true},
                        Case{"flag of a live program, no lock", false, true}}) {
    SCOPED_TRACE(c.what);
    Holder holder(pty_.slave(), c.lock, c.flag);
    ASSERT_TRUE(holder.ok());
    const std::string named = "in use by another program (platform_tests, pid " + holder.pid() + ")";
    const int user = OpenAsNobody(pty_.slave(), OpenFailure::Busy, named);
    if (user != 10) {
      EXPECT_EQ(user, 0) << "1: opened, 2: other failure, 3: other words";
    }

    EXPECT_EQ(OpenSlave(), nullptr);
    EXPECT_EQ(failure_.Reason, OpenFailure::Busy) << failure_.Detail;
    EXPECT_NE(failure_.Detail.find(named), std::string::npos) << failure_.Detail;
    EXPECT_EQ(failure_.Holder, "platform_tests, pid " + holder.pid());
    if (geteuid() == 0 && c.flag) {
      EXPECT_TRUE(FlagSet(pty_.slave())) << "the live program's flag must stay";
    }
    // The port checks see the same: the flag (root's trial open passes it) and the same holder.
    const auto view = MakeSystemView();
    const bool flagSeen = view->TryOpen(pty_.slave()) == TOpenProbe::Busy;
    EXPECT_EQ(flagSeen, c.flag);
    EXPECT_EQ(PortHolder(*view, pty_.slave(), flagSeen, ""), "platform_tests, pid " + holder.pid());
    ClearFlag(pty_.slave());
  }

  // The flag of a program that ended: set, and its descriptor closed.
  const int fd = open(pty_.slave().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ioctl(fd, TIOCEXCL), 0);
  close(fd);
  const int user = OpenAsNobody(pty_.slave(), OpenFailure::Other, "or one that ended left the flag");
  if (user != 10) {
    EXPECT_EQ(user, 0) << "1: opened, 2: other failure, 3: other words";
  }
  auto port = OpenSlave();
  EXPECT_NE(port, nullptr) << failure_.Detail;
  EXPECT_FALSE(FlagSet(pty_.slave())) << "a pty must be left without the exclusive flag";
}

TEST_F(PosixSerialTest, OpenFailuresAreNamed) {
  test::TempDir dir;
  ASSERT_TRUE(dir.ok());
  std::ofstream(dir / "plain") << "not a tty";
  struct Case {
    std::string path;
    OpenFailure failure;
  };
  const Case cases[] = {
      {dir / "ttyUSB7", OpenFailure::NoDevice},
      {"/dev/null", OpenFailure::NotSerial},
      {dir / "plain", OpenFailure::NotSerial},
      {dir.path(), OpenFailure::Other},  // a directory
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const TSerialOpen opened = api_->Open(c.path, TLineSettings{});
    EXPECT_EQ(opened.Port, nullptr);
    EXPECT_EQ(opened.Failure.Reason, c.failure);
    EXPECT_NE(opened.Failure.SystemError, 0);
    EXPECT_NE(opened.Failure.Detail.find(c.path), std::string::npos) << opened.Failure.Detail;
  }
  auto port = OpenSlave();
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(failure_.Reason, OpenFailure::None);
}

TEST_F(PosixSerialTest, PermissionDeniedNamesTheOwningGroup) {
  struct stat st {};
  ASSERT_EQ(stat(pty_.slave().c_str(), &st), 0);
  const struct group* g = getgrgid(st.st_gid);
  const std::string group = g ? g->gr_name : std::to_string(st.st_gid);

  auto check = [&]() -> int {
    const TSerialOpen opened = MakeSystemSerialApi()->Open(pty_.slave(), TLineSettings{});
    if (opened.Port) return 1;
    if (opened.Failure.Reason != OpenFailure::PermissionDenied) return 2;
    if (opened.Failure.Group != group) return 3;
    return 0;
  };

  // Only the group may read and write: that group is the one to join.
  if (geteuid() != 0) {
    ASSERT_EQ(chmod(pty_.slave().c_str(), 0060), 0);
    EXPECT_EQ(check(), 0);
    return;
  }
  // Root opens anything: try it as nobody, in a child.
  ASSERT_EQ(chmod(pty_.slave().c_str(), 0060), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(10);
    _exit(check());
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 10) GTEST_SKIP() << "cannot drop privileges here";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: opened, 2: other failure, 3: group not named";
}

// The open sets the speed asked for, any of the table's (14400 has no
// termios code), and the frame; a pty forces CS8 and no parity whatever it
// is told, two stop bits stay. A setting termios cannot give is refused.
TEST_F(PosixSerialTest, OpenAtTheLineSettingAsked) {
  const int probe = open(pty_.slave().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(probe, 0);
  for (std::uint32_t baud : {9600u, 14400u, 19200u, 38400u, 57600u, 115200u}) {
    SCOPED_TRACE(baud);
    auto port = OpenSlave(TLineSettings{baud});
    ASSERT_NE(port, nullptr) << failure_.Detail;
    std::uint32_t got = 0;
    ASSERT_TRUE(posix::GetLineSpeed(probe, got));
    EXPECT_EQ(got, baud);
  }
  TLineSettings two;
  two.StopBits = 2;
  auto port = OpenSlave(two);
  ASSERT_NE(port, nullptr);
  struct termios t {};
  ASSERT_EQ(tcgetattr(probe, &t), 0);
  EXPECT_EQ(t.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));
  port.reset();
  close(probe);

  for (const TLineSettings& bad : {TLineSettings{9600, 9}, TLineSettings{9600, 4}, TLineSettings{0},
                                   TLineSettings{9600, 8, TParity::None, 0},
                                   TLineSettings{9600, 8, TParity::None, 3},
                                   TLineSettings{9600, 8, static_cast<TParity>(7)}}) {
    EXPECT_EQ(OpenSlave(bad), nullptr);
    EXPECT_EQ(failure_.Reason, OpenFailure::Other);
  }
  EXPECT_NE(OpenSlave(), nullptr) << "a refused setting leaves the port free";
}

TEST(TermiosFrameTest, FramesIntoControlFlags) {
  const struct {
    TLineSettings line;
    tcflag_t flags;
  } frames[] = {
      {{9600, 8, TParity::None, 1}, CS8},
      {{9600, 7, TParity::Even, 2}, CS7 | PARENB | CSTOPB},
      {{9600, 8, TParity::Odd, 1}, CS8 | PARENB | PARODD},
      {{9600, 5, TParity::None, 2}, CS5 | CSTOPB},
      {{9600, 6, TParity::None, 1}, CS6},
  };
  for (const auto& f : frames) {
    tcflag_t cflag = CLOCAL | CREAD | CSIZE | PARENB | PARODD | CSTOPB;
    ASSERT_TRUE(posix::SetFrame(f.line, cflag));
    EXPECT_EQ(cflag, CLOCAL | CREAD | f.flags) << int(f.line.DataBits);
  }
  const tcflag_t before = CS7 | PARENB;
  tcflag_t cflag = before;
  EXPECT_FALSE(posix::SetFrame(TLineSettings{9600, 8, TParity::None, 3}, cflag));
  EXPECT_EQ(cflag, before);
}

TEST_F(PosixSerialTest, PortNamesIncludeListedPseudoTerminal) {
  const char* old = std::getenv("SETUPQ17_PORTS");
  const std::string saved = old ? old : "";
  setenv("SETUPQ17_PORTS", ("/nonexistent/ttyX:" + pty_.slave()).c_str(), 1);
  std::vector<std::string> names;
  for (const TSerialPortInfo& port : api_->ListSerialPorts()) names.push_back(port.Name);
  if (old) setenv("SETUPQ17_PORTS", saved.c_str(), 1); else unsetenv("SETUPQ17_PORTS");

  EXPECT_NE(std::find(names.begin(), names.end(), pty_.slave()), names.end());
  EXPECT_EQ(std::find(names.begin(), names.end(), "/nonexistent/ttyX"), names.end());
}

}  // namespace
}  // namespace q17
