#pragma once
// A TCP connection as a network serial port needs one, in no system's
// shape: POSIX sockets (platform/posix) and Winsock (platform/win32)
// implement it. Every wait has an end, and a stop ends it early.
#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

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

// How a connect ended short of a connection.
enum class ConnectFault { None, UnknownHost, Refused, TimedOut, Stopped, Other };

struct TConnected {
  std::unique_ptr<NetSocket> Socket;  // set when Fault is None
  int ElapsedMs = 0;                  // from the first attempt to the connection: a round trip and the accept
  ConnectFault Fault = ConnectFault::None;
  TSocketError Error;  // the system's code and words for the fault
};

// Connects to the first of the host's addresses that answers within
// timeoutMs, with small writes leaving at once (no Nagle delay). `stop` is
// kept by reference for the socket's later waits; it must outlive the socket.
TConnected ConnectTcp(const std::string& host, std::uint16_t port, int timeoutMs, const StopSignal* const& stop);

// Waits ms milliseconds, less when a stop comes.
void PauseUnlessStopped(const StopSignal* stop, int ms);

}  // namespace q17::net
