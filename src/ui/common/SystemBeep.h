#pragma once
// The audible signal: the desktop's own event sound through libcanberra,
// else the toolkit's beep; MessageBeep(0) on Windows. Silent and harmless
// without a sound device.
#include "ui/common/Seams.h"

namespace q17::ui {

class TSystemBeep : public IBeep {
 public:
  TSystemBeep();
  ~TSystemBeep() override;
  TSystemBeep(const TSystemBeep&) = delete;
  TSystemBeep& operator=(const TSystemBeep&) = delete;
  void Beep() override;

 private:
  void* FContext = nullptr;  // ca_context*, when libcanberra is there
};

}  // namespace q17::ui
