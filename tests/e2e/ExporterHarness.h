#pragma once
// q17_exporter as a child process on a free loopback port, with a
// configuration the test wrote.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/ChildProcess.h"
#include "support/HttpClient.h"

namespace q17::test {

class ExporterHarness {
 public:
  explicit ExporterHarness(const std::string& configFile) {
    // Port 0: the system picks a free one, which the exporter names.
    if (!server_.Start({Q17_EXPORTER_PATH, "--config.file=" + configFile, "--web.listen-address=127.0.0.1:0"}, {},
                       true)) {
      ADD_FAILURE() << "q17_exporter did not start";
      return;
    }
    const std::string said = "listening on 127.0.0.1:";
    for (int i = 0; i < 800 && port_ == 0; ++i) {
      std::string ignored;
      server_.ReadLine(ignored, 25);
      const auto at = server_.Err().find(said);
      if (at != std::string::npos) port_ = std::atoi(server_.Err().c_str() + at + said.size());
      if (server_.Err().find("q17_exporter: ") != std::string::npos && at == std::string::npos &&
          server_.Err().find('\n') != std::string::npos) {
        break;  // it said something else: a problem
      }
    }
    if (port_ == 0) ADD_FAILURE() << "q17_exporter does not listen: " << server_.Err();
  }

  int Port() const { return port_; }
  const std::string& Err() const { return server_.Err(); }
  void Signal(int sig) { server_.Signal(sig); }
  int Stop() { return server_.Stop(); }
  // Reads what it wrote on its error output so far.
  void Pump() {
    std::string ignored;
    server_.ReadLine(ignored, 10);
  }

  HttpReply Probe(const std::string& target, const std::string& module = "gates",
                  const std::vector<std::string>& headers = {}) {
    return Get(port_, "/probe?target=" + UrlEncode(target) + "&module=" + UrlEncode(module), headers);
  }

 private:
  ChildProcess server_;
  int port_ = 0;
};

// The configuration file of one module, gates, and the targets.
inline std::string WriteExporterConfig(const std::string& file, const std::string& addresses,
                                       const std::vector<std::string>& targets, const std::string& settingsFile = "") {
  std::ofstream out(file);
  out << "modules:\n  gates:\n    addresses: " << addresses << "\n";
  if (!settingsFile.empty()) out << "    settings_file: " << settingsFile << "\n";
  out << "targets:\n";
  for (const std::string& t : targets) out << "  - " << t << "\n";
  return file;
}

// The value of the sample written as `series` (its name and labels as the
// text format writes them), or "" when there is none.
inline std::string SampleValue(const std::string& metrics, const std::string& series) {
  const std::string head = series + " ";
  for (std::size_t at = 0; (at = metrics.find(head, at)) != std::string::npos; at += head.size()) {
    if (at == 0 || metrics[at - 1] == '\n') {
      const auto end = metrics.find('\n', at);
      return metrics.substr(at + head.size(), end - at - head.size());
    }
  }
  return "";
}

}  // namespace q17::test
