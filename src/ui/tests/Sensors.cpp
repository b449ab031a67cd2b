#include "ui/tests/Sensors.h"

namespace q17::ui {

TfrmSensors::TfrmSensors(TUiContext& ctx, QWidget* parent) : QDialog(parent), FCtx(ctx) {
  setObjectName("TfrmSensors");
  setWindowTitle(QStringLiteral("Sensors"));
}

}  // namespace q17::ui
