#include "ui/common/IdleSlot.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include "IdleSlotTest.h"
#include "ui/common/SystemBeep.h"

namespace q17::ui {

void IdleSlotTest::DoneFalseRunsAgainUntilCleared() {
  TIdleSlot slot;
  int calls = 0;
  slot.Install([&](bool& done) {
    done = false;
    if (++calls == 5) slot.Clear();
  });
  QTRY_VERIFY(slot.Empty());
  QCOMPARE(calls, 5);
  QCoreApplication::processEvents();
  QCOMPARE(calls, 5);
}

void IdleSlotTest::DoneTrueWaitsForTheNextMessage() {
  TIdleSlot slot;
  int calls = 0;
  slot.Install([&](bool&) { ++calls; });
  QTRY_COMPARE(calls, 1);
  // Nothing more without a message, however long the loop idles.
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  QCOMPARE(calls, 1);
  QObject target;
  QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
  QTRY_COMPARE(calls, 2);
  slot.Clear();
}

void IdleSlotTest::InstallOverwritesAndNeverNests() {
  TIdleSlot slot;
  int first = 0, second = 0, depth = 0, deepest = 0;
  slot.Install([&](bool& done) {
    ++first;
    done = false;
    // The window changes its mind mid-pass, with messages processed.
    slot.Install([&](bool& again) {
      ++depth;
      deepest = std::max(deepest, depth);
      ++second;
      again = second >= 3;  // done after the third call
      QCoreApplication::processEvents();
      --depth;
    });
    QCoreApplication::processEvents();
  });
  QTRY_COMPARE(second, 3);
  QCOMPARE(first, 1);
  QCOMPARE(deepest, 1);
  slot.Clear();
}

void IdleSlotTest::BeepIsHarmlessWithoutASoundDevice() {
  TSystemBeep beep;
  for (int i = 0; i < 3; ++i) beep.Beep();
}

}  // namespace q17::ui
