// A serial port at the far end of a TCP connection: raw (the line's bytes)
// or telnet with RFC 2217's COM-PORT-CONTROL, where we set 9600 8N1 without
// flow control ourselves and check what the server applied.
//
// Every wait has an end: the connect and the negotiation give up after a
// few seconds, reads and writes keep the port contract's waits, and a stop
// ends them at once. A connection the server closed is a device gone.
#include "platform/posix/NetSerial.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/Rfc2217.h"

namespace q17::posix {
namespace {

using Clock = std::chrono::steady_clock;

// Long enough for a server across a slow link; short enough that a dead
// one is named before a user wonders whether the program hangs.
constexpr int kConnectMs = 3000;
constexpr int kNegotiateMs = 3000;
// The longest a reply's wait grows for the network.
constexpr int kMaxAllowanceMs = 1000;
constexpr int kBaseAllowanceMs = 20;
// How long a server that turns us away is asked again.
constexpr int kBusyRetryMs = 1000;
// How much sooner than asked a socket time-out ends, to cover the
// kernel's clock ticks (10 ms at 100 Hz) and its lateness.
constexpr int kTimerSlackMs = 20;

int MillisLeft(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

// poll to the deadline itself, not to the next whole millisecond past it.
int PollUntil(struct pollfd* fds, nfds_t count, Clock::time_point deadline) {
  const auto left = std::max(Clock::duration::zero(), deadline - Clock::now());
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
  const timespec wait{static_cast<time_t>(seconds.count()),
                      static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds).count())};
  return ::ppoll(fds, count, &wait, nullptr);
}

int MillisSince(Clock::time_point start) {
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(Clock::now() - start).count());
}

bool ConnectionLost(int err) {
  return err == ECONNRESET || err == EPIPE || err == ENOTCONN || err == ETIMEDOUT || err == EHOSTUNREACH ||
         err == ENETUNREACH || err == ECONNABORTED;
}

TSerialOpen Failed(OpenFailure reason, int err, std::string detail) {
  TSerialOpen result;
  result.Failure.Reason = reason;
  result.Failure.SystemError = err;
  result.Failure.Detail = std::move(detail);
  return result;
}

