#pragma once
#include <QDialog>

#include "ui/common/UiContext.h"

namespace q17::ui {

class TfrmAddrChange : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAddrChange(TUiContext& ctx, QWidget* parent = nullptr);

 private:
  TUiContext& FCtx;
};

}  // namespace q17::ui
