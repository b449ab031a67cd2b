// TCP connections over Winsock: non-blocking sockets waited on with select.
// The stop signal has no handle to wait on here, so a wait that a stop may
// end is cut into short slices, as short as a user's patience needs. Names
// are looked up by getaddrinfo on a thread of its own, so that its wait has
// an end too.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/AddrInfoResolver.h"
#include "platform/NetSocket.h"
#include "platform/SerialApi.h"
#include "platform/win32/SocketErrors.h"
#include "platform/win32/SystemText.h"

// Windows 8 and later: acknowledge every segment at once (see AckAtOnce).
#ifndef SIO_TCP_SET_ACK_FREQUENCY
#define SIO_TCP_SET_ACK_FREQUENCY _WSAIOW(IOC_VENDOR, 23)
#endif
static_assert(SIO_TCP_SET_ACK_FREQUENCY == 0x98000017);

namespace q17::net {
namespace {

constexpr int kStopSliceMs = 20;

// Winsock is started once for the process, by whichever thread comes first,
// and left running until the process ends.
int WinsockStartError() {
  static const int error = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data);
  }();
  return error;
}

bool Stopping(const StopSignal* stop) { return stop && stop->Requested(); }

// How long one select may wait: all that is left, or a slice when a stop
// may come meanwhile.
int Slice(const StopSignal* stop, int leftMs) { return stop ? std::min(leftMs, kStopSliceMs) : leftMs; }

enum class Want { Read, Write };

// 1 when the socket is ready (or has failed: the next call says how), 0 when
// the wait ran out, -1 when select itself failed.
int WaitFor(SOCKET s, Want want, int waitMs) {
  fd_set ready;
  fd_set failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(s, &ready);
  FD_SET(s, &failed);
  timeval t;
  t.tv_sec = waitMs / 1000;
  t.tv_usec = (waitMs % 1000) * 1000;
  const int n = want == Want::Read ? ::select(0, &ready, nullptr, &failed, &t)
                                   : ::select(0, nullptr, &ready, &failed, &t);
  if (n == SOCKET_ERROR) return -1;
  return n > 0 ? 1 : 0;
}

int ClampCount(std::size_t n) { return static_cast<int>(std::min<std::size_t>(n, INT_MAX)); }

class WinsockNetSocket final : public NetSocket {
 public:
  WinsockNetSocket(SOCKET s, const StopSignal* const& stop) : s_(s), stop_(stop) {}
  ~WinsockNetSocket() override { ::closesocket(s_); }
  WinsockNetSocket(const WinsockNetSocket&) = delete;
  WinsockNetSocket& operator=(const WinsockNetSocket&) = delete;

  Got Receive(std::uint8_t* buffer, std::size_t size, int waitMs, std::size_t& got) override {
    got = 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
    for (;;) {
      // What has arrived is taken even after a stop; only the wait ends.
      const bool stopping = Stopping(stop_);
      const int ready = WaitFor(s_, Want::Read, stopping ? 0 : Slice(stop_, MillisLeft(deadline)));
      if (ready < 0) return Fail(::WSAGetLastError());
      if (ready == 0) {
        if (stopping) return Got::Stopped;
        if (MillisLeft(deadline) == 0) return Got::Silence;
        continue;
      }
      const int n = ::recv(s_, reinterpret_cast<char*>(buffer), ClampCount(size), 0);
      if (n > 0) {
        got = static_cast<std::size_t>(n);
        return Got::Data;
      }
      if (n == 0) return Got::Closed;
      const int err = ::WSAGetLastError();
      if (win32::IsSocketRetry(static_cast<std::uint32_t>(err))) {
        if (MillisLeft(deadline) == 0) return Got::Silence;
        continue;
      }
      return win32::IsConnectionLost(static_cast<std::uint32_t>(err)) ? Got::Closed : Fail(err);
    }
  }

