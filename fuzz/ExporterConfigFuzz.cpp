// q17_exporter's configuration and its allow-list, as a file and an HTTP
// caller could give them: the first line is a target (and an Accept header
// and a scrape time-out, which the exporter reads itself), the rest a YAML
// configuration. Nothing may crash, and whatever configuration loads, no
// target that is no reader's port may pass.
#include <cstdint>
#include <string>

#include "ExporterConfig.h"
#include "HttpServer.h"
#include "TargetCheck.h"
#include "reader/MetricText.h"

namespace {

bool Allowed(const std::string& target, const std::vector<std::string>& patterns) {
  return q17::CheckTarget(target, patterns).Verdict == q17::TTargetVerdict::Allowed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t line = bytes.find('\n');
  const std::string target = bytes.substr(0, line);
  const std::string yaml = line == std::string::npos ? std::string() : bytes.substr(line + 1);

  (void)q17::FormatForAccept(target);
  const q17::TScrapeTimeout timeout = q17::ParseScrapeTimeout(&target);
  if (timeout.Problem.empty() && !(timeout.Seconds > 0)) __builtin_trap();

  // A fixed list: what passes is one of its names, whole and plain.
  static const std::vector<std::string> kFixed = {"/dev/ttyUSB*", "tcp://10.1.2.*:4001", "COM*"};
  if (Allowed(target, kFixed)) {
    if (!q17::TargetNameProblem(target).empty()) __builtin_trap();
    if (target.find("..") != std::string::npos || target.find('%') != std::string::npos) __builtin_trap();
    if (target.rfind("/dev/ttyUSB", 0) != 0 && target.rfind("tcp://10.1.2.", 0) != 0 && target.rfind("COM", 0) != 0) {
      __builtin_trap();
    }
  }

  std::string error;
  // Settings files are looked for in a folder that holds none.
  const auto config = q17::ParseExporterConfig(yaml, "fuzz.yml", "/nonexistent-q17-fuzz", error);
  if (!config) {
    if (error.rfind("fuzz.yml", 0) != 0) __builtin_trap();
    return 0;
  }
  for (const std::string& pattern : config->Targets) {
    if (!q17::PatternProblem(pattern).empty()) __builtin_trap();
  }
  for (const char* never : {"/dev/sda", "/dev/mem", "/dev/null", "/dev/tty", "/dev/console", "/etc/passwd",
                            "/dev/ttyUSB0/../sda", "tcp://*:4001"}) {
    if (Allowed(never, config->Targets)) __builtin_trap();
  }
  (void)Allowed(target, config->Targets);
  return 0;
}
