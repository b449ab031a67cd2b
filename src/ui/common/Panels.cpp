#include "ui/common/Panels.h"

#include "link/ErrMsg.h"

namespace q17::ui {

int ShowResultIn(QLabel& panel, int code) {
  panel.setText(QString::fromStdString(FormatResult(code)));
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
