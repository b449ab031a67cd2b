#include "ui/main/Windows.h"

#include <QFileInfo>

#include "ui/about/About.h"
#include "ui/main/ChangeAddr.h"
#include "ui/tests/Audit.h"
#include "ui/tests/FindReaders.h"
#include "ui/fleet/FleetSurvey.h"
#include "ui/fleet/FleetWrite.h"
#include "ui/tests/Sensors.h"
#include "ui/tests/TestAudio.h"
#include "ui/tests/Test_RS485.h"
#include "ui/tests/Test_Radio.h"
#include "ui/service/TrafficLog.h"

namespace q17::ui {

std::unique_ptr<TfrmMain> CreateWindows(TUiContext& ctx) {
  TWindows& w = ctx.Windows;
  auto main = std::make_unique<TfrmMain>(ctx);
  w.Main = main.get();
  w.About = new TfrmAbout(ctx, main.get());
  w.CommTest = new TfrmCommTest(ctx, main.get());
  w.RadioTest = new TfrmRadioTest(ctx, main.get());
  w.Audit = new TfrmAudit(ctx, main.get());
  w.Sensors = new TfrmSensors(ctx, main.get());
  w.AddrChange = new TfrmAddrChange(ctx, main.get());
  w.Audio = new TfrmAudio(ctx, main.get());
  w.FindReaders = new TfrmFindReaders(ctx, main.get());
  // A test that could not put the reader back says so in the main window's
  // status bar, which outlives the test window.
  for (TDiagWindow* test : {static_cast<TDiagWindow*>(w.RadioTest), static_cast<TDiagWindow*>(w.Audit),
                            static_cast<TDiagWindow*>(w.Audio)}) {
    QObject::connect(test, &TDiagWindow::ReaderNotPutBack, main.get(), &TfrmMain::ShowResult);
  }
  w.FleetSurvey = new TfrmFleetSurvey(ctx, main.get());
  w.FleetWrite = new TfrmFleetWrite(ctx, main.get());
  main->AddFleetMenu();
  // A window of its own, not the main window's child: the diagnostic windows
  // block the main window while they run, and the log must stay usable then.
  // It does not keep the program running, and goes with the main window.
  auto* log = new TfrmTrafficLog(ctx);
  log->setAttribute(Qt::WA_QuitOnClose, false);
  w.TrafficLog = log;
  QObject::connect(main.get(), &QObject::destroyed, [log, &w] {
    w.TrafficLog = nullptr;
    delete log;
  });
  return main;
}

void LoadArguments(TfrmMain& main, const QStringList& arguments) {
  for (const QString& argument : arguments) {
    if (argument.isEmpty() || argument.startsWith(QLatin1Char('-'))) continue;
    // Against the folder the program was started in, before anything changes it.
    main.LoadSettings(QFileInfo(argument).absoluteFilePath());
    return;
  }
}

}  // namespace q17::ui
