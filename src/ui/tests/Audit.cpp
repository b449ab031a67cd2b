#include "ui/tests/Audit.h"

namespace q17::ui {

TfrmAudit::TfrmAudit(TUiContext& ctx, QWidget* parent) : QDialog(parent), FCtx(ctx) {
  setObjectName("TfrmAudit");
  setWindowTitle(QStringLiteral("Audit"));
}

}  // namespace q17::ui
