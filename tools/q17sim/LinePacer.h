#pragma once
// When each reply byte may leave: at the wire speed of a baud rate (10 bits
// a byte, on a deadline schedule so there is no drift), not before the
// request itself would have taken on the line, and after any fault delay.
// Works on a time given by the caller (microseconds), so the program can
// use the real clock and in-process tests a virtual one.
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "Faults.h"

namespace q17::sim {

class LinePacer {
 public:
  // baud 0: no pacing, a reply leaves whole as soon as its delay has passed.
  // waitRequestTime: a paced reply starts only once the request's own wire
  // time has passed since its first byte arrived.
  explicit LinePacer(std::uint32_t baud = 0, bool waitRequestTime = true);

  std::uint32_t Baud() const { return baud_; }

  // Bytes that came from the PC. A request start (FB) also drops replies
  // that have not begun to leave: a reader that is still silent when the PC
  // speaks again has lost its turn (unless it keeps it: a slow reader's).
  void NoteInput(const std::uint8_t* data, std::size_t size, std::int64_t nowUs);
  void Queue(ReplyChunk chunk, std::int64_t nowUs);

  // The bytes whose time has come, in order.
  std::vector<std::uint8_t> TakeDue(std::int64_t nowUs);
  // When the next byte is due; nothing when no reply is waiting.
  std::optional<std::int64_t> NextDueUs() const;
  bool Idle() const { return queue_.empty(); }
  std::uint64_t Dropped() const { return dropped_; }

 private:
  struct Pending {
    std::vector<std::uint8_t> bytes;
    std::int64_t startUs = 0;  // the line starts carrying the first byte
    std::size_t sent = 0;
    bool keepsTurn = false;
  };
  // Time by which `count` bytes have crossed the line from `startUs`.
  std::int64_t WireTime(std::int64_t startUs, std::size_t count) const;

  std::uint32_t baud_;
  bool waitRequestTime_;
  std::deque<Pending> queue_;
  std::int64_t requestStartUs_ = 0;
  std::uint64_t dropped_ = 0;
};

}  // namespace q17::sim
