// Serial ports over termios: open for this program alone, raw at the line
// setting asked, reads that never block longer than asked.
//
// We hold the advisory lock (flock) on the device: the kernel drops it
// however this process ends, so a crash or a kill never leaves the port
// unusable. Real serial devices also get the exclusive flag (TIOCEXCL) while
// open, against programs that take no lock; pseudo-terminals, whose flag
// would outlive us while their master lives, get none. Who else holds a
// port is PortHolder's rule, shared with the port checks.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/NetPortName.h"
#include "platform/NetSerial.h"
#include "platform/PortHolder.h"
#include "platform/SerialApi.h"
#include "platform/SystemView.h"
#include "platform/posix/LineSpeed.h"
#include "platform/posix/PosixPortNames.h"
#include "platform/posix/TermiosFrame.h"

namespace q17 {
namespace {

using Clock = std::chrono::steady_clock;

// The device's own line settings from before the open, put back on close:
// a terminal or a port another program shares is left as it was found.
struct DeviceSettings {
  struct termios termios {};
  std::uint32_t baud = 0;  // 0: unknown, the termios speed stands
};

// Pseudo-terminal slaves (Unix98 majors 136..143) have no wire to drain.
bool IsPseudoTerminal(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  const unsigned m = major(st.st_rdev);
  return m >= 136 && m <= 143;
}

bool IsPseudoTerminal(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  const unsigned m = major(st.st_rdev);
  return m >= 136 && m <= 143;
}

int MillisLeft(Clock::time_point deadline) {
  // Rounded up: a wait of 50 ms must not end after 49.1.
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

std::string GroupOf(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return {};
  // Only a group that may read and write the device is worth joining.
  if ((st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) return {};
  if (const struct group* g = getgrgid(st.st_gid)) return g->gr_name;
  return std::to_string(st.st_gid);
}

OpenFailure FailureFromErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return OpenFailure::NoDevice;
    case EACCES:
    case EPERM:
      return OpenFailure::PermissionDenied;
    case EBUSY:
    case EWOULDBLOCK:
      return OpenFailure::Busy;
    default:
      return OpenFailure::Other;
  }
}

// A read that found nothing (yet), as opposed to one that failed.
bool NothingYet(int err) { return err == EAGAIN || err == EWOULDBLOCK || err == EINTR; }

// Errors of a tty whose device has gone: an unplugged USB adapter, a
// pseudo-terminal whose other end closed.
bool DeviceGone(int err) { return err == EIO || err == ENXIO || err == ENODEV; }

std::string SelfPid() { return std::to_string(getpid()); }

TSerialOpen InUse(const std::string& name, int err, const std::string& holder) {
  TSerialOpen result = FailedOpen(OpenFailure::Busy, err,
                              name + ": the port is in use by another program" +
                                  (holder.empty() ? "" : " (" + holder + ")"));
  result.Failure.Holder = holder;
  return result;
}

// EBUSY or a lock we could not take: busy when a live process holds the
// port, else an exclusive flag left behind by a program that has ended.
TSerialOpen FailBusy(const std::string& name, int err, bool lockRefused) {
  const auto holder = PortHolder(*MakeSystemView(), name, !lockRefused, SelfPid());
  // A refused lock whose holder just ended still was one.
  if (holder || lockRefused) return InUse(name, err, holder.value_or(""));
  const std::string advice = IsPseudoTerminal(name)
                                 ? "restart the program that serves this pseudo-terminal"
                                 : "it clears once every program that has the device open closes it, or when "
                                   "the adapter is plugged in again";
  if (geteuid() == 0) {
    return FailedOpen(OpenFailure::Other, err,
                  name + ": no program holds the port, but its exclusive flag is still set (left by a program "
                         "that ended); " + advice);
  }
  // Another user's open files are out of sight.
  return FailedOpen(OpenFailure::Other, err,
                name + ": its exclusive flag is set and no program of yours has it open: a program of another "
                       "user holds it, or one that ended left the flag; " + advice);
}

TSerialOpen Fail(int err, const std::string& name) {
  if (err == EBUSY || err == EWOULDBLOCK) return FailBusy(name, err, false);
  TSerialOpen result = FailedOpen(FailureFromErrno(err), err, name + ": " + std::strerror(err));
  if (result.Failure.Reason == OpenFailure::PermissionDenied) result.Failure.Group = GroupOf(name);
  return result;
}

class PosixSerialPort final : public SerialPort {
 public:
  PosixSerialPort(int fd, bool exclusive, const DeviceSettings& before, const TLineSettings& line,
                  const StopSignal* const& stop)
      : fd_(fd), exclusive_(exclusive), drainWrites_(!IsPseudoTerminal(fd)), before_(before), line_(line),
        stop_(stop) {}

