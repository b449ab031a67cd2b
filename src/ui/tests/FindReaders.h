#pragma once
#include <QDialog>

#include "ui/common/UiContext.h"

namespace q17::ui {

class TfrmFindReaders : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmFindReaders(TUiContext& ctx, QWidget* parent = nullptr);

 private:
  TUiContext& FCtx;
};

}  // namespace q17::ui
