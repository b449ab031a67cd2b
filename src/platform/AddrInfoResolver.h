#pragma once
// What the POSIX and the Winsock resolvers share: the walk over a
// getaddrinfo() list, and the system resolver made of a blocking lookup.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/NetSocket.h"

namespace q17::net {

// The IPv4 and IPv6 addresses of `found`, each once, in the list's order.
inline TResolved AddressesOf(const addrinfo* found, std::uint16_t port) {
  TResolved result;
  for (const addrinfo* ai = found; ai; ai = ai->ai_next) {
    TNetAddress a;
    if (ai->ai_family == AF_INET && ai->ai_addrlen >= sizeof(sockaddr_in)) {
      const auto* in = reinterpret_cast<const sockaddr_in*>(ai->ai_addr);
      std::memcpy(a.Bytes.data(), &in->sin_addr, 4);
    } else if (ai->ai_family == AF_INET6 && ai->ai_addrlen >= sizeof(sockaddr_in6)) {
      const auto* in6 = reinterpret_cast<const sockaddr_in6*>(ai->ai_addr);
      a.V6 = true;
      a.ScopeId = in6->sin6_scope_id;
      std::memcpy(a.Bytes.data(), &in6->sin6_addr, 16);
    } else {
      continue;
    }
    a.Port = port;
    if (std::find(result.Addresses.begin(), result.Addresses.end(), a) == result.Addresses.end()) {
      result.Addresses.push_back(a);
    }
  }
  if (result.Addresses.empty()) {
    result.Fault = ResolveFault::UnknownHost;
    result.Error = {0, "no IPv4 or IPv6 address"};
  }
  return result;
}

// The system's resolver over `Lookup` (getaddrinfo with extra flags, which
// may block as long as the system's resolver takes).
template <TResolved (*Lookup)(const std::string& host, std::uint16_t port, int flags)>
class TAddrInfoResolver final : public Resolver {
 public:
  TResolved Resolve(const std::string& host, std::uint16_t port, Clock::time_point deadline,
                    const StopSignal* stop) override {
    // An address written as one needs no lookup and never blocks.
    if (TResolved numeric = Lookup(host, port, AI_NUMERICHOST); numeric.Fault == ResolveFault::None) return numeric;
    return ResolveOnThread([host, port] { return Lookup(host, port, 0); }, deadline, stop);
  }
};

}  // namespace q17::net
