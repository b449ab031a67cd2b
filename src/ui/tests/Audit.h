#pragma once
// The access-audit window: audit mode on while it is shown, one event per
// pass listed as a row.
#include <memory>

#include "ui/common/DiagWindow.h"

namespace Ui {
class TfrmAudit;
}

namespace q17 {
struct TAuditEvent;
}

namespace q17::ui {

class TfrmAudit : public TDiagWindow {
  Q_OBJECT
 public:
  explicit TfrmAudit(TUiContext& ctx, QWidget* parent = nullptr);
  ~TfrmAudit() override;

 protected:
  void FormShow() override;
  void StopForDeviceGone() override;
  void FormHide() override;

 private:
  void ApplicationIdle(bool& done);
  void btnTransactClearClick();
  void btnReaderClearClick();
  void AddAuditRow(const TAuditEvent& event);
  void btnSaveFileClick();

  std::unique_ptr<Ui::TfrmAudit> FUi;
  int RowNumber = 1;
  bool Running = false;
  // A switch-on was sent during this showing: hiding switches off again,
  // also after a failed poll (the reader would otherwise stay in audit mode).
  bool FAuditModeSent = false;
};

}  // namespace q17::ui
