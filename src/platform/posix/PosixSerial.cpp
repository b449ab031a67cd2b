// Serial ports over termios. The link drives them like Win32 comm handles:
// open exclusively, 8N1 raw, reads that never block longer than asked.
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
#include <map>
#include <optional>

#include "platform/PortHolder.h"
#include "platform/SerialApi.h"
#include "platform/SystemView.h"
#include "platform/posix/LineSpeed.h"
#include "platform/posix/PosixPortNames.h"
#include "platform/posix/TermiosFrame.h"

namespace q17 {
namespace {

using Clock = std::chrono::steady_clock;

// Write time-outs when none were set: those the link sets, as a Windows
// port set up by this program has them.
constexpr std::uint32_t kDefaultWriteConstantMs = 100;
constexpr std::uint32_t kDefaultWriteMultiplierMs = 1;

// The device's own line settings from before the open, put back on close:
// a terminal or a port another program shares is left as it was found.
struct DeviceSettings {
  struct termios termios {};
  std::uint32_t baud = 0;  // 0: unknown, the termios speed stands
};

struct OpenPort {
  int fd = -1;
  bool exclusive = false;  // we set TIOCEXCL
  CommTimeouts timeouts;
  bool drainWrites = false;  // a real line: a write returns once the bytes have left
  std::optional<DeviceSettings> before;
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

void ClosePort(const OpenPort& port) {
  if (port.before) {
    // At once: what is still queued for a dead line must not hold the close.
    tcsetattr(port.fd, TCSANOW, &port.before->termios);
    // A speed outside the Bxxx codes comes back only through its own call.
    std::uint32_t baud = 0;
    if (port.before->baud != 0 && (!posix::GetLineSpeed(port.fd, baud) || baud != port.before->baud)) {
      posix::SetLineSpeed(port.fd, port.before->baud);
    }
  }
  if (port.exclusive) ioctl(port.fd, TIOCNXCL);
  ::close(port.fd);  // also drops the lock
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

class PosixSerialApi final : public SerialApi {
 public:
  ~PosixSerialApi() override {
    for (auto& [handle, port] : ports_) ClosePort(port);
  }

  std::vector<std::string> PortNames() override {
    return ListPosixPortNames("/sys/class/tty", "/dev", std::getenv("SETUPQ17_PORTS"));
  }

  PortHandle Open(const std::string& name, const SerialOpenArgs& args) override {
    failure_ = OpenFailure::None;
    detail_.clear();
    holder_.clear();

    int access = O_RDWR;
    if (args.genericRead && !args.genericWrite) access = O_RDONLY;
    if (!args.genericRead && args.genericWrite) access = O_WRONLY;
    // The link's frames are short; the per-byte wait is ours, so the
    // descriptor never blocks (O_NONBLOCK) and never becomes our terminal.
    int fd;
    do {
      fd = ::open(name.c_str(), access | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    // The exclusive flag of a tty refuses the open with EBUSY.
    if (fd < 0) return Fail(errno, name);

    if (!isatty(fd)) {
      ::close(fd);
      failure_ = OpenFailure::NotSerial;
      detail_ = name + " is not a serial device";
      return 0;
    }

    bool exclusive = false;
    if (args.shareNone) {
      // The lock is the test: TIOCEXCL alone stops neither root nor a second
      // open inside this process.
      if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? FailBusy(name, true) : Fail(err, name);
      }
      // Root opens past a tty's exclusive flag: a live program that set it
      // (with or without a lock of any kind) holds the port, and its flag
      // stays. Only a flag nobody stands behind is stale and may go.
      int flag = 0;
      const bool flagSet = ioctl(fd, TIOCGEXCL, &flag) == 0 && flag != 0;
      if (const auto holder = PortHolder(*MakeSystemView(), name, flagSet, SelfPid())) {
        ::close(fd);
        return InUse(name, *holder);
      }
      // A pty needs no flag at all.
      if (IsPseudoTerminal(fd)) {
        ioctl(fd, TIOCNXCL);
      } else {
        exclusive = ioctl(fd, TIOCEXCL) == 0;
      }
    }

    OpenPort port{fd, exclusive, {}, !IsPseudoTerminal(fd), std::nullopt};
    DeviceSettings before;
    bool configured = tcgetattr(fd, &before.termios) == 0;
    if (configured) {
      if (!posix::GetLineSpeed(fd, before.baud)) before.baud = 0;
      port.before = before;
      struct termios t = before.termios;
      posix::MakeRaw(t);
      configured = tcsetattr(fd, TCSANOW, &t) == 0;
    }
    if (!configured) {
      const int err = errno;
      ClosePort(port);
      return Fail(err, name);
    }

    // What arrived before this open is not for us.
    tcflush(fd, TCIFLUSH);
    const PortHandle handle = static_cast<PortHandle>(fd) + 1;
    ports_[handle] = port;
    return handle;
  }

  OpenFailure LastOpenFailure() const override { return failure_; }
  std::string LastOpenDetail() const override { return detail_; }
  std::string LastOpenGroup() const override { return group_; }
  std::string LastOpenHolder() const override { return holder_; }

  bool GetCommState(PortHandle h, LineState& state) override {
    const OpenPort* port = Find(h);
    if (!port) return false;
    struct termios t {};
    if (tcgetattr(port->fd, &t) != 0) return false;
    std::uint32_t baud = 0;
    if (!posix::GetLineSpeed(port->fd, baud)) return false;
    state.baudRate = baud;
    posix::DecodeFrame(t.c_cflag, state);
    return true;
  }

  bool SetCommState(PortHandle h, const LineState& state) override {
    const OpenPort* port = Find(h);
    if (!port) return false;
    struct termios t {};
    if (tcgetattr(port->fd, &t) != 0) return false;
    if (!posix::EncodeFrame(state, t.c_cflag)) return false;
    if (tcsetattr(port->fd, TCSANOW, &t) != 0) return false;
    return posix::SetLineSpeed(port->fd, state.baudRate);
  }

  bool SetCommTimeouts(PortHandle h, const CommTimeouts& timeouts) override {
    OpenPort* port = Find(h);
    if (!port) return false;
    // Kept for the record only: every Read says itself how long it may wait.
    port->timeouts = timeouts;
    return true;
  }

  long Read(PortHandle h, std::uint8_t* buffer, std::size_t maxBytes, int waitMs) override {
    const OpenPort* port = Find(h);
    if (!port || (!buffer && maxBytes > 0)) return -1;
    if (maxBytes == 0) return 0;
    if (maxBytes > static_cast<std::size_t>(LONG_MAX)) maxBytes = LONG_MAX;

    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
    for (;;) {
      // Wait on the port first: right after a request nothing is there yet,
      // and an empty read() before the poll costs more than the poll itself.
      // A poll also reports a port that has gone away, even with no wait.
      struct pollfd fds[2] = {{port->fd, POLLIN, 0}, {StopDescriptor(), POLLIN, 0}};
      const struct pollfd& p = fds[0];
      const int ready = ::poll(fds, fds[1].fd >= 0 ? 2 : 1, MillisLeft(deadline));
      if (ready < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      if (ready == 0) return 0;  // silence for the whole wait
      // A stop ends the wait as silence would; what already arrived is read first.
      if (p.revents == 0) return 0;
      // With VMIN = VTIME = 0 a read returns at once: data, or 0 for none.
      const ssize_t n = ::read(port->fd, buffer, maxBytes);
      if (n > 0) return static_cast<long>(n);
      if (p.revents & POLLHUP) {
        // A hung-up tty (adapter pulled, pty peer gone) reports itself as
        // readable for ever with nothing to read.
        return kPortGone;
      }
      if (n < 0 && DeviceGone(errno)) return kPortGone;
      if (p.revents & (POLLERR | POLLNVAL)) return -1;
      if (n < 0 && !NothingYet(errno)) return -1;
      if (MillisLeft(deadline) == 0) return 0;
    }
  }

  long Write(PortHandle h, const std::uint8_t* data, std::size_t size) override {
    const OpenPort* port = Find(h);
    if (!port || (!data && size > 0)) return -1;
    if (size > static_cast<std::size_t>(LONG_MAX)) size = LONG_MAX;

    const Clock::time_point deadline = Clock::now() + WriteBudget(port->timeouts, size);
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = ::write(port->fd, data + done, size - done);
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
      struct pollfd fds[2] = {{port->fd, POLLOUT, 0}, {StopDescriptor(), POLLIN, 0}};
      const int ready = ::poll(fds, fds[1].fd >= 0 ? 2 : 1, left);
      if (ready == 0) break;  // no room came in time
      if (ready < 0 && errno != EINTR) break;
      if (ready > 0 && (fds[0].revents & POLLHUP)) return done > 0 ? static_cast<long>(done) : kPortGone;
      if (ready > 0 && (fds[0].revents & (POLLERR | POLLNVAL))) break;
    }
    if (done == 0 && size > 0) return -1;
    // Like a write-through port on Windows: return once the request is on
    // the wire, so the reply's time-out counts silence after it, not the
    // request's own transmission (75 ms for 64 bytes at 9600 baud).
    if (port->drainWrites && done == size) done -= Drain(*port, deadline);
    return static_cast<long>(done);
  }

  void Close(PortHandle h) override {
    auto it = ports_.find(h);
    if (it == ports_.end()) return;  // 0, or already closed: nothing to do
    ClosePort(it->second);
    ports_.erase(it);
  }

  bool Present(PortHandle h) override {
    const OpenPort* port = Find(h);
    if (!port) return false;
    struct pollfd p {port->fd, POLLIN, 0};
    int ready = 0;
    do {
      ready = ::poll(&p, 1, 0);
    } while (ready < 0 && errno == EINTR);
    return !(ready > 0 && (p.revents & (POLLHUP | POLLNVAL)));
  }

  void SetStopSignal(const StopSignal* stop) override { stop_ = stop; }

 private:
  OpenPort* Find(PortHandle h) {
    auto it = ports_.find(h);
    return it == ports_.end() ? nullptr : &it->second;
  }

  int StopDescriptor() const { return stop_ ? stop_->WaitDescriptor() : -1; }
  bool StopRequested() const { return stop_ && stop_->Requested(); }

  static Clock::duration WriteBudget(const CommTimeouts& t, std::size_t size) {
    std::uint64_t constant = t.writeTotalTimeoutConstant;
    std::uint64_t perByte = t.writeTotalTimeoutMultiplier;
    if (constant == 0 && perByte == 0) {
      constant = kDefaultWriteConstantMs;
      perByte = kDefaultWriteMultiplierMs;
    }
    return std::chrono::milliseconds(constant + perByte * size);
  }

  // Waits until the driver has sent what it holds, up to the write's
  // deadline or a stop; returns how many bytes it still held then. A plain
  // tcdrain could wait for ever on an adapter that stopped sending.
  std::size_t Drain(const OpenPort& port, Clock::time_point deadline) const {
    std::uint32_t baud = 9600;
    posix::GetLineSpeed(port.fd, baud);
    if (baud == 0) baud = 9600;
    for (;;) {
      int queued = 0;
      if (ioctl(port.fd, TIOCOUTQ, &queued) != 0) break;  // cannot tell: the tcdrain below decides
      if (queued <= 0) break;
      const int left = MillisLeft(deadline);
      if (left == 0 || StopRequested()) return static_cast<std::size_t>(queued);
      // Sleep for the wire time of what is queued (10 bits a byte), at least 1 ms.
      const long wireMs = static_cast<long>((static_cast<std::uint64_t>(queued) * 10000u + baud - 1) / baud);
      struct pollfd p {StopDescriptor(), POLLIN, 0};
      ::poll(&p, p.fd >= 0 ? 1 : 0, static_cast<int>(std::clamp<long>(wireMs, 1, left)));
    }
    // The driver's queue is empty; the UART's own FIFO (a few bytes) remains.
    tcdrain(port.fd);
    return 0;
  }

  // EBUSY or a lock we could not take: busy when a live process holds the
  // port, else an exclusive flag left behind by a program that has ended.
  PortHandle FailBusy(const std::string& name, bool lockRefused = false) {
    const auto holder = PortHolder(*MakeSystemView(), name, !lockRefused, SelfPid());
    // A refused lock whose holder just ended still was one.
    if (holder || lockRefused) return InUse(name, holder.value_or(""));
    group_.clear();
    holder_.clear();
    failure_ = OpenFailure::Other;
    const std::string advice = IsPseudoTerminal(name)
                                   ? "restart the program that serves this pseudo-terminal"
                                   : "it clears once every program that has the device open closes it, or when "
                                     "the adapter is plugged in again";
    if (geteuid() == 0) {
      detail_ = name + ": no program holds the port, but its exclusive flag is still set (left by a program "
                       "that ended); " + advice;
    } else {
      // Another user's open files are out of sight.
      detail_ = name + ": its exclusive flag is set and no program of yours has it open: a program of another "
                       "user holds it, or one that ended left the flag; " + advice;
    }
    return 0;
  }

  PortHandle InUse(const std::string& name, const std::string& holder) {
    group_.clear();
    failure_ = OpenFailure::Busy;
    holder_ = holder;
    detail_ = name + ": the port is in use by another program" + (holder.empty() ? "" : " (" + holder + ")");
    return 0;
  }

  static std::string SelfPid() { return std::to_string(getpid()); }

  PortHandle Fail(int err, const std::string& name) {
    if (err == EBUSY || err == EWOULDBLOCK) return FailBusy(name);
    failure_ = FailureFromErrno(err);
    detail_ = name + ": " + std::strerror(err);
    group_.clear();
    holder_.clear();
    if (failure_ == OpenFailure::PermissionDenied) {
      group_ = GroupOf(name);
    }
    return 0;
  }

  std::map<PortHandle, OpenPort> ports_;
  OpenFailure failure_ = OpenFailure::None;
  std::string detail_;
  std::string group_;
  std::string holder_;
  const StopSignal* stop_ = nullptr;
};

}  // namespace

namespace posix {

bool EncodeFrame(const LineState& s, tcflag_t& cflag) {
  tcflag_t size = 0;
  switch (s.byteSize) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return false;
  }
  tcflag_t parity = 0;
  switch (s.parity) {
    case 0: break;                                  // NOPARITY
    case 1: parity = PARENB | PARODD; break;        // ODDPARITY
    case 2: parity = PARENB; break;                 // EVENPARITY
#ifdef CMSPAR
    case 3: parity = PARENB | CMSPAR | PARODD; break;  // MARKPARITY
    case 4: parity = PARENB | CMSPAR; break;           // SPACEPARITY
#endif
    default: return false;
  }
  tcflag_t stop = 0;
  switch (s.stopBits) {
    case 0: break;  // ONESTOPBIT
    case 1:         // ONE5STOPBITS: what CSTOPB means with five data bits
      if (s.byteSize != 5) return false;
      stop = CSTOPB;
      break;
    case 2: stop = CSTOPB; break;  // TWOSTOPBITS
    default: return false;
  }
  tcflag_t clear = CSIZE | PARENB | PARODD | CSTOPB;
#ifdef CMSPAR
  clear |= CMSPAR;
#endif
  cflag = (cflag & ~clear) | size | parity | stop;
  return true;
}

void DecodeFrame(tcflag_t cflag, LineState& s) {
  switch (cflag & CSIZE) {
    case CS5: s.byteSize = 5; break;
    case CS6: s.byteSize = 6; break;
    case CS7: s.byteSize = 7; break;
    default: s.byteSize = 8; break;
  }
  s.parity = 0;
  if (cflag & PARENB) {
    const bool odd = (cflag & PARODD) != 0;
#ifdef CMSPAR
    if (cflag & CMSPAR) {
      s.parity = odd ? 3 : 4;
    } else
#endif
    {
      s.parity = odd ? 1 : 2;
    }
  }
  s.stopBits = (cflag & CSTOPB) ? (s.byteSize == 5 ? 1 : 2) : 0;
}

void MakeRaw(struct termios& t) {
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
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
}

}  // namespace posix

std::unique_ptr<SerialApi> MakeSystemSerialApi() { return std::make_unique<PosixSerialApi>(); }

}  // namespace q17
