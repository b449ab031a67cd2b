#pragma once
// q17_exporter's command line, in the style of Prometheus's own programs:
// --web.listen-address, --config.file, --version, --help, each value given
// as --flag=value or --flag value.
#include <string>
#include <vector>

namespace q17 {

// The default port: in Prometheus's exporter range, and not given to any
// other exporter by Prometheus's list of default port allocations.
inline constexpr int kDefaultExporterPort = 9312;

struct TExporterFlags {
  std::string ListenHost = "127.0.0.1";
  int ListenPort = kDefaultExporterPort;
  std::string ConfigFile = "q17_exporter.yml";
  bool Help = false;
  bool Version = false;
};

// Reads the arguments (without the program's name); returns the problem, or an empty text.
std::string ParseExporterFlags(const std::vector<std::string>& args, TExporterFlags& flags);

// "HOST:PORT", "[IPv6]:PORT" or ":PORT" (every IPv4 address); returns the problem, or an empty text.
std::string ParseListenAddress(const std::string& text, std::string& host, int& port);

std::string ExporterUsage();

}  // namespace q17
