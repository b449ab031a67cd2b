#pragma once
// The address-change dialog: moves the reader at ReaderAddress to a new bus
// address, or just sets the address the program talks to.
#include <QDialog>
#include <memory>

#include "ui/common/UiContext.h"

class QLabel;

namespace Ui {
class TfrmAddrChange;
}

namespace q17::ui {

class TfrmAddrChange : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAddrChange(TUiContext& ctx, QWidget* parent = nullptr);
  ~TfrmAddrChange() override;

  void sedCurrentAddressChange();
  void btnChangeAddressClick();
  // The dialog's third panel := "Код = N / text"; returns the code.
  int ShowResult(int code);
  QLabel* Panel(int index) const { return FPanels[index]; }

 private:
  TUiContext& FCtx;
  std::unique_ptr<Ui::TfrmAddrChange> ui;
  QLabel* FPanels[3] = {};
};

}  // namespace q17::ui
