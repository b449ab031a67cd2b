#include "ui/main/ChangeAddr.h"

namespace q17::ui {

TfrmAddrChange::TfrmAddrChange(TUiContext& ctx, QWidget* parent) : QDialog(parent), FCtx(ctx) {
  setObjectName("TfrmAddrChange");
  setWindowTitle(QStringLiteral("Смена адреса считывателя"));
}

}  // namespace q17::ui
