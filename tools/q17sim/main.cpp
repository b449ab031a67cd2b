// q17sim: a simulated 2xQ17 reader bus behind a pseudo-terminal (or a real
// serial device). The first line on standard output is the device path the
// PC side opens; after it, every control line read from standard input gets
// exactly one answer line.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "LinePacer.h"
#include "ReaderBus.h"
#include "platform/posix/TermiosFrame.h"

namespace {

using q17::sim::LinePacer;
using q17::sim::ReaderBus;

constexpr const char* kUsage =
    "usage: q17sim [options]\n"
    "Serves a simulated 2xQ17 reader bus on a new pseudo-terminal and prints its\n"
    "path as the first line of standard output. Control lines are read from\n"
    "standard input, one answer line each (\"help\" lists them); the program ends\n"
    "on \"quit\", at the end of standard input, or on SIGINT/SIGTERM.\n"
    "\n"
    "  --reader ADDR      a reader at bus address ADDR (1..255); repeatable;\n"
    "                     default one reader at address 1\n"
    "  --device PATH      serve this serial device (raw 8N1) instead of a pseudo-terminal\n"
    "  --baud N           pseudo-terminal: send replies at the wire speed of N baud\n"
    "                     (10 bits a byte); 0 (default): unpaced.\n"
    "                     --device: the line speed (default 9600); the port paces\n"
    "  --request-wait     with --baud on a pseudo-terminal, start a reply only once\n"
    "                     the request itself would have crossed the line (the PC\n"
    "                     cannot wait for a pty to drain, so this is off by default)\n"
    "  --fault ARGS       as the control line \"fault ARGS\" (e.g. \"badcrc next 2\"); repeatable\n"
    "  --delay MS         as the control line \"delay MS\"\n"
    "  --exec LINE        run a control line at start; repeatable\n"
    "  --script FILE      run the control lines of FILE at start (# comments)\n"
    "  --no-stdin         do not read standard input; serve until SIGINT/SIGTERM\n"
    "  --trace            log requests and replies to standard error\n"
    "  --help             this text\n";

std::int64_t NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

struct Options {
  std::vector<std::uint8_t> readers;
  std::string device;
  long baud = -1;  // -1: not given
  bool requestWait = false;
  std::vector<std::string> startLines;
  bool useStdin = true;
  bool trace = false;
};

[[noreturn]] void Fail(const std::string& text, int code = 2) {
  std::fprintf(stderr, "q17sim: %s\n", text.c_str());
  std::exit(code);
}

bool ParseLong(const char* s, long min, long max, long& out) {
  if (!s || !*s) return false;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(s, &end, 10);
  if (errno != 0 || *end != '\0' || v < min || v > max) return false;
  out = v;
  return true;
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) Fail(arg + " needs a value");
      return argv[++i];
    };
    long v;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (arg == "--reader") {
      if (!ParseLong(value(), 1, 255, v)) Fail("--reader takes an address 1..255");
      o.readers.push_back(static_cast<std::uint8_t>(v));
    } else if (arg == "--device") {
      o.device = value();
    } else if (arg == "--baud") {
      if (!ParseLong(value(), 0, 4000000, v)) Fail("--baud takes 0..4000000");
      o.baud = v;
    } else if (arg == "--request-wait") {
      o.requestWait = true;
    } else if (arg == "--no-request-wait") {  // the default; kept for older scripts
      o.requestWait = false;
    } else if (arg == "--fault") {
      o.startLines.push_back(std::string("fault ") + value());
    } else if (arg == "--delay") {
      o.startLines.push_back(std::string("delay ") + value());
    } else if (arg == "--exec") {
      o.startLines.push_back(value());
    } else if (arg == "--script") {
      const char* path = value();
      // A directory opens as a stream that reads nothing: refuse it by name.
      struct stat st {};
      if (stat(path, &st) == 0 && S_ISDIR(st.st_mode)) Fail(std::string("cannot read ") + path + ": is a directory");
      std::ifstream in(path);
      if (!in) Fail(std::string("cannot read ") + path + ": " + std::strerror(errno));
      std::string line;
      while (std::getline(in, line)) o.startLines.push_back(line);
      if (in.bad()) Fail(std::string("cannot read ") + path + ": " + std::strerror(errno));
    } else if (arg == "--no-stdin") {
      o.useStdin = false;
    } else if (arg == "--trace") {
      o.trace = true;
    } else {
      Fail("unknown option " + arg + " (see --help)");
    }
  }
  if (o.readers.empty()) o.readers.push_back(1);
  return o;
}

