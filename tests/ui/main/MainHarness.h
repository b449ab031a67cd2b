#pragma once
// The program's window graph over the simulated reader bus, with message
// boxes, file dialogs and the clock answered by the test.
#include <QAction>
#include <QLabel>
#include <QStringList>
#include <QTest>
#include <functional>
#include <memory>

#include "ReaderBus.h"
#include "SimSerialApi.h"
#include "support/FakeD2xxApi.h"
#include "support/FakeUiSeams.h"
#include "ui/support/Screenshot.h"
#include "ui/common/UiContext.h"
#include "ui/main/Main.h"
#include "ui/main/Windows.h"

namespace q17::test {

// The simulated reader at address 1 behind an interface list.
struct SimulatedLine {
  sim::ReaderBus bus{{1}};
  sim::SimSerialApi serial{bus};
  FakeD2xxApi d2xx;
  TInterfList link{serial, d2xx};
};

struct MainHarness : SimulatedLine, FakeContext {
  MainHarness() : FakeContext(link) {
    d2xx.available = false;
    main = ui::CreateWindows(ctx);
    main->show();
    (void)QTest::qWaitForWindowExposed(main.get());
  }
  ~MainHarness() {
    bus.SetReplyHook({});
    if (link.Opened()) Action("tbnInterfaceClose")->trigger();
  }

  template <class T = QWidget>
  T* Find(const char* name) const {
    return main->findChild<T*>(QString::fromLatin1(name));
  }
  QAction* Action(const char* name) const { return Find<QAction>(name); }
  QString Panel(int i) const { return main->Panel(i)->text(); }
  void Open() {
    Action("tbnInterfaceOpen")->trigger();
    QVERIFY2(link.Opened(), qPrintable(Panel(3)));
  }
  // The reader at address 1 answers `code` to the command sent as number
  // `index` (0 = the next one) from now on.
  void FailCommand(int index, std::uint16_t code) {
    auto fail = [this, code] {
      auto& s = bus.Reader(1)->state;
      s.forcedAnswer = code;
      s.forcedCount = 1;
    };
    if (index == 0) {
      fail();
      return;
    }
    replies = 0;
    bus.SetReplyHook([this, index, fail] {
      if (++replies == index) fail();
    });
  }
  std::uint64_t Requests() const { return bus.Stats().requests; }

  int replies = 0;
  std::unique_ptr<ui::TfrmMain> main;
};

}  // namespace q17::test
