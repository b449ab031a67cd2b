#pragma once
// The last minute of the four sensors, one lane each (DC1, CAR1, DC2, CAR2),
// drawn high while active, so the order in which they switched can be seen.
#include <QWidget>

#include "reader/SensorChanges.h"

namespace q17::ui {

class TSensorTimelineView : public QWidget {
  Q_OBJECT
 public:
  explicit TSensorTimelineView(QWidget* parent = nullptr);
  // One poll at `nowMs` on a steady scale; the picture ends there until the next.
  void Record(long long nowMs, const TSensorState& state);
  void Clear();
  long long NowMs() const { return FNowMs; }
  const TSensorTimeline& Timeline() const { return FTimeline; }
  QSize sizeHint() const override { return {420, 120}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TSensorTimeline FTimeline;
  long long FNowMs = 0;
  bool FEmpty = true;
};

}  // namespace q17::ui
