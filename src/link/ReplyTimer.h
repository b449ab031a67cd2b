#pragma once
// What a network adds to a reply's wait, learnt from the replies themselves
// as TCP learns its retransmission time-out (RFC 6298): a smoothed reply
// time plus four times its mean deviation, doubled after a time-out until a
// reply is measured again, and never beyond kMaxNetworkAllowanceMs.
#include "platform/NetPortName.h"

namespace q17 {

// The least a forwarding server's own scheduling is given, however quick
// its replies have been.
inline constexpr int kMinReplyAllowanceMs = 20;

class TReplyTimer {
 public:
  // A new connection: the allowance measured at opening until a reply is.
  void Start(int openingMs);
  // One reply's time (ms) from the end of its request to its first byte,
  // the line's own time for the request taken off.
  void Sample(double ms);
  // A time-out: the allowance doubles until the next sample or Relax.
  void BackOff();
  // The time-out turned out to be silence, not lag: the doubling is undone.
  void Relax();
  int AllowanceMs() const;
  bool Measured() const { return FMeasured; }

 private:
  int FOpeningMs = kMinReplyAllowanceMs;
  bool FMeasured = false;
  double FSmoothed = 0;
  double FDeviation = 0;
  int FBackOffs = 0;
};

}  // namespace q17
