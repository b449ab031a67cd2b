#include "ui/tests/TestAudio.h"

namespace q17::ui {

TfrmAudio::TfrmAudio(TUiContext& ctx, QWidget* parent) : QDialog(parent), FCtx(ctx) {
  setObjectName("TfrmAudio");
  setWindowTitle(QStringLiteral("Audio"));
}

}  // namespace q17::ui
