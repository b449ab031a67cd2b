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
  // Written as the program writes every name (an IPv6 address in brackets).
  TNetPortName parts;
  parts.Kind = ui->cbxKind->currentIndex() == 1 ? NetPortKind::Rfc2217 : NetPortKind::RawTcp;
  const bool bracketed = host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'));
  parts.Host = (bracketed ? host.mid(1, host.size() - 2) : host).toStdString();
  parts.Port = static_cast<std::uint16_t>(ui->sedPort->value());
  ui->edtName->setText(QString::fromStdString(FormatNetPortName(parts)));
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
  if (name.isEmpty()) return QStringLiteral("Укажите адрес сервера.");
  if (!name.startsWith(kRawScheme) && !name.startsWith(kTelnetScheme))
    return QStringLiteral("Имя сетевого порта начинается с tcp:// или rfc2217://");
  return QStringLiteral(
      "Неверное имя сетевого порта. Нужно tcp://УЗЕЛ:ПОРТ или rfc2217://УЗЕЛ:ПОРТ: узел без пробелов, "
      "\"/\" и \"@\" (адрес IPv6 в квадратных скобках), порт от 1 до 65535.");
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
