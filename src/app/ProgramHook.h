#pragma once
// SETUPQ17_BENCH_EXIT: the probe's hook for bench/ and scripts/, which drive
// the real windows where no test harness reaches (a Release build, a Windows
// build under Wine). Only SetupQ17Probe has it; the installed SetupQ17 does not.
//   1           print the time from the start of main to the main window's
//               first exposure and the resident memory then, and quit
//   idle:N      then open the first interface, sit idle N seconds and print
//               the processor time used meanwhile
//   smoke[:P]   then open interface P (the first when none is named), read
//               the configuration and the reader's version through the
//               window's own buttons, print what the window shows, close the
//               port and quit; exit status 0 only when every step succeeded
//   shots:DIR   then open interface SETUPQ17_BENCH_PORT (the first when
//               unset), read the configuration, and render the main window
//               on each page, every test window after a moment of its test,
//               the address change, the car park's windows, the traffic log,
//               the about box and the network port dialog into DIR as PNG
//               files (in the language of the run: --lang)
#include <QString>

#include "app/ProgramStart.h"

namespace q17::app {

class TProgramHook : public QObject {
 public:
  TProgramHook(QElapsedTimer& started, ui::TfrmMain& main, ui::TWindows& windows, QString mode);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void AfterShown();
  void Idle(int seconds);
  int Smoke(const QString& port);
  int Shots(const QString& dir);
  bool Trigger(const char* action);
  // Clicks a window's button when it is there and enabled.
  void Click(QWidget& window, const char* button);
  // Runs the event loop for `ms` (the windows' polls go on meanwhile).
  static void Wait(int ms);
  bool OpenPort(const QString& name);
  QString PanelText(int index) const;
  // A message box a step raises would wait for a click nobody makes: it is
  // printed, closed, and the step counts as failed.
  void DismissModal();

  QElapsedTimer& FStarted;
  ui::TfrmMain& FMain;
  ui::TWindows& FWindows;
  QString FMode;
  bool FDone = false;
  int FDismissed = 0;
};

}  // namespace q17::app
