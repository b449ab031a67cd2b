#pragma once
// The configuration the pages hold written into many readers, each read
// back and judged as q17ctl's write-config judges it, one table row per
// reader. "found" is the survey window's last survey on the port open now,
// taken as q17ctl takes a scan. A stop finishes the reader in progress (or
// names it not known) and leaves the rest untouched, listed so.
#include <memory>
#include <optional>
#include <vector>

#include "reader/AddressList.h"

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
  // The survey window's readers on this port; nothing when none has run on it.
  std::optional<TFoundReaders> Found() const;

  std::unique_ptr<Ui::TfrmFleetWrite> FUi;
  bool FRunning = false;
  bool FStopAsked = false;
  bool FDeviceGone = false;
};

}  // namespace q17::ui
