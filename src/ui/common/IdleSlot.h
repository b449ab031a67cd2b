#pragma once
// The application's one idle-handler slot: a polling window installs its
// handler, which runs one poll per call and sets `done` to false to be called
// again at once after pending messages; an empty slot stops polling.
//
// Built on the event loop: a zero timer runs only while the handler wants to
// run again; after a handler that left `done` true, an event filter on the
// application waits for the next message. An empty slot costs nothing.
//
// Passes never nest, with one exception: a pass whose handler has been
// cleared or replaced while it pauses may sit under a modal window opened
// from that pause. The new handler then runs inside the modal window's own
// event loop, as it must (the stale pass cannot end before that window
// closes); the stale pass is only pausing, so transactions never overlap.
#include <QObject>
#include <QTimer>
#include <functional>

namespace q17::ui {

class TIdleSlot : public QObject {
  Q_OBJECT
 public:
  using THandler = std::function<void(bool& done)>;
  explicit TIdleSlot(QObject* parent = nullptr);
  ~TIdleSlot() override;
  // Installing overwrites whatever handler was there.
  void Install(THandler handler);
  void Clear();
  bool Empty() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The pass under way, if any.
  struct TPass {
    bool Running = false;     // inside the handler (it may process messages)
    unsigned Generation = 0;  // the slot's generation the pass began with
    int LoopLevel = 0;        // the event loop level it runs in
  };
  void RunHandler();
  bool MayRunNow() const;
  void WaitForMessage(bool on);

  THandler FHandler;
  QTimer FTimer;
  TPass FPass;
  bool FRunAgain = false;    // asked for while a pass ran
  bool FWaiting = false;     // the filter is watching for the next message
  unsigned FGeneration = 0;  // bumped by every Install/Clear
};

}  // namespace q17::ui
