#include "ui/tests/TestAudio.h"

#include <QCoreApplication>
#include <QThread>

#include "reader/TagText.h"
#include "ui/common/Pause.h"
#include "ui/tests/TagKeyFilter.h"
#include "ui/tests/Test_Radio.h"
#include "ui_TestAudio.h"

namespace q17::ui {

TfrmAudio::TfrmAudio(TUiContext& ctx, QWidget* parent) : TDiagWindow(ctx, parent), FUi(new Ui::TfrmAudio) {
  FUi->setupUi(this);
  SetUpWindow(FUi->sbrStatus, FUi->btnClose, {{200, tr("Тест остановлен")}});
  SetStartButtons({FUi->btnStart});
  TTagKeyFilter::Attach(FUi->edtTestTag);
  connect(FUi->btnStart, &QPushButton::clicked, this, &TfrmAudio::btnStartClick);
  connect(FUi->btnStop, &QPushButton::clicked, this, &TfrmAudio::btnStopClick);
}

TfrmAudio::~TfrmAudio() = default;

void TfrmAudio::FormShow() { FUi->btnStop->setEnabled(false); }

void TfrmAudio::FormHide() {
  FCtx.Idle.Clear();
  FPolling = false;
  ++FRun;
  // Hidden some other way than through Stop: the reader still gets its set-up back.
  if (FSetup.Active()) btnStopClick();
}

void TfrmAudio::SetRunning(bool running) {
  FUi->btnStart->setEnabled(!running);
  FUi->btnClose->setEnabled(!running);
  FUi->edtTestTag->setEnabled(!running);
  FUi->btnStop->setEnabled(running);
  SetPanel(0, running ? tr("ТЕСТ РАБОТАЕТ") : tr("Тест остановлен"));
}

void TfrmAudio::btnStartClick() {
  if (!FSetup.Start(FCtx.State, FCtx.Link)) return;
  SetRunning(true);
  try {
    FTagNumber = TagNumber(FUi->edtTestTag->text().toStdString());
  } catch (const TConversionError&) {
    // The reader is in its test set-up: Stop, enabled now, restores it.
    FCtx.Messages.Inform(this, ConversionErrorText(FUi->edtTestTag->text()));
    return;
  }
  FPolling = true;
  ++FRun;
  FCtx.Idle.Install([this](bool& done) { ApplicationIdle(done); });
}

void TfrmAudio::btnStopClick() {
  FCtx.Idle.Clear();
  FPolling = false;
  ++FRun;
  const int restored = FSetup.Restore(FCtx.State, FCtx.Link);
  SetRunning(false);
  // The test has stopped, but the reader may still hold 1 s and NoGate.
  if (restored != 0) {
    SetPanel(0, tr("Настройки считывателя не восстановлены"));
    emit ReaderNotPutBack(restored);
  }
}

void TfrmAudio::ApplicationIdle(bool& done) {
  done = false;
  const int channel = FUi->rbnChannel1->isChecked() ? 1 : 2;
  QLabel* mine = channel == 1 ? FUi->lblTags_1 : FUi->lblTags_2;
  QLabel* other = channel == 1 ? FUi->lblTags_2 : FUi->lblTags_1;
  if (FTagNumber == 0) {
    std::int32_t count = 0;
    if (ReadTagCount(FCtx.State, FCtx.Link, channel, count) == 0) {
      if (count > 0) FCtx.Beeper.Beep();
      mine->setText(QString::number(count));
      other->setText(QStringLiteral("00"));
    }
    PauseWithMessages(10, 20);
    return;
  }
  other->setText(QStringLiteral("--"));
  // Stop may be pressed during a pause: the walk ends there, and what its
  // last request found is no longer news.
  const unsigned run = FRun;
  const TTagSearch search = FindTag(FCtx.State, FCtx.Link, channel, FTagNumber, [this, run] {
    PauseWithMessages(1, 50);
    return FPolling && run == FRun;
  });
  if (run != FRun) return;
  if (search.Found) {
    FCtx.Beeper.Beep();
    mine->setText(QStringLiteral("OK"));
  } else {
    mine->setText(QStringLiteral("--"));
  }
  PauseWithMessages(1, 50);
}

}  // namespace q17::ui
