#pragma once
// Ports behind a network serial server, named as users type them:
// "tcp://HOST:PORT" (the line's bytes, nothing else) and
// "rfc2217://HOST:PORT" (telnet with COM-PORT-CONTROL). HOST may be a name,
// an IPv4 address or an IPv6 address in brackets.
#include <cstdint>
#include <optional>
#include <string>

namespace q17 {

enum class NetPortKind : std::uint8_t { RawTcp, Rfc2217 };

struct TNetPortName {
  NetPortKind Kind = NetPortKind::RawTcp;
  std::string Host;  // without brackets
  std::uint16_t Port = 0;
};

// The parts of a network port name, or none when the text is not one
// (a local port's name, a missing or out-of-range port number).
std::optional<TNetPortName> ParseNetPortName(const std::string& text);

inline bool IsNetPortName(const std::string& text) { return ParseNetPortName(text).has_value(); }

}  // namespace q17
