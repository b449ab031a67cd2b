#pragma once
// What the diagnostic windows share: the status bar panels and ShowResult,
// the show/hide hooks, no title-bar buttons, no closing (Escape included)
// while the close button is disabled, one size from the first showing on,
// and nothing started again once the port's device has gone.
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <utility>
#include <vector>

#include "ui/common/UiContext.h"

namespace q17::ui {

class TDiagWindow : public QDialog {
  Q_OBJECT
 public:
  QString PanelText(int panel) const;
  // Writes "Код = N / text" into the result panel and passes the code on.
  int ShowResult(int code);
  void reject() override;
  // The port's device has gone: a shown window stops what it runs, undoes
  // what it still can and says why; the close button works again.
  void DeviceGone();

 signals:
  // The reader could not be put back as the window found it (a set-up not
  // restored, a count or a mode not stopped): the failed command's code,
  // for the main window's status bar.
  void ReaderNotPutBack(int code);

 protected:
  TDiagWindow(TUiContext& ctx, QWidget* parent);
  // Panels of the given widths and start texts; the result panel is the third.
  void SetUpWindow(QStatusBar* bar, QPushButton* close, const std::vector<std::pair<int, QString>>& panels);
  void SetPanel(int panel, const QString& text);
  // The buttons that send something to the reader: disabled from the
  // port's loss until the window is closed.
  void SetStartButtons(std::vector<QPushButton*> buttons);
  // The port went while the window was shown; cleared when it closes.
  bool PortLost() const { return FPortLost; }
  virtual void FormShow() {}
  virtual void FormHide() {}
  // What a window stops and undoes when its port's device has gone.
  virtual void StopForDeviceGone();
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

  TUiContext& FCtx;

 private:
  QPushButton* FClose = nullptr;
  std::vector<QLabel*> FPanels;
  std::vector<QPushButton*> FStartButtons;
  bool FPortLost = false;
  bool FSized = false;
};

}  // namespace q17::ui
