#include "ui/about/About.h"

namespace q17::ui {

TfrmAbout::TfrmAbout(TUiContext& ctx, QWidget* parent) : QDialog(parent), FCtx(ctx) {
  setObjectName("TfrmAbout");
  setWindowTitle(QStringLiteral("About"));
}

}  // namespace q17::ui
