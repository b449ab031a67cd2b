// TCP connections over POSIX sockets, waited on with poll beside the stop
// signal's descriptor, so a stop ends any wait; with no stop to watch, a
// read waits in recv itself.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/NetSocket.h"
#include "platform/SerialApi.h"

namespace q17::net {
namespace {

bool ConnectionLost(int err) {
  return err == ECONNRESET || err == EPIPE || err == ENOTCONN || err == ETIMEDOUT || err == EHOSTUNREACH ||
         err == ENETUNREACH || err == ECONNABORTED;
}

int StopDescriptor(const StopSignal* stop) { return stop ? stop->WaitDescriptor() : -1; }

// How much sooner than asked a socket's receive time-out ends, to cover the
// kernel's clock ticks (10 ms at 100 Hz) and its lateness.
constexpr int kTimerSlackMs = 20;

// poll to the deadline itself, not to the next whole millisecond past it.
int PollUntil(struct pollfd* fds, nfds_t count, Clock::time_point deadline) {
  const auto left = std::max(Clock::duration::zero(), deadline - Clock::now());
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
  const timespec wait{static_cast<time_t>(seconds.count()),
                      static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds).count())};
  return ::ppoll(fds, count, &wait, nullptr);
}

class Descriptor {
 public:
  Descriptor() = default;
  ~Descriptor() { Reset(-1); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
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
  int fd_ = -1;
};

class PosixNetSocket final : public NetSocket {
 public:
  PosixNetSocket(int fd, const StopSignal* const& stop) : fd_(fd), stop_(stop) {}
  ~PosixNetSocket() override { ::close(fd_); }
  PosixNetSocket(const PosixNetSocket&) = delete;
  PosixNetSocket& operator=(const PosixNetSocket&) = delete;

  Got Receive(std::uint8_t* buffer, std::size_t size, int waitMs, std::size_t& got) override {
    got = 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
    if (StopDescriptor(stop_) < 0) {
      const Got first = ReceiveBlocking(buffer, size, deadline, got);
      if (first != Got::Silence || MillisLeft(deadline) == 0) return first;
    }
    for (;;) {
      struct pollfd fds[2] = {{fd_, POLLIN, 0}, {StopDescriptor(stop_), POLLIN, 0}};
      const int ready = PollUntil(fds, fds[1].fd >= 0 ? 2 : 1, deadline);
      if (ready < 0) {
        if (errno == EINTR) continue;
        return Fail(errno);
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
      return ConnectionLost(errno) ? Got::Closed : Fail(errno);
    }
  }

  long SendAll(const std::uint8_t* data, std::size_t size, Clock::time_point deadline) override {
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
        Fail(errno);
        return done > 0 ? static_cast<long>(done) : kPortError;
      }
      const int left = MillisLeft(deadline);
      if (left == 0 || (stop_ && stop_->Requested())) break;
      struct pollfd fds[2] = {{fd_, POLLOUT, 0}, {StopDescriptor(stop_), POLLIN, 0}};
      if (::poll(fds, fds[1].fd >= 0 ? 2 : 1, left) < 0 && errno != EINTR) {
        Fail(errno);
        return kPortError;
      }
    }
    return static_cast<long>(done);
  }

  bool Present() override {
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

  TSocketError LastError() const override { return {error_, std::strerror(error_)}; }

 private:
  // With no stop to watch, the wait begins as a recv under the socket's own
  // receive time-out: one call a read instead of a poll and a read, which
  // is most of what a fast exchange costs us beyond the server's own work.
  // The kernel keeps that time-out in clock ticks and may overrun it by a
  // tick or two, so it ends early and the poll after it waits out the rest
  // to the deadline: a silent address costs no more than it did. The
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
    return ConnectionLost(errno) ? Got::Closed : Fail(errno);
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

  Got Fail(int err) {
    error_ = err;
    return Got::Error;
  }

  const int fd_;
  const StopSignal* const& stop_;
  int error_ = 0;
  int timeoutMs_ = -1;  // the socket's receive time-out as last set
};

TConnected Fault(ConnectFault fault, int err, std::string text) {
  TConnected result;
  result.Fault = fault;
  result.Error = {err, std::move(text)};
  return result;
}

}  // namespace

TConnected ConnectTcp(const std::string& host, std::uint16_t port, int timeoutMs, const StopSignal* const& stop) {
  struct addrinfo hints {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  struct addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  const int gai = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
  if (gai != 0 || !found) return Fault(ConnectFault::UnknownHost, 0, gai_strerror(gai));
  const Clock::time_point start = Clock::now();
  const Clock::time_point deadline = start + std::chrono::milliseconds(timeoutMs);
  int lastError = ETIMEDOUT;
  Descriptor socket;
  for (const struct addrinfo* ai = found; ai; ai = ai->ai_next) {
    socket.Reset(::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol));
    if (socket.Get() < 0) {
      lastError = errno;
      continue;
    }
    int r = ::connect(socket.Get(), ai->ai_addr, ai->ai_addrlen);
    if (r != 0 && errno == EINPROGRESS) {
      struct pollfd fds[2] = {{socket.Get(), POLLOUT, 0}, {StopDescriptor(stop), POLLIN, 0}};
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
      TConnected result;
      result.ElapsedMs = MillisSince(start);
      const int one = 1;
      // A request is one small frame: it must leave at once, not wait for more.
      ::setsockopt(socket.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      // Blocking from now on: a read with no stop to watch waits in recv
      // under the socket's time-out; every other call says MSG_DONTWAIT.
      ::fcntl(socket.Get(), F_SETFL, ::fcntl(socket.Get(), F_GETFL) & ~O_NONBLOCK);
      result.Socket = std::make_unique<PosixNetSocket>(socket.Release(), stop);
      return result;
    }
    lastError = errno;
    if (MillisLeft(deadline) == 0) break;
  }
  ::freeaddrinfo(found);
  const ConnectFault fault = lastError == ECONNREFUSED ? ConnectFault::Refused
                             : lastError == ETIMEDOUT  ? ConnectFault::TimedOut
                             : lastError == EINTR      ? ConnectFault::Stopped
                                                       : ConnectFault::Other;
  return Fault(fault, lastError, std::strerror(lastError));
}

void PauseUnlessStopped(const StopSignal* stop, int ms) {
  const int stopFd = StopDescriptor(stop);
  struct pollfd p {stopFd, POLLIN, 0};
  ::poll(&p, stopFd >= 0 ? 1 : 0, ms);
}

}  // namespace q17::net
