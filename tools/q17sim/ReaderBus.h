#pragma once
// A simulated RS-485 line with one or more 2xQ17 readers on it: request
// bytes in, reply bytes out, no I/O and no threads of its own. The program
// q17sim puts it behind a pseudo-terminal; tests use it in-process.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Faults.h"
#include "Frame.h"
#include "SimReader.h"

namespace q17::sim {

struct BusStats {
  std::uint64_t requests = 0;    // requests with a good CRC, to any address
  std::uint64_t unanswered = 0;  // of those, to an address where no reader is
  std::uint64_t badCrc = 0;      // frames dropped for their CRC
  std::uint64_t malformed = 0;   // frames dropped as unparseable
  std::uint64_t replies = 0;     // replies put on the line (a fault may have spoilt them)
};

class ReaderBus {
 public:
  // Milliseconds on any steady scale; drives the readers' clocks.
  using Clock = std::function<std::int64_t()>;

  // Readers at these addresses (0 is skipped: no reader can have it).
  explicit ReaderBus(const std::vector<std::uint8_t>& addresses = {1});
  ReaderBus(const ReaderBus&) = delete;
  ReaderBus& operator=(const ReaderBus&) = delete;

  // Bytes from the PC. Every complete request to a reader on the bus
  // produces its reply at once (see TakeChunk for the timing it asks for).
  void Feed(const std::uint8_t* data, std::size_t size);
  void Feed(const std::vector<std::uint8_t>& bytes) { Feed(bytes.data(), bytes.size()); }

  bool HasOutput() const { return !chunks_.empty(); }
  // All reply bytes produced so far, fault delays ignored.
  std::vector<std::uint8_t> TakeOutput();
  // The oldest reply with its delay and its request's size on the line.
  std::optional<ReplyChunk> TakeChunk();

  // Called after each reply is queued.
  void SetReplyHook(std::function<void()> hook) { replyHook_ = std::move(hook); }
  // One line per request, dropped frame and reply, for a --trace log.
  void SetTraceHook(std::function<void(const std::string&)> hook) { traceHook_ = std::move(hook); }
  // A new time source; the readers' clocks keep showing what they showed.
  void SetClock(Clock clock);
  std::int64_t NowMs() const { return clock_(); }

  SimReader* Reader(std::uint8_t address);
  const SimReader* Reader(std::uint8_t address) const;
  // Nothing when the address is 0 or already taken.
  SimReader* AddReader(std::uint8_t address);
  bool RemoveReader(std::uint8_t address);
  std::vector<std::uint8_t> Addresses() const;  // ascending

  Faults& GetFaults() { return faults_; }
  const Faults& GetFaults() const { return faults_; }
  const BusStats& Stats() const { return stats_; }

  // One control line (the physical world, faults, state queries); returns the
  // one-line answer, "ok ..." or "error ...", without a line end. The lines
  // and their commands are in Control.cpp.
  std::string ApplyControl(const std::string& line);
  void RequestQuit() { quit_ = true; }
  bool QuitRequested() const { return quit_; }
  // The reader that control commands without "@ADDR" act on.
  std::uint8_t Selected() const { return selected_; }
  // False (nothing changed) when no reader is at the address.
  bool Select(std::uint8_t address);

 private:
  void HandleRequest(const Request& request);
  void Trace(const std::string& text) const;

  std::vector<std::unique_ptr<SimReader>> readers_;
  RequestDecoder decoder_;
  Faults faults_;
  std::deque<ReplyChunk> chunks_;
  BusStats stats_;
  Clock clock_;
  std::function<void()> replyHook_;
  std::function<void(const std::string&)> traceHook_;
  std::uint8_t selected_ = 1;
  bool quit_ = false;
};

// "FB 00 01" style hex, for traces and messages.
std::string HexBytes(const std::uint8_t* data, std::size_t size);

}  // namespace q17::sim