  ~PosixSerialPort() override {
    // At once: what is still queued for a dead line must not hold the close.
    tcsetattr(fd_, TCSANOW, &before_.termios);
    // A speed outside the Bxxx codes comes back only through its own call.
    std::uint32_t baud = 0;
    if (before_.baud != 0 && (!posix::GetLineSpeed(fd_, baud) || baud != before_.baud)) {
      posix::SetLineSpeed(fd_, before_.baud);
    }
    if (exclusive_) ioctl(fd_, TIOCNXCL);
    ::close(fd_);  // also drops the lock
  }
  PosixSerialPort(const PosixSerialPort&) = delete;
  PosixSerialPort& operator=(const PosixSerialPort&) = delete;

  long Read(std::uint8_t* buffer, std::size_t maxBytes, int waitMs) override {
    if (!buffer && maxBytes > 0) return kPortError;
    if (maxBytes == 0) return 0;
    if (maxBytes > static_cast<std::size_t>(LONG_MAX)) maxBytes = LONG_MAX;

    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
    for (;;) {
      // Wait on the port first: right after a request nothing is there yet,
      // and an empty read() before the poll costs more than the poll itself.
      // A poll also reports a port that has gone away, even with no wait.
      struct pollfd fds[2] = {{fd_, POLLIN, 0}, {StopDescriptor(), POLLIN, 0}};
      const struct pollfd& p = fds[0];
      const int ready = ::poll(fds, fds[1].fd >= 0 ? 2 : 1, MillisLeft(deadline));
      if (ready < 0) {
        if (errno == EINTR) continue;
        return kPortError;
      }
      if (ready == 0) return 0;  // silence for the whole wait
      // A stop ends the wait as silence would; what already arrived is read first.
      if (p.revents == 0) return 0;
      // With VMIN = VTIME = 0 a read returns at once: data, or 0 for none.
      const ssize_t n = ::read(fd_, buffer, maxBytes);
      if (n > 0) return static_cast<long>(n);
      if (p.revents & POLLHUP) {
        // A hung-up tty (adapter pulled, pty peer gone) reports itself as
        // readable for ever with nothing to read.
        return kPortGone;
      }
      if (n < 0 && DeviceGone(errno)) return kPortGone;
      if (p.revents & (POLLERR | POLLNVAL)) return kPortError;
      if (n < 0 && !NothingYet(errno)) return kPortError;
      if (MillisLeft(deadline) == 0) return 0;
    }
  }

