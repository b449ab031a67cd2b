#include "ui/service/TrafficLog.h"

#include <QScrollBar>

#include "reader/TraceFormat.h"
#include "ui/common/Export.h"
#include "ui_TrafficLog.h"

namespace q17::ui {

TfrmTrafficLog::TfrmTrafficLog(TUiContext& ctx, int cap, QWidget* parent)
    : QWidget(parent, Qt::Window),
      FCtx(ctx),
      FUi(new Ui::TfrmTrafficLog),
      FModel(cap),
      FPending(static_cast<std::size_t>(FModel.Cap())) {
  FUi->setupUi(this);
  FUi->lvwLog->setModel(&FModel);
  QFont fixed = FUi->lvwLog->font();
  fixed.setFamily(QStringLiteral("Monospace"));
  fixed.setStyleHint(QFont::TypeWriter);
  FUi->lvwLog->setFont(fixed);
  // Lines are gathered and shown together: a fast test must not redraw the list per frame.
  FFlushTimer.setSingleShot(true);
  FFlushTimer.setInterval(50);
  connect(&FFlushTimer, &QTimer::timeout, this, &TfrmTrafficLog::Flush);
  connect(FUi->btnPause, &QPushButton::toggled, this, &TfrmTrafficLog::btnPauseClick);
  connect(FUi->btnClear, &QPushButton::clicked, this, &TfrmTrafficLog::btnClearClick);
  connect(FUi->btnSave, &QPushButton::clicked, this, &TfrmTrafficLog::btnSaveClick);
}

TfrmTrafficLog::~TfrmTrafficLog() {
  if (FCtx.Link.Observer() == &FObserver) FCtx.Link.SetObserver(nullptr);
}

void TfrmTrafficLog::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  FCtx.Link.SetObserver(&FObserver);
}

void TfrmTrafficLog::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (FCtx.Link.Observer() == &FObserver) FCtx.Link.SetObserver(nullptr);
}

void TfrmTrafficLog::TObserver::OnLineEvent(const TLineEvent& event) {
  std::string line = TraceLine(std::chrono::duration<double>(event.Time - FOwner.FStart).count(), event);
  if (!line.empty()) FOwner.AddLine(std::move(line));
}

void TfrmTrafficLog::AddLine(std::string line) {
  // Behind a pause the waiting lines obey the cap too.
  if (FPending.Push(std::move(line))) ++FPendingDropped;
  if (!FUi->btnPause->isChecked() && !FFlushTimer.isActive()) FFlushTimer.start();
}

void TfrmTrafficLog::Flush() {
  if (FPending.Empty()) return;
  QScrollBar* bar = FUi->lvwLog->verticalScrollBar();
  const bool following = bar->value() >= bar->maximum();
  const long long droppedBefore = FModel.Dropped();
  std::vector<QString> lines;
  lines.reserve(FPending.Size());
  for (const std::string& line : FPending.Take()) lines.push_back(QString::fromStdString(line));
  FModel.Append(std::move(lines));
  if (following) {
    FUi->lvwLog->scrollToBottom();
  } else if (FModel.Dropped() > droppedBefore) {
    // Rows went away above the view: keep the lines the user reads in place.
    bar->setValue(bar->value() - static_cast<int>(FModel.Dropped() - droppedBefore));
  }
  ShowDropped();
}

void TfrmTrafficLog::ShowDropped() {
  const long long dropped = Dropped();
  FUi->lblDropped->setText(dropped == 0 ? QString()
                                        : QStringLiteral("Хранятся последние %1 строк, более ранних удалено: %2")
                                              .arg(FModel.Cap())
                                              .arg(dropped));
}

void TfrmTrafficLog::btnPauseClick(bool paused) {
  if (!paused) Flush();
}

void TfrmTrafficLog::btnClearClick() {
  FPending.Clear();
  FPendingDropped = 0;
  FModel.Clear();
  ShowDropped();
}

void TfrmTrafficLog::btnSaveClick() {
  const QString name = ChooseExportFile(FCtx.Files, FCtx.Messages, this, kLogExport);
  if (name.isEmpty()) return;
  QByteArray text;
  for (const QString& line : FModel.Lines()) text += line.toUtf8() + '\n';
  for (std::size_t i = 0; i < FPending.Size(); ++i) text += QByteArray::fromStdString(FPending[i]) + '\n';
  WriteExportFile(FCtx.Messages, this, name, text);
}

}  // namespace q17::ui
