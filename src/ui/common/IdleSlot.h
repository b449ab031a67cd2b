#pragma once
// The application's one idle-handler slot: a polling window installs its
// handler, which runs one poll per call and sets `done` to false to be called
// again at once after pending messages; an empty slot stops polling.
//
// Built on the event loop: a zero timer runs only while the handler wants to
// run again; after a handler that left `done` true, an event filter on the
// application waits for the next message. An empty slot costs nothing.
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
  void RunHandler();
  void WaitForMessage(bool on);

  THandler FHandler;
  QTimer FTimer;
  bool FRunning = false;     // inside the handler (it may process messages)
  bool FRunAgain = false;    // asked for while it ran
  bool FWaiting = false;     // the filter is watching for the next message
  unsigned FGeneration = 0;  // bumped by every Install/Clear
};

}  // namespace q17::ui
