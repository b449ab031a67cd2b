#pragma once
// q17ctl: the reader commands from a command line, over the same core as
// the windows, with the same result codes and texts.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/D2xxApi.h"
#include "platform/SerialApi.h"

namespace q17 {

// Exit codes: 0 success, 1 a failed operation, 2 bad usage (FinishOutput
// then turns output that could not be written into 1). A long command asks stopRequested between steps and
// ends early when it says so, or once `out` could not be written, starting no new step: echo-test still prints
// its totals, audit and radio-test undo what they set up in the reader first,
// write-config and restore-radio say what was written.
int RunCtl(const std::vector<std::string>& args, SerialApi& serial, D2xxApi& d2xx, std::ostream& out,
           std::ostream& err, const std::function<bool()>& stopRequested);
// The same, with `stop` armed on the port for the run: it ends the open and
// the exchange in progress at once, and is told as the stop ("q17ctl:
// stopped ..."), never as a failure of the reader or the server. The
// clean-up after a stop (audit mode off, the radio count stopped) waits for
// its answer all the same.
int RunCtl(const std::vector<std::string>& args, SerialApi& serial, D2xxApi& d2xx, std::ostream& out,
           std::ostream& err, const StopSignal& stop);
// The same, the steps stopped by `steps` and the port's waits by `port`
// (a narrower stop: one that ends only the steps lets the exchange in
// progress run to its answer).
int RunCtl(const std::vector<std::string>& args, SerialApi& serial, D2xxApi& d2xx, std::ostream& out,
           std::ostream& err, const StopSignal& steps, const StopSignal& port);
// The same, never stopped.
int RunCtl(const std::vector<std::string>& args, SerialApi& serial, D2xxApi& d2xx, std::ostream& out,
           std::ostream& err);

// The manual page's list of commands (roff: one .TP entry each), made from
// the same table as the usage text.
std::string CtlManCommands();

// Each command's name and arguments as the usage shows them ("[--count N]
// [--length L]"), in the usage's order.
struct TCtlSynopsis {
  std::string Name;
  std::string Synopsis;
};
std::vector<TCtlSynopsis> CtlSynopses();

}  // namespace q17
