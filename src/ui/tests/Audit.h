#pragma once
#include <QDialog>

#include "ui/common/UiContext.h"

namespace q17::ui {

class TfrmAudit : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAudit(TUiContext& ctx, QWidget* parent = nullptr);

 private:
  TUiContext& FCtx;
};

}  // namespace q17::ui