  long SendAll(const std::uint8_t* data, std::size_t size, Clock::time_point deadline) override {
    std::size_t done = 0;
    while (done < size) {
      const int n = ::send(s_, reinterpret_cast<const char*>(data + done), ClampCount(size - done), 0);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      const int err = n < 0 ? ::WSAGetLastError() : 0;
      if (n < 0 && !win32::IsSocketRetry(static_cast<std::uint32_t>(err))) {
        if (win32::IsConnectionLost(static_cast<std::uint32_t>(err))) return kPortGone;
        error_ = err;
        return done > 0 ? static_cast<long>(done) : kPortError;
      }
      const int left = MillisLeft(deadline);
      if (left == 0 || Stopping(stop_)) break;
      if (WaitFor(s_, Want::Write, Slice(stop_, left)) < 0) {
        error_ = ::WSAGetLastError();
        return kPortError;
      }
    }
    return static_cast<long>(done);
  }

  bool Present() override {
    if (WaitFor(s_, Want::Read, 0) <= 0) return true;
    // Readable: data, or the server's close or a reset, which a peek tells apart.
    char b = 0;
    const int n = ::recv(s_, &b, 1, MSG_PEEK);
    if (n > 0) return true;
    if (n == 0) return false;
    return !win32::IsConnectionLost(static_cast<std::uint32_t>(::WSAGetLastError()));
  }

  TSocketError LastError() const override {
    return {error_, win32::SystemErrorText(static_cast<DWORD>(error_))};
  }

 private:
  Got Fail(int err) {
    error_ = err;
    return Got::Error;
  }

  const SOCKET s_;
  const StopSignal* const& stop_;
  int error_ = 0;
};

// A server that sends a reply byte by byte as the line delivers it, with
// Nagle's rule on (ser2net's default), holds each later byte until our
// acknowledgement, which Windows delays up to 200 ms. Where the system
// cannot acknowledge at once (before Windows 8, Wine), it goes on as it was.
void AckAtOnce(SOCKET s) {
  DWORD every = 1;
  DWORD returned = 0;
  ::WSAIoctl(s, SIO_TCP_SET_ACK_FREQUENCY, &every, sizeof every, nullptr, 0, &returned, nullptr, nullptr);
}

