#include "ui/fleet/FleetWrite.h"

#include <QCoreApplication>
#include <QHeaderView>

#include "link/OpenFailureText.h"
#include "reader/AddressList.h"
#include "reader/ConfigCopy.h"
#include "ui/common/Language.h"
#include "ui/fleet/FleetSurvey.h"
#include "ui_FleetWrite.h"

namespace q17::ui {
namespace {

const QColor kFailedBackground(0xFF, 0xD6, 0xD6);

// As ranges, with a blank after each comma so a long list wraps in a box.
QString AddressText(const std::vector<int>& addresses) {
  return QString::fromStdString(AddressListText(addresses)).replace(QLatin1Char(','), QStringLiteral(", "));
}

}  // namespace

TfrmFleetWrite::TfrmFleetWrite(TUiContext& ctx, QWidget* parent)
    : TDiagWindow(ctx, parent), FUi(new Ui::TfrmFleetWrite) {
  FUi->setupUi(this);
  SetUpWindow(FUi->sbrStatus, FUi->btnClose,
              {{160, tr("Запись не запущена")}, {140, QString()}, {50, QString()}});
  FUi->lblListError->setTextFormat(Qt::PlainText);
  FUi->lblListError->hide();
  QTableWidget* table = FUi->tblResults;
  table->setColumnCount(2);
  table->setHorizontalHeaderLabels({tr("Адрес"), tr("Результат")});
  table->verticalHeader()->hide();
  table->horizontalHeader()->setStretchLastSection(true);
  table->setColumnWidth(0, 60);
  FUi->edtAddresses->setToolTip(tr("Адреса и диапазоны через запятую (1,3,5-9) или found: найденные обзором"));
  connect(FUi->btnStart, &QPushButton::clicked, this, &TfrmFleetWrite::btnStartClick);
  connect(FUi->btnStop, &QPushButton::clicked, this, &TfrmFleetWrite::btnStopClick);
  connect(FUi->btnFoundReaders, &QPushButton::clicked, this, &TfrmFleetWrite::btnFoundReadersClick);
  SetStartButtons({FUi->btnStart, FUi->btnFoundReaders});
  SetRunning(false);
}

TfrmFleetWrite::~TfrmFleetWrite() = default;

std::optional<TFoundReaders> TfrmFleetWrite::Found() const {
  return FCtx.Windows.FleetSurvey ? FCtx.Windows.FleetSurvey->Found() : std::nullopt;
}

void TfrmFleetWrite::FormShow() {
  FUi->lblListError->hide();
  FDeviceGone = false;
  SetPanel(0, tr("Запись не запущена"));
  SetPanel(2, QString());
  SetRunning(false);
}

void TfrmFleetWrite::SetRunning(bool running) {
  FRunning = running;
  // Nothing starts again once the device has gone, until the window is closed.
  const bool usable = FCtx.Link.Opened() && !PortLost();
  const std::optional<TFoundReaders> found = Found();
  FUi->btnStart->setEnabled(!running && usable);
  FUi->btnStop->setEnabled(running);
  FUi->btnClose->setEnabled(!running);
  FUi->edtAddresses->setEnabled(!running);
  FUi->btnFoundReaders->setEnabled(!running && usable && found && !found->Readers.empty());
}

void TfrmFleetWrite::btnFoundReadersClick() {
  const std::optional<TFoundReaders> found = Found();
  if (found) FUi->edtAddresses->setText(QString::fromStdString(AddressListText(found->Readers)));
}

bool TfrmFleetWrite::LetMessagesThrough() {
  QCoreApplication::processEvents();
  return FStopAsked || FDeviceGone || !FCtx.Link.Opened();
}

void TfrmFleetWrite::SetRow(int row, int address, const QString& outcome, bool good) {
  QTableWidget* table = FUi->tblResults;
  auto* a = new QTableWidgetItem(QString::number(address));
  a->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* o = new QTableWidgetItem(outcome);
  o->setToolTip(outcome);
  if (!good) {
    a->setBackground(kFailedBackground);
    o->setBackground(kFailedBackground);
  }
  table->setItem(row, 0, a);
  table->setItem(row, 1, o);
}

void TfrmFleetWrite::btnStartClick() {
  TAddressListError error;
  auto list = ParseAddressList(FUi->edtAddresses->text().trimmed().toStdString(), &error);
  QString problem = list ? QString() : ShownText(AddressListError(error));
  std::optional<TFoundReaders> found;
  if (list && list->Found) {
    // The readers of another bus, or of none, are no list to write to.
    found = Found();
    if (!found) {
      problem = tr("обзор на этом порту ещё не выполнялся");
    } else if (found->Readers.empty()) {
      problem = tr("обзор не нашёл ни одного считывателя");
    } else {
      list->Addresses = found->Targets();
    }
  }
  if (!problem.isEmpty()) {
    FUi->lblListError->setText(tr("Список адресов не принят: %1").arg(problem));
    FUi->lblListError->show();
    return;
  }
  FUi->lblListError->hide();
  const std::vector<int> addresses = list->Addresses;
  const int count = static_cast<int>(addresses.size());
  // What answered the survey not whole is named, never written.
  const auto notWhole = [&found](int address) { return found ? found->NotWhole(address) : std::nullopt; };
  std::vector<int> written;
  for (const int a : addresses)
    if (!notWhole(a)) written.push_back(a);
  if (!FCtx.Messages.Confirm(this, tr("Конфигурация со страниц будет записана в считыватели: %1 (%2). "
                                      "Продолжить?")
                                       .arg(static_cast<int>(written.size()))
                                       .arg(AddressText(written))))
    return;

  QTableWidget* table = FUi->tblResults;
  table->setRowCount(count);
  for (int i = 0; i < count; ++i) SetRow(i, addresses[static_cast<std::size_t>(i)], tr("ждёт"), true);
  FUi->pgbProgress->setRange(0, count);
  FUi->pgbProgress->setValue(0);
  FStopAsked = false;
  FDeviceGone = false;
  SetPanel(0, tr("Запись идёт..."));
  SetPanel(2, QString());
  SetRunning(true);

  int verified = 0;
  for (int i = 0; i < count; ++i) {
    const int address = addresses[static_cast<std::size_t>(i)];
    if (LetMessagesThrough()) {
      // Nothing was sent to these: they stay as they were.
      const bool gone = FDeviceGone || !FCtx.Link.Opened();
      for (int k = i; k < count; ++k)
        SetRow(k, addresses[static_cast<std::size_t>(k)], ShownText(UntouchedOutcome(gone)), false);
      break;
    }
    if (const auto code = notWhole(address)) {
      SetRow(i, address, ShownText(NotWholeOutcome(*code)), false);
      FUi->pgbProgress->setValue(i + 1);
      continue;
    }
    SetRow(i, address, tr("записывается..."), true);
    table->scrollToItem(table->item(i, 0));
    // A state of its own: the working address and the pages stay as they are.
    TCommandState reader = FCtx.State;
    reader.ReaderAddress = address;
    const TConfigCopy copy = CopyConfig(
        reader, FCtx.Link, FCtx.State, [this] { return LetMessagesThrough(); },
        [this](int code) {
          SetPanel(2, ResultText(code));
          QCoreApplication::processEvents();
        });
    const bool good = copy.Verdict == TCopyVerdict::Verified;
    verified += good ? 1 : 0;
    SetRow(i, address, ShownText(CopyOutcome(copy)), good);
    FUi->pgbProgress->setValue(i + 1);
    SetPanel(1, tr("Проверено: %1 из %2").arg(verified).arg(count));
  }

  // The news of a device found gone by the last exchange is taken in first;
  // a stop asked for meanwhile came too late to stop anything.
  const bool stopAsked = FStopAsked;
  LetMessagesThrough();
  if (FDeviceGone || !FCtx.Link.Opened() || FCtx.Link.DeviceGone()) {
    SetPanel(0, tr("Запись прервана"));
    SetPanel(2, CoreText("OpenFailureText", DeviceGoneStatusText()));
  } else {
    SetPanel(0, stopAsked ? tr("Запись остановлена") : tr("Запись завершена"));
  }
  SetRunning(false);
}

void TfrmFleetWrite::btnStopClick() {
  FStopAsked = true;
  FUi->btnStop->setEnabled(false);
}

void TfrmFleetWrite::StopForDeviceGone() {
  FCtx.Idle.Clear();
  FDeviceGone = true;
}

}  // namespace q17::ui
