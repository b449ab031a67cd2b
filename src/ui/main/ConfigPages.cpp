#include "ui/main/ConfigPages.h"

#include <QLocale>
#include <QVBoxLayout>

#include "ui_PageCommon.h"
#include "ui_PageNoGate.h"
#include "ui_PageOnTheFly.h"
#include "ui_PageOneRead.h"
#include "ui_PageStandard.h"

namespace q17::ui {

namespace {

// A page's form goes below the title in a widget of its own, which takes the
// rest of the page.
template <class Form>
std::unique_ptr<Form> LoadForm(QWidget* page) {
  auto form = std::make_unique<Form>();
  auto* content = new QWidget(page);
  form->setupUi(content);
  static_cast<QVBoxLayout*>(page->layout())->addWidget(content, 1);
  return form;
}

}  // namespace

TConfigPages::TConfigPages(TCommandState& state, const TPages& pages, QObject* parent)
    : QObject(parent),
      FState(state),
      uiCommon(LoadForm<Ui::TPageCommon>(pages.Common)),
      uiNoGate(LoadForm<Ui::TPageNoGate>(pages.NoGate)),
      uiOnTheFly(LoadForm<Ui::TPageOnTheFly>(pages.OnTheFly)),
      uiOneRead(LoadForm<Ui::TPageOneRead>(pages.OneRead)),
      uiStandard(LoadForm<Ui::TPageStandard>(pages.Standard)) {
  ConnectCommon();
  ConnectNoGate();
  ConnectOneRead();
  ConnectStandard();
}

TConfigPages::~TConfigPages() = default;

void TConfigPages::ConnectCommon() {
  Ui::TPageCommon& f = *uiCommon;
  FCommon[0] = {f.cbxChannelActive_1, f.trbTagMemTime1, f.lblTagMemTime1, f.trbAttenuator_1};
  FCommon[1] = {f.cbxChannelActive_2, f.trbTagMemTime2, f.lblTagMemTime2, f.trbAttenuator_2};
  cbxLookOppositChannel = f.cbxLookOppositChannel;

  connect(FCommon[0].trbTagMemTime, &QSlider::valueChanged, this, &TConfigPages::trbTagMemTime1Change);
  connect(FCommon[1].trbTagMemTime, &QSlider::valueChanged, this, &TConfigPages::trbTagMemTime2Change);
  connect(FCommon[0].cbxChannelActive, &QCheckBox::toggled, this, &TConfigPages::cbxChannelActive_1Click);
  connect(FCommon[1].cbxChannelActive, &QCheckBox::toggled, this, &TConfigPages::cbxChannelActive_2Click);
  connect(cbxLookOppositChannel, &QCheckBox::toggled, this, &TConfigPages::cbxLookOppositChannelClick);
  connect(FCommon[0].trbAttenuator, &QSlider::valueChanged, this, &TConfigPages::trbAttenuator_1Change);
  connect(FCommon[1].trbAttenuator, &QSlider::valueChanged, this, &TConfigPages::trbAttenuator_2Change);
}

void TConfigPages::ConnectNoGate() {
  tbrWiegandInterval = uiNoGate->tbrWiegandInterval;
  lblWiegandInterval = uiNoGate->lblWiegandInterval;
  // The decimal separator is the locale's, so the first text is written here.
  WriteWiegandLabel();
  connect(tbrWiegandInterval, &QSlider::valueChanged, this, &TConfigPages::tbrWiegandIntervalChange);
}

void TConfigPages::ConnectOneRead() {
  // cbxUseCarSensor_1/_2 only tell the user that this mode always uses the
  // car sensor: disabled, but green so they read as a statement.
  Ui::TPageOneRead& f = *uiOneRead;
  FOneRead[0] = {f.cbxUseCarSensor_1, f.sedWaitCar_1a, f.cbxCarSensorInversion_1};
  FOneRead[1] = {f.cbxUseCarSensor_2, f.sedWaitCar_2a, f.cbxCarSensorInversion_2};
  connect(FOneRead[0].sedWaitCar, &QSpinBox::valueChanged, this, &TConfigPages::sedWaitCar_1aChange);
  connect(FOneRead[1].sedWaitCar, &QSpinBox::valueChanged, this, &TConfigPages::sedWaitCar_2aChange);
  connect(FOneRead[0].cbxCarSensorInversion, &QCheckBox::toggled, this, &TConfigPages::cbxCarSensorInversion_1Click);
  connect(FOneRead[1].cbxCarSensorInversion, &QCheckBox::toggled, this, &TConfigPages::cbxCarSensorInversion_2Click);
}

void TConfigPages::ConnectStandard() {
  Ui::TPageStandard& f = *uiStandard;
  FStandard[0] = {f.cbxUseCarSens_1s,    f.cbxUseGateSens_1s,      f.sedWaitCar_1s,
                  f.sedWaitAccess_1s,    f.sedGateTime_1s,         f.cbxResetGateTime_1s,
                  f.sedDefGateTime_1s,   f.cbxCarSensInversion_1s, f.cbxGateSensInversion_1s};
  FStandard[1] = {f.cbxUseCarSens_2s,    f.cbxUseGateSens_2s,      f.sedWaitCar_2s,
                  f.sedWaitAccess_2s,    f.sedGateTime_2s,         f.cbxResetGateTime_2s,
                  f.sedDefGateTime_2s,   f.cbxCarSensInversion_2s, f.cbxGateSensInversion_2s};

  // The times and their labels are a little smaller than the group's font,
  // whatever size that font has, so the sizes are set here and not in the form.
  const struct {
    QWidget* box;
    std::array<QWidget*, 9> small;
  } channels[] = {
      {f.grbChannel_1s,
       {f.lblWaitCar_1s, f.sedWaitCar_1s, f.lblWaitAccess_1s, f.sedWaitAccess_1s, f.lblGateTime_1s, f.sedGateTime_1s,
        f.cbxResetGateTime_1s, f.lblDefGateTime_1s, f.sedDefGateTime_1s}},
      {f.grbChannel_2s,
       {f.lblWaitCar_2s, f.sedWaitCar_2s, f.lblWaitAccess_2s, f.sedWaitAccess_2s, f.lblGateTime_2s, f.sedGateTime_2s,
        f.cbxResetGateTime_2s, f.lblDefGateTime_2s, f.sedDefGateTime_2s}},
  };
  for (const auto& c : channels) {
    QFont small = c.box->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    for (QWidget* w : c.small) w->setFont(small);
  }

  const TStandardCh& a = FStandard[0];
  const TStandardCh& b = FStandard[1];
  connect(a.cbxUseCarSens, &QCheckBox::toggled, this, &TConfigPages::cbxUseCarSens_1sClick);
  connect(b.cbxUseCarSens, &QCheckBox::toggled, this, &TConfigPages::cbxUseCarSens_2sClick);
  connect(a.cbxUseGateSens, &QCheckBox::toggled, this, &TConfigPages::cbxUseGateSens_1sClick);
  connect(b.cbxUseGateSens, &QCheckBox::toggled, this, &TConfigPages::cbxUseGateSens_2sClick);
  connect(a.sedWaitCar, &QSpinBox::valueChanged, this, &TConfigPages::sedWaitCar_1sChange);
  connect(b.sedWaitCar, &QSpinBox::valueChanged, this, &TConfigPages::sedWaitCar_2sChange);
  connect(a.sedWaitAccess, &QSpinBox::valueChanged, this, &TConfigPages::sedWaitAccess_1sChange);
  connect(b.sedWaitAccess, &QSpinBox::valueChanged, this, &TConfigPages::sedWaitAccess_2sChange);
  connect(a.sedGateTime, &QSpinBox::valueChanged, this, &TConfigPages::sedGateTime_1sChange);
  connect(b.sedGateTime, &QSpinBox::valueChanged, this, &TConfigPages::sedGateTime_2sChange);
  connect(a.cbxResetGateTime, &QCheckBox::toggled, this, &TConfigPages::cbxResetGateTime_1sClick);
  connect(b.cbxResetGateTime, &QCheckBox::toggled, this, &TConfigPages::cbxResetGateTime_2sClick);
  connect(a.sedDefGateTime, &QSpinBox::valueChanged, this, &TConfigPages::sedDefGateTime_1sChange);
  connect(b.sedDefGateTime, &QSpinBox::valueChanged, this, &TConfigPages::sedDefGateTime_2sChange);
  connect(a.cbxCarSensInversion, &QCheckBox::toggled, this, &TConfigPages::cbxCarSensInversion_1sClick);
  connect(b.cbxCarSensInversion, &QCheckBox::toggled, this, &TConfigPages::cbxCarSensInversion_2sClick);
  connect(a.cbxGateSensInversion, &QCheckBox::toggled, this, &TConfigPages::cbxGateSensInversion_1sClick);
  connect(b.cbxGateSensInversion, &QCheckBox::toggled, this, &TConfigPages::cbxGateSensInversion_2sClick);
}

// ---- redraws

void TConfigPages::tbsCommonShow() {
  for (int i = 0; i < 2; ++i) {
    TCommonCh& c = FCommon[static_cast<std::size_t>(i)];
    c.trbTagMemTime->setValue((i == 0 ? FState.TMT_1 : FState.TMT_2) / 10);
    c.cbxChannelActive->setChecked(Ch(i).Opt(ChannelActive));
  }
  cbxLookOppositChannel->setChecked(FState.Config.LookOpposit());
  FCommon[0].trbAttenuator->setValue(-static_cast<int>(FState.ATT_1));
  FCommon[1].trbAttenuator->setValue(-static_cast<int>(FState.ATT_2));
}

void TConfigPages::tbsNoGateShow() {
  FState.Config.Mode = NoGate;
  tbrWiegandInterval->setValue(FState.Config.WiegandInterval);
  WriteWiegandLabel();
}

void TConfigPages::tbsOnTheFlyShow() { FState.Config.Mode = OnTheFly; }

void TConfigPages::tbsOneReadShow() {
  FState.Config.Mode = OneRead;
  FOneRead[0].sedWaitCar->setValue(Ch(0).WCT);
  FOneRead[1].sedWaitCar->setValue(Ch(1).WCT);
  FOneRead[0].cbxCarSensorInversion->setChecked(Ch(0).Opt(CarSensInversion));
  FOneRead[1].cbxCarSensorInversion->setChecked(Ch(1).Opt(CarSensInversion));
}

void TConfigPages::tbsStandardShow() {
  FState.Config.Mode = Standard;
  for (int i = 0; i < 2; ++i) {
    TStandardCh& c = FStandard[static_cast<std::size_t>(i)];
    // Each setter may store into the channel, so read the field afresh each time.
    c.cbxUseCarSens->setChecked(Ch(i).Opt(UseCarSens));
    c.cbxUseGateSens->setChecked(Ch(i).Opt(UseGateSens));
    c.sedWaitCar->setValue(Ch(i).WCT);
    c.sedWaitAccess->setValue(Ch(i).WAT);
    c.sedGateTime->setValue(Ch(i).GOT);
    c.cbxResetGateTime->setChecked(Ch(i).Opt(ResetGateTime));
    c.sedDefGateTime->setValue(Ch(i).GDT);
    c.cbxCarSensInversion->setChecked(Ch(i).Opt(CarSensInversion));
    c.cbxGateSensInversion->setChecked(Ch(i).Opt(GateSensInversion));
  }
}

void TConfigPages::RedrawPages() {
  tbsCommonShow();
  tbsNoGateShow();
  tbsOneReadShow();
  tbsStandardShow();
}

// ---- store handlers

void TConfigPages::StoreTagMemTime(int i) {
  TCommonCh& c = FCommon[static_cast<std::size_t>(i)];
  const int pos = c.trbTagMemTime->value();
  c.lblTagMemTime->setText(QString::number(pos) + QStringLiteral(" sec"));
  (i == 0 ? FState.TMT_1 : FState.TMT_2) = SecondsToTagMemTime(pos);
}

void TConfigPages::StoreAttenuator(int i) {
  (i == 0 ? FState.ATT_1 : FState.ATT_2) = SliderToAttenuation(FCommon[static_cast<std::size_t>(i)].trbAttenuator->value());
}

void TConfigPages::StoreBit(int i, TOptBit bit, const QCheckBox* box) { Ch(i).SetOpt(bit, box->isChecked()); }

void TConfigPages::WriteWiegandLabel() {
  const std::string sep = QLocale().decimalPoint().toStdString();
  lblWiegandInterval->setText(QString::fromStdString(
      WiegandIntervalText(static_cast<std::uint8_t>(tbrWiegandInterval->value()), sep)));
}

void TConfigPages::trbTagMemTime1Change() { StoreTagMemTime(0); }
void TConfigPages::trbTagMemTime2Change() { StoreTagMemTime(1); }
void TConfigPages::cbxChannelActive_1Click() { StoreBit(0, ChannelActive, FCommon[0].cbxChannelActive); }
void TConfigPages::cbxChannelActive_2Click() { StoreBit(1, ChannelActive, FCommon[1].cbxChannelActive); }
void TConfigPages::cbxLookOppositChannelClick() { FState.Config.SetLookOpposit(cbxLookOppositChannel->isChecked()); }
void TConfigPages::trbAttenuator_1Change() { StoreAttenuator(0); }
void TConfigPages::trbAttenuator_2Change() { StoreAttenuator(1); }

void TConfigPages::tbrWiegandIntervalChange() {
  WriteWiegandLabel();
  FState.Config.WiegandInterval = static_cast<std::uint8_t>(tbrWiegandInterval->value());
}

void TConfigPages::sedWaitCar_1aChange() { Ch(0).WCT = static_cast<std::uint8_t>(FOneRead[0].sedWaitCar->value()); }
void TConfigPages::sedWaitCar_2aChange() { Ch(1).WCT = static_cast<std::uint8_t>(FOneRead[1].sedWaitCar->value()); }
void TConfigPages::cbxCarSensorInversion_1Click() {
  StoreBit(0, CarSensInversion, FOneRead[0].cbxCarSensorInversion);
}
void TConfigPages::cbxCarSensorInversion_2Click() {
  StoreBit(1, CarSensInversion, FOneRead[1].cbxCarSensorInversion);
}

void TConfigPages::cbxUseCarSens_1sClick() { StoreBit(0, UseCarSens, FStandard[0].cbxUseCarSens); }
void TConfigPages::cbxUseCarSens_2sClick() { StoreBit(1, UseCarSens, FStandard[1].cbxUseCarSens); }
void TConfigPages::cbxUseGateSens_1sClick() { StoreBit(0, UseGateSens, FStandard[0].cbxUseGateSens); }
void TConfigPages::cbxUseGateSens_2sClick() { StoreBit(1, UseGateSens, FStandard[1].cbxUseGateSens); }
void TConfigPages::sedWaitCar_1sChange() { Ch(0).WCT = static_cast<std::uint8_t>(FStandard[0].sedWaitCar->value()); }
void TConfigPages::sedWaitCar_2sChange() { Ch(1).WCT = static_cast<std::uint8_t>(FStandard[1].sedWaitCar->value()); }
void TConfigPages::sedWaitAccess_1sChange() {
  Ch(0).WAT = static_cast<std::uint8_t>(FStandard[0].sedWaitAccess->value());
}
void TConfigPages::sedWaitAccess_2sChange() {
  Ch(1).WAT = static_cast<std::uint8_t>(FStandard[1].sedWaitAccess->value());
}
void TConfigPages::sedGateTime_1sChange() { Ch(0).GOT = static_cast<std::uint8_t>(FStandard[0].sedGateTime->value()); }
void TConfigPages::sedGateTime_2sChange() { Ch(1).GOT = static_cast<std::uint8_t>(FStandard[1].sedGateTime->value()); }
void TConfigPages::cbxResetGateTime_1sClick() { StoreBit(0, ResetGateTime, FStandard[0].cbxResetGateTime); }
void TConfigPages::cbxResetGateTime_2sClick() { StoreBit(1, ResetGateTime, FStandard[1].cbxResetGateTime); }
void TConfigPages::sedDefGateTime_1sChange() {
  Ch(0).GDT = static_cast<std::uint8_t>(FStandard[0].sedDefGateTime->value());
}
void TConfigPages::sedDefGateTime_2sChange() {
  Ch(1).GDT = static_cast<std::uint8_t>(FStandard[1].sedDefGateTime->value());
}
void TConfigPages::cbxCarSensInversion_1sClick() { StoreBit(0, CarSensInversion, FStandard[0].cbxCarSensInversion); }
void TConfigPages::cbxCarSensInversion_2sClick() { StoreBit(1, CarSensInversion, FStandard[1].cbxCarSensInversion); }
void TConfigPages::cbxGateSensInversion_1sClick() {
  StoreBit(0, GateSensInversion, FStandard[0].cbxGateSensInversion);
}
void TConfigPages::cbxGateSensInversion_2sClick() {
  StoreBit(1, GateSensInversion, FStandard[1].cbxGateSensInversion);
}

}  // namespace q17::ui
