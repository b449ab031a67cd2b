#pragma once
// The application's one idle-handler slot: a polling window installs its
// handler, which runs one poll per call and sets `done` to false to be called
// again at once after pending messages; an empty slot stops polling.
#include <QObject>
#include <functional>

namespace q17::ui {

class TIdleSlot : public QObject {
  Q_OBJECT
 public:
  using THandler = std::function<void(bool& done)>;
  explicit TIdleSlot(QObject* parent = nullptr);
  // Installing overwrites whatever handler was there.
  void Install(THandler handler);
  void Clear();
  bool Empty() const;

 private:
  THandler FHandler;
};

}  // namespace q17::ui