speed_t SpeedOf(long baud) {
  switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return B0;
  }
}

void MakeRaw(int fd, speed_t speed, const std::string& what) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) Fail("tcgetattr " + what + ": " + std::strerror(errno), 1);
  q17::posix::MakeRaw(tio, 1);
  if (speed != B0) {
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
  }
  if (tcsetattr(fd, TCSANOW, &tio) != 0) Fail("tcsetattr " + what + ": " + std::strerror(errno), 1);
}

void SetNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) Fail(std::string("fcntl: ") + std::strerror(errno), 1);
}

// The line end: a pseudo-terminal master (with our own slave descriptor held
// open, so the master never sees a hang-up while the PC opens and closes
// the slave), or a serial device.
struct Line {
  int fd = -1;
  int slaveFd = -1;
  std::string path;
  bool pty = false;
};

Line OpenPty(long baud) {
  Line line;
  line.pty = true;
  line.fd = posix_openpt(O_RDWR | O_NOCTTY);
  if (line.fd < 0) Fail(std::string("posix_openpt: ") + std::strerror(errno), 1);
  if (grantpt(line.fd) != 0 || unlockpt(line.fd) != 0) Fail(std::string("grantpt/unlockpt: ") + std::strerror(errno), 1);
  const char* name = ptsname(line.fd);
  if (!name) Fail(std::string("ptsname: ") + std::strerror(errno), 1);
  line.path = name;
  line.slaveFd = open(line.path.c_str(), O_RDWR | O_NOCTTY);
  if (line.slaveFd < 0) Fail("open " + line.path + ": " + std::strerror(errno), 1);
  // Raw from the start, so the PC sees the bytes unchanged even before it
  // sets the port up; the speed only makes the port look like a 9600 line.
  const speed_t speed = SpeedOf(baud > 0 ? baud : 9600);
  MakeRaw(line.slaveFd, speed == B0 ? B9600 : speed, line.path);
  SetNonBlocking(line.fd);
  return line;
}

Line OpenDevice(const std::string& path, long baud) {
  Line line;
  line.path = path;
  const speed_t speed = SpeedOf(baud);
  if (speed == B0) Fail("--baud " + std::to_string(baud) + " is not a serial line speed");
  line.fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (line.fd < 0) Fail("open " + path + ": " + std::strerror(errno), 1);
  MakeRaw(line.fd, speed, path);
  tcflush(line.fd, TCIOFLUSH);
  return line;
}

