#pragma once
// What a window needs to run offscreen in a benchmark: the system's ports
// behind an interface list, the command state, and the program's seams
// answered silently (no file chosen, every question answered "no").
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/FakeUiSeams.h"
#include "ui/common/UiContext.h"

namespace q17::bench {

struct TWindowRig {
  std::unique_ptr<SerialApi> serial = MakeSystemSerialApi();
  std::unique_ptr<D2xxApi> d2xx = MakeSystemD2xxApi();
  TInterfList link{*serial, *d2xx};
  test::FakeContext program{link};
  ui::TUiContext& ctx = program.ctx;
};

#ifdef Q17SIM_PATH
// Starts q17sim with `args` (after its path) and lists its pseudo-terminal
// among the ports; false, said on standard error under `who`, when it does not start.
inline bool StartSim(test::ChildProcess& sim, const std::vector<std::string>& args, std::string& pty,
                     const char* who) {
  std::vector<std::string> command{Q17SIM_PATH};
  command.insert(command.end(), args.begin(), args.end());
  if (!sim.Start(command, {}, false, true) || !sim.ReadLine(pty, 10000)) {
    std::fprintf(stderr, "%s: q17sim did not start\n", who);
    return false;
  }
  setenv("SETUPQ17_PORTS", pty.c_str(), 1);
  return true;
}
#endif

}  // namespace q17::bench
