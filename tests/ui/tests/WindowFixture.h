#pragma once
// The graph a diagnostic window lives in, with the simulated bus as the
// reader and seams that record what the window asked of the world.
#include <QStringList>

#include "SimSerialApi.h"
#include "support/ControlField.h"
#include "support/FakeD2xxApi.h"
#include "ui/common/UiContext.h"

namespace q17::test {

struct RecordingMessages : ui::IMessageBox {
  QStringList texts;
  void Inform(QWidget*, const QString& text) override { texts << text; }
  bool Confirm(QWidget*, const QString& text) override {
    texts << text;
    return true;
  }
};

struct NoFiles : ui::IFileDialog {
  QString OpenFileName(QWidget*, const QString&) override { return {}; }
  QString SaveFileName(QWidget*, const QString&) override { return {}; }
};

struct CountingBeep : ui::IBeep {
  int beeps = 0;
  void Beep() override { ++beeps; }
};

struct FixedClock : ui::IClock {
  std::tm now{};
  FixedClock() {
    now.tm_year = 126;
    now.tm_mon = 11;
    now.tm_mday = 7;
    now.tm_hour = 9;
    now.tm_min = 8;
    now.tm_sec = 7;
  }
  std::tm LocalNow() override { return now; }
};

struct WindowWorld {
  explicit WindowWorld(const std::vector<std::uint8_t>& readers = {1}) : bus(readers) {
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
  RecordingMessages messages;
  NoFiles files;
  CountingBeep beeper;
  FixedClock clock;
  ui::TIdleSlot idle;
  ui::TWindows windows;
  ui::TUiContext ctx{state, link, messages, files, beeper, clock, idle, windows};
};

}  // namespace q17::test
