#include "ui/common/IdleSlot.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

namespace q17::ui {

namespace {
// How often a handler waiting behind a stale pass looks again, in case that
// pass opens a modal window from its pause. Such a pass ends within its
// pause (a fraction of a second), so this costs a few wake-ups at most.
constexpr int kStaleRetryMs = 20;

int LoopLevel() { return QThread::currentThread()->loopLevel(); }
}  // namespace

TIdleSlot::TIdleSlot(QObject* parent) : QObject(parent) {
  FTimer.setSingleShot(true);
  connect(&FTimer, &QTimer::timeout, this, &TIdleSlot::RunHandler);
}

TIdleSlot::~TIdleSlot() { WaitForMessage(false); }

void TIdleSlot::Install(THandler handler) {
  FHandler = std::move(handler);
  ++FGeneration;
  WaitForMessage(false);
  // Behind a pass still under way the new handler waits for it (RunHandler).
  FTimer.start(0);
}

void TIdleSlot::Clear() {
  FHandler = nullptr;
  ++FGeneration;
  FRunAgain = false;
  FTimer.stop();
  WaitForMessage(false);
}

bool TIdleSlot::Empty() const { return !FHandler; }

bool TIdleSlot::MayRunNow() const {
  if (!FPass.Running) return true;
  // A stale pass under a modal window opened from its pause: it cannot end
  // before that window closes, so the window's handler runs in its loop.
  return FPass.Generation != FGeneration && LoopLevel() > FPass.LoopLevel;
}

void TIdleSlot::RunHandler() {
  if (!FHandler) return;
  if (!MayRunNow()) {
    FRunAgain = true;
    if (FPass.Generation != FGeneration) FTimer.start(kStaleRetryMs);
    return;
  }
  // Keep the handler alive even if it clears or replaces the slot.
  THandler handler = FHandler;
  const TPass outer = FPass;
  FPass = TPass{true, FGeneration, LoopLevel()};
  FRunAgain = false;
  bool done = true;
  handler(done);
  const unsigned generation = FPass.Generation;
  FPass = outer;
  if (!FHandler) return;
  const bool replaced = generation != FGeneration;
  if (!done || FRunAgain || replaced) {
    FRunAgain = false;
    FTimer.start(0);
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
    if (FHandler) FTimer.start(0);
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace q17::ui
