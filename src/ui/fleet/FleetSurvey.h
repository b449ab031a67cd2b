#pragma once
// The survey window: every reader of an address range with its version,
// mode, tag memory times, attenuations and a short echo run, one table row
// per reader as it is found, from the same survey q17ctl runs. The table
// sorts by any column, saves as a spreadsheet file, and a double-click makes
// a reader the one the program works with.
#include <functional>
#include <memory>
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
  std::vector<int> FoundAddresses() const;
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
  // Lets the window's messages through between exchanges; true once the
  // survey should end.
  bool LetMessagesThrough();

  std::unique_ptr<Ui::TfrmFleetSurvey> FUi;
  std::vector<TSurveyRecord> FRecords;
  bool FRunning = false;
  bool FStopAsked = false;
  bool FDeviceGone = false;
};

}  // namespace q17::ui
