#pragma once
// A stop the user asks for from a window (a Cancel button, Escape): the
// ports' waits watch it as q17ctl's watch Ctrl-C. Requested and reset on the
// window's thread; read from any.
#include <atomic>

#include "platform/StopSignal.h"

namespace q17::ui {

class TUserStop final : public StopSignal {
 public:
  TUserStop();
  ~TUserStop() override;
  TUserStop(const TUserStop&) = delete;
  TUserStop& operator=(const TUserStop&) = delete;

  void Request();
  // Not requested any more; only while nothing waits on it.
  void Reset();

  bool Requested() const override { return FRequested.load(); }
  // POSIX: readable while a stop is requested. Windows: none (its waits
  // look at Requested in short slices).
  int WaitDescriptor() const override { return FRead; }

 private:
  std::atomic<bool> FRequested{false};
  int FRead = -1;
  int FWrite = -1;
};

}  // namespace q17::ui
