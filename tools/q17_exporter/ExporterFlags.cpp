#include "ExporterFlags.h"

#include "reader/NumberText.h"

namespace q17 {

std::string ParseListenAddress(const std::string& text, std::string& host, int& port) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos) return "--web.listen-address takes HOST:PORT, such as 127.0.0.1:9312";
  std::string h = text.substr(0, colon);
  if (!h.empty() && h.front() == '[') {
    if (h.size() < 3 || h.back() != ']') return "--web.listen-address: an IPv6 address goes in brackets, [::1]:9312";
    h = h.substr(1, h.size() - 2);
  } else if (h.find(':') != std::string::npos) {
    return "--web.listen-address: an IPv6 address goes in brackets, [::1]:9312";
  }
  const auto p = ParseNumberIn(text.substr(colon + 1), 0, 65535);
  if (!p) return "--web.listen-address: the port is 0..65535";
  host = h.empty() ? "0.0.0.0" : h;
  port = static_cast<int>(*p);
  return {};
}

std::string ParseExporterFlags(const std::vector<std::string>& args, TExporterFlags& flags) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      flags.Help = true;
      continue;
    }
    if (a == "--version") {
      flags.Version = true;
      continue;
    }
    const std::size_t eq = a.find('=');
    const std::string name = a.substr(0, eq);
    if (name != "--web.listen-address" && name != "--config.file") {
      return a.rfind("-", 0) == 0 ? "unknown flag " + name : "unexpected argument '" + a + "'";
    }
    std::string value;
    if (eq != std::string::npos) {
      value = a.substr(eq + 1);
    } else {
      if (i + 1 >= args.size()) return name + " needs a value";
      value = args[++i];
    }
    if (name == "--config.file") {
      if (value.empty()) return "--config.file names no file";
      flags.ConfigFile = value;
    } else if (const std::string problem = ParseListenAddress(value, flags.ListenHost, flags.ListenPort);
               !problem.empty()) {
      return problem;
    }
  }
  return {};
}

std::string ExporterUsage() {
  return std::string("usage: q17_exporter [--web.listen-address=HOST:PORT] [--config.file=FILE]\n"
                     "  --web.listen-address  where to serve /probe, /metrics and / (default 127.0.0.1:") +
         std::to_string(kDefaultExporterPort) +
         ";\n"
         "                        :PORT for every IPv4 address, [::]:PORT for IPv6 too)\n"
         "  --config.file         the YAML configuration: modules (addresses, settings_file,\n"
         "                        timeout) and the targets /probe may open (default q17_exporter.yml)\n"
         "  --version             the version\n"
         "  --help                this text\n"
         "Prometheus scrapes /probe?target=PORT&module=NAME; SIGHUP reads the configuration again.\n";
}

}  // namespace q17
