#pragma once
// The q17ctl the end-to-end tests run: the one built beside them, or a
// launcher named in Q17CTL_LAUNCH (its words separated by ';', as a CMake
// list), such as scripts/wine-ctl.sh, which runs q17ctl.exe under Wine
// with the same arguments. The tests stay the driver either way: they
// start q17sim and read its state.
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace q17::test {

inline std::vector<std::string> CtlLauncher() {
  std::vector<std::string> words;
  const char* launch = std::getenv("Q17CTL_LAUNCH");
  if (launch == nullptr) return words;
  std::string word;
  for (const char* c = launch;; ++c) {
    if (*c == ';' || *c == '\0') {
      if (!word.empty()) words.push_back(word);
      word.clear();
      if (*c == '\0') break;
    } else {
      word += *c;
    }
  }
  return words;
}

// Whether q17ctl runs through a launcher, i.e. not as this system's program.
inline bool CtlLaunched() { return !CtlLauncher().empty(); }

// The command line that runs q17ctl with args.
inline std::vector<std::string> CtlArgv(const std::vector<std::string>& args) {
  std::vector<std::string> argv = CtlLauncher();
  if (argv.empty()) argv.push_back(Q17CTL_PATH);
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

// The name q17ctl knows a device by: the device itself, or what the
// launcher says it maps it to (`LAUNCHER --port-name DEVICE`).
inline std::string CtlPortName(const std::string& device) {
  std::vector<std::string> argv = CtlLauncher();
  if (argv.empty()) return device;
  argv.insert(argv.end(), {"--port-name", device});
  const RunResult r = RunProgram(argv);
  return r.exitCode == 0 && !r.out.empty() && r.out.back() == '\n' ? r.out.substr(0, r.out.size() - 1) : "";
}

// The stop a test sends: Wine turns SIGINT into the console's Ctrl-C, and
// no other signal into anything a Windows program can handle.
inline int CtlStopSignal(int native) { return CtlLaunched() ? SIGINT : native; }
inline std::vector<int> CtlStopSignals() {
  if (CtlLaunched()) return {SIGINT};
  return {SIGINT, SIGTERM, SIGHUP};
}

}  // namespace q17::test
