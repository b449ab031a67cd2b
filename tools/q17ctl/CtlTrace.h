#pragma once
// q17ctl --trace FILE: the traffic log of the whole command, one line per
// frame, to a file or ("-") to the error output.
//
// The lines are written by a thread of their own, so a slow or stalled
// reader of the trace never holds up an exchange nor counts in its time;
// and that thread gives up its wait once a stop is requested, so a stop
// ends the command whatever the trace's reader does.
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <streambuf>
#include <string>
#include <thread>
#include <vector>

#include "link/LineObserver.h"
#include "reader/TraceFormat.h"

namespace q17 {

// Text handed from the command to the writing thread. Never blocks the
// command: beyond kLimit bytes waiting, text is dropped and counted.
class TTraceQueue {
 public:
  static constexpr std::size_t kLimit = 64u << 20;
  void Put(const char* text, std::size_t size);
  // Waits for text and takes all of it; false once closed and emptied.
  bool Take(std::string& into);
  void Close();
  std::size_t Dropped() const;

 private:
  mutable std::mutex FMutex;
  std::condition_variable FReady;
  std::string FPending;
  bool FClosed = false;
  std::size_t FDropped = 0;
};

class TCtlTrace {
 public:
  // `stopRequested` ends waits on the trace's reader.
  explicit TCtlTrace(std::function<bool()> stopRequested = {});
  ~TCtlTrace();
  TCtlTrace(const TCtlTrace&) = delete;
  TCtlTrace& operator=(const TCtlTrace&) = delete;

  // Why `target` cannot take the trace, or an empty text: a device (a port,
  // the console; on Windows also the names CON, NUL, COM1 ...), or one of the
  // files the command reads or writes, which the trace would overwrite.
  static std::string Refusal(const std::string& target, const std::vector<std::string>& files);

  // Opens the trace; false, with the reason on `err`, when it cannot be
  // created. A FIFO is waited for until its reader comes (or a stop). With
  // "-", `err` itself is led through the trace until Finish, so the
  // command's messages keep their place among the lines.
  bool Open(const std::string& target, std::ostream& err, TLineClock::time_point start);
  // The observer to attach to the link; nullptr when not tracing.
  TLineObserver* Observer() const { return FWriter.get(); }
  // Writes out what is left (unless a stop comes first) and closes the
  // trace; the command's exit code, made 1 when the trace was not written whole.
  int Finish(int exitCode, std::ostream& err);

 private:
  class TQueueBuf;
  void Write();
  bool Stopped() const { return FStop && FStop(); }

  std::function<bool()> FStop;
  std::string FName;  // empty for the error output
  TTraceQueue FQueue;
  std::unique_ptr<TQueueBuf> FQueueBuf;
  std::unique_ptr<std::ostream> FQueueStream;
  std::unique_ptr<TTraceWriter> FWriter;
  std::unique_ptr<std::streambuf> FFile;  // the file's own buffer
  std::streambuf* FTarget = nullptr;      // where the thread writes
  std::ostream* FLedErr = nullptr;        // err, while led through the trace
  std::streambuf* FErrOwnBuf = nullptr;
  int FFd = -1;
  bool FFailed = false;  // written by the thread until it is joined
  std::thread FThread;
};

}  // namespace q17
