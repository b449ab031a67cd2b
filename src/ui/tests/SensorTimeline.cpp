#include "ui/tests/SensorTimeline.h"

#include <QPainter>

namespace q17::ui {

TSensorTimelineView::TSensorTimelineView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("pbxTimeline"));
  setMinimumSize(sizeHint());
}

void TSensorTimelineView::Record(long long nowMs, const TSensorState& state) {
  FTimeline.Record(nowMs, state);
  FNowMs = nowMs;
  FEmpty = false;
  update();
}

void TSensorTimelineView::Clear() {
  FTimeline.Clear();
  FEmpty = true;
  update();
}

void TSensorTimelineView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().base());
  const QFontMetrics fm = p.fontMetrics();
  const int nameW = fm.horizontalAdvance(QStringLiteral("CAR2")) + 10;
  const int textH = fm.height();
  const QString now = tr("0 с");
  const int rightW = fm.horizontalAdvance(now) / 2 + 6;
  const QRect plot(nameW, 2, width() - nameW - rightW, height() - textH - 8);
  const int laneH = plot.height() / kSensorCount;
  const double span = static_cast<double>(FTimeline.SpanMs());
  auto xAt = [&](long long ms) {
    return plot.left() + static_cast<int>(plot.width() * (static_cast<double>(ms - (FNowMs - FTimeline.SpanMs())) / span));
  };
  // Ten-second grid with the seconds before now.
  p.setPen(palette().color(QPalette::Mid));
  for (int s = 0; s <= 60; s += 10) {
    const int x = plot.left() + plot.width() * (60 - s) / 60;
    p.drawLine(x, plot.top(), x, plot.bottom());
    const QString label = s == 0 ? now : QStringLiteral("-%1").arg(s);
    const int w = fm.horizontalAdvance(label);
    p.setPen(palette().color(QPalette::Text));
    p.drawText(std::clamp(x - w / 2, 0, width() - w), plot.bottom() + 4 + fm.ascent(), label);
    p.setPen(palette().color(QPalette::Mid));
  }
  for (int lane = 0; lane < kSensorCount; ++lane) {
    const int top = plot.top() + lane * laneH;
    const int low = top + laneH - 3;
    const int high = top + 3;
    p.setPen(palette().color(QPalette::Text));
    p.drawText(QRect(0, top, nameW - 4, laneH), Qt::AlignVCenter | Qt::AlignRight,
               QString::fromLatin1(SensorName(lane)));
    if (FEmpty) continue;
    // Low all along, a raised block for each active stretch.
    QPen pen(lane % 2 == 0 ? QColor(0, 120, 60) : QColor(40, 90, 200));
    pen.setWidth(2);
    p.setPen(pen);
    // Nothing is drawn for the time before the first poll.
    int x = xAt(FTimeline.FromMs(FNowMs));
    for (const auto& [from, to] : FTimeline.ActiveSpans(lane, FNowMs)) {
      const int x0 = xAt(from), x1 = xAt(to);
      p.drawLine(x, low, x0, low);
      p.drawLine(x0, low, x0, high);
      p.drawLine(x0, high, x1, high);
      p.drawLine(x1, high, x1, low);
      x = x1;
    }
    p.drawLine(x, low, plot.right(), low);
  }
}

}  // namespace q17::ui