  long Write(const std::uint8_t* data, std::size_t size) override {
    if (!data && size > 0) return kPortError;
    if (size > static_cast<std::size_t>(LONG_MAX)) size = LONG_MAX;

    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(line_.WriteAllowanceMs +
                                                 static_cast<std::uint64_t>(line_.WriteMsPerByte) * size);
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = ::write(fd_, data + done, size - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && DeviceGone(errno)) return done > 0 ? static_cast<long>(done) : kPortGone;
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) break;
      // The output buffer is full: wait for room, but not for ever.
      const int left = MillisLeft(deadline);
      if (left == 0 || StopRequested()) break;
      struct pollfd fds[2] = {{fd_, POLLOUT, 0}, {StopDescriptor(), POLLIN, 0}};
      const int ready = ::poll(fds, fds[1].fd >= 0 ? 2 : 1, left);
      if (ready == 0) break;  // no room came in time
      if (ready < 0 && errno != EINTR) break;
      if (ready > 0 && (fds[0].revents & POLLHUP)) return done > 0 ? static_cast<long>(done) : kPortGone;
      if (ready > 0 && (fds[0].revents & (POLLERR | POLLNVAL))) break;
    }
    if (done == 0 && size > 0) return kPortError;
    // Like a write-through port on Windows: return once the request is on
    // the wire, so the reply's time-out counts silence after it, not the
    // request's own transmission (75 ms for 64 bytes at 9600 baud).
    if (drainWrites_ && done == size) done -= Drain(deadline);
    return static_cast<long>(done);
  }

  bool Present() override {
    struct pollfd p {fd_, POLLIN, 0};
    int ready = 0;
    do {
      ready = ::poll(&p, 1, 0);
    } while (ready < 0 && errno == EINTR);
    return !(ready > 0 && (p.revents & (POLLHUP | POLLNVAL)));
  }

 private:
  int StopDescriptor() const { return stop_ ? stop_->WaitDescriptor() : -1; }
  bool StopRequested() const { return stop_ && stop_->Requested(); }

  // Waits until the driver has sent what it holds, up to the write's
  // deadline or a stop; returns how many bytes it still held then. A plain
  // tcdrain could wait for ever on an adapter that stopped sending.
  std::size_t Drain(Clock::time_point deadline) const {
    std::uint32_t baud = 9600;
    posix::GetLineSpeed(fd_, baud);
    if (baud == 0) baud = 9600;
    for (;;) {
      int queued = 0;
      if (ioctl(fd_, TIOCOUTQ, &queued) != 0) break;  // cannot tell: the tcdrain below decides
      if (queued <= 0) break;
      const int left = MillisLeft(deadline);
      if (left == 0 || StopRequested()) return static_cast<std::size_t>(queued);
      // Sleep for the wire time of what is queued (10 bits a byte), at least 1 ms.
      const long wireMs = static_cast<long>((static_cast<std::uint64_t>(queued) * 10000u + baud - 1) / baud);
      struct pollfd p {StopDescriptor(), POLLIN, 0};
      ::poll(&p, p.fd >= 0 ? 1 : 0, static_cast<int>(std::clamp<long>(wireMs, 1, left)));
    }
    // The driver's queue is empty; the UART's own FIFO (a few bytes) remains.
    tcdrain(fd_);
    return 0;
  }

  const int fd_;
  const bool exclusive_;    // we set TIOCEXCL
  const bool drainWrites_;  // a real line: a write returns once the bytes have left
  const DeviceSettings before_;
  const TLineSettings line_;
  const StopSignal* const& stop_;  // the SerialApi's, as it is now
};

class PosixSerialApi final : public SerialApi {
 public:
  std::vector<TSerialPortInfo> ListSerialPorts() override {
    return ListPosixPorts("/sys/class/tty", "/dev", std::getenv("SETUPQ17_PORTS"));
  }

