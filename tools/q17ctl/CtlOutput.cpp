#include "CtlOutput.h"

#include <cstdio>
#include <cstring>
#include <ostream>

#ifndef _WIN32
#include <poll.h>
#endif

#include "link/ErrMsg.h"
#include "link/KvlInterface.h"
#include "link/OpenFailureText.h"
#include "platform/Console.h"

namespace q17 {
namespace {

// How often a wait on the output looks for a stop.
constexpr int kStopCheckMs = 20;

}  // namespace

bool TFdOutBuf::WaitWritable() const {
#ifndef _WIN32
  if (fd_ < 0) return true;
  for (;;) {
    pollfd p{fd_, POLLOUT, 0};
    const int n = ::poll(&p, 1, kStopCheckMs);
    // Writable, or an error that the write itself will report.
    if (n > 0 || (n < 0 && errno != EINTR)) return true;
    if (stop_ && stop_()) return false;
  }
#else
  return true;
#endif
}

bool TFdOutBuf::Flush(bool wholeCharacters) {
  const char* p = pbase();
  const char* const filled = pptr();
  // A character cut by the full buffer waits for its rest: a console would
  // show each half as a replacement character.
  const char* const end =
      wholeCharacters ? p + WholeUtf8Prefix(std::string_view(p, static_cast<std::size_t>(filled - p))) : filled;
  while (p < end && error_ == 0) {
    if (!WaitWritable()) {
      error_ = ECANCELED;
      break;
    }
    const long n = WriteStandardText(fd_, p, static_cast<std::size_t>(end - p));
    if (n > 0) {
      p += n;
    } else if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
      continue;
    } else {
      error_ = n < 0 ? errno : EIO;
    }
  }
  // Failed output is dropped, never retried: the first reason is the one to tell.
  const std::size_t rest = error_ == 0 ? static_cast<std::size_t>(filled - end) : 0;
  std::memmove(buffer_, end, rest);
  setp(buffer_, buffer_ + sizeof buffer_);
  pbump(static_cast<int>(rest));
  return error_ == 0;
}

TFdOutBuf::int_type TFdOutBuf::overflow(int_type c) {
  if (!Flush(true)) return traits_type::eof();
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

int TFdOutBuf::sync() { return Flush(false) ? 0 : -1; }

bool IsCutByStop(int code) { return code == rcTimeout || code == rcWriteError; }

int PrintFailure(std::ostream& err, int code, std::string_view detail, const TInterfList* link) {
  // Whatever the exchange that found the device gone said (a write refused,
  // a server's connection silent), the user is told the one thing: the port
  // is closed.
  const bool gone = link && link->DeviceGone();
  err << FormatResult(gone ? rcPortClosed : code) << "\n";
  if (!detail.empty()) err << detail << "\n";
  if (gone) err << DeviceGoneExplanation(*link) << "\n";
  return kExitFailed;
}

int FinishOutput(int exitCode, std::ostream& out, std::ostream& err) {
  out.flush();
  if (out.good()) return exitCode;
  const auto* fdBuf = dynamic_cast<const TFdOutBuf*>(out.rdbuf());
  const int why = fdBuf ? fdBuf->Error() : 0;
  if (why == EPIPE) return kExitOutputClosed;
  err << "q17ctl: the output could not be written" << (why != 0 ? std::string(": ") + std::strerror(why) : "")
      << "\n";
  err.flush();
  return kExitFailed;
}

}  // namespace q17
