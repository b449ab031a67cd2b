#pragma once
// The five configuration pages of the main window: every control a live view
// of one field or bit of the configuration held in the command state. A
// control's store handler runs on every change of its value, whether the
// user or a redraw made it, so a redraw writes back exactly what a control
// clamped and nothing else.
#include <QCheckBox>
#include <QLabel>
#include <QObject>
#include <QSlider>
#include <array>
#include <memory>

#include "reader/RdrCmd.h"
#include "ui/common/SpinEdit.h"

class QWidget;

namespace Ui {
class TPageCommon;
class TPageNoGate;
class TPageOnTheFly;
class TPageOneRead;
class TPageStandard;
}  // namespace Ui

namespace q17::ui {

class TConfigPages : public QObject {
  Q_OBJECT
 public:
  struct TPages {
    QWidget* Common;
    QWidget* NoGate;
    QWidget* OnTheFly;
    QWidget* OneRead;
    QWidget* Standard;
  };
  // Loads each page's form below its title (each page already has a
  // vertical layout) and connects the store handlers.
  TConfigPages(TCommandState& state, const TPages& pages, QObject* parent = nullptr);
  ~TConfigPages() override;

  // Page redraws: set the page's controls from the configuration; the mode
  // pages also select their mode.
  void tbsCommonShow();
  void tbsNoGateShow();
  void tbsOnTheFlyShow();
  void tbsOneReadShow();
  void tbsStandardShow();
  // Every page but On The Fly, whatever page is visible; the caller decides
  // what Mode holds afterwards.
  void RedrawPages();

  // Store handlers.
  void trbTagMemTime1Change();
  void trbTagMemTime2Change();
  void cbxChannelActive_1Click();
  void cbxChannelActive_2Click();
  void cbxLookOppositChannelClick();
  void trbAttenuator_1Change();
  void trbAttenuator_2Change();
  void tbrWiegandIntervalChange();
  void sedWaitCar_1aChange();
  void sedWaitCar_2aChange();
  void cbxCarSensorInversion_1Click();
  void cbxCarSensorInversion_2Click();
  void cbxUseCarSens_1sClick();
  void cbxUseCarSens_2sClick();
  void cbxUseGateSens_1sClick();
  void cbxUseGateSens_2sClick();
  void sedWaitCar_1sChange();
  void sedWaitCar_2sChange();
  void sedWaitAccess_1sChange();
  void sedWaitAccess_2sChange();
  void sedGateTime_1sChange();
  void sedGateTime_2sChange();
  void cbxResetGateTime_1sClick();
  void cbxResetGateTime_2sClick();
  void sedDefGateTime_1sChange();
  void sedDefGateTime_2sChange();
  void cbxCarSensInversion_1sClick();
  void cbxCarSensInversion_2sClick();
  void cbxGateSensInversion_1sClick();
  void cbxGateSensInversion_2sClick();

 private:
  // One channel's controls on each page; index 0 is channel 1.
  struct TCommonCh {
    QCheckBox* cbxChannelActive;
    QSlider* trbTagMemTime;
    QLabel* lblTagMemTime;
    QSlider* trbAttenuator;
  };
  struct TOneReadCh {
    QCheckBox* cbxUseCarSensor;
    TSpinEdit* sedWaitCar;
    QCheckBox* cbxCarSensorInversion;
  };
  struct TStandardCh {
    QCheckBox* cbxUseCarSens;
    QCheckBox* cbxUseGateSens;
    TSpinEdit* sedWaitCar;
    TSpinEdit* sedWaitAccess;
    TSpinEdit* sedGateTime;
    QCheckBox* cbxResetGateTime;
    TSpinEdit* sedDefGateTime;
    QCheckBox* cbxCarSensInversion;
    QCheckBox* cbxGateSensInversion;
  };

  // Each page's controls into the lists above, and their store handlers
  // connected; the On The Fly page has texts only.
  void ConnectCommon();
  void ConnectNoGate();
  void ConnectOneRead();
  void ConnectStandard();

  TChannelConfig& Ch(int i) { return FState.Config.Channel[static_cast<std::size_t>(i)]; }
  void StoreTagMemTime(int i);
  void StoreAttenuator(int i);
  void StoreBit(int i, TOptBit bit, const QCheckBox* box);
  void WriteWiegandLabel();

  TCommandState& FState;
  std::unique_ptr<Ui::TPageCommon> uiCommon;
  std::unique_ptr<Ui::TPageNoGate> uiNoGate;
  std::unique_ptr<Ui::TPageOnTheFly> uiOnTheFly;
  std::unique_ptr<Ui::TPageOneRead> uiOneRead;
  std::unique_ptr<Ui::TPageStandard> uiStandard;
  std::array<TCommonCh, 2> FCommon{};
  QCheckBox* cbxLookOppositChannel = nullptr;
  QSlider* tbrWiegandInterval = nullptr;
  QLabel* lblWiegandInterval = nullptr;
  std::array<TOneReadCh, 2> FOneRead{};
  std::array<TStandardCh, 2> FStandard{};
};

}  // namespace q17::ui
