#include "settings/RecentPorts.h"

#include <algorithm>
#include <system_error>

#include "platform/NetPortName.h"
#include "settings/FileReplace.h"

namespace q17 {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// One way of writing each name (brackets around an IPv6 address), so that a
// name is found again however the file had it.
std::optional<std::string> CanonicalName(std::string_view text) {
  const auto parsed = ParseNetPortName(std::string(text));
  if (!parsed) return std::nullopt;
  return FormatNetPortName(*parsed);
}

std::optional<TRecentPort> ParseLine(std::string_view line) {
  line = Trimmed(line);
  const auto gap = std::find_if(line.begin(), line.end(), IsBlank);
  const auto name = CanonicalName(std::string_view(line.begin(), gap));
  if (!name) return std::nullopt;
  TRecentPort port{*name, std::nullopt};
  const std::string_view allowance = Trimmed(std::string_view(gap, line.end()));
  if (allowance.empty() || allowance == "auto") return port;
  if (allowance.size() > 4) return std::nullopt;
  int ms = 0;
  for (const char c : allowance) {
    if (c < '0' || c > '9') return std::nullopt;
    ms = ms * 10 + (c - '0');
  }
  if (ms > kMaxNetworkAllowanceMs) return std::nullopt;
  port.AllowanceMs = ms;
  return port;
}

void Cap(std::vector<TRecentPort>& ports) {
  if (ports.size() > kMaxRecentPorts) ports.resize(kMaxRecentPorts);
}

}  // namespace

std::vector<TRecentPort> ParseRecentPorts(std::string_view text) {
  std::vector<TRecentPort> ports;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const std::string_view content = Trimmed(line);
    if (content.empty() || content.front() == '#') continue;
    const auto port = ParseLine(content);
    if (!port) continue;
    const bool seen =
        std::any_of(ports.begin(), ports.end(), [&](const TRecentPort& p) { return p.Name == port->Name; });
    if (!seen) ports.push_back(*port);
  }
  Cap(ports);
  return ports;
}

std::string FormatRecentPorts(const std::vector<TRecentPort>& ports) {
  std::string text = "# SetupQ17: network ports opened, most recent first (name, then auto or milliseconds)\n";
  for (const TRecentPort& p : ports) {
    text += p.Name + " " + (p.AllowanceMs ? std::to_string(*p.AllowanceMs) : std::string("auto")) + "\n";
  }
  return text;
}

std::vector<TRecentPort> WithRecentPort(std::vector<TRecentPort> ports, const TRecentPort& used) {
  const auto name = CanonicalName(used.Name);
  if (!name) return ports;
  std::erase_if(ports, [&](const TRecentPort& p) { return p.Name == *name; });
  TRecentPort front{*name, used.AllowanceMs};
  if (front.AllowanceMs) front.AllowanceMs = std::clamp(*front.AllowanceMs, 0, kMaxNetworkAllowanceMs);
  ports.insert(ports.begin(), std::move(front));
  Cap(ports);
  return ports;
}

std::vector<TRecentPort> LoadRecentPorts(const std::filesystem::path& file) {
  std::string bytes;
  std::string error;
  if (ReadSmallFile(file, bytes, error) != TFileRead::Read) return {};
  return ParseRecentPorts(bytes);
}

bool SaveRecentPorts(const std::filesystem::path& file, const std::vector<TRecentPort>& ports, std::string& error) {
  std::error_code ec;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
  if (ec) {
    error = PathText(file.parent_path()) + ": " + ec.message();
    return false;
  }
  return ReplaceWholeFile(file, FormatRecentPorts(ports), error);
}

}  // namespace q17
