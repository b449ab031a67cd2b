#include "platform/NetPortName.h"

namespace q17 {

std::optional<TNetPortName> ParseNetPortName(const std::string& text) {
  TNetPortName name;
  std::string rest;
  if (text.rfind("tcp://", 0) == 0) {
    name.Kind = NetPortKind::RawTcp;
    rest = text.substr(6);
  } else if (text.rfind("rfc2217://", 0) == 0) {
    name.Kind = NetPortKind::Rfc2217;
    rest = text.substr(10);
  } else {
    return std::nullopt;
  }
  std::string portText;
  if (!rest.empty() && rest.front() == '[') {
    const auto close = rest.find(']');
    if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':') return std::nullopt;
    name.Host = rest.substr(1, close - 1);
    portText = rest.substr(close + 2);
  } else {
    const auto colon = rest.rfind(':');
    if (colon == std::string::npos) return std::nullopt;
    name.Host = rest.substr(0, colon);
    portText = rest.substr(colon + 1);
    if (name.Host.find(':') != std::string::npos) return std::nullopt;  // IPv6 needs brackets
  }
  if (name.Host.empty() || portText.empty() || portText.size() > 5) return std::nullopt;
  unsigned long port = 0;
  for (const char c : portText) {
    if (c < '0' || c > '9') return std::nullopt;
    port = port * 10 + static_cast<unsigned long>(c - '0');
  }
  if (port == 0 || port > 65535) return std::nullopt;
  for (const char c : name.Host) {
    if (c == '/' || c == ' ' || c == '@') return std::nullopt;
  }
  name.Port = static_cast<std::uint16_t>(port);
  return name;
}

std::string FormatNetPortName(const TNetPortName& name) {
  const bool v6 = name.Host.find(':') != std::string::npos;
  const std::string host = v6 ? "[" + name.Host + "]" : name.Host;
  return std::string(name.Kind == NetPortKind::Rfc2217 ? "rfc2217://" : "tcp://") + host + ":" +
         std::to_string(name.Port);
}

}  // namespace q17
