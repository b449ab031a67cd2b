#pragma once
// The survey window: every reader of an address range with its version,
// mode, tag memory times, attenuations and a short echo run, one table row
// per reader as it is found, from the same survey q17ctl runs. The table
// sorts by any column, saves as a spreadsheet file, and a double-click makes
// a reader the one the program works with.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "reader/Survey.h"
#include "ui/common/DiagWindow.h"

namespace Ui {
class TfrmFleetSurvey;
}

namespace q17::ui {

class TfrmFleetSurvey : public TDiagWindow {
  Q_OBJECT
 public:
  explicit TfrmFleetSurvey(TUiContext& ctx, QWidget* parent = nullptr);
  ~TfrmFleetSurvey() override;

  // The records of the last survey, in address order.
  const std::vector<TSurveyRecord>& Records() const { return FRecords; }
  // What "found" goes through: the last survey's readers, while the port it
  // ran on is still the one open; nothing when no survey has run on it.
  std::optional<TFoundReaders> Found() const;
  bool Running() const { return FRunning; }

 protected:
  void FormShow() override;
  void StopForDeviceGone() override;

 private:
  void btnStartClick();
  void btnStopClick();
  void btnSaveFileClick();
  void btnWriteManyClick();
  void tblReadersDblClick(int row);
  void SetRunning(bool running);
  void AddRow(const TSurveyRecord& record);
  // Rows and records of a survey that belongs to another opening of the port.
  void ForgetOtherBus();
  // Lets the window's messages through between exchanges; true once the
  // survey should end.
  bool LetMessagesThrough();

  std::unique_ptr<Ui::TfrmFleetSurvey> FUi;
  std::vector<TSurveyRecord> FRecords;
  // The port session the records were taken in (TInterfList::PortSession).
  std::optional<std::uint32_t> FSurveyedIn;
  bool FRunning = false;
  bool FStopAsked = false;
  bool FDeviceGone = false;
};

}  // namespace q17::ui
