#pragma once
// The exchange-test window: echo requests back to back from the idle slot,
// good and failed exchanges counted, the mean time shown at Stop.
#include <chrono>
#include <memory>

#include "reader/Echo.h"
#include "reader/EchoSpread.h"
#include "ui/common/DiagWindow.h"

namespace Ui {
class TfrmCommTest;
}

namespace q17::ui {

class TExchangeHistogram;

class TfrmCommTest : public TDiagWindow {
  Q_OBJECT
 public:
  explicit TfrmCommTest(TUiContext& ctx, QWidget* parent = nullptr);
  ~TfrmCommTest() override;

 protected:
  void FormShow() override;
  void StopForDeviceGone() override;

 private:
  void btnStartTestClick();
  void btnStopTestClick();
  void sedDataLengthChange(int value);
  void ApplicationIdle(bool& done);
  // "Милисекунд/на обмен = ", before the mean time or its question marks.
  static QString TimeText();

  std::unique_ptr<Ui::TfrmCommTest> FUi;
  TEchoTally FTally;
  std::chrono::steady_clock::time_point FStartTime;
  TExchangeHistogram* FHistogram = nullptr;
  std::chrono::steady_clock::time_point FHistogramDrawn;
};

}  // namespace q17::ui
