#include "ui/common/Panels.h"

#include <QHelpEvent>
#include <QTextDocument>
#include <QToolTip>

#include "ui/common/Language.h"

namespace q17::ui {

namespace {

class TCutTextTip : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* label = qobject_cast<QLabel*>(watched);
    if (!label || event->type() != QEvent::ToolTip) return false;
    const QString tip = PanelTip(*label);
    if (tip.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, label);
    }
    return true;
  }
};

int EffectiveIndent(const QLabel& label) {
  if (label.indent() >= 0) return label.indent();
  return label.frameWidth() > 0 ? label.fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 : 0;
}

}  // namespace

QString PanelTip(const QLabel& panel) {
  const QString own = panel.toolTip();
  const int room = panel.contentsRect().width() - EffectiveIndent(panel) - 2 * panel.margin();
  if (panel.text().isEmpty() || panel.fontMetrics().horizontalAdvance(panel.text()) <= room) return own;
  if (own.isEmpty()) return panel.text();
  if (Qt::mightBeRichText(own)) return Qt::convertFromPlainText(panel.text()) + own;
  return panel.text() + QLatin1Char('\n') + own;
}

void ShowCutTextAsTip(QLabel& panel) { panel.installEventFilter(new TCutTextTip(&panel)); }

int ShowResultIn(QLabel& panel, int code) {
  panel.setText(ResultText(code));
  return code;
}

std::vector<QLabel*> MakeStatusPanels(QStatusBar& bar, const std::vector<int>& widths) {
  std::vector<QLabel*> panels;
  bar.setSizeGripEnabled(false);
  for (std::size_t i = 0; i < widths.size(); ++i) {
    auto* label = new QLabel(&bar);
    label->setObjectName(QStringLiteral("%1Panel%2").arg(bar.objectName()).arg(i));
    label->setTextFormat(Qt::PlainText);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setIndent(2);
    ShowCutTextAsTip(*label);
    if (widths[i] > 0) {
      label->setFixedWidth(widths[i]);
      bar.addWidget(label, 0);
    } else {
      label->setMinimumWidth(10);
      bar.addWidget(label, 1);
    }
    panels.push_back(label);
  }
  return panels;
}

void SetupTrackBar(QSlider& bar, int min, int max, int tickInterval) {
  bar.setOrientation(Qt::Horizontal);
  bar.setRange(min, max);
  bar.setTickPosition(QSlider::TicksBelow);
  bar.setTickInterval(tickInterval);
  bar.setPageStep(tickInterval);
  bar.setSingleStep(1);
}

}  // namespace q17::ui
