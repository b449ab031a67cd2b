#pragma once
// Opens a network port of the interface list on a thread of its own, so the
// window keeps answering while a server is reached (a connect, a name to
// resolve, the RFC 2217 settings: seconds when the server is slow or gone),
// and the user can give up. The list is the opener's from Start until
// Finished: nobody else may touch it meanwhile.
#include <QObject>
#include <thread>

#include "link/KvlInterface.h"
#include "ui/common/UserStop.h"

namespace q17::ui {

class TNetworkOpen : public QObject {
  Q_OBJECT
 public:
  // Hands the list's ports the stop signal that giving up raises.
  TNetworkOpen(TInterfList& link, QObject* parent = nullptr);
  // Gives up an open still under way and waits for its end.
  ~TNetworkOpen() override;

  // Open(index, 0) of the list, away from the caller's thread.
  void Start(int index);
  bool Running() const { return FThread.joinable(); }
  // The waits of the open end at once; Finished follows.
  void GiveUp();
  // GiveUp, then back only when the open has ended (no Finished comes).
  void Wait();

 signals:
  // On the opener's thread, the list its owner's again. `gaveUp`: the user
  // gave up before the end (an open that succeeded all the same is the
  // owner's to close).
  void Finished(int index, int result, bool gaveUp);

 private:
  TInterfList& FLink;
  TUserStop FStop;
  std::thread FThread;
  bool FGaveUp = false;
  unsigned FRun = 0;  // which Start a late word from the thread belongs to
};

}  // namespace q17::ui
