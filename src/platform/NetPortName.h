#pragma once
// Ports behind a network serial server, named as users type them:
// "tcp://HOST:PORT" (the line's bytes, nothing else) and
// "rfc2217://HOST:PORT" (telnet with COM-PORT-CONTROL), the scheme in any
// case. HOST may be a name, an IPv4 address or an IPv6 address in brackets.
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

// What is wrong with a text that is not a network port's name.
enum class NetNameProblem {
  None,
  NotNetwork,        // no tcp:// or rfc2217:// in front: a local port's name, maybe
  Blank,             // a blank anywhere, a trailing one too
  ControlCharacter,  // a control character anywhere
  NoHost,
  BadHostCharacter,  // a character no host name or address has
  Ipv6NeedsBrackets,
  UnclosedBracket,
  NotIpv6InBrackets,
  NoPort,
  PortNotNumber,
  PortOutOfRange,  // not 1..65535
};

struct TNetNameCheck {
  std::optional<TNetPortName> Name;  // set when Problem is None
  NetNameProblem Problem = NetNameProblem::None;
};

// The parts of a network port name, or what is wrong with it.
TNetNameCheck CheckNetPortName(const std::string& text);

// The parts of a network port name, or none when the text is not one.
inline std::optional<TNetPortName> ParseNetPortName(const std::string& text) { return CheckNetPortName(text).Name; }

// Whether the text begins as a network port's name does (tcp://,
// rfc2217://, in any case): it is meant as one, right or wrong.
bool HasNetScheme(const std::string& text);

// What is wrong, in a few English words for q17ctl ("the port number must
// be 1..65535"); empty for None.
const char* NetNameProblemText(NetNameProblem problem);

// The name as the program writes it: "tcp://HOST:PORT", the scheme in lower
// case, the port without leading zeros, brackets around an IPv6 address.
// Parsing it gives the same parts back.
std::string FormatNetPortName(const TNetPortName& name);

inline bool IsNetPortName(const std::string& text) { return ParseNetPortName(text).has_value(); }

}  // namespace q17
