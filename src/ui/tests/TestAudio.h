#pragma once
// The read-zone test window: the reader in its test set-up between Start
// and Stop, one channel polled for any tag or for a given one, a beep for
// each poll that finds it.
#include <cstdint>
#include <memory>

#include "reader/ReadZone.h"
#include "ui/common/DiagWindow.h"

namespace Ui {
class TfrmAudio;
}

namespace q17::ui {

class TfrmAudio : public TDiagWindow {
  Q_OBJECT
 public:
  explicit TfrmAudio(TUiContext& ctx, QWidget* parent = nullptr);
  ~TfrmAudio() override;

 protected:
  void FormShow() override;
  void StopForDeviceGone() override;
  void FormHide() override;

 private:
  void btnStartClick();
  void btnStopClick();
  void ApplicationIdle(bool& done);
  void SetRunning(bool running);

  std::unique_ptr<Ui::TfrmAudio> FUi;
  TReadZoneSetup FSetup;
  std::uint32_t FTagNumber = 0;
  bool FPolling = false;
  // Bumped by every Start and Stop: a pass that outlived its run (Stop
  // pressed during one of its pauses) shows and sounds nothing more.
  unsigned FRun = 0;
};

}  // namespace q17::ui