  TSerialOpen Open(const std::string& name, const TLineSettings& line) override {
    if (const auto address = ParseNetPortName(name)) return OpenNetPort(name, *address, line, stop_);
    struct termios wanted {};
    if (!IsValidLine(line) || !posix::SetFrame(line, wanted.c_cflag)) {
      return FailedOpen(OpenFailure::Other, EINVAL, name + ": a line setting the port cannot take");
    }
    // The link's frames are short; the per-byte wait is ours, so the
    // descriptor never blocks (O_NONBLOCK) and never becomes our terminal.
    int fd;
    do {
      fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    // The exclusive flag of a tty refuses the open with EBUSY.
    if (fd < 0) return Fail(errno, name);

    if (!isatty(fd)) {
      ::close(fd);
      return FailedOpen(OpenFailure::NotSerial, ENOTTY, name + " is not a serial device");
    }

    // The lock is the test: TIOCEXCL alone stops neither root nor a second
    // open inside this process.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int err = errno;
      ::close(fd);
      return err == EWOULDBLOCK ? FailBusy(name, err, true) : Fail(err, name);
    }
    // Root opens past a tty's exclusive flag: a live program that set it
    // (with or without a lock of any kind) holds the port, and its flag
    // stays. Only a flag nobody stands behind is stale and may go.
    int flag = 0;
    const bool flagSet = ioctl(fd, TIOCGEXCL, &flag) == 0 && flag != 0;
    if (const auto holder = PortHolder(*MakeSystemView(), name, flagSet, SelfPid())) {
      ::close(fd);
      return InUse(name, EBUSY, *holder);
    }
    bool exclusive = false;
    if (IsPseudoTerminal(fd)) {
      ioctl(fd, TIOCNXCL);  // a pty needs no flag at all
    } else {
      exclusive = ioctl(fd, TIOCEXCL) == 0;
    }

    DeviceSettings before;
    if (tcgetattr(fd, &before.termios) != 0) return Abandon(fd, exclusive, name);
    if (!posix::GetLineSpeed(fd, before.baud)) before.baud = 0;
    struct termios t = before.termios;
    posix::MakeRaw(t, 0);
    posix::SetFrame(line, t.c_cflag);
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
      const int err = errno;
      tcsetattr(fd, TCSANOW, &before.termios);
      errno = err;
      return Abandon(fd, exclusive, name);
    }
    // A speed the driver refuses does not fail the open: the exchanges will.
    posix::SetLineSpeed(fd, line.Baud);
    // What arrived before this open is not for us.
    tcflush(fd, TCIFLUSH);

    TSerialOpen result;
    result.Port = std::make_unique<PosixSerialPort>(fd, exclusive, before, line, stop_);
    return result;
  }

  void SetStopSignal(const StopSignal* stop) override { stop_ = stop; }

 private:
  static TSerialOpen Abandon(int fd, bool exclusive, const std::string& name) {
    const int err = errno;
    if (exclusive) ioctl(fd, TIOCNXCL);
    ::close(fd);
    return Fail(err, name);
  }

  const StopSignal* stop_ = nullptr;
};

}  // namespace

namespace posix {

bool SetFrame(const TLineSettings& line, tcflag_t& cflag) {
  tcflag_t size = 0;
  switch (line.DataBits) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return false;
  }
  tcflag_t parity = 0;
  switch (line.Parity) {
    case TParity::None: break;
    case TParity::Odd: parity = PARENB | PARODD; break;
    case TParity::Even: parity = PARENB; break;
    default: return false;
  }
  if (line.StopBits != 1 && line.StopBits != 2) return false;
  const tcflag_t stop = line.StopBits == 2 ? CSTOPB : 0;
  cflag = (cflag & ~(CSIZE | PARENB | PARODD | CSTOPB)) | size | parity | stop;
  return true;
}

void MakeRaw(struct termios& t, cc_t minBytes) {
  cfmakeraw(&t);
  t.c_iflag &= ~(IXON | IXOFF | IXANY);
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB);
#ifdef CRTSCTS
  t.c_cflag &= ~CRTSCTS;
#endif
#ifdef CMSPAR
  t.c_cflag &= ~CMSPAR;
#endif
  t.c_cflag |= CS8 | CLOCAL | CREAD;
  t.c_cc[VMIN] = minBytes;
  t.c_cc[VTIME] = 0;
}

}  // namespace posix

std::unique_ptr<SerialApi> MakeSystemSerialApi() { return std::make_unique<PosixSerialApi>(); }

}  // namespace q17
