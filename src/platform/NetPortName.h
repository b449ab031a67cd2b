#pragma once
// Ports behind a network serial server, named as users type them:
// "tcp://HOST:PORT" (the line's bytes, nothing else) and
// "rfc2217://HOST:PORT" (telnet with COM-PORT-CONTROL). HOST may be a name,
// an IPv4 address or an IPv6 address in brackets.
#include <cstdint>
#include <optional>
#include <string>

namespace q17 {

// The most a network adds to a reply's wait, measured or fixed by the user:
// beyond it the network is no use for the line's exchanges.
inline constexpr int kMaxNetworkAllowanceMs = 1000;

enum class NetPortKind : std::uint8_t { RawTcp, Rfc2217 };

struct TNetPortName {
  NetPortKind Kind = NetPortKind::RawTcp;
  std::string Host;  // without brackets
  std::uint16_t Port = 0;
};

// The parts of a network port name, or none when the text is not one
// (a local port's name, a missing or out-of-range port number).
std::optional<TNetPortName> ParseNetPortName(const std::string& text);

// The name as the program writes it: "tcp://HOST:PORT", brackets around an
// IPv6 address. Parsing it gives the same parts back.
std::string FormatNetPortName(const TNetPortName& name);

inline bool IsNetPortName(const std::string& text) { return ParseNetPortName(text).has_value(); }

}  // namespace q17
