#include "ui/tests/DiagWindow.h"

#include <QHideEvent>
#include <QLayout>
#include <QShowEvent>
#include <algorithm>

#include "link/ErrMsg.h"
#include "link/OpenFailureText.h"

namespace q17::ui {

TDiagWindow::TDiagWindow(TUiContext& ctx, QWidget* parent) : QDialog(parent), FCtx(ctx) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  // Modal to the main window only: the traffic log stays usable meanwhile.
  setWindowModality(Qt::WindowModal);
}

void TDiagWindow::SetUpWindow(QStatusBar* bar, QPushButton* close, const std::vector<std::pair<int, QString>>& panels) {
  FClose = close;
  if (close) connect(close, &QPushButton::clicked, this, &TDiagWindow::reject);
  if (layout()) layout()->setSizeConstraint(QLayout::SetFixedSize);
  if (!bar) return;
  for (std::size_t i = 0; i < panels.size(); ++i) {
    auto* panel = new QLabel(panels[i].second, bar);
    panel->setObjectName(QStringLiteral("sbrStatusPanel%1").arg(i));
    panel->setTextFormat(Qt::PlainText);
    panel->setMinimumWidth(panels[i].first);
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
  SetPanel(2, QString::fromStdString(FormatResult(code)));
  return code;
}

void TDiagWindow::reject() {
  if (FClose && !FClose->isEnabled()) return;
  QDialog::reject();
}

void TDiagWindow::DeviceGone() {
  if (!isVisible()) return;
  StopForDeviceGone();
  // The result panel, or the only one of a window that has no other.
  SetPanel(std::min<int>(2, static_cast<int>(FPanels.size()) - 1), QString::fromUtf8(DeviceGoneStatusText()));
  if (FClose) FClose->setEnabled(true);
}

void TDiagWindow::StopForDeviceGone() { FCtx.Idle.Clear(); }

void TDiagWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TDiagWindow::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous()) FormHide();
}

}  // namespace q17::ui
