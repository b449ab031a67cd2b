#pragma once
// Watching the line: every frame written, every run of bytes read and each
// transaction's outcome, reported as they happen to at most one observer.
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace q17 {

using TLineClock = std::chrono::steady_clock;

struct TLineEvent {
  enum TKind {
    Tx,         // a request frame as written
    Rx,         // a reply frame from its start byte to its end byte
    RxPartial,  // bytes read that make no frame: noise, or a reply cut off
    Done,       // the transaction ended: Result and Duration
  };
  TKind Kind = Tx;
  TLineClock::time_point Time{};
  const std::uint8_t* Bytes = nullptr;  // valid during the call only
  std::size_t Size = 0;
  int Result = 0;
  TLineClock::duration Duration{};
};

class TLineObserver {
 public:
  virtual ~TLineObserver() = default;
  // Called on the thread that runs the transaction, in line order.
  virtual void OnLineEvent(const TLineEvent& event) = 0;
};

}  // namespace q17
