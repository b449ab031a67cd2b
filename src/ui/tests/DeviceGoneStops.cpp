// What each test window stops and undoes when the port's device has gone.
// The reader cannot be reached any more, so the undo is of what this
// program holds: polling, running states, buttons. Set-ups sent to the
// reader are still undone through the link, which refuses at once.
#include "ui/tests/Audit.h"
#include "ui/tests/Sensors.h"
#include "ui/tests/TestAudio.h"
#include "ui/tests/Test_RS485.h"
#include "ui/tests/Test_Radio.h"
#include "ui_Audit.h"
#include "ui_Sensors.h"
#include "ui_TestAudio.h"
#include "ui_Test_RS485.h"
#include "ui_Test_Radio.h"

namespace q17::ui {

void TfrmCommTest::StopForDeviceGone() {
  if (FUi->btnStopTest->isEnabled()) btnStopTestClick();
  FCtx.Idle.Clear();
}

void TfrmRadioTest::StopForDeviceGone() {
  FCtx.Idle.Clear();
  // Its counts went with the reader: nothing to read back.
  if (FUi->btnStopTest->isEnabled()) {
    SetStarted(false);
    SetPanel(0, tr("Тест не запущен"));
  }
}

void TfrmAudit::StopForDeviceGone() { FormHide(); }

void TfrmSensors::StopForDeviceGone() {
  FCtx.Idle.Clear();
  FRunning = false;
  SetPanel(0, tr("Тест не работает..."));
}

void TfrmAudio::StopForDeviceGone() {
  if (FSetup.Active()) btnStopClick();
  FCtx.Idle.Clear();
  FPolling = false;
}

}  // namespace q17::ui