// The printable part of what a server said before it hung up ("Port
// already in use"), for the failure's detail.
std::string Said(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  for (const std::uint8_t b : bytes) {
    if (text.size() >= 80) break;
    if (b >= 0x20 && b < 0x7F) text.push_back(static_cast<char>(b));
    else if ((b == '\r' || b == '\n') && !text.empty() && text.back() != ' ') text.push_back(' ');
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

class Socket {
 public:
  explicit Socket(int fd = -1) : fd_(fd) {}
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int Get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

// What one wait on the socket found.
enum class Got { Data, Silence, Closed, Error, Stopped };

class Conn {
 public:
  Conn(int fd, const StopSignal* const& stop) : fd_(fd), stop_(stop) {}

  int StopDescriptor() const { return stop_ ? stop_->WaitDescriptor() : -1; }
  bool StopRequested() const { return stop_ && stop_->Requested(); }

  // Up to `size` bytes, waiting up to waitMs for the first.
  Got Receive(std::uint8_t* buffer, std::size_t size, int waitMs, std::size_t& got) {
    got = 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
    if (StopDescriptor() < 0) {
      const Got first = ReceiveBlocking(buffer, size, deadline, got);
      if (first != Got::Silence || MillisLeft(deadline) == 0) return first;
    }
    for (;;) {
      struct pollfd fds[2] = {{fd_, POLLIN, 0}, {StopDescriptor(), POLLIN, 0}};
      const int ready = PollUntil(fds, fds[1].fd >= 0 ? 2 : 1, deadline);
      if (ready < 0) {
        if (errno == EINTR) continue;
        return Got::Error;
      }
      if (ready == 0) return Got::Silence;
      if (fds[0].revents == 0) return Got::Stopped;
      const ssize_t n = ::recv(fd_, buffer, size, MSG_DONTWAIT);
      if (n > 0) {
        got = static_cast<std::size_t>(n);
        AckAtOnce();
        return Got::Data;
      }
      if (n == 0) return Got::Closed;
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        if (MillisLeft(deadline) == 0) return Got::Silence;
        continue;
      }
      return ConnectionLost(errno) ? Got::Closed : Got::Error;
    }
  }

  // With no stop to watch, the wait begins as a recv under the socket's own
  // receive time-out: one call a read instead of a poll and a read, which
  // is most of what a fast exchange costs us beyond the server's own work.
  // The kernel keeps that time-out in clock ticks and may overrun it by a
  // tick or two, so it ends early and the poll below waits out the rest to
  // the millisecond: a silent address costs no more than it did. The
  // time-out is set only when it changes; the link asks with the same wait.
  Got ReceiveBlocking(std::uint8_t* buffer, std::size_t size, Clock::time_point deadline, std::size_t& got) {
    const int blockMs = MillisLeft(deadline) - kTimerSlackMs;
    if (blockMs <= 0) return Got::Silence;
    if (blockMs != timeoutMs_) {
      const timeval tv{blockMs / 1000, (blockMs % 1000) * 1000};
      if (::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0) return Got::Silence;
      timeoutMs_ = blockMs;
    }
    const ssize_t n = ::recv(fd_, buffer, size, 0);
    if (n > 0) {
      got = static_cast<std::size_t>(n);
      AckAtOnce();
      return Got::Data;
    }
    if (n == 0) return Got::Closed;
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return Got::Silence;
    return ConnectionLost(errno) ? Got::Closed : Got::Error;
  }

  // A server that sends a reply byte by byte as the line delivers it, with
  // Nagle's rule on (ser2net's default), holds each later byte until our
  // acknowledgement; a delayed one costs some 20 ms an exchange. The kernel
  // falls back to delaying, so this is asked again after every read.
  void AckAtOnce() {
#ifdef TCP_QUICKACK
    const int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
#endif
  }

  // Sends all of it by the deadline: the count sent, or kPortGone / kPortError.
  long SendAll(const std::uint8_t* data, std::size_t size, Clock::time_point deadline) {
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = ::send(fd_, data + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        if (ConnectionLost(errno)) return kPortGone;
        return done > 0 ? static_cast<long>(done) : kPortError;
      }
      const int left = MillisLeft(deadline);
      if (left == 0 || StopRequested()) break;
      struct pollfd fds[2] = {{fd_, POLLOUT, 0}, {StopDescriptor(), POLLIN, 0}};
      if (::poll(fds, fds[1].fd >= 0 ? 2 : 1, left) < 0 && errno != EINTR) return kPortError;
    }
    return static_cast<long>(done);
  }

 private:
  int fd_;
  const StopSignal* const& stop_;
  int timeoutMs_ = -1;  // the socket's receive time-out as last set
};

class NetSerialPort final : public SerialPort {
 public:
  NetSerialPort(int fd, bool telnet, const TLineSettings& line, const StopSignal* const& stop, int allowanceMs)
      : fd_(fd), conn_(fd, stop), telnet_(telnet), line_(line), allowanceMs_(allowanceMs) {}
  ~NetSerialPort() override { ::close(fd_); }
  NetSerialPort(const NetSerialPort&) = delete;
  NetSerialPort& operator=(const NetSerialPort&) = delete;

  telnet::TClientDecoder& Decoder() { return decoder_; }

  long Read(std::uint8_t* buffer, std::size_t maxBytes, int waitMs) override {
    if (!buffer && maxBytes > 0) return kPortError;
    if (maxBytes == 0) return 0;
    if (gone_) return kPortGone;
    if (!pending_.empty()) return TakePending(buffer, maxBytes);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
    for (;;) {
      std::uint8_t chunk[4096];
      std::size_t got = 0;
      const std::size_t want = telnet_ ? sizeof chunk : std::min(maxBytes, sizeof chunk);
      switch (conn_.Receive(telnet_ ? chunk : buffer, want, MillisLeft(deadline), got)) {
        case Got::Silence:
        case Got::Stopped:
          return 0;
        case Got::Closed:
          gone_ = true;
          return kPortGone;
        case Got::Error:
          return kPortError;
        case Got::Data:
          break;
      }
      if (!telnet_) return static_cast<long>(got);
      decoder_.Feed(chunk, got, pending_);
      if (SendAnswers() == kPortGone) return kPortGone;
      if (!pending_.empty()) return TakePending(buffer, maxBytes);
      // Only telnet talk came: the line is still silent.
      if (MillisLeft(deadline) == 0) return 0;
    }
  }

  long Write(const std::uint8_t* data, std::size_t size) override {
    if (!data && size > 0) return kPortError;
    if (gone_) return kPortGone;
    if (size == 0) return 0;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(line_.WriteAllowanceMs +
                                                 static_cast<std::uint64_t>(line_.WriteMsPerByte) * size);
    if (!telnet_) return Note(conn_.SendAll(data, size, deadline));
    std::vector<std::uint8_t> wire;
    wire.reserve(size + 8);
    telnet::AppendEscaped(wire, data, size);
    const long sent = Note(conn_.SendAll(wire.data(), wire.size(), deadline));
    if (sent < 0 || static_cast<std::size_t>(sent) == wire.size()) return sent < 0 ? sent : static_cast<long>(size);
    // Cut short: count the line's bytes whose wire form went out whole.
    std::size_t wireAt = 0;
    std::size_t lineBytes = 0;
    while (lineBytes < size) {
      const std::size_t step = data[lineBytes] == telnet::kIac ? 2 : 1;
      if (wireAt + step > static_cast<std::size_t>(sent)) break;
      wireAt += step;
      ++lineBytes;
    }
    return static_cast<long>(lineBytes);
  }

  bool Present() override {
    if (gone_) return false;
    struct pollfd p {fd_, POLLRDHUP, 0};
    if (::poll(&p, 1, 0) <= 0) return true;
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) return false;
    if (p.revents & POLLRDHUP) {
      // The server has closed its side; what it sent before still counts.
      std::uint8_t b = 0;
      return ::recv(fd_, &b, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
    }
    return true;
  }

  int ReplyAllowanceMs() const override { return allowanceMs_; }
  void SetAllowance(int ms) { allowanceMs_ = ms; }

  long SendAnswers() {
    std::vector<std::uint8_t>& out = decoder_.Outgoing();
    if (out.empty()) return 0;
    const long n = Note(conn_.SendAll(out.data(), out.size(), Clock::now() + std::chrono::milliseconds(1000)));
    out.clear();
    return n;
  }

  Conn& Connection() { return conn_; }
  void DropPending() { pending_.clear(); }

 private:
  long TakePending(std::uint8_t* buffer, std::size_t maxBytes) {
    const std::size_t n = std::min(maxBytes, pending_.size());
    std::memcpy(buffer, pending_.data(), n);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<long>(n);
  }
  long Note(long n) {
    if (n == kPortGone) gone_ = true;
    return n;
  }

  const int fd_;
  Conn conn_;
  const bool telnet_;
  const TLineSettings line_;
  int allowanceMs_;
  bool gone_ = false;
  telnet::TClientDecoder decoder_;
  std::vector<std::uint8_t> pending_;  // the line's bytes decoded but not yet taken
};

// Connects to the first address that answers; `elapsedMs` is how long the
// connect took (a round trip and the server's accept).
TSerialOpen Connect(const std::string& name, const TNetPortName& address, const StopSignal* const& stop,
                    Socket& socket, int& elapsedMs) {
  struct addrinfo hints {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  struct addrinfo* found = nullptr;
  const std::string service = std::to_string(address.Port);
  const int gai = ::getaddrinfo(address.Host.c_str(), service.c_str(), &hints, &found);
  if (gai != 0 || !found) {
    return Failed(OpenFailure::Other, 0, name + ": unknown server '" + address.Host + "' (" + gai_strerror(gai) + ")");
  }
  const Clock::time_point start = Clock::now();
  const Clock::time_point deadline = start + std::chrono::milliseconds(kConnectMs);
  int lastError = ETIMEDOUT;
  for (const struct addrinfo* ai = found; ai; ai = ai->ai_next) {
    socket.Reset(::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol));
    if (socket.Get() < 0) {
      lastError = errno;
      continue;
    }
    int r = ::connect(socket.Get(), ai->ai_addr, ai->ai_addrlen);
    if (r != 0 && errno == EINPROGRESS) {
      Conn conn(socket.Get(), stop);
      struct pollfd fds[2] = {{socket.Get(), POLLOUT, 0}, {conn.StopDescriptor(), POLLIN, 0}};
      int ready;
      do {
        ready = ::poll(fds, fds[1].fd >= 0 ? 2 : 1, MillisLeft(deadline));
      } while (ready < 0 && errno == EINTR);
      if (ready <= 0 || fds[0].revents == 0) {
        lastError = ready == 0 ? ETIMEDOUT : (ready < 0 ? errno : EINTR);
        if (ready > 0) break;  // a stop
        continue;
      }
      int err = 0;
      socklen_t len = sizeof err;
      ::getsockopt(socket.Get(), SOL_SOCKET, SO_ERROR, &err, &len);
      r = err == 0 ? 0 : -1;
      errno = err;
    }
    if (r == 0) {
      ::freeaddrinfo(found);
      elapsedMs = MillisSince(start);
      const int one = 1;
      // A request is one small frame: it must leave at once, not wait for more.
      ::setsockopt(socket.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      // Blocking from now on: a read with no stop to watch waits in recv
      // under the socket's time-out; every other call says MSG_DONTWAIT.
      ::fcntl(socket.Get(), F_SETFL, ::fcntl(socket.Get(), F_GETFL) & ~O_NONBLOCK);
      return {};
    }
    lastError = errno;
    if (MillisLeft(deadline) == 0) break;
  }
  ::freeaddrinfo(found);
  socket.Reset(-1);
  if (lastError == ECONNREFUSED) {
    return Failed(OpenFailure::Refused, lastError, name + ": " + std::strerror(lastError));
  }
  if (lastError == ETIMEDOUT) {
    return Failed(OpenFailure::NoAnswer, lastError, name + ": no connection within " +
                                                        std::to_string(kConnectMs / 1000) + " s");
  }
  if (lastError == EINTR) return Failed(OpenFailure::Other, lastError, name + ": stopped");
  return Failed(OpenFailure::NoAnswer, lastError, name + ": " + std::strerror(lastError));
}

// A server that hangs up at once serves another client; its words, if any, say so.
TSerialOpen ServerClosed(const std::string& name, const std::vector<std::uint8_t>& said) {
  const std::string words = Said(said);
  return Failed(OpenFailure::ServerBusy, 0,
                name + ": the server closed the connection" + (words.empty() ? "" : " (\"" + words + "\")"));
}

// A server that takes one client at a time accepts the next and hangs up
// at once, often with a word first. Whatever else arrives before our first
// request is dropped, as a local open drops it.
TSerialOpen SettleRaw(const std::string& name, NetSerialPort& port, int settleMs) {
  std::vector<std::uint8_t> said;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kNegotiateMs);
  for (;;) {
    std::uint8_t chunk[512];
    std::size_t got = 0;
    const int wait = std::min(settleMs, MillisLeft(deadline));
    switch (port.Connection().Receive(chunk, sizeof chunk, wait, got)) {
      case Got::Data:
        if (said.size() < 256) said.insert(said.end(), chunk, chunk + got);
        if (MillisLeft(deadline) == 0) return {};
        continue;
      case Got::Closed:
        return ServerClosed(name, said);
      case Got::Stopped:
        return Failed(OpenFailure::Other, EINTR, name + ": stopped");
      case Got::Silence:
      case Got::Error:
        return {};
    }
  }
}

std::uint8_t ParityCode(TParity parity) {
  switch (parity) {
    case TParity::Odd:
      return telnet::kParityOdd;
    case TParity::Even:
      return telnet::kParityEven;
    case TParity::None:
      break;
  }
  return telnet::kParityNone;
}

// Sets the server's line and waits for all its answers; `elapsedMs` is the
// time from our request to its last answer.
TSerialOpen Negotiate(const std::string& name, NetSerialPort& port, const TLineSettings& line, int& elapsedMs) {
  using namespace telnet;
  telnet::TClientDecoder& decoder = port.Decoder();
  std::vector<std::uint8_t> out;
  const std::pair<std::uint8_t, std::uint8_t> asks[] = {{kWill, kOptComPort}, {kWill, kOptBinary},
                                                        {kDo, kOptBinary},    {kWill, kOptSga},
                                                        {kDo, kOptSga}};
  for (const auto& [verb, option] : asks) {
    AppendNegotiation(out, verb, option);
    decoder.NoteSent(verb, option);
  }
  AppendSetBaudRate(out, line.Baud);
  AppendComPortByte(out, ComCmd::SetDataSize, line.DataBits);
  AppendComPortByte(out, ComCmd::SetParity, ParityCode(line.Parity));
  AppendComPortByte(out, ComCmd::SetStopSize, line.StopBits);
  AppendComPortByte(out, ComCmd::SetControl, kControlNoFlow);
  AppendComPortByte(out, ComCmd::PurgeData, kPurgeBoth);

  const Clock::time_point start = Clock::now();
  const Clock::time_point deadline = start + std::chrono::milliseconds(kNegotiateMs);
  const long sent = port.Connection().SendAll(out.data(), out.size(), deadline);
  if (sent == kPortGone) return Failed(OpenFailure::ServerBusy, 0, name + ": the server closed the connection");
  if (sent != static_cast<long>(out.size())) return Failed(OpenFailure::NoAnswer, 0, name + ": the server takes no data");

  std::vector<std::uint8_t> said;  // raw bytes, for a busy server's words
  const TComReplies& r = decoder.Replies();
  auto complete = [&] { return r.Baud && r.DataSize && r.Parity && r.StopSize && r.Control && r.Purge; };
  while (!complete()) {
    std::uint8_t chunk[512];
    std::size_t got = 0;
    switch (port.Connection().Receive(chunk, sizeof chunk, MillisLeft(deadline), got)) {
      case Got::Data:
        break;
      case Got::Closed:
        return ServerClosed(name, said);
      case Got::Stopped:
        return Failed(OpenFailure::Other, EINTR, name + ": stopped");
      case Got::Silence:
        return Failed(OpenFailure::NoAnswer, ETIMEDOUT,
                      name + ": no answer to the port settings (RFC 2217) within " +
                          std::to_string(kNegotiateMs / 1000) + " s");
      case Got::Error:
        return Failed(OpenFailure::Other, errno, name + ": " + std::strerror(errno));
    }
    if (said.size() < 256) said.insert(said.end(), chunk, chunk + got);
    std::vector<std::uint8_t> data;  // dropped: what came before the purge
    decoder.Feed(chunk, got, data);
    if (port.SendAnswers() == kPortGone) {
      return Failed(OpenFailure::ServerBusy, 0, name + ": the server closed the connection");
    }
    if (decoder.ComPortRefused()) {
      return Failed(OpenFailure::NotSerial, 0, name + ": the server does not take RFC 2217 port settings");
    }
  }
  elapsedMs = MillisSince(start);
  port.DropPending();

  std::string wrong;
  auto check = [&](const char* what, unsigned applied, unsigned wanted) {
    if (applied != wanted) {
      wrong += std::string(wrong.empty() ? "" : ", ") + what + " " + std::to_string(applied) + " instead of " +
               std::to_string(wanted);
    }
  };
  check("baud", *r.Baud, line.Baud);
  check("data bits", *r.DataSize, line.DataBits);
  check("parity", *r.Parity, ParityCode(line.Parity));
  check("stop bits", *r.StopSize, line.StopBits);
  check("flow control", *r.Control, kControlNoFlow);
  if (!wrong.empty()) return Failed(OpenFailure::Other, 0, name + ": the server set " + wrong);
  return {};
}

TSerialOpen OpenOnce(const std::string& name, const TNetPortName& address, const TLineSettings& line,
                     const StopSignal* const& stop) {
  Socket socket;
  int connectMs = 0;
  TSerialOpen connected = Connect(name, address, stop, socket, connectMs);
  if (connected.Failure.Reason != OpenFailure::None) return connected;

  const bool telnet = address.Kind == NetPortKind::Rfc2217;
  // The round trip seen at opening, twice over for the jitter of a busy
  // network, on top of the line's own wait; a forwarding server's own
  // scheduling costs some milliseconds even on this machine.
  const int roundTripMs = connectMs;
  auto port = std::make_unique<NetSerialPort>(socket.Release(), telnet, line, stop,
                                              std::min(kMaxAllowanceMs, kBaseAllowanceMs + 2 * roundTripMs));
  TSerialOpen result;
  if (telnet) {
    int negotiateMs = 0;
    result = Negotiate(name, *port, line, negotiateMs);
    if (result.Failure.Reason != OpenFailure::None) return result;
    // The settings' answers cross the server's own work on its port too:
    // the closer measure of what a reply adds.
    port->SetAllowance(std::min(kMaxAllowanceMs, kBaseAllowanceMs + 2 * std::max(roundTripMs, negotiateMs)));
  } else {
    result = SettleRaw(name, *port, std::min(200, 20 + 4 * roundTripMs));
    if (result.Failure.Reason != OpenFailure::None) return result;
  }
  result.Port = std::move(port);
  return result;
}

}  // namespace

TSerialOpen OpenNetPort(const std::string& name, const TNetPortName& address, const TLineSettings& line,
                        const StopSignal* const& stop) {
  if (!IsValidLine(line)) return Failed(OpenFailure::Other, EINVAL, name + ": a line setting the port cannot take");
  // A server still closing its port after the previous client (the last
  // command a moment ago) turns the next one away: a short while of retries
  // tells that from a port another client really holds.
  const Clock::time_point giveUp = Clock::now() + std::chrono::milliseconds(kBusyRetryMs);
  int pauseMs = 20;
  for (;;) {
    TSerialOpen result = OpenOnce(name, address, line, stop);
    if (result.Failure.Reason != OpenFailure::ServerBusy || MillisLeft(giveUp) == 0) return result;
    const int stopFd = stop ? stop->WaitDescriptor() : -1;
    struct pollfd p {stopFd, POLLIN, 0};
    ::poll(&p, stopFd >= 0 ? 1 : 0, std::min(pauseMs, MillisLeft(giveUp)));
    if (stop && stop->Requested()) return result;
    pauseMs *= 2;
  }
}

}  // namespace q17::posix
