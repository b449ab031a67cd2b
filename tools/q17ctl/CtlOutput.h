#pragma once
// q17ctl's output: written to a descriptor with every failure kept, so a
// full disk or a closed descriptor is reported instead of lost; and text
// from a reader made safe for a terminal.
#include <cerrno>
#include <functional>
#include <iosfwd>
#include <streambuf>
#include <string>
#include <string_view>

#include "reader/VisibleText.h"

namespace q17 {

class TInterfList;

// q17ctl's exit codes: success, a failed operation, bad usage.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// Output into a pipe that its reader closed: what a shell reports of a
// program SIGPIPE ended (128 + 13), on every system, Windows included.
inline constexpr int kExitOutputClosed = 141;

// What a stop makes of the exchange in progress: its write cut short or
// its reply's wait ended. Such a failure is told as the stop
// (kStoppedBeforeAnswer), not as the reader's or the line's.
bool IsCutByStop(int code);
inline constexpr const char* kStoppedBeforeAnswer = "q17ctl: stopped before the reader answered";

// How every failed operation is told: "Код = N / text" on `err`, then
// `detail` when given. When the port's device has gone, N is 3 ("COM-порт
// закрыт") whatever the exchange returned, and what to do follows (`link`
// may be nullptr where that is said elsewhere). Returns kExitFailed.
int PrintFailure(std::ostream& err, int code, std::string_view detail = {}, const TInterfList* link = nullptr);

// A stream buffer over a file descriptor that remembers why a write failed.
// With `stopRequested`, a descriptor that takes nothing (a stalled pipe, a
// FIFO's slow reader; also one opened not to block) is waited for only until
// a stop is requested: the output is then given up (ECANCELED), so that a
// stop ends the program whatever reads its output.
class TFdOutBuf final : public std::streambuf {
 public:
  explicit TFdOutBuf(int fd, std::function<bool()> stopRequested = {})
      : fd_(fd), stop_(std::move(stopRequested)) {
    setp(buffer_, buffer_ + sizeof buffer_);
  }
  ~TFdOutBuf() override { sync(); }
  TFdOutBuf(const TFdOutBuf&) = delete;
  TFdOutBuf& operator=(const TFdOutBuf&) = delete;

  // The errno of the first failed write, 0 while none failed.
  int Error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  // Writes the buffer out; with `wholeCharacters`, a UTF-8 character cut at
  // its end stays in the buffer for the next write.
  bool Flush(bool wholeCharacters);
  // False when a stop came while the descriptor took nothing.
  bool WaitWritable() const;

  int fd_;
  std::function<bool()> stop_;
  int error_ = 0;
  char buffer_[4096];
};

// After a command: the exit code once `out` is flushed. Output that could
// not be written makes it 1 with the reason on `err`; a pipe closed by its
// reader ends quietly with kExitOutputClosed, as the shell expects.
int FinishOutput(int exitCode, std::ostream& out, std::ostream& err);

}  // namespace q17
