#include "ui/tests/Test_RS485.h"

namespace q17::ui {

TfrmCommTest::TfrmCommTest(TUiContext& ctx, QWidget* parent) : QDialog(parent), FCtx(ctx) {
  setObjectName("TfrmCommTest");
  setWindowTitle(QStringLiteral("CommTest"));
}

}  // namespace q17::ui
