#pragma once
// q17ctl --trace FILE: the traffic log of the whole command, one line per
// frame, to a file or ("-") to the error output.
#include <fstream>
#include <iosfwd>
#include <memory>
#include <string>

#include "link/LineObserver.h"
#include "reader/TraceFormat.h"

namespace q17 {

class TCtlTrace {
 public:
  // False, with the reason on `err`, when the file cannot be created.
  bool Open(const std::string& target, std::ostream& err, TLineClock::time_point start);
  // The observer to attach to the link; nullptr when not tracing.
  TLineObserver* Observer() const { return FWriter.get(); }
  // The command's exit code, made 1 when the trace could not be written.
  int Finish(int exitCode, std::ostream& err);

 private:
  std::string FName;
  std::ofstream FFile;
  std::unique_ptr<TTraceWriter> FWriter;
};

}  // namespace q17
