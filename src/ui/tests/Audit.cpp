#include "ui/tests/Audit.h"

#include <QHeaderView>

#include "reader/Audit.h"
#include "reader/Transact.h"
#include "ui/common/Export.h"
#include "ui/common/Language.h"
#include "ui/common/Pause.h"
#include "ui_Audit.h"

namespace q17::ui {
namespace {
// Where a cell keeps the text the saved file gets.
constexpr int kFileText = Qt::UserRole;
}  // namespace

TfrmAudit::TfrmAudit(TUiContext& ctx, QWidget* parent) : TDiagWindow(ctx, parent), FUi(new Ui::TfrmAudit) {
  FUi->setupUi(this);
  SetUpWindow(FUi->sbrStatus, FUi->btnClose,
              {{120, tr("Тест не запущен")}, {100, QString()}, {50, tr("Статус неизвестен")}});
  SetStartButtons({FUi->btnReaderClear});
  QTreeWidget* list = FUi->lvwAudit;
  list->setHeaderLabels({tr("Номер"), tr("Канал"), tr("Время"), tr("Таг"), tr("Событие")});
  const int widths[] = {60, 60, 80, 120, 250};
  for (int i = 0; i < 5; ++i) list->setColumnWidth(i, widths[i]);
  list->headerItem()->setTextAlignment(2, Qt::AlignCenter);
  list->headerItem()->setTextAlignment(3, Qt::AlignCenter);
  list->header()->setSectionsClickable(false);
  list->header()->setSectionsMovable(false);
  // Saving the list goes beside the two clearing buttons.
  auto* save = new QPushButton(tr("Сохранить в файл..."), this);
  save->setObjectName(QStringLiteral("btnSaveFile"));
  save->setToolTip(tr("Сохранить список событий для электронной таблицы (CSV)"));
  FUi->layout20->insertWidget(FUi->layout20->indexOf(FUi->btnReaderClear) + 1, save);
  connect(save, &QPushButton::clicked, this, &TfrmAudit::btnSaveFileClick);
  connect(FUi->btnTransactClear, &QPushButton::clicked, this, &TfrmAudit::btnTransactClearClick);
  connect(FUi->btnReaderClear, &QPushButton::clicked, this, &TfrmAudit::btnReaderClearClick);
}

TfrmAudit::~TfrmAudit() = default;

void TfrmAudit::FormShow() {
  RowNumber = 1;
  FAuditModeSent = true;
  // The exchange's result alone: a reader that refuses in a well-formed
  // reply is polled all the same.
  if (ShowResult(SetAuditModeTransaction(FCtx.State, FCtx.Link, true)) == 0) {
    SetPanel(0, tr("АУДИТ РАБОТАЕТ..."));
    Running = true;
    FCtx.Idle.Install([this](bool& done) { ApplicationIdle(done); });
  } else {
    Running = false;
  }
}

void TfrmAudit::FormHide() {
  FCtx.Idle.Clear();
  // Said to the main window too: this one is on its way out.
  if (FAuditModeSent) {
    if (const int r = ShowResult(SetAuditModeTransaction(FCtx.State, FCtx.Link, false)); r != 0) {
      emit ReaderNotPutBack(r);
    }
  }
  FAuditModeSent = false;
  Running = false;
  SetPanel(0, tr("Аудит остановлен..."));
}

void TfrmAudit::ApplicationIdle(bool& done) {
  if (!Running) {
    SetPanel(0, tr("Аудит остановлен..."));
  } else {
    std::optional<TAuditEvent> event;
    const std::tm now = FCtx.Clock.LocalNow();
    if (ShowResult(ReadAuditEvent(FCtx.State, FCtx.Link, now, event)) != 0) {
      AddAuditRow(AuditErrorEvent(now));
      Running = false;
    } else if (event) {
      AddAuditRow(*event);
    }
  }
  PauseWithMessages(10, 20);
  done = false;
}

void TfrmAudit::AddAuditRow(const TAuditEvent& event) {
  auto* item = new QTreeWidgetItem(FUi->lvwAudit);
  // Each cell keeps the core's text for the file, which reads the same in every language.
  const TAuditRow row = AuditRow(RowNumber, event);
  const std::string* texts[] = {&row.Number, &row.Channel, &row.Time, &row.Tag, &row.Event};
  for (int i = 0; i < 5; ++i) {
    item->setText(i, QString::fromStdString(*texts[i]));
    item->setData(i, kFileText, QString::fromStdString(*texts[i]));
  }
  item->setText(1, ShownText(AuditChannel(event.Channel)));
  item->setText(4, CoreText("Transact", EventText(event.Code)));
  item->setTextAlignment(2, Qt::AlignCenter);
  item->setTextAlignment(3, Qt::AlignCenter);
  FUi->lvwAudit->scrollToItem(item);
  ++RowNumber;
}

void TfrmAudit::btnTransactClearClick() {
  RowNumber = 1;
  FUi->lvwAudit->clear();
}

void TfrmAudit::btnSaveFileClick() {
  const QString name = ChooseExportFile(FCtx.Files, FCtx.Messages, this, kCsvExport);
  if (name.isEmpty()) return;
  std::string text = AuditCsvHeader();
  QTreeWidget* list = FUi->lvwAudit;
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = list->topLevelItem(i);
    TAuditRow row;
    std::string* fields[] = {&row.Number, &row.Channel, &row.Time, &row.Tag, &row.Event};
    for (int c = 0; c < 5; ++c) *fields[c] = item->data(c, kFileText).toString().toStdString();
    text += AuditCsvRow(row);
  }
  WriteExportFile(FCtx.Messages, this, name, QByteArray::fromStdString(text));
}

void TfrmAudit::btnReaderClearClick() { ShowResult(ClearAuditStoreTransaction(FCtx.State, FCtx.Link)); }

}  // namespace q17::ui
