#pragma once
// The program's shell: interface choice and port state, the section buttons
// and their pages, the menus, the four status panels. Every reader operation
// started here reports through ShowResult.
#include <QMainWindow>
#include <memory>
#include <set>
#include <string>

#include "ui/common/UiContext.h"

class QLabel;
class QShortcut;
class QTabWidget;
class QTimer;
class QToolButton;

namespace Ui {
class TfrmMain;
class TPageTests;
}  // namespace Ui

namespace q17::ui {

class TConfigPages;
class TNetworkOpen;
class TPortListBox;

class TfrmMain : public QMainWindow {
  Q_OBJECT
 public:
  explicit TfrmMain(TUiContext& ctx, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // Every widget and action under the window with Tag 2 is usable exactly
  // while a port is open, with Tag 3 exactly while none is; the pages follow
  // the port state and their titles dim with it.
  void ApplyPortState(bool opened);
  // The menu of the car park's windows, once they exist (usable with a port open).
  void AddFleetMenu();
  // Panel 3 := "Код = N / text"; returns the code.
  int ShowResult(int code);
  void RefreshInterfaces();
  // A network port is being opened (away from the window's thread): the
  // port list, refresh, open and exit wait for its end.
  bool PortOpening() const;
  // Gives up the network port being opened (its Cancel button, Escape).
  void btnCancelOpenClick();
  // The list's last entry, "Добавить сетевой порт...": asks for a port
  // behind a serial server and lists and selects it; never the chosen port.
  void AddNetworkPortClick();
  // Follows devices coming and going: with no port open the list refreshes
  // itself, keeping the chosen entry; an open port is checked for its device.
  void WatchDevices(class TDeviceEvents& events);
  // The open port's device has gone: the test windows stop, the port closes
  // and the status bar says why.
  void PortGone();
  // Panel 2 := the name of the configuration's mode.
  void ShowReaderMode();
  // Panel 1 := the address of the reader the commands go to.
  void ShowReaderAddress();
  TConfigPages& Pages() { return *FPages; }
  // Status panels 0..3.
  QLabel* Panel(int index) const;

  // Tool bar.
  void tbnRefreshClick();
  void tbnInterfaceOpenClick();
  void tbnInterfaceCloseClick();
  void tbnGetFromReaderClick();
  void tbnLoadToReaderClick();
  void tbnHelpAboutClick();
  // Section buttons.
  void btnCommonClick();
  void btnNoGateClick();
  void btnOnTheFlyClick();
  void btnOneReadClick();
  void btnStandardClick();
  void btnTestsClick();
  // Test launchers on the Tests page.
  void btnStartExchangeTestClick();
  void btnStartRadioTestClick();
  void btnStartSensTestClick();
  void btnStartAuditClick();
  void btnAudioTestClick();
  // Menus (the settings file and the service commands live in files of their own).
  void miLoadCfgClick();
  // The load of miLoadCfgClick without its dialog; also what the program
  // does with a settings file named on its command line.
  void LoadSettings(const QString& file);
  void miSaveConfigClick();
  void miExitClick();
  void miGetVersionClick();
  void miDateTimeSetClick();
  void miChangeAddrClick();
  void miActionFindReadersClick();
  void miTrafficLogClick();
  void miRFConfigRestoreClick();
  void miAboutClick();

 protected:
  // FormCloseQuery: no closing while a port is open.
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void FormCreate();
  void BuildToolBar();
  void BuildStatusBar();
  void BuildPageTitles();
  void BuildTestsPage();
  void ConnectHandlers();
  void pgcSectionsChange(int index);
  void RedrawPagesKeepingMode();
  void SetUpDeviceHandling();
  void DevicesSettled();
  void RefreshKeepingChoice();
  void cbxInterfacesChange(int index);
  int AddEntryIndex() const;
  // Lists the ports of the user's file after the local ones.
  void ListRecentPorts();
  // A network port opened: first in the user's file from now on.
  void RememberPort(int index);
  void StartNetworkOpen(int index);
  void NetworkOpenEnded(int index, int result, bool gaveUp);
  // What an open's result shows, whichever thread the open ran on.
  void OpenEnded(int index, int result);
  void SetConnecting(bool connecting, const QString& name);
  // A network port added here that did not open leaves the list.
  void ForgetUntried(int index);

  TUiContext& FCtx;
  std::unique_ptr<Ui::TfrmMain> ui;
  std::unique_ptr<Ui::TPageTests> uiTests;
  TPortListBox* cbxInterfaces = nullptr;
  QLabel* FPanels[4] = {};
  TConfigPages* FPages = nullptr;
  bool FShown = false;
  // Devices come in bursts of events (the USB device, then its tty): one
  // refresh once they have settled.
  QTimer* FDeviceSettle = nullptr;
  bool FRefreshing = false;
  // The entry chosen before the add entry was picked, to go back to.
  int FChoice = -1;
  QString FChoiceText;
  bool FFilling = false;
  TNetworkOpen* FOpen = nullptr;
  QToolButton* FCancelOpen = nullptr;
  QShortcut* FEscape = nullptr;
  bool FCloseWhenOpenEnds = false;
  // Network ports this window listed that have not opened yet.
  std::set<std::string> FUntried;
};

}  // namespace q17::ui
