#pragma once
// The graph a diagnostic window lives in, with the simulated bus as the
// reader and seams that record what the window asked of the world.
#include <QWidget>

#include "SimSerialApi.h"
#include "support/ControlField.h"
#include "support/FakeD2xxApi.h"
#include "support/FakeUiSeams.h"
#include "ui/common/UiContext.h"

namespace q17::test {

// A window's control by object name; a missing one ends the test run at once.
template <typename T>
T* Child(QWidget& w, const char* name) {
  T* child = w.findChild<T*>(QString::fromLatin1(name));
  if (!child) qFatal("no control %s", name);
  return child;
}

struct WindowWorld {
  explicit WindowWorld(const std::vector<std::uint8_t>& readers = {1}) : bus(readers) {
    messages.answerWhenNoneLeft = true;
    link.Refresh();
    link.Open(link.IndexOf("SIM"), 0);
  }
  // One field of the reader's state line.
  std::string State(const std::string& name, int address = 1) {
    return ControlField(bus.ApplyControl("state " + std::to_string(address)), name);
  }
  std::uint64_t Requests() const { return bus.Stats().requests; }

  sim::ReaderBus bus;
  sim::SimSerialApi serial{bus};
  test::FakeD2xxApi d2xx;
  TInterfList link{serial, d2xx};
  TCommandState state;
  FakeMessages messages;
  FakeFiles files;
  FakeBeep beeper;
  FakeClock clock{FakeClock::At(2026, 12, 7, 9, 8, 7)};
  ui::TIdleSlot idle;
  ui::TWindows windows;
  ui::TUiContext ctx{state, link, messages, files, beeper, clock, idle, windows};
};

}  // namespace q17::test
