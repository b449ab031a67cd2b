#pragma once
#include <QDialog>

#include "ui/common/UiContext.h"

namespace q17::ui {

class TfrmAudio : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAudio(TUiContext& ctx, QWidget* parent = nullptr);

 private:
  TUiContext& FCtx;
};

}  // namespace q17::ui
