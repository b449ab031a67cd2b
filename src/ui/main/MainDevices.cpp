// The main window and devices coming and going: the interface list follows
// the system's news while no port is open, and an open port whose device
// was unplugged is closed at once rather than left to time out.
#include <QComboBox>
#include <QLabel>
#include <QTimer>

#include "link/OpenFailureText.h"
#include "ui/common/DeviceEvents.h"
#include "ui/common/Language.h"
#include "ui/main/Main.h"
#include "ui/main/PortListBox.h"
#include "ui/tests/Audit.h"
#include "ui/tests/FindReaders.h"
#include "ui/fleet/FleetSurvey.h"
#include "ui/fleet/FleetWrite.h"
#include "ui/tests/Sensors.h"
#include "ui/tests/TestAudio.h"
#include "ui/tests/Test_RS485.h"
#include "ui/tests/Test_Radio.h"

namespace q17::ui {
namespace {
// Long enough for an adapter's USB and tty events to arrive together.
constexpr int kSettleMs = 300;
}  // namespace

void TfrmMain::SetUpDeviceHandling() {
  FDeviceSettle = new QTimer(this);
  FDeviceSettle->setSingleShot(true);
  FDeviceSettle->setInterval(kSettleMs);
  connect(FDeviceSettle, &QTimer::timeout, this, &TfrmMain::DevicesSettled);
  // The link finds the device gone in the middle of an operation; the port
  // is closed once that operation has returned.
  FCtx.Link.SetDeviceGoneHandler(
      [this] { QMetaObject::invokeMethod(this, &TfrmMain::PortGone, Qt::QueuedConnection); });
}

void TfrmMain::WatchDevices(TDeviceEvents& events) {
  connect(&events, &TDeviceEvents::DevicesChanged, FDeviceSettle, qOverload<>(&QTimer::start));
}

void TfrmMain::DevicesSettled() {
  // The list is the network open's until it ends: the news waits its turn.
  if (PortOpening()) {
    FDeviceSettle->start();
    return;
  }
  if (FCtx.Link.Opened()) {
    FCtx.Link.CheckOpenDevice();
    return;
  }
  RefreshKeepingChoice();
}

void TfrmMain::RefreshKeepingChoice() {
  // The refresh lets messages through once; news arriving then waits its turn.
  if (FRefreshing) {
    FDeviceSettle->start();
    return;
  }
  FRefreshing = true;
  const QString chosen = cbxInterfaces->currentText();
  RefreshInterfaces();
  const int at = cbxInterfaces->findText(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (at >= 0) cbxInterfaces->setCurrentIndex(at);
  FRefreshing = false;
}

void TfrmMain::PortGone() {
  if (!FCtx.Link.Opened()) return;
  TDiagWindow* windows[] = {FCtx.Windows.CommTest, FCtx.Windows.RadioTest, FCtx.Windows.Audit,
                            FCtx.Windows.Sensors,  FCtx.Windows.Audio,     FCtx.Windows.FindReaders};
  for (TDiagWindow* w : windows) {
    if (w) w->DeviceGone();
  }
  TDiagWindow* fleet[] = {FCtx.Windows.FleetSurvey, FCtx.Windows.FleetWrite};
  for (TDiagWindow* w : fleet) {
    if (w) w->DeviceGone();
  }
  // Asked before the close: a network port's words are of the lost server.
  const QString why = QString::fromUtf8(DeviceGoneExplanation(FCtx.Link));
  tbnInterfaceCloseClick();
  FPanels[3]->setText(CoreText("OpenFailureText", DeviceGoneStatusText()));
  FPanels[3]->setToolTip(why);
  // The list no longer holds what was unplugged.
  RefreshKeepingChoice();
}

}  // namespace q17::ui
