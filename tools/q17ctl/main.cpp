#include <csignal>
#include <ostream>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "Ctl.h"
#include "CtlOutput.h"
#include "StopSignals.h"
#include "platform/Console.h"

namespace {

// Whether the standard descriptor `fd` was open at start; a closed one is
// taken by /dev/null, so that no descriptor of ours (a port, the signal
// descriptor) gets its number and receives the program's output.
bool KeepStandardDescriptor(int fd) {
#ifdef _WIN32
  (void)fd;
  return true;
#else
  if (fcntl(fd, F_GETFD) != -1) return true;
  const int null = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
  if (null >= 0 && null != fd) close(null);  // fd was taken by someone else meanwhile
  return false;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  // Lowest numbers first: open() takes the lowest free descriptor.
  KeepStandardDescriptor(0);
  const bool outOpen = KeepStandardDescriptor(1);
  const bool errOpen = KeepStandardDescriptor(2);
  // Before anything can be interrupted half-way.
  q17::TStopSignals stop(outOpen ? 1 : -1);
  // A closed output is written to no descriptor at all, so it fails as such.
  // A stop ends the program also while its output's reader takes nothing.
  const auto stopRequested = [&stop] { return stop.Requested(); };
  q17::TFdOutBuf outBuf(outOpen ? 1 : -1, stopRequested);
  q17::TFdOutBuf errBuf(errOpen ? 2 : -1, stopRequested);
  std::ostream out(&outBuf);
  std::ostream err(&errBuf);

  // UTF-8 on every system: Windows' narrow argv is in the ANSI code page.
  const std::vector<std::string> args = q17::CommandLineArguments(argc, argv);
  int code = 0;
  {
    auto serial = q17::MakeSystemSerialApi();
    auto d2xx = q17::MakeSystemD2xxApi();
    // The port watches the stop too: a connect, a server's settings or an
    // exchange in progress end at once, while the clean-up exchanges (audit
    // mode off, the radio count's stop) still wait for their answers. The
    // port is closed and released when the command returns, stopped or not.
    // A closed output stops the steps only.
    code = q17::RunCtl(args, *serial, *d2xx, out, err, stop, stop.Signals());
  }
  code = q17::FinishOutput(code, out, err);
  if (const int signal = stop.Signal(); signal != 0) return 128 + signal;
#ifdef SIGPIPE
  if (stop.OutputClosed()) return 128 + SIGPIPE;
#endif
  return code;
}
