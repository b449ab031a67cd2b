#include "ui/tests/FindReaders.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTextBlock>

#include "reader/Scan.h"
#include "ui/common/UiFont.h"
#include "ui_FindReaders.h"

namespace q17::ui {

TfrmFindReaders::TfrmFindReaders(TUiContext& ctx, QWidget* parent)
    : TDiagWindow(ctx, parent), FUi(new Ui::TfrmFindReaders) {
  FUi->setupUi(this);
  SetUpWindow(nullptr, FUi->btnClose, {});
  SetStartButtons({FUi->btnStartFind});
  FUi->lblRangeError->setTextFormat(Qt::PlainText);
  FUi->lblRangeError->hide();
  connect(FUi->btnStartFind, &QPushButton::clicked, this, &TfrmFindReaders::btnStartFindClick);
  FUi->memReaders->setFont(AvailableFixedFont(FUi->memReaders->font()));
  FUi->memReaders->viewport()->installEventFilter(this);
  FUi->memReaders->setToolTip(tr("Двойной щелчок по строке: работать с этим считывателем"));
}

TfrmFindReaders::~TfrmFindReaders() = default;

void TfrmFindReaders::FormShow() {
  FUi->memReaders->clear();
  FUi->lblRangeError->hide();
  FUi->sedStartAddr->setValue(1);
  FUi->sedEndAddr->setValue(10);
}

void TfrmFindReaders::FormHide() { FUi->pgbFindProgress->setValue(FUi->pgbFindProgress->minimum()); }

void TfrmFindReaders::SetScanning(bool scanning) {
  FScanning = scanning;
  FUi->btnStartFind->setEnabled(!scanning && !PortLost());
  FUi->btnClose->setEnabled(!scanning);
  FUi->sedStartAddr->setEnabled(!scanning);
  FUi->sedEndAddr->setEnabled(!scanning);
}

void TfrmFindReaders::btnStartFindClick() {
  FUi->memReaders->clear();
  // A typed value out of range comes to the nearer bound, as on leaving the field.
  const auto range =
      TypedRange(*FUi->sedStartAddr, *FUi->sedEndAddr, *FUi->lblRangeError, tr("поиск не выполнен"));
  if (!range) {
    const int from = FUi->sedStartAddr->value();
    FUi->pgbFindProgress->setRange(from, from);
    FUi->pgbFindProgress->setValue(from);
    return;
  }
  const int from = range->first;
  const int to = range->second;
  FUi->pgbFindProgress->setRange(from, to);
  FUi->pgbFindProgress->setValue(from);
  SetScanning(true);
  ScanReaders(FCtx.State, FCtx.Link, from, to, [this](int address, int result, const std::string& text) {
    FUi->pgbFindProgress->setValue(address);
    if (result == 0) FUi->memReaders->appendPlainText(QString::fromStdString(ScanLine(address, text)));
    QCoreApplication::processEvents();
    // A port closed meanwhile (its device unplugged) ends the scan.
    return FCtx.Link.Opened();
  });
  SetScanning(false);
}

bool TfrmFindReaders::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FUi->memReaders->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    // Anywhere but on a reader's line the double-click selects a word as usual.
    return memReadersDblClick(static_cast<QMouseEvent*>(event)->position().toPoint());
  }
  return TDiagWindow::eventFilter(watched, event);
}

bool TfrmFindReaders::memReadersDblClick(const QPoint& at) {
  // The scan puts the address back when it ends: no choice while it runs.
  if (FScanning) return false;
  // Below the last line the nearest position is still on it: only a click on the line itself counts.
  const QTextCursor cursor = FUi->memReaders->cursorForPosition(at);
  const QRect line = FUi->memReaders->cursorRect(cursor);
  if (at.y() < line.top() || at.y() > line.bottom()) return false;
  const QString text = cursor.block().text();
  const auto address = ScanLineAddress(text.toStdString());
  if (!address) return false;
  FCtx.State.ReaderAddress = *address;
  accept();
  return true;
}

}  // namespace q17::ui
