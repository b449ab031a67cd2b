// The Winsock errors a network port meets, checked on every system, since
// the rule is plain numbers.
#include "platform/win32/SocketErrors.h"

#include <gtest/gtest.h>

namespace q17::win32 {
namespace {

TEST(SocketErrors, EachCodeMeansOneThingToThePort) {
  struct Row {
    std::uint32_t error;
    bool retry;
    bool lost;
    ConnectError connect;
  };
  const Row table[] = {
      {10035, true, false, ConnectError::Other},     // WSAEWOULDBLOCK: wait and ask again
      {10036, true, false, ConnectError::Other},     // WSAEINPROGRESS
      {10004, true, false, ConnectError::Other},     // WSAEINTR
      {10054, false, true, ConnectError::Other},     // WSAECONNRESET: the server dropped us
      {10053, false, true, ConnectError::Other},     // WSAECONNABORTED
      {10058, false, true, ConnectError::Other},     // WSAESHUTDOWN
      {10057, false, true, ConnectError::Other},     // WSAENOTCONN
      {10052, false, true, ConnectError::Other},     // WSAENETRESET
      {10050, false, true, ConnectError::Other},     // WSAENETDOWN
      {10065, false, true, ConnectError::Other},     // WSAEHOSTUNREACH
      {10060, false, true, ConnectError::TimedOut},  // WSAETIMEDOUT: no answer at connect, lost after
      {10061, false, false, ConnectError::Refused},  // WSAECONNREFUSED
      {10014, false, false, ConnectError::Other},    // WSAEFAULT: our fault, not the server's
      {0, false, false, ConnectError::Other},
  };
  for (const Row& row : table) {
    EXPECT_EQ(IsSocketRetry(row.error), row.retry) << row.error;
    EXPECT_EQ(IsConnectionLost(row.error), row.lost) << row.error;
    EXPECT_EQ(ClassifyConnectError(row.error), row.connect) << row.error;
  }
}

}  // namespace
}  // namespace q17::win32
