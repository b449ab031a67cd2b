#pragma once
// A TCP connection as a network serial port needs one, in no system's
// shape: POSIX sockets (platform/posix) and Winsock (platform/win32)
// implement it. Every wait has an end, and a stop ends it early.
#include <array>
#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/StopSignal.h"

namespace q17::net {

using Clock = std::chrono::steady_clock;

// What is left of a wait, in whole milliseconds rounded up; 0 once it is over.
inline int MillisLeft(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

// Whole milliseconds since `start`, rounded up.
inline int MillisSince(Clock::time_point start) {
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(Clock::now() - start).count());
}

// What one wait on the connection found.
enum class Got { Data, Silence, Closed, Error, Stopped };

// The system's code (errno, WSAGetLastError()) and its words.
struct TSocketError {
  int Code = 0;
  std::string Text;
};

class NetSocket {
 public:
  // Closes the connection.
  virtual ~NetSocket() = default;

  // Up to `size` bytes of what has arrived; when nothing has, waits up to
  // waitMs for the first. Data: `got` bytes; Silence: nothing within the
  // wait; Stopped: a stop ended the wait with nothing there; Closed: the
  // server hung up or the connection broke; Error: see LastError().
  virtual Got Receive(std::uint8_t* buffer, std::size_t size, int waitMs, std::size_t& got) = 0;

  // All of `data` by the deadline unless a stop comes first: the count sent
  // (less when the deadline or a stop cut it), kPortError or kPortGone
  // (SerialApi.h) when the connection has broken.
  virtual long SendAll(const std::uint8_t* data, std::size_t size, Clock::time_point deadline) = 0;

  // False once the connection has broken or the server has closed its side
  // with nothing left to read; asks without reading or waiting.
  virtual bool Present() = 0;

  // The failure behind the last Error.
  virtual TSocketError LastError() const = 0;
};

// One address of a host, in no system's shape.
struct TNetAddress {
  bool V6 = false;
  std::array<std::uint8_t, 16> Bytes{};  // the first 4 for IPv4, in network order
  std::uint16_t Port = 0;
  std::uint32_t ScopeId = 0;  // IPv6: the interface of a link-local address

  friend bool operator==(const TNetAddress&, const TNetAddress&) = default;
};

// "127.0.0.1:4001", "[::1]:4001".
std::string AddressText(const TNetAddress& address);

// How a name's lookup ended short of addresses.
enum class ResolveFault { None, UnknownHost, TimedOut, Stopped, Other };

struct TResolved {
  std::vector<TNetAddress> Addresses;  // in the system's order of preference; set when Fault is None
  ResolveFault Fault = ResolveFault::None;
  TSocketError Error;
};

// Turns a host's name into its addresses: the system's resolver, or a
// test's own. No name is looked up any longer than the deadline, and a stop
// ends the wait at once.
class Resolver {
 public:
  virtual ~Resolver() = default;
  virtual TResolved Resolve(const std::string& host, std::uint16_t port, Clock::time_point deadline,
                            const StopSignal* stop) = 0;
};

// The system's resolver: an address written as one is taken as it is; a
// name is looked up on a thread of its own, which is left to finish by
// itself when the wait ends first.
std::unique_ptr<Resolver> MakeSystemResolver();

// Runs `lookup`, which may block for as long as the system likes, on a
// thread of its own and waits for it until the deadline or a stop.
TResolved ResolveOnThread(std::function<TResolved()> lookup, Clock::time_point deadline, const StopSignal* stop);

// The order to try addresses in (RFC 8305): the system's first, then the
// families taking turns, each in the system's order.
std::vector<TNetAddress> InterleaveFamilies(const std::vector<TNetAddress>& addresses);

// How a connect ended short of a connection.
// LookupTimedOut: the name's lookup did not end in time.
enum class ConnectFault { None, UnknownHost, LookupTimedOut, Refused, TimedOut, Stopped, Other };

struct TConnected {
  std::unique_ptr<NetSocket> Socket;  // set when Fault is None
  int ElapsedMs = 0;                  // from the attempt that connected to the connection: a round trip and the accept
  ConnectFault Fault = ConnectFault::None;
  TSocketError Error;  // the system's code and words for the fault
};

// Connects to the host within timeoutMs, the name's lookup included, with
// small writes leaving at once (no Nagle delay). The addresses are tried as
// RFC 8305 has it: each gets its own try, the next one starting when the one
// before has failed or kStaggerMs after it began, the earlier ones kept on;
// the first to connect is taken. `stop` is kept by reference for the
// socket's later waits; it must outlive the socket.
inline constexpr int kStaggerMs = 250;
TConnected ConnectTcp(Resolver& resolver, const std::string& host, std::uint16_t port, int timeoutMs,
                      const StopSignal* const& stop);

// Connects being made to several addresses at once: the system's half of
// ConnectTcp.
class ConnectAttempts {
 public:
  struct TEvent {
    enum Kind { Connected, Failed, Deadline, Stopped } What = Deadline;
    std::size_t Index = 0;  // the attempt, in the order started
    TSocketError Error;     // Failed: why
    bool Refused = false;   // Failed: the server's host turned the connection away

    static TEvent Of(Kind what, std::size_t index = 0) {
      TEvent event;
      event.What = what;
      event.Index = index;
      return event;
    }
  };
  virtual ~ConnectAttempts() = default;
  // Starts the next attempt; Failed at once when the system would not even
  // begin it (no route, no such family), else Deadline.
  virtual TEvent Start(const TNetAddress& address) = 0;
  // Waits until an attempt under way connects or fails, `until` passes or a
  // stop comes.
  virtual TEvent Wait(Clock::time_point until) = 0;
  // How many attempts are still under way.
  virtual std::size_t Pending() const = 0;
  // The connection of the attempt that connected; the others are closed.
  virtual std::unique_ptr<NetSocket> Take(std::size_t index) = 0;
};

// The system's attempts; `stop` as for ConnectTcp.
std::unique_ptr<ConnectAttempts> MakeConnectAttempts(const StopSignal* const& stop);

// Waits ms milliseconds, less when a stop comes.
void PauseUnlessStopped(const StopSignal* stop, int ms);

}  // namespace q17::net
