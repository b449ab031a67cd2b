#pragma once
// q17_exporter's configuration, a YAML file:
//
//   modules:
//     gates:
//       addresses: 1-30          # as q17ctl's --address takes them
//       settings_file: gate.set  # optional: what these readers should hold
//       timeout: 50              # optional: ms of silence per byte, 20..1000
//   targets:                     # which ports /probe may open
//     - /dev/ttyUSB*
//     - tcp://10.1.2.*:4001
//
// Everything is checked when the file is read: a problem is named with its
// line, so the exporter never starts (nor reloads) half configured.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reader/Probe.h"

namespace q17 {

struct TExporterModule {
  std::vector<int> Addresses;
  std::string SettingsFile;                // as written in the file; empty when none
  std::optional<TExpectedConfig> Expected;  // that file's configuration
  int TimeoutMs = 50;
};

struct TExporterConfig {
  std::map<std::string, TExporterModule> Modules;
  std::vector<std::string> Targets;
};

// The largest configuration file read.
inline constexpr std::size_t kMaxConfigBytes = 1 << 20;

// The configuration in `text`; a settings file named relative is looked for
// in `baseDir`. On a problem: nothing, and `error` as "NAME:LINE: what".
std::optional<TExporterConfig> ParseExporterConfig(std::string_view text, const std::string& name,
                                                   const std::filesystem::path& baseDir, std::string& error);

// The file's configuration (settings files beside it), or nothing and why.
std::optional<TExporterConfig> LoadExporterConfig(const std::filesystem::path& file, std::string& error);

}  // namespace q17
