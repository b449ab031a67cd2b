#pragma once
// What a Winsock error code means to a network serial port. Plain numbers,
// so the rule is the same code on every system and is tested wherever the
// tests run.
#include <cstdint>

namespace q17::win32 {

// The codes by number, as winsock2.h gives them.
inline constexpr std::uint32_t kWsaInterrupted = 10004;
inline constexpr std::uint32_t kWsaWouldBlock = 10035;
inline constexpr std::uint32_t kWsaInProgress = 10036;
inline constexpr std::uint32_t kWsaNetDown = 10050;
inline constexpr std::uint32_t kWsaNetUnreachable = 10051;
inline constexpr std::uint32_t kWsaNetReset = 10052;
inline constexpr std::uint32_t kWsaConnAborted = 10053;
inline constexpr std::uint32_t kWsaConnReset = 10054;
inline constexpr std::uint32_t kWsaNotConnected = 10057;
inline constexpr std::uint32_t kWsaShutdown = 10058;
inline constexpr std::uint32_t kWsaTimedOut = 10060;
inline constexpr std::uint32_t kWsaConnRefused = 10061;
inline constexpr std::uint32_t kWsaHostUnreachable = 10065;

// A call that would have blocked (non-blocking socket): wait and ask again.
bool IsSocketRetry(std::uint32_t error);

// True for the errors of a connection that has broken or that the server
// has reset or closed: its device is gone for the port.
bool IsConnectionLost(std::uint32_t error);

enum class ConnectError { Refused, TimedOut, Other };

// How a failed connect is worded: turned away, no answer, or anything else.
ConnectError ClassifyConnectError(std::uint32_t error);

}  // namespace q17::win32
