#include "platform/win32/SocketErrors.h"

#ifdef _WIN32
#include <winsock2.h>

static_assert(q17::win32::kWsaInterrupted == WSAEINTR);
static_assert(q17::win32::kWsaWouldBlock == WSAEWOULDBLOCK);
static_assert(q17::win32::kWsaInProgress == WSAEINPROGRESS);
static_assert(q17::win32::kWsaNetDown == WSAENETDOWN);
static_assert(q17::win32::kWsaNetUnreachable == WSAENETUNREACH);
static_assert(q17::win32::kWsaNetReset == WSAENETRESET);
static_assert(q17::win32::kWsaConnAborted == WSAECONNABORTED);
static_assert(q17::win32::kWsaConnReset == WSAECONNRESET);
static_assert(q17::win32::kWsaNotConnected == WSAENOTCONN);
static_assert(q17::win32::kWsaShutdown == WSAESHUTDOWN);
static_assert(q17::win32::kWsaTimedOut == WSAETIMEDOUT);
static_assert(q17::win32::kWsaConnRefused == WSAECONNREFUSED);
static_assert(q17::win32::kWsaHostUnreachable == WSAEHOSTUNREACH);
#endif

namespace q17::win32 {

bool IsSocketRetry(std::uint32_t error) {
  return error == kWsaWouldBlock || error == kWsaInProgress || error == kWsaInterrupted;
}

bool IsConnectionLost(std::uint32_t error) {
  switch (error) {
    case kWsaConnReset:
    case kWsaConnAborted:
    case kWsaNetReset:
    case kWsaNotConnected:
    case kWsaShutdown:
    case kWsaTimedOut:
    case kWsaHostUnreachable:
    case kWsaNetUnreachable:
    case kWsaNetDown:
      return true;
    default:
      return false;
  }
}

ConnectError ClassifyConnectError(std::uint32_t error) {
  if (error == kWsaConnRefused) return ConnectError::Refused;
  if (error == kWsaTimedOut) return ConnectError::TimedOut;
  return ConnectError::Other;
}

}  // namespace q17::win32
