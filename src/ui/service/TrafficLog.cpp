#include "ui/service/TrafficLog.h"

#include <QApplication>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>

#include "reader/TraceFormat.h"
#include "ui/common/Export.h"
#include "ui_TrafficLog.h"

namespace q17::ui {
namespace {

// Every row as wide as the widest line: the list's rows share one size,
// which the view would otherwise take from a single row and cut the
// longer lines to it.
class TWidestLineDelegate : public QStyledItemDelegate {
 public:
  TWidestLineDelegate(const TTrafficLogModel& model, QObject* parent) : QStyledItemDelegate(parent), FModel(model) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem widest = option;
    initStyleOption(&widest, index);
    widest.text = FModel.Widest();
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    return style->sizeFromContents(QStyle::CT_ItemViewItem, &widest, QSize(), option.widget);
  }

 private:
  const TTrafficLogModel& FModel;
};

}  // namespace

TfrmTrafficLog::TfrmTrafficLog(TUiContext& ctx, int cap, QWidget* parent)
    : QWidget(parent, Qt::Window),
      FCtx(ctx),
      FUi(new Ui::TfrmTrafficLog),
      FModel(cap) {
  FUi->setupUi(this);
  FUi->lvwLog->setModel(&FModel);
  FUi->lvwLog->setItemDelegate(new TWidestLineDelegate(FModel, FUi->lvwLog));
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
  FModel.Add(std::move(line));
  // Also behind a pause: the rows whose lines went for the cap go.
  if (!FFlushTimer.isActive()) FFlushTimer.start();
}

void TfrmTrafficLog::Flush() {
  QScrollBar* bar = FUi->lvwLog->verticalScrollBar();
  const bool paused = FUi->btnPause->isChecked();
  const bool following = !paused && bar->value() >= bar->maximum();
  const int removed = FModel.Show(!paused);
  if (following) {
    FUi->lvwLog->scrollToBottom();
  } else if (removed > 0) {
    // Rows went away above the view: keep the lines the user reads in place.
    bar->setValue(bar->value() - removed);
  }
  ShowDropped();
}

void TfrmTrafficLog::ShowDropped() {
  const long long dropped = Dropped();
  FUi->lblDropped->setText(dropped == 0 ? QString()
                                        : tr("Хранятся последние %1 строк, более ранних удалено: %2")
                                              .arg(FModel.Cap())
                                              .arg(dropped));
}

void TfrmTrafficLog::btnPauseClick(bool paused) {
  if (!paused) Flush();
}

void TfrmTrafficLog::btnClearClick() {
  FModel.Clear();
  ShowDropped();
}

void TfrmTrafficLog::btnSaveClick() {
  const QString name = ChooseExportFile(FCtx.Files, FCtx.Messages, this, kLogExport);
  if (name.isEmpty()) return;
  QByteArray text;
  for (std::size_t i = 0; i < FModel.Size(); ++i) text += QByteArray::fromStdString(FModel.Line(i)) + '\n';
  WriteExportFile(FCtx.Messages, this, name, text);
}

}  // namespace q17::ui
