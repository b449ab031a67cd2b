#include <csignal>
#include <ostream>

#include "Ctl.h"
#include "CtlOutput.h"
#include "StopSignals.h"

int main(int argc, char** argv) {
  // First, before anything can be interrupted half-way.
  q17::TStopSignals stop(1);
  q17::TFdOutBuf outBuf(1);
  q17::TFdOutBuf errBuf(2);
  std::ostream out(&outBuf);
  std::ostream err(&errBuf);

  std::vector<std::string> args(argv + 1, argv + argc);
  int code = 0;
  {
    auto serial = q17::MakeSystemSerialApi();
    auto d2xx = q17::MakeSystemD2xxApi();
    serial->SetStopSignal(&stop);
    // The port is closed and released when the command returns, stopped or not.
    code = q17::RunCtl(args, *serial, *d2xx, out, err, [&stop] { return stop.Requested(); });
  }
  code = q17::FinishOutput(code, out, err);
  if (const int signal = stop.Signal(); signal != 0) return 128 + signal;
#ifdef SIGPIPE
  if (stop.OutputClosed()) return 128 + SIGPIPE;
#endif
  return code;
}
