#include "CtlTrace.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "CtlOutput.h"
#include "platform/DeviceNames.h"
#include "settings/FileReplace.h"

namespace q17 {
namespace {

namespace fs = std::filesystem;

constexpr int kReaderWaitMs = 20;

// Whether two names lead to one file, whether or not it exists yet.
bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  if (fs::equivalent(a, b, ec) && !ec) return true;
  const fs::path x = fs::weakly_canonical(fs::absolute(a, ec), ec);
  const fs::path y = fs::weakly_canonical(fs::absolute(b, ec), ec);
#ifdef _WIN32
  // Windows file names do not depend on case.
  std::wstring p = x.wstring(), q = y.wstring();
  if (p.size() != q.size()) return false;
  for (std::size_t i = 0; i < p.size(); ++i)
    if (towupper(p[i]) != towupper(q[i])) return false;
  return true;
#else
  return x == y;
#endif
}

}  // namespace

void TTraceQueue::Put(const char* text, std::size_t size) {
  {
    const std::lock_guard<std::mutex> lock(FMutex);
    if (FPending.size() + size > kLimit) {
      FDropped += size;
      return;
    }
    FPending.append(text, size);
  }
  FReady.notify_one();
}

bool TTraceQueue::Take(std::string& into) {
  std::unique_lock<std::mutex> lock(FMutex);
  FReady.wait(lock, [this] { return FClosed || !FPending.empty(); });
  if (FPending.empty()) return false;
  into.swap(FPending);
  FPending.clear();
  return true;
}

void TTraceQueue::Close() {
  {
    const std::lock_guard<std::mutex> lock(FMutex);
    FClosed = true;
  }
  FReady.notify_one();
}

std::size_t TTraceQueue::Dropped() const {
  const std::lock_guard<std::mutex> lock(FMutex);
  return FDropped;
}

// A stream buffer that hands all it is given to the queue, at once.
class TCtlTrace::TQueueBuf final : public std::streambuf {
 public:
  explicit TQueueBuf(TTraceQueue& queue) : FQueue(queue) {}

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    FQueue.Put(&ch, 1);
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    FQueue.Put(s, static_cast<std::size_t>(n));
    return n;
  }

 private:
  TTraceQueue& FQueue;
};

TCtlTrace::TCtlTrace(std::function<bool()> stopRequested) : FStop(std::move(stopRequested)) {}

TCtlTrace::~TCtlTrace() {
  if (FThread.joinable()) {
    std::ostringstream ignored;
    Finish(0, ignored);
  }
}

std::string TCtlTrace::Refusal(const std::string& target, const std::vector<std::string>& files) {
  if (target == "-") return {};
  if (target.empty()) return "--trace needs a file name ('-': the error output)";
  const std::string device = "--trace '" + target + "' is a device, not a file: the trace would go onto it";
#ifdef _WIN32
  if (IsWindowsDeviceName(target)) return device;
#endif
  const fs::path path = PathFromUtf8(target);
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (!ec && (fs::is_character_file(st) || fs::is_block_file(st))) return device;
  for (const std::string& file : files) {
    if (SameFile(path, PathFromUtf8(file))) {
      return "--trace '" + target + "' is the command's settings file; the trace would overwrite it";
    }
  }
  return {};
}

bool TCtlTrace::Open(const std::string& target, std::ostream& err, TLineClock::time_point start) {
  if (target == "-") {
    FTarget = err.rdbuf();
    FLedErr = &err;
  } else {
    FName = target;
#ifdef _WIN32
    auto file = std::make_unique<std::filebuf>();
    if (!file->open(PathFromUtf8(target), std::ios::out | std::ios::binary | std::ios::trunc)) {
      err << "q17ctl: cannot create the trace file '" << target << "': " << std::strerror(errno) << "\n";
      return false;
    }
    FFile = std::move(file);
#else
    // Not blocking: a FIFO nobody reads yet is waited for here, a stop at a time.
    for (;;) {
      FFd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
      if (FFd >= 0) break;
      const int why = errno;
      if (why == ENXIO && !Stopped()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kReaderWaitMs));
        continue;
      }
      if (why == ENXIO) {
        err << "q17ctl: stopped while the trace '" << target << "' waited for its reader\n";
      } else {
        err << "q17ctl: cannot create the trace file '" << target << "': " << std::strerror(why) << "\n";
      }
      return false;
    }
    FFile = std::make_unique<TFdOutBuf>(FFd, FStop);
#endif
    FTarget = FFile.get();
  }
  FQueueBuf = std::make_unique<TQueueBuf>(FQueue);
  FQueueStream = std::make_unique<std::ostream>(FQueueBuf.get());
  FWriter = std::make_unique<TTraceWriter>(*FQueueStream, start);
  if (FLedErr) FErrOwnBuf = FLedErr->rdbuf(FQueueBuf.get());
  FThread = std::thread([this] { Write(); });
  return true;
}

void TCtlTrace::Write() {
  std::string chunk;
  while (FQueue.Take(chunk)) {
    // After a failure the rest is taken and dropped: the command never waits on it.
    if (FFailed) continue;
    const auto size = static_cast<std::streamsize>(chunk.size());
    if (FTarget->sputn(chunk.data(), size) != size || FTarget->pubsync() != 0) FFailed = true;
  }
}

int TCtlTrace::Finish(int exitCode, std::ostream& err) {
  if (!FThread.joinable()) return exitCode;
  FQueue.Close();
  FThread.join();
  if (FLedErr) FLedErr->rdbuf(FErrOwnBuf);
  bool closed = true;
#ifdef _WIN32
  if (FFile) closed = static_cast<std::filebuf*>(FFile.get())->close() != nullptr;
#else
  if (FFd >= 0) {
    closed = FFile->pubsync() == 0 && ::close(FFd) == 0;
    FFd = -1;
  }
#endif
  const std::size_t dropped = FQueue.Dropped();
  if (!FFailed && closed && dropped == 0) return exitCode;
  const std::string what = FName.empty() ? "the trace on the error output" : "the trace file '" + FName + "'";
  if (dropped > 0) {
    err << "q17ctl: " << what << " fell behind the line; " << dropped << " bytes of it were lost\n";
  } else {
    err << "q17ctl: " << what << " could not be written\n";
  }
  return exitCode == 0 ? 1 : exitCode;
}

}  // namespace q17
