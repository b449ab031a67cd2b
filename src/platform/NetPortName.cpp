#include "platform/NetPortName.h"

#include <algorithm>
#include <cctype>

namespace q17 {
namespace {

constexpr const char kRaw[] = "tcp://";
constexpr const char kTelnet[] = "rfc2217://";

// Whether text begins with the scheme, in any case.
bool StartsWithScheme(const std::string& text, const std::string& scheme) {
  if (text.size() < scheme.size()) return false;
  return std::equal(scheme.begin(), scheme.end(), text.begin(),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

bool IsAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// A host name or an IPv4 address: letters, digits, dots, hyphens, underscores.
bool IsHostCharacter(char c) { return IsAsciiAlnum(c) || c == '.' || c == '-' || c == '_'; }

// An IPv6 address, with a zone ("%eth0") where it has one.
bool IsIpv6Text(const std::string& text) {
  if (text.find(':') == std::string::npos) return false;
  const std::size_t zone = text.find('%');
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool ok = i < zone ? std::isxdigit(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '.'
                             : i == zone || IsHostCharacter(c);
    if (!ok) return false;
  }
  return zone != text.size() - 1;
}

TNetNameCheck Problem(NetNameProblem problem) { return {std::nullopt, problem}; }

}  // namespace

bool HasNetScheme(const std::string& text) { return StartsWithScheme(text, kRaw) || StartsWithScheme(text, kTelnet); }

TNetNameCheck CheckNetPortName(const std::string& text) {
  TNetPortName name;
  std::string rest;
  if (StartsWithScheme(text, kRaw)) {
    name.Kind = NetPortKind::RawTcp;
    rest = text.substr(sizeof kRaw - 1);
  } else if (StartsWithScheme(text, kTelnet)) {
    name.Kind = NetPortKind::Rfc2217;
    rest = text.substr(sizeof kTelnet - 1);
  } else {
    return Problem(NetNameProblem::NotNetwork);
  }
  for (const char c : rest) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) return Problem(c == '\t' ? NetNameProblem::Blank : NetNameProblem::ControlCharacter);
  }
  if (rest.find(' ') != std::string::npos) return Problem(NetNameProblem::Blank);

  std::string portText;
  bool hasPort = false;
  if (!rest.empty() && rest.front() == '[') {
    const auto close = rest.find(']');
    if (close == std::string::npos) return Problem(NetNameProblem::UnclosedBracket);
    name.Host = rest.substr(1, close - 1);
    if (name.Host.empty()) return Problem(NetNameProblem::NoHost);
    if (!IsIpv6Text(name.Host)) return Problem(NetNameProblem::NotIpv6InBrackets);
    if (close + 1 < rest.size() && rest[close + 1] != ':') return Problem(NetNameProblem::NoPort);
    hasPort = close + 1 < rest.size();
    if (hasPort) portText = rest.substr(close + 2);
  } else {
    const auto colon = rest.rfind(':');
    name.Host = rest.substr(0, colon);
    hasPort = colon != std::string::npos;
    if (hasPort) portText = rest.substr(colon + 1);
    if (name.Host.empty()) return Problem(NetNameProblem::NoHost);
    if (name.Host.find(':') != std::string::npos) {
      return Problem(IsIpv6Text(name.Host) ? NetNameProblem::Ipv6NeedsBrackets : NetNameProblem::BadHostCharacter);
    }
    if (!std::all_of(name.Host.begin(), name.Host.end(), IsHostCharacter)) {
      return Problem(NetNameProblem::BadHostCharacter);
    }
  }
  if (!hasPort || portText.empty()) return Problem(NetNameProblem::NoPort);
  if (!std::all_of(portText.begin(), portText.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return Problem(NetNameProblem::PortNotNumber);
  }
  const auto digits = portText.find_first_not_of('0');
  if (digits == std::string::npos || portText.size() - digits > 5) return Problem(NetNameProblem::PortOutOfRange);
  const unsigned long port = std::stoul(portText.substr(digits));
  if (port > 65535) return Problem(NetNameProblem::PortOutOfRange);
  name.Port = static_cast<std::uint16_t>(port);
  return {name, NetNameProblem::None};
}

const char* NetNameProblemText(NetNameProblem problem) {
  switch (problem) {
    case NetNameProblem::None:
      return "";
    case NetNameProblem::NotNetwork:
      return "a network port's name begins with tcp:// or rfc2217://";
    case NetNameProblem::Blank:
      return "a blank in the name";
    case NetNameProblem::ControlCharacter:
      return "a control character in the name";
    case NetNameProblem::NoHost:
      return "no server before the port number";
    case NetNameProblem::BadHostCharacter:
      return "the server's name may hold only letters, digits, '.', '-' and '_'";
    case NetNameProblem::Ipv6NeedsBrackets:
      return "an IPv6 address goes in brackets: tcp://[ADDRESS]:PORT";
    case NetNameProblem::UnclosedBracket:
      return "'[' without its ']'";
    case NetNameProblem::NotIpv6InBrackets:
      return "only an IPv6 address goes in brackets";
    case NetNameProblem::NoPort:
      return "no port number after the server: tcp://HOST:PORT";
    case NetNameProblem::PortNotNumber:
      return "the port number is not a number";
    case NetNameProblem::PortOutOfRange:
      return "the port number must be 1..65535";
  }
  return "";
}

std::string FormatNetPortName(const TNetPortName& name) {
  const bool v6 = name.Host.find(':') != std::string::npos;
  const std::string host = v6 ? "[" + name.Host + "]" : name.Host;
  return std::string(name.Kind == NetPortKind::Rfc2217 ? kTelnet : kRaw) + host + ":" + std::to_string(name.Port);
}

}  // namespace q17
