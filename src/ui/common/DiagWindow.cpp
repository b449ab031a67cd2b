#include "ui/common/DiagWindow.h"

#include <QHideEvent>
#include <QLayout>
#include <QShowEvent>
#include <algorithm>

#include "link/OpenFailureText.h"
#include "ui/common/Language.h"
#include "ui/common/Panels.h"

namespace q17::ui {

TDiagWindow::TDiagWindow(TUiContext& ctx, QWidget* parent) : QDialog(parent), FCtx(ctx) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  // Modal to the main window only: the traffic log stays usable meanwhile.
  setWindowModality(Qt::WindowModal);
}

void TDiagWindow::SetUpWindow(QStatusBar* bar, QPushButton* close, const std::vector<std::pair<int, QString>>& panels) {
  FClose = close;
  if (close) connect(close, &QPushButton::clicked, this, &TDiagWindow::reject);
  if (!bar) return;
  bar->setSizeGripEnabled(false);
  for (std::size_t i = 0; i < panels.size(); ++i) {
    auto* panel = new QLabel(panels[i].second, bar);
    panel->setObjectName(QStringLiteral("sbrStatusPanel%1").arg(i));
    panel->setTextFormat(Qt::PlainText);
    // A longer status text must not widen the window: it is cut, and shown
    // whole in the panel's tool tip. The last panel takes the rest of the bar.
    if (i + 1 < panels.size()) {
      panel->setFixedWidth(panels[i].first);
    } else {
      panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
      panel->setMinimumWidth(panels[i].first);
    }
    ShowCutTextAsTip(*panel);
    bar->addWidget(panel, i + 1 == panels.size() ? 1 : 0);
    FPanels.push_back(panel);
  }
}

QString TDiagWindow::PanelText(int panel) const {
  return panel >= 0 && panel < static_cast<int>(FPanels.size()) ? FPanels[static_cast<std::size_t>(panel)]->text()
                                                                 : QString();
}

void TDiagWindow::SetPanel(int panel, const QString& text) {
  if (panel >= 0 && panel < static_cast<int>(FPanels.size())) FPanels[static_cast<std::size_t>(panel)]->setText(text);
}

int TDiagWindow::ShowResult(int code) {
  SetPanel(2, ResultText(code));
  return code;
}

void TDiagWindow::reject() {
  if (FClose && !FClose->isEnabled()) return;
  QDialog::reject();
}

void TDiagWindow::SetStartButtons(std::vector<QPushButton*> buttons) { FStartButtons = std::move(buttons); }

void TDiagWindow::DeviceGone() {
  if (!isVisible()) return;
  StopForDeviceGone();
  FPortLost = true;
  for (QPushButton* b : FStartButtons) b->setEnabled(false);
  // The result panel, or the only one of a window that has no other.
  SetPanel(std::min<int>(2, static_cast<int>(FPanels.size()) - 1), CoreText("OpenFailureText", DeviceGoneStatusText()));
  if (FClose) FClose->setEnabled(true);
}

void TDiagWindow::StopForDeviceGone() { FCtx.Idle.Clear(); }

void TDiagWindow::showEvent(QShowEvent* event) {
  // Sized once, by what it holds when first shown: texts that change later
  // (counts, states, results) never move the buttons under the user's hand.
  if (!FSized) {
    FSized = true;
    if (layout()) layout()->activate();
    setFixedSize(sizeHint().expandedTo(minimumSizeHint()));
  }
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TDiagWindow::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (event->spontaneous()) return;
  FormHide();
  if (FPortLost) {
    FPortLost = false;
    for (QPushButton* b : FStartButtons) b->setEnabled(true);
  }
}

}  // namespace q17::ui
