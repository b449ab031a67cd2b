#pragma once
// The traffic log window: every frame on the line while it is open, the
// newest followed unless the user scrolled up; pause, clear, save. It is
// the link's observer only while shown, so it costs nothing while closed.
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>

#include "link/LineObserver.h"
#include "ui/common/UiContext.h"
#include "ui/service/TrafficLogModel.h"

namespace Ui {
class TfrmTrafficLog;
}

namespace q17::ui {

class TfrmTrafficLog : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmTrafficLog(TUiContext& ctx, int cap = kTrafficLogCap, QWidget* parent = nullptr);
  ~TfrmTrafficLog() override;

  const TTrafficLogModel& Model() const { return FModel; }
  // Lines dropped for the cap, shown or waiting behind a pause.
  long long Dropped() const { return FModel.Dropped(); }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  class TObserver : public TLineObserver {
   public:
    explicit TObserver(TfrmTrafficLog& owner) : FOwner(owner) {}
    void OnLineEvent(const TLineEvent& event) override;

   private:
    TfrmTrafficLog& FOwner;
  };

  void AddLine(std::string line);
  void Flush();
  void ShowDropped();
  void btnPauseClick(bool paused);
  void btnClearClick();
  void btnSaveClick();

  TUiContext& FCtx;
  std::unique_ptr<Ui::TfrmTrafficLog> FUi;
  TTrafficLogModel FModel;
  TObserver FObserver{*this};
  TLineClock::time_point FStart = TLineClock::now();
  QTimer FFlushTimer;
};

}  // namespace q17::ui
