#pragma once
// q17ctl's diagnostic commands: audit, sensors, radio-test, tags. Each runs
// against the reader at ReaderAddress and undoes what it set up in the
// reader before it returns, also when a stop is requested or the output
// fails: audit mode goes off, a radio test whose start went out is stopped.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "link/KvlInterface.h"
#include "reader/RdrCmd.h"

namespace q17 {

// True once the user asked the program to end (Ctrl-C, SIGTERM).
using TStopRequested = std::function<bool()>;

struct TDiagEnv {
  TStopRequested StopRequested;
  // Sleeps; tests put in a clock of their own.
  std::function<void(int ms)> SleepMs;
  // Milliseconds on a steady scale, for --seconds.
  std::function<long long()> NowMs;
  // The PC's local time, for events whose own time is impossible.
  std::function<std::tm()> LocalNow;
  // Set where the port watches the stop: runs one clean-up exchange (audit
  // mode off, the radio count stopped) so that the stop does not cut it.
  // None: the port never cuts an exchange.
  std::function<int(const std::function<int()>& exchange)> CleanUp;
};
// Real sleeps and clocks, and a stop that never comes.
TDiagEnv SystemDiagEnv(TStopRequested stopRequested = {});

struct TDiagArgs {
  std::string Command;
  long Count = 0;    // 0: no limit
  long Seconds = 0;  // 0: no limit
  bool Clear = false;
  bool Csv = false;      // audit: the list as a spreadsheet file
  bool Changes = false;  // sensors: one line per change only
  int Channel = 1;
  std::string EtalonTag;
  std::string TestTag;
};

bool IsDiagCommand(const std::string& command);

// Checks a diagnostic command's arguments before the port is touched;
// returns the problem, or an empty text. Tag texts default to the state's.
std::string ParseDiagArgs(const std::string& command, const std::vector<std::string>& args,
                          const TCommandState& state, TDiagArgs& parsed);

// Exit code: 0, or 1 after "Код = N / text" on `err`.
int RunDiag(const TDiagArgs& args, TCommandState& state, TInterfList& link, std::ostream& out, std::ostream& err,
            const TDiagEnv& env);

}  // namespace q17
