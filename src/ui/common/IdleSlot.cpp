#include "ui/common/IdleSlot.h"

#include <QCoreApplication>
#include <QEvent>

namespace q17::ui {

TIdleSlot::TIdleSlot(QObject* parent) : QObject(parent) {
  FTimer.setSingleShot(true);
  FTimer.setInterval(0);
  connect(&FTimer, &QTimer::timeout, this, &TIdleSlot::RunHandler);
}

TIdleSlot::~TIdleSlot() { WaitForMessage(false); }

void TIdleSlot::Install(THandler handler) {
  FHandler = std::move(handler);
  ++FGeneration;
  WaitForMessage(false);
  if (FRunning) {
    FRunAgain = true;  // a handler is mid-pass; the new one follows it
  } else {
    FTimer.start();
  }
}

void TIdleSlot::Clear() {
  FHandler = nullptr;
  ++FGeneration;
  FRunAgain = false;
  FTimer.stop();
  WaitForMessage(false);
}

bool TIdleSlot::Empty() const { return !FHandler; }

void TIdleSlot::RunHandler() {
  if (!FHandler) return;
  if (FRunning) {
    FRunAgain = true;
    return;
  }
  // Keep the handler alive even if it clears or replaces the slot.
  THandler handler = FHandler;
  const unsigned generation = FGeneration;
  bool done = true;
  FRunning = true;
  FRunAgain = false;
  handler(done);
  FRunning = false;
  if (!FHandler) return;
  const bool replaced = generation != FGeneration;
  if (!done || FRunAgain || replaced) {
    FRunAgain = false;
    FTimer.start();
  } else {
    WaitForMessage(true);
  }
}

void TIdleSlot::WaitForMessage(bool on) {
  if (on == FWaiting || QCoreApplication::instance() == nullptr) return;
  FWaiting = on;
  if (on) {
    QCoreApplication::instance()->installEventFilter(this);
  } else {
    QCoreApplication::instance()->removeEventFilter(this);
  }
}

bool TIdleSlot::eventFilter(QObject* watched, QEvent* event) {
  if (FWaiting && event->type() != QEvent::Timer) {
    // The next message: the handler runs once it has been handled.
    WaitForMessage(false);
    if (FHandler) FTimer.start();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace q17::ui
