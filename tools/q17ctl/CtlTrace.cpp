#include "CtlTrace.h"

#include <filesystem>
#include <ostream>

#include "settings/FileReplace.h"

namespace q17 {

bool TCtlTrace::Open(const std::string& target, std::ostream& err, TLineClock::time_point start) {
  if (target == "-") {
    FWriter = std::make_unique<TTraceWriter>(err, start);
    return true;
  }
  FName = target;
  // A name from the command line is UTF-8 text, also on Windows.
  FFile.open(PathFromUtf8(target), std::ios::binary | std::ios::trunc);
  if (!FFile) {
    err << "q17ctl: cannot create the trace file '" << target << "'\n";
    return false;
  }
  FWriter = std::make_unique<TTraceWriter>(FFile, start);
  return true;
}

int TCtlTrace::Finish(int exitCode, std::ostream& err) {
  if (!FFile.is_open()) return exitCode;
  FFile.close();
  if (FFile.fail()) {
    err << "q17ctl: the trace file '" << FName << "' could not be written\n";
    return exitCode == 0 ? 1 : exitCode;
  }
  return exitCode;
}

}  // namespace q17
