#pragma once
#include <QDialog>

#include "ui/common/UiContext.h"

namespace q17::ui {

class TfrmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAbout(TUiContext& ctx, QWidget* parent = nullptr);

 private:
  TUiContext& FCtx;
};

}  // namespace q17::ui