// The address in the system's shape; its length.
int ToSockaddr(const TNetAddress& address, sockaddr_storage& out) {
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
  TResolved result;
  if (const int err = WinsockStartError(); err != 0) {
    result.Fault = ResolveFault::Other;
    result.Error = {err, win32::SystemErrorText(static_cast<DWORD>(err))};
    return result;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV | flags;
  addrinfo* found = nullptr;
  const int gai = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (gai != 0 || !found) {
    result.Fault = ResolveFault::UnknownHost;
    result.Error = {0, gai != 0 ? win32::SystemErrorText(static_cast<DWORD>(gai)) : "no address"};
    return result;
  }
  TResolved listed = AddressesOf(found, port);
  ::freeaddrinfo(found);
  return listed;
}

using SystemResolver = TAddrInfoResolver<Lookup>;

class WinsockConnectAttempts final : public ConnectAttempts {
 public:
  explicit WinsockConnectAttempts(const StopSignal* const& stop) : stop_(stop) {}
  ~WinsockConnectAttempts() override {
    for (const SOCKET s : sockets_) {
      if (s != INVALID_SOCKET) ::closesocket(s);
    }
  }
  WinsockConnectAttempts(const WinsockConnectAttempts&) = delete;
  WinsockConnectAttempts& operator=(const WinsockConnectAttempts&) = delete;

  TEvent Start(const TNetAddress& address) override {
    const std::size_t index = sockets_.size();
    sockets_.push_back(INVALID_SOCKET);
    if (const int err = WinsockStartError(); err != 0) return Failure(index, err);
    sockaddr_storage sa;
    const int length = ToSockaddr(address, sa);
    const SOCKET s = ::socket(sa.ss_family, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return Failure(index, ::WSAGetLastError());
    sockets_[index] = s;
    // Not inherited by programs we start; it stays ours alone.
    ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    u_long nonBlocking = 1;
    if (::ioctlsocket(s, FIONBIO, &nonBlocking) != 0) return Failure(index, ::WSAGetLastError());
    // A connect made at once shows as writable in the first Wait.
    if (::connect(s, reinterpret_cast<const sockaddr*>(&sa), length) != 0) {
      const int err = ::WSAGetLastError();
      if (!win32::IsSocketRetry(static_cast<std::uint32_t>(err))) return Failure(index, err);
    }
    return {};
  }

  TEvent Wait(Clock::time_point until) override {
    for (;;) {
      if (Stopping(stop_)) return TEvent::Of(TEvent::Stopped);
      fd_set done;
      fd_set failed;
      FD_ZERO(&done);
      FD_ZERO(&failed);
      for (const SOCKET s : sockets_) {
        if (s == INVALID_SOCKET) continue;
        FD_SET(s, &done);
        FD_SET(s, &failed);
      }
      const int wait = Slice(stop_, MillisLeft(until));
      timeval t;
      t.tv_sec = wait / 1000;
      t.tv_usec = (wait % 1000) * 1000;
      // A failed connect shows in the exception set, a made one in the write set.
      const int n = ::select(0, nullptr, &done, &failed, &t);
      if (n == SOCKET_ERROR) return Failure(FirstPending(), ::WSAGetLastError());
      if (n == 0) {
        if (MillisLeft(until) == 0) return {};
        continue;
      }
      for (std::size_t i = 0; i < sockets_.size(); ++i) {
        const SOCKET s = sockets_[i];
        if (s == INVALID_SOCKET) continue;
        if (FD_ISSET(s, &failed)) {
          int err = 0;
          int len = sizeof err;
          ::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len);
          return Failure(i, err != 0 ? err : static_cast<int>(win32::kWsaConnRefused));
        }
        if (FD_ISSET(s, &done)) return TEvent::Of(TEvent::Connected, i);
      }
    }
  }

  std::size_t Pending() const override {
    return static_cast<std::size_t>(
        std::count_if(sockets_.begin(), sockets_.end(), [](SOCKET s) { return s != INVALID_SOCKET; }));
  }

  std::unique_ptr<NetSocket> Take(std::size_t index) override {
    const SOCKET s = sockets_.at(index);
    sockets_[index] = INVALID_SOCKET;
    // A request is one small frame: it must leave at once, not wait for more.
    const BOOL one = TRUE;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    AckAtOnce(s);
    return std::make_unique<WinsockNetSocket>(s, stop_);
  }

 private:
  std::size_t FirstPending() const {
    for (std::size_t i = 0; i < sockets_.size(); ++i) {
      if (sockets_[i] != INVALID_SOCKET) return i;
    }
    return 0;
  }

  TEvent Failure(std::size_t index, int err) {
    if (index < sockets_.size() && sockets_[index] != INVALID_SOCKET) ::closesocket(sockets_[index]);
    if (index < sockets_.size()) sockets_[index] = INVALID_SOCKET;
    TEvent event = TEvent::Of(TEvent::Failed, index);
    event.Error = {err, win32::SystemErrorText(static_cast<DWORD>(err))};
    event.Refused = win32::ClassifyConnectError(static_cast<std::uint32_t>(err)) == win32::ConnectError::Refused;
    return event;
  }

  const StopSignal* const& stop_;
  std::vector<SOCKET> sockets_;  // INVALID_SOCKET once an attempt has ended or been taken
};

}  // namespace

std::unique_ptr<Resolver> MakeSystemResolver() { return std::make_unique<SystemResolver>(); }

std::unique_ptr<ConnectAttempts> MakeConnectAttempts(const StopSignal* const& stop) {
  return std::make_unique<WinsockConnectAttempts>(stop);
}

void PauseUnlessStopped(const StopSignal* stop, int ms) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms > 0 ? ms : 0);
  while (!Stopping(stop)) {
    const int left = MillisLeft(deadline);
    if (left == 0) return;
    ::Sleep(static_cast<DWORD>(Slice(stop, left)));
  }
}

}  // namespace q17::net
