#include "ui/main/NetworkOpen.h"

namespace q17::ui {

TNetworkOpen::TNetworkOpen(TInterfList& link, QObject* parent) : QObject(parent), FLink(link) {
  FLink.SetStopSignal(&FStop);
}

TNetworkOpen::~TNetworkOpen() {
  Wait();
  FLink.SetStopSignal(nullptr);
}

void TNetworkOpen::Start(int index) {
  if (Running()) return;
  FStop.Reset();
  FGaveUp = false;
  const unsigned run = ++FRun;
  FThread = std::thread([this, index, run] {
    const int result = FLink.Open(index, 0);
    // Told on this object's thread; never delivered once the object is gone.
    QMetaObject::invokeMethod(
        this,
        [this, index, result, run] {
          if (run != FRun || !Running()) return;  // waited for meanwhile
          FThread.join();
          FStop.Reset();
          emit Finished(index, result, FGaveUp);
        },
        Qt::QueuedConnection);
  });
}

void TNetworkOpen::GiveUp() {
  if (!Running()) return;
  FGaveUp = true;
  FStop.Request();
}

void TNetworkOpen::Wait() {
  if (!Running()) return;
  GiveUp();
  FThread.join();
  FStop.Reset();
}

}  // namespace q17::ui
