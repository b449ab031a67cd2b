#include "ui/tests/FindReaders.h"

namespace q17::ui {

TfrmFindReaders::TfrmFindReaders(TUiContext& ctx, QWidget* parent) : QDialog(parent), FCtx(ctx) {
  setObjectName("TfrmFindReaders");
  setWindowTitle(QStringLiteral("FindReaders"));
}

}  // namespace q17::ui
