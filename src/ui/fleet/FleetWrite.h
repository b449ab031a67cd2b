#pragma once
// The configuration the pages hold written into many readers, each read
// back and judged as q17ctl's write-config judges it, one table row per
// reader. A stop finishes the reader in progress (or names it not known)
// and leaves the rest untouched, listed so.
#include <memory>
#include <vector>

#include "ui/common/DiagWindow.h"

namespace Ui {
class TfrmFleetWrite;
}

namespace q17::ui {

class TfrmFleetWrite : public TDiagWindow {
  Q_OBJECT
 public:
  explicit TfrmFleetWrite(TUiContext& ctx, QWidget* parent = nullptr);
  ~TfrmFleetWrite() override;

  // The readers the last survey found, offered as the list ("found" also names them).
  void SetFoundReaders(std::vector<int> addresses);
  bool Running() const { return FRunning; }

 protected:
  void FormShow() override;
  void StopForDeviceGone() override;

 private:
  void btnStartClick();
  void btnStopClick();
  void btnFoundReadersClick();
  void SetRunning(bool running);
  void SetRow(int row, int address, const QString& outcome, bool good);
  bool LetMessagesThrough();

  std::unique_ptr<Ui::TfrmFleetWrite> FUi;
  std::vector<int> FFound;
  bool FRunning = false;
  bool FStopAsked = false;
  bool FDeviceGone = false;
};

}  // namespace q17::ui
