#include "ui/main/ChangeAddr.h"

#include <QLabel>
#include <QPushButton>

#include "reader/RdrCmd.h"
#include "ui/common/Panels.h"
#include "ui_ChangeAddr.h"

namespace q17::ui {

TfrmAddrChange::TfrmAddrChange(TUiContext& ctx, QWidget* parent)
    : QDialog(parent), FCtx(ctx), ui(std::make_unique<Ui::TfrmAddrChange>()) {
  ui->setupUi(this);
  // Modal to the main window only: the traffic log stays usable meanwhile.
  setWindowModality(Qt::WindowModal);
  // No system menu and no caption buttons: the dialog is left through its own buttons or Esc.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  QFont bold = font();
  bold.setBold(true);
  setFont(bold);
  // The third panel carries "Код = N / text": it takes the rest of the bar,
  // where a 50-pixel panel would show only its first letters.
  const auto panels = MakeStatusPanels(*ui->sbrStatus, {120, 100, 0});
  for (int i = 0; i < 3; ++i) FPanels[i] = panels[static_cast<std::size_t>(i)];
  FPanels[2]->setText(tr("Статус неизвестен"));
  setFixedSize(sizeHint());

  connect(ui->sedCurrentAddress, &QSpinBox::valueChanged, this, &TfrmAddrChange::sedCurrentAddressChange);
  connect(ui->btnChangeAddress, &QPushButton::clicked, this, &TfrmAddrChange::btnChangeAddressClick);
  connect(ui->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmAddrChange::~TfrmAddrChange() = default;

void TfrmAddrChange::sedCurrentAddressChange() { FCtx.State.ReaderAddress = ui->sedCurrentAddress->value(); }

int TfrmAddrChange::ShowResult(int code) { return ShowResultIn(*FPanels[2], code); }

void TfrmAddrChange::btnChangeAddressClick() {
  // The spin edit's value is already within 1..127, even while an
  // out-of-range text is still being typed.
  const int n = ui->sedNewAddress->value();
  if (ShowResult(ChangeAddress(FCtx.State, FCtx.Link, n)) != 0) return;
  ui->sedCurrentAddress->setValue(n);
}

}  // namespace q17::ui
