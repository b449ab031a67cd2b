#include "ui/main/Main.h"

namespace q17::ui {

TfrmMain::TfrmMain(TUiContext& ctx, QWidget* parent) : QMainWindow(parent), FCtx(ctx) {
  setObjectName("TfrmMain");
  setWindowTitle(QStringLiteral("2xQ17 Reader Setup Utility"));
}

}  // namespace q17::ui
