#include "ui/tests/Sensors.h"

#include <QBoxLayout>
#include <chrono>

#include "reader/Sensors.h"
#include "ui/common/Language.h"
#include "ui/common/Pause.h"
#include "ui/tests/SensorTimeline.h"
#include "ui_Sensors.h"

namespace q17::ui {

TfrmSensors::TfrmSensors(TUiContext& ctx, QWidget* parent) : TDiagWindow(ctx, parent), FUi(new Ui::TfrmSensors) {
  FUi->setupUi(this);
  SetUpWindow(FUi->sbrStatus, FUi->btnClose,
              {{120, tr("Тест не работает")}, {100, QString()}, {50, tr("Статус неизвестен")}});
  // The timeline goes under the four states.
  FTimeline = new TSensorTimelineView(this);
  auto* column = static_cast<QBoxLayout*>(layout());
  column->insertWidget(column->indexOf(FUi->layout23) + 1, FTimeline);
}

namespace {
long long SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

TfrmSensors::~TfrmSensors() = default;

void TfrmSensors::FormShow() {
  FRunning = true;
  FTimeline->Clear();
  SetPanel(0, tr("ТЕСТ РАБОТАЕТ..."));
  FCtx.Idle.Install([this](bool& done) { ApplicationIdle(done); });
}

void TfrmSensors::FormHide() { FCtx.Idle.Clear(); }

void TfrmSensors::ApplicationIdle(bool& done) {
  if (FRunning) {
    TSensorState st;
    bool read = false;
    // The exchange decides, whatever the reader's answer code; a reply too
    // short for the four states leaves the last ones shown.
    if (ShowResult(ReadSensorsTransaction(FCtx.State, FCtx.Link, st, read)) == 0) {
      if (read) {
        FUi->lblDC1->setText(CoreText("Sensors", OnOffText(st.DC1)));
        FUi->lblCAR1->setText(CoreText("Sensors", OnOffText(st.CAR1)));
        FUi->lblDC2->setText(CoreText("Sensors", OnOffText(st.DC2)));
        FUi->lblCAR2->setText(CoreText("Sensors", OnOffText(st.CAR2)));
        FTimeline->Record(SteadyMs(), st);
      }
    } else {
      FRunning = false;
    }
  } else {
    SetPanel(0, tr("Тест не работает..."));
  }
  PauseWithMessages(10, 20);
  done = false;
}

}  // namespace q17::ui
