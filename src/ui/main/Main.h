#pragma once
#include <QMainWindow>

#include "ui/common/UiContext.h"

namespace q17::ui {

class TfrmMain : public QMainWindow {
  Q_OBJECT
 public:
  explicit TfrmMain(TUiContext& ctx, QWidget* parent = nullptr);

 private:
  TUiContext& FCtx;
};

}  // namespace q17::ui
