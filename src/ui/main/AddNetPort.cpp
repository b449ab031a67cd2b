#include "ui/main/AddNetPort.h"

#include <QPushButton>

#include "platform/NetPortName.h"
#include "ui_AddNetPort.h"

namespace q17::ui {
namespace {

const QString kRawScheme = QStringLiteral("tcp://");
const QString kTelnetScheme = QStringLiteral("rfc2217://");

}  // namespace

TfrmAddNetPort::TfrmAddNetPort(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TfrmAddNetPort>()) {
  ui->setupUi(this);
  setWindowModality(Qt::WindowModal);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  QPalette errorColour = ui->lblError->palette();
  errorColour.setColor(QPalette::WindowText, QColor(0xB0, 0, 0));
  ui->lblError->setPalette(errorColour);
  // The error line keeps its room, so a message does not move the buttons.
  ui->lblError->setMinimumHeight(2 * fontMetrics().lineSpacing());

  connect(ui->cbxKind, &QComboBox::currentIndexChanged, this, &TfrmAddNetPort::PartsChanged);
  connect(ui->edtHost, &QLineEdit::textEdited, this, &TfrmAddNetPort::PartsChanged);
  connect(ui->sedPort, &QSpinBox::valueChanged, this, &TfrmAddNetPort::PartsChanged);
  connect(ui->edtName, &QLineEdit::textEdited, this, &TfrmAddNetPort::NameEdited);
  connect(ui->rbtAllowanceFixed, &QRadioButton::toggled, ui->sedAllowance, &QWidget::setEnabled);
  connect(ui->OKBtn, &QPushButton::clicked, this, &TfrmAddNetPort::OKBtnClick);
  connect(ui->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  setFixedSize(sizeHint());
}

TfrmAddNetPort::~TfrmAddNetPort() = default;

void TfrmAddNetPort::StartFrom(const std::string& name, std::optional<int> allowanceMs) {
  ui->edtName->setText(QString::fromStdString(name));
  NameEdited();
  ui->rbtAllowanceFixed->setChecked(allowanceMs.has_value());
  ui->rbtAllowanceAuto->setChecked(!allowanceMs.has_value());
  if (allowanceMs) ui->sedAllowance->setValue(*allowanceMs);
}

// The whole name follows the parts...
void TfrmAddNetPort::PartsChanged() {
  ui->lblError->clear();
  if (FSyncing) return;
  const QString host = ui->edtHost->text().trimmed();
  if (host.isEmpty()) {
    ui->edtName->clear();
    return;
  }
  const QString scheme = ui->cbxKind->currentIndex() == 1 ? kTelnetScheme : kRawScheme;
  QString port = QString::number(ui->sedPort->value());
  QString server = host;
  // "gate:4002" typed as the host is taken apart: its port number wins.
  if (host.count(QLatin1Char(':')) == 1 && !host.startsWith(QLatin1Char('['))) {
    const qsizetype colon = host.indexOf(QLatin1Char(':'));
    server = host.left(colon);
    port = host.mid(colon + 1);
    bool number = false;
    const int value = port.toInt(&number);
    if (number && value >= ui->sedPort->minimum() && value <= ui->sedPort->maximum()) {
      FSyncing = true;
      ui->sedPort->setValue(value);
      FSyncing = false;
    }
  } else if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('['))) {
    server = QLatin1Char('[') + host + QLatin1Char(']');  // an IPv6 address
  }
  // Written as typed: what the parser would refuse, it refuses with its reason at OK.
  const QString name = scheme + server + QLatin1Char(':') + port;
  const auto parsed = ParseNetPortName(name.toStdString());
  ui->edtName->setText(parsed ? QString::fromStdString(FormatNetPortName(*parsed)) : name);
}

// ...and the parts follow a whole name typed, once it is one.
void TfrmAddNetPort::NameEdited() {
  ui->lblError->clear();
  const auto parsed = ParseNetPortName(ui->edtName->text().trimmed().toStdString());
  if (!parsed) return;
  FSyncing = true;
  ui->cbxKind->setCurrentIndex(parsed->Kind == NetPortKind::Rfc2217 ? 1 : 0);
  ui->edtHost->setText(QString::fromStdString(parsed->Host));
  ui->sedPort->setValue(parsed->Port);
  FSyncing = false;
}

QString TfrmAddNetPort::Problem(const QString& name) const {
  if (name.isEmpty()) return tr("Укажите адрес сервера.");
  switch (CheckNetPortName(name.toStdString()).Problem) {
    case NetNameProblem::None:
      break;
    case NetNameProblem::NotNetwork:
      return tr("Имя сетевого порта начинается с tcp:// или rfc2217://");
    case NetNameProblem::Blank:
      return tr("В имени сетевого порта не должно быть пробелов.");
    case NetNameProblem::ControlCharacter:
      return tr("В имени сетевого порта есть управляющий символ.");
    case NetNameProblem::NoHost:
      return tr("Укажите адрес сервера.");
    case NetNameProblem::BadHostCharacter:
      return tr("В адресе сервера допустимы только латинские буквы, цифры, точка, дефис и подчёркивание.");
    case NetNameProblem::Ipv6NeedsBrackets:
      return tr("Адрес IPv6 пишется в квадратных скобках, например [fe80::1].");
    case NetNameProblem::UnclosedBracket:
      return tr("Нет закрывающей скобки \"]\" после адреса IPv6.");
    case NetNameProblem::NotIpv6InBrackets:
      return tr("В квадратных скобках пишется только адрес IPv6.");
    case NetNameProblem::NoPort:
      return tr("Укажите порт сервера: tcp://УЗЕЛ:ПОРТ.");
    case NetNameProblem::PortNotNumber:
    case NetNameProblem::PortOutOfRange:
      return tr("Порт сервера — число от 1 до 65535.");
  }
  return tr("Неверное имя сетевого порта.");
}

void TfrmAddNetPort::OKBtnClick() {
  const QString name = ui->edtName->text().trimmed();
  const auto parsed = ParseNetPortName(name.toStdString());
  if (!parsed) {
    ui->lblError->setText(Problem(name));
    ui->edtName->setFocus();
    return;
  }
  FName = FormatNetPortName(*parsed);
  FAllowanceMs = ui->rbtAllowanceFixed->isChecked() ? std::optional<int>(ui->sedAllowance->value()) : std::nullopt;
  accept();
}

}  // namespace q17::ui
