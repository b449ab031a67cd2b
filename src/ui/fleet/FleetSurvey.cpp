#include "ui/fleet/FleetSurvey.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QStyle>
#include <algorithm>
#include <chrono>

#include "reader/SurveyTable.h"
#include "reader/ReaderConfig.h"
#include "ui/common/Export.h"
#include "ui/common/Language.h"
#include "ui/fleet/FleetWrite.h"
#include "ui_FleetSurvey.h"

namespace q17::ui {
namespace {

// Numbers sort as numbers, an empty cell before any; other columns by text.
class TSortItem : public QTableWidgetItem {
 public:
  TSortItem(const QString& text, bool numeric) : QTableWidgetItem(text), FNumeric(numeric) {}
  bool operator<(const QTableWidgetItem& other) const override {
    if (!FNumeric) return QTableWidgetItem::operator<(other);
    const QString a = text(), b = other.text();
    if (a.isEmpty() || b.isEmpty()) return a.isEmpty() && !b.isEmpty();
    return a.toDouble() < b.toDouble();
  }

 private:
  bool FNumeric;
};

constexpr int kVersionColumn = 1;
constexpr int kModeColumn = 2;
constexpr int kErrorColumn = 9;
const QColor kErrorBackground(0xFF, 0xD6, 0xD6);

}  // namespace

TfrmFleetSurvey::TfrmFleetSurvey(TUiContext& ctx, QWidget* parent)
    : TDiagWindow(ctx, parent), FUi(new Ui::TfrmFleetSurvey) {
  FUi->setupUi(this);
  SetUpWindow(FUi->sbrStatus, FUi->btnClose,
              {{160, tr("Обзор не запущен")}, {140, QString()}, {50, QString()}});
  FUi->lblRangeError->setTextFormat(Qt::PlainText);
  FUi->lblRangeError->hide();
  QTableWidget* table = FUi->tblReaders;
  QStringList names;
  // The unit under the name keeps the columns narrow.
  for (const std::string& name : SurveyColumnNames())
    names << CoreText("SurveyTable", name.c_str()).replace(QStringLiteral(", "), QStringLiteral("\n"));
  table->setColumnCount(static_cast<int>(names.size()));
  table->setHorizontalHeaderLabels(names);
  table->verticalHeader()->hide();
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
  table->setWordWrap(false);
  QHeaderView* header = table->horizontalHeader();
  // A selected row's header turns bold and would no longer fit its column.
  header->setHighlightSections(false);
  header->setStretchLastSection(true);
  table->setToolTip(tr("Двойной щелчок по строке: работать с этим считывателем"));
  FUi->btnSaveFile->setToolTip(tr("Сохранить таблицу для электронной таблицы (CSV)"));
  connect(FUi->btnStart, &QPushButton::clicked, this, &TfrmFleetSurvey::btnStartClick);
  connect(FUi->btnStop, &QPushButton::clicked, this, &TfrmFleetSurvey::btnStopClick);
  connect(FUi->btnSaveFile, &QPushButton::clicked, this, &TfrmFleetSurvey::btnSaveFileClick);
  connect(FUi->btnWriteMany, &QPushButton::clicked, this, &TfrmFleetSurvey::btnWriteManyClick);
  connect(table, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { tblReadersDblClick(row); });
  SetStartButtons({FUi->btnStart, FUi->btnWriteMany});
  SetRunning(false);
  // Every header whole; the version and mode columns widen to their texts
  // as rows come, the error takes the rest.
  const QFontMetrics metrics(header->font());
  const int margins = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 8;
  for (int c = 0; c + 1 < table->columnCount(); ++c)
    table->setColumnWidth(c, metrics.size(0, names[c]).width() + margins);
  const int versionWidth = metrics.horizontalAdvance(QStringLiteral("2xQ17 v1.0.00 RU")) + margins;
  table->setColumnWidth(kVersionColumn, std::max(table->columnWidth(kVersionColumn), versionWidth));
}

TfrmFleetSurvey::~TfrmFleetSurvey() = default;

void TfrmFleetSurvey::FormShow() {
  FUi->lblRangeError->hide();
  FDeviceGone = false;
  ForgetOtherBus();
  SetPanel(0, tr("Обзор не запущен"));
  SetPanel(2, QString());
  SetRunning(false);
}

void TfrmFleetSurvey::ForgetOtherBus() {
  if (!FSurveyedIn || *FSurveyedIn == FCtx.Link.PortSession()) return;
  FSurveyedIn.reset();
  FRecords.clear();
  FUi->tblReaders->setRowCount(0);
  FUi->pgbProgress->reset();
  SetPanel(1, QString());
}

std::optional<TFoundReaders> TfrmFleetSurvey::Found() const {
  if (!FSurveyedIn || *FSurveyedIn != FCtx.Link.PortSession() || !FCtx.Link.Opened()) return std::nullopt;
  return FoundInSurvey(FRecords);
}

void TfrmFleetSurvey::SetRunning(bool running) {
  FRunning = running;
  // Nothing starts again once the device has gone, until the window is closed.
  const bool usable = FCtx.Link.Opened() && !PortLost();
  FUi->btnStart->setEnabled(!running && usable);
  FUi->btnStop->setEnabled(running);
  FUi->btnClose->setEnabled(!running);
  FUi->sedStartAddr->setEnabled(!running);
  FUi->sedEndAddr->setEnabled(!running);
  FUi->btnSaveFile->setEnabled(!running && !FRecords.empty());
  FUi->btnWriteMany->setEnabled(!running && usable && FCtx.Windows.FleetWrite != nullptr);
  // Rows move while they are added: sorted once the survey has ended.
  FUi->tblReaders->setSortingEnabled(!running);
}

bool TfrmFleetSurvey::LetMessagesThrough() {
  QCoreApplication::processEvents();
  return FStopAsked || FDeviceGone || !FCtx.Link.Opened();
}

void TfrmFleetSurvey::btnStartClick() {
  const auto range =
      TypedRange(*FUi->sedStartAddr, *FUi->sedEndAddr, *FUi->lblRangeError, tr("обзор не выполнен"));
  if (!range) return;
  const int from = range->first;
  const int to = range->second;
  FRecords.clear();
  FSurveyedIn = FCtx.Link.PortSession();
  FUi->tblReaders->setSortingEnabled(false);
  FUi->tblReaders->setRowCount(0);
  FUi->pgbProgress->setRange(from, to);
  FUi->pgbProgress->setValue(from);
  FStopAsked = false;
  FDeviceGone = false;
  SetPanel(0, tr("Обзор идёт..."));
  SetPanel(1, tr("Найдено: %1").arg(0));
  SetPanel(2, QString());
  SetRunning(true);

  const auto start = std::chrono::steady_clock::now();
  TSurveyEnv env;
  env.NowMs = [start] {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  };
  env.StopRequested = [this] { return LetMessagesThrough(); };
  env.Trying = [this](int address) { FUi->pgbProgress->setValue(address); };
  Survey(FCtx.Link, from, to, env, [this](const TSurveyRecord& record) {
    FRecords.push_back(record);
    AddRow(record);
    SetPanel(1, tr("Найдено: %1").arg(FRecords.size()));
    return true;
  });

  // The news of a device found gone by the last exchange is taken in first;
  // a stop asked for meanwhile came too late to stop anything.
  const bool stopAsked = FStopAsked;
  LetMessagesThrough();
  if (FDeviceGone || !FCtx.Link.Opened() || FCtx.Link.DeviceGone()) {
    SetPanel(0, tr("Обзор прерван"));
  } else if (stopAsked) {
    SetPanel(0, tr("Обзор остановлен"));
  } else {
    FUi->pgbProgress->setValue(to);
    SetPanel(0, tr("Обзор завершён"));
  }
  SetRunning(false);
}

void TfrmFleetSurvey::btnStopClick() {
  // The exchange in progress is answered first; the survey ends after it.
  FStopAsked = true;
  FUi->btnStop->setEnabled(false);
}

void TfrmFleetSurvey::StopForDeviceGone() {
  FCtx.Idle.Clear();
  FDeviceGone = true;
  if (FRunning) SetPanel(0, tr("Обзор прерван"));
}

void TfrmFleetSurvey::AddRow(const TSurveyRecord& record) {
  QTableWidget* table = FUi->tblReaders;
  const int row = table->rowCount();
  table->insertRow(row);
  const std::vector<std::string> fields = SurveyFields(record);
  for (int c = 0; c < static_cast<int>(fields.size()); ++c) {
    const bool numeric = c != kVersionColumn && c != kModeColumn && c != kErrorColumn;
    QString text = QString::fromStdString(fields[static_cast<std::size_t>(c)]);
    // The words of the mode and of the error in the user's language; the file keeps the core's.
    if (c == kModeColumn && record.Mode) text = CoreText("ReaderConfig", ModeStatusText(*record.Mode));
    if (c == kErrorColumn && record.ErrorCode != 0) text = ResultText(record.ErrorCode);
    auto* item = new TSortItem(text, numeric);
    if (numeric) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (c == 0) item->setData(Qt::UserRole, record.Address);
    if (record.ErrorCode != 0) {
      item->setBackground(kErrorBackground);
      if (c == kErrorColumn) item->setForeground(QColor(0xB0, 0, 0));
    }
    if (c == kErrorColumn || c == kVersionColumn) item->setToolTip(item->text());
    table->setItem(row, c, item);
  }
  for (const int c : {kVersionColumn, kModeColumn}) {
    const int before = table->columnWidth(c);
    table->resizeColumnToContents(c);
    if (table->columnWidth(c) < before) table->setColumnWidth(c, before);
  }
  table->scrollToItem(table->item(row, 0));
}

void TfrmFleetSurvey::tblReadersDblClick(int row) {
  // The working address stays as it is while the survey runs.
  if (FRunning) return;
  const QTableWidgetItem* item = FUi->tblReaders->item(row, 0);
  if (!item) return;
  FCtx.State.ReaderAddress = item->data(Qt::UserRole).toInt();
  accept();
}

void TfrmFleetSurvey::btnSaveFileClick() {
  const QString name = ChooseExportFile(FCtx.Files, FCtx.Messages, this, kCsvExport);
  if (name.isEmpty()) return;
  // The rows in the order the table shows them.
  std::vector<TSurveyRecord> shown;
  for (int row = 0; row < FUi->tblReaders->rowCount(); ++row) {
    const int address = FUi->tblReaders->item(row, 0)->data(Qt::UserRole).toInt();
    for (const TSurveyRecord& r : FRecords)
      if (r.Address == address) shown.push_back(r);
  }
  WriteExportFile(FCtx.Messages, this, name, QByteArray::fromStdString(SurveyCsv(shown)));
}

void TfrmFleetSurvey::btnWriteManyClick() {
  TfrmFleetWrite* write = FCtx.Windows.FleetWrite;
  if (!write) return;
  write->exec();
}

}  // namespace q17::ui