void PutLine(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const Options opt = ParseOptions(argc, argv);
  const std::int64_t startUs = NowUs();

  ReaderBus bus(opt.readers);
  if (opt.trace) {
    bus.SetTraceHook([startUs](const std::string& text) {
      std::fprintf(stderr, "[%9.3f] %s\n", static_cast<double>(NowUs() - startUs) / 1000.0, text.c_str());
    });
  }
  for (const std::string& line : opt.startLines) {
    const std::string answer = bus.ApplyControl(line);
    if (answer.rfind("error", 0) == 0) Fail("start-up line \"" + line + "\": " + answer);
  }
  if (bus.QuitRequested()) return 0;

  signal(SIGPIPE, SIG_IGN);
  // SIGINT and SIGTERM arrive as readable data in the poll loop, so the
  // program ends between two steps, never inside one.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
  const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
  if (signalFd < 0) Fail(std::string("signalfd: ") + std::strerror(errno), 1);

  const bool device = !opt.device.empty();
  Line line = device ? OpenDevice(opt.device, opt.baud < 0 ? 9600 : opt.baud) : OpenPty(opt.baud);
  // A real port paces itself; a pseudo-terminal would deliver at once.
  LinePacer pacer(device ? 0 : static_cast<std::uint32_t>(std::max(0L, opt.baud)), opt.requestWait);
  PutLine(line.path);

  constexpr std::size_t kMaxPendingOut = 64 * 1024;
  constexpr std::size_t kMaxControlLine = 8192;
  std::vector<std::uint8_t> out;  // due bytes the line has not taken yet
  std::string control;            // partial control line
  bool discarding = false;        // inside an over-long control line
  bool stdinOpen = opt.useStdin;
  bool stop = false;
  std::uint8_t buf[4096];

  auto applyLine = [&](const std::string& text) {
    PutLine(bus.ApplyControl(text));
    if (bus.QuitRequested()) stop = true;
  };

  while (!stop) {
    std::int64_t now = NowUs();
    const std::vector<std::uint8_t> due = pacer.TakeDue(now);
    if (out.size() + due.size() <= kMaxPendingOut) out.insert(out.end(), due.begin(), due.end());
    while (!out.empty()) {
      const ssize_t n = write(line.fd, out.data(), out.size());
      if (n > 0) {
        out.erase(out.begin(), out.begin() + n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      break;  // full (nobody reads the port) or a hang-up: retry later
    }

    // Sleep until the next reply byte is due, to the microsecond: at 9600
    // baud a byte lasts about a millisecond.
    timespec wait{};
    timespec* timeout = nullptr;
    if (const auto next = pacer.NextDueUs()) {
      const std::int64_t us = std::max<std::int64_t>(0, *next - now);
      wait.tv_sec = static_cast<time_t>(us / 1'000'000);
      wait.tv_nsec = static_cast<long>(us % 1'000'000) * 1000;
      timeout = &wait;
    }

    pollfd fds[3] = {{signalFd, POLLIN, 0},
                     {line.fd, static_cast<short>(POLLIN | (out.empty() ? 0 : POLLOUT)), 0},
                     {STDIN_FILENO, POLLIN, 0}};
    const nfds_t count = stdinOpen ? 3 : 2;
    if (ppoll(fds, count, timeout, nullptr) < 0) {
      if (errno == EINTR) continue;
      Fail(std::string("poll: ") + std::strerror(errno), 1);
    }
    if (fds[0].revents) break;

    if (fds[1].revents & (POLLIN | POLLERR | POLLHUP)) {
      const ssize_t n = read(line.fd, buf, sizeof buf);
      if (n > 0) {
        now = NowUs();
        pacer.NoteInput(buf, static_cast<std::size_t>(n), now);
        bus.Feed(buf, static_cast<std::size_t>(n));
        while (auto chunk = bus.TakeChunk()) pacer.Queue(std::move(*chunk), now);
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        if (device) Fail("read " + line.path + ": " + (n == 0 ? "end of file" : std::strerror(errno)), 1);
        // A pseudo-terminal master that reports a hang-up anyway: keep
        // serving, but do not spin on it.
        usleep(10000);
      }
    }

    if (stdinOpen && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) {
      const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
      if (n > 0) {
        for (ssize_t i = 0; i < n && !stop; ++i) {
          const char c = static_cast<char>(buf[i]);
          if (c == '\n') {
            if (discarding) discarding = false;
            else applyLine(control);
            control.clear();
          } else if (!discarding) {
            control += c;
            if (control.size() > kMaxControlLine) {
              PutLine("error line too long");
              control.clear();
              discarding = true;
            }
          }
        }
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        if (!control.empty() && !discarding) applyLine(control);
        stop = true;  // the end of the control input ends the program
      }
    }
  }

  if (line.slaveFd >= 0) close(line.slaveFd);
  close(line.fd);
  return 0;
}
