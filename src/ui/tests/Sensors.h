#pragma once
// The sensor-state window: polls the four gate-automation sensors while it
// is shown; the first failed read freezes the display until it is reopened.
#include <memory>

#include "ui/common/DiagWindow.h"

namespace Ui {
class TfrmSensors;
}

namespace q17::ui {

class TSensorTimelineView;

class TfrmSensors : public TDiagWindow {
  Q_OBJECT
 public:
  explicit TfrmSensors(TUiContext& ctx, QWidget* parent = nullptr);
  ~TfrmSensors() override;

 protected:
  void FormShow() override;
  void StopForDeviceGone() override;
  void FormHide() override;

 private:
  void ApplicationIdle(bool& done);

  std::unique_ptr<Ui::TfrmSensors> FUi;
  TSensorTimelineView* FTimeline = nullptr;
  bool FRunning = false;
};

}  // namespace q17::ui
