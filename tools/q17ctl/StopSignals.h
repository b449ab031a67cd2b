#pragma once
// Ctrl-C, SIGTERM (what `timeout` sends) and SIGHUP as a stop request that
// q17ctl polls between steps and the port watches in its waits, so the
// command ends cleanly and at once: the exchange in progress is cut short,
// no new step starts but the clean-up, the port is closed and released, and
// what was counted so far is still printed. A closed output pipe
// (`q17ctl scan | head -1`) is a stop as well.
//
// One object, created first thing in main: it blocks the signals for the
// whole program and reads them through a descriptor, so no handler and no
// global flag is involved. On Windows Ctrl-C, Ctrl-Break and the console
// closing come to a console control handler, which sets named events of
// this process that the object owns.
#include "platform/StopSignal.h"

namespace q17 {

class TStopSignals final : public StopSignal {
 public:
  // `output`: the descriptor whose reader going away also asks for a stop
  // (-1: none).
  explicit TStopSignals(int output = -1);
  ~TStopSignals() override;
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;

  bool Requested() const override;
  int WaitDescriptor() const override { return waitFd_; }

  // The stop signal that arrived (SIGINT, SIGTERM, SIGHUP), or 0.
  int Signal() const;
  // The output's reader has gone (a pipe closed at its far end).
  bool OutputClosed() const;

  // The signals alone, for the port: a closed output ends the command
  // between two steps, after the exchange in progress, so that the reader
  // whose answer was being awaited is not told as cut short.
  const StopSignal& Signals() const { return signals_; }

 private:
  class TSignalsOnly final : public StopSignal {
   public:
    explicit TSignalsOnly(const TStopSignals& all) : all_(all) {}
    bool Requested() const override { return all_.Signal() != 0; }
    int WaitDescriptor() const override { return all_.signalFd_; }

   private:
    const TStopSignals& all_;
  };

  TSignalsOnly signals_{*this};
  int output_ = -1;
  int signalFd_ = -1;
  int waitFd_ = -1;
  // Windows: Ctrl-C, Ctrl-Break, the console closing, and "cleaned up".
  void* events_[4] = {};
};

}  // namespace q17
