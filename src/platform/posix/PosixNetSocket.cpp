// TCP connections over POSIX sockets, waited on with poll beside the stop
// signal's descriptor, so a stop ends any wait; with no stop to watch, a
// read waits in recv itself. Names are looked up by getaddrinfo on a
// thread of its own, so that its wait has an end too.
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
#include <vector>

#include "platform/AddrInfoResolver.h"
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

// How often a wait looks for a stop that has no descriptor to wait on.
constexpr int kStopSliceMs = 20;

// poll to the deadline itself, not to the next whole millisecond past it.
int PollUntil(struct pollfd* fds, nfds_t count, Clock::time_point deadline) {
  const auto left = std::max(Clock::duration::zero(), deadline - Clock::now());
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
  const timespec wait{static_cast<time_t>(seconds.count()),
                      static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds).count())};
  return ::ppoll(fds, count, &wait, nullptr);
}

class PosixNetSocket final : public NetSocket {
 public:
  PosixNetSocket(int fd, const StopSignal* const& stop) : fd_(fd), stop_(stop) {}
  ~PosixNetSocket() override { ::close(fd_); }
  PosixNetSocket(const PosixNetSocket&) = delete;
  PosixNetSocket& operator=(const PosixNetSocket&) = delete;

  Got Receive(std::uint8_t* buffer, std::size_t size, int waitMs, std::size_t& got) override {
    got = 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
    if (!stop_) {
      const Got first = ReceiveBlocking(buffer, size, deadline, got);
      if (first != Got::Silence || MillisLeft(deadline) == 0) return first;
    }
    for (;;) {
      struct pollfd fds[2] = {{fd_, POLLIN, 0}, {StopDescriptor(stop_), POLLIN, 0}};
      // A stop with no descriptor to wait on is looked at every slice.
      const bool sliced = stop_ && fds[1].fd < 0;
      const int ready = PollUntil(
          fds, fds[1].fd >= 0 ? 2 : 1,
          sliced ? std::min<Clock::time_point>(deadline, Clock::now() + std::chrono::milliseconds(kStopSliceMs))
                 : deadline);
      if (ready < 0) {
        if (errno == EINTR) continue;
        return Fail(errno);
      }
      if (ready == 0) {
        if (sliced && stop_->Requested()) return Got::Stopped;
        if (Clock::now() < deadline) continue;
        return Got::Silence;
      }
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
      const int wait = stop_ && fds[1].fd < 0 ? std::min(left, kStopSliceMs) : left;
      if (::poll(fds, fds[1].fd >= 0 ? 2 : 1, wait) < 0 && errno != EINTR) {
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

// The address in the system's shape; its length.
socklen_t ToSockaddr(const TNetAddress& address, sockaddr_storage& out) {
  out = {};
  if (address.V6) {
    auto& a = reinterpret_cast<sockaddr_in6&>(out);
    a.sin6_family = AF_INET6;
    a.sin6_port = htons(address.Port);
    a.sin6_scope_id = address.ScopeId;
    std::memcpy(&a.sin6_addr, address.Bytes.data(), 16);
    return sizeof a;
  }
  auto& a = reinterpret_cast<sockaddr_in&>(out);
  a.sin_family = AF_INET;
  a.sin_port = htons(address.Port);
  std::memcpy(&a.sin_addr, address.Bytes.data(), 4);
  return sizeof a;
}

// getaddrinfo, which may block as long as the system's resolver takes.
TResolved Lookup(const std::string& host, std::uint16_t port, int flags) {
  struct addrinfo hints {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV | flags;
  struct addrinfo* found = nullptr;
  const int gai = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  TResolved result;
  if (gai != 0 || !found) {
    result.Fault = ResolveFault::UnknownHost;
    result.Error = {0, gai != 0 ? gai_strerror(gai) : "no address"};
    return result;
  }
  TResolved listed = AddressesOf(found, port);
  ::freeaddrinfo(found);
  return listed;
}

using SystemResolver = TAddrInfoResolver<Lookup>;

class PosixConnectAttempts final : public ConnectAttempts {
 public:
  explicit PosixConnectAttempts(const StopSignal* const& stop) : stop_(stop) {}
  ~PosixConnectAttempts() override {
    for (const int fd : fds_) {
      if (fd >= 0) ::close(fd);
    }
  }
  PosixConnectAttempts(const PosixConnectAttempts&) = delete;
  PosixConnectAttempts& operator=(const PosixConnectAttempts&) = delete;

  TEvent Start(const TNetAddress& address) override {
    const std::size_t index = fds_.size();
    sockaddr_storage sa;
    const socklen_t length = ToSockaddr(address, sa);
    const int fd = ::socket(sa.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    fds_.push_back(fd);
    if (fd < 0) return Failure(index, errno);
    // A connect made at once shows as writable in the first Wait.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&sa), length) != 0 && errno != EINPROGRESS) {
      return Failure(index, errno);
    }
    return {};
  }

  TEvent Wait(Clock::time_point until) override {
    for (;;) {
      std::vector<struct pollfd> fds;
      std::vector<std::size_t> which;
      for (std::size_t i = 0; i < fds_.size(); ++i) {
        if (fds_[i] < 0) continue;
        fds.push_back({fds_[i], POLLOUT, 0});
        which.push_back(i);
      }
      const int stopFd = StopDescriptor(stop_);
      if (stopFd >= 0) fds.push_back({stopFd, POLLIN, 0});
      // A stop with nothing to wait on is looked at every slice.
      const Clock::time_point end =
          stop_ && stopFd < 0 ? std::min<Clock::time_point>(until, Clock::now() + std::chrono::milliseconds(20))
                              : until;
      const int ready = PollUntil(fds.data(), fds.size(), end);
      if (ready < 0 && errno != EINTR) return Failure(which.empty() ? 0 : which.front(), errno);
      if (stop_ && stop_->Requested()) return TEvent::Of(TEvent::Stopped);
      if (ready <= 0) {
        if (Clock::now() >= until) return {};
        continue;
      }
      for (std::size_t k = 0; k < which.size(); ++k) {
        if (fds[k].revents == 0) continue;
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(fds[k].fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
        if (err == 0) return TEvent::Of(TEvent::Connected, which[k]);
        return Failure(which[k], err);
      }
    }
  }

  std::size_t Pending() const override {
    return static_cast<std::size_t>(std::count_if(fds_.begin(), fds_.end(), [](int fd) { return fd >= 0; }));
  }

  std::unique_ptr<NetSocket> Take(std::size_t index) override {
    const int fd = fds_.at(index);
    fds_[index] = -1;
    const int one = 1;
    // A request is one small frame: it must leave at once, not wait for more.
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    // Blocking from now on: a read with no stop to watch waits in recv
    // under the socket's time-out; every other call says MSG_DONTWAIT.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return std::make_unique<PosixNetSocket>(fd, stop_);
  }

 private:
  TEvent Failure(std::size_t index, int err) {
    if (index < fds_.size() && fds_[index] >= 0) ::close(fds_[index]);
    if (index < fds_.size()) fds_[index] = -1;
    TEvent event = TEvent::Of(TEvent::Failed, index);
    event.Error = {err, std::strerror(err)};
    event.Refused = err == ECONNREFUSED;
    return event;
  }

  const StopSignal* const& stop_;
  std::vector<int> fds_;  // -1 once an attempt has ended or been taken
};

}  // namespace

std::unique_ptr<Resolver> MakeSystemResolver() { return std::make_unique<SystemResolver>(); }

std::unique_ptr<ConnectAttempts> MakeConnectAttempts(const StopSignal* const& stop) {
  return std::make_unique<PosixConnectAttempts>(stop);
}

void PauseUnlessStopped(const StopSignal* stop, int ms) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms > 0 ? ms : 0);
  for (;;) {
    const int stopFd = StopDescriptor(stop);
    struct pollfd p {stopFd, POLLIN, 0};
    // A stop with nothing to wait on is looked at every slice.
    const int left = MillisLeft(deadline);
    if (left == 0 || (stop && stop->Requested())) return;
    ::poll(&p, stopFd >= 0 ? 1 : 0, stop && stopFd < 0 ? std::min(left, 20) : left);
  }
}

}  // namespace q17::net
