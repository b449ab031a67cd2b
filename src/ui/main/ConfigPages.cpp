#include "ui/main/ConfigPages.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLocale>
#include <QVBoxLayout>

#include "ui/common/Panels.h"

namespace q17::ui {

namespace {

QVBoxLayout& PageLayout(QWidget* page) { return *static_cast<QVBoxLayout*>(page->layout()); }

QLabel* AddText(QWidget* page, const QString& text) {
  auto* label = new QLabel(text, page);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  PageLayout(page).addWidget(label);
  return label;
}

QCheckBox* MakeCheck(QWidget* parent, const QString& name, const QString& caption, bool checked) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(name);
  box->setChecked(checked);
  return box;
}

TSpinEdit* MakeSpin(QWidget* parent, const QString& name, int min, int max, int value) {
  auto* spin = new TSpinEdit(parent);
  spin->setObjectName(name);
  spin->setRange(min, max);
  spin->setValue(value);
  spin->setFixedWidth(64);
  return spin;
}

QSlider* MakeTrack(QWidget* parent, const QString& name, int min, int max, int tick, int value) {
  auto* bar = new QSlider(parent);
  bar->setObjectName(name);
  SetupTrackBar(*bar, min, max, tick);
  bar->setValue(value);
  return bar;
}

QGroupBox* ChannelBox(QWidget* parent, const QString& name, int channel) {
  auto* box = new QGroupBox(channel == 0 ? QStringLiteral("Канал 1") : QStringLiteral("Канал 2"), parent);
  box->setObjectName(name);
  return box;
}

QString Suffix(int i, const char* one, const char* two) { return QString::fromLatin1(i == 0 ? one : two); }

}  // namespace

TConfigPages::TConfigPages(TCommandState& state, const TPages& pages, QObject* parent)
    : QObject(parent), FState(state) {
  BuildCommon(pages.Common);
  BuildNoGate(pages.NoGate);
  BuildOnTheFly(pages.OnTheFly);
  BuildOneRead(pages.OneRead);
  BuildStandard(pages.Standard);
}

void TConfigPages::BuildCommon(QWidget* page) {
  AddText(page, QStringLiteral("На данной закладке устанавливаются параметры считывателя, независимые от режима "
                               "работы. Эти параметры участвуют в работе любого алгоритма."));
  auto* row = new QHBoxLayout;
  for (int i = 0; i < 2; ++i) {
    auto* box = ChannelBox(page, Suffix(i, "grbCh1", "grbCh2"), i);
    auto* v = new QVBoxLayout(box);
    TCommonCh& c = FCommon[static_cast<std::size_t>(i)];
    c.cbxChannelActive = MakeCheck(box, Suffix(i, "cbxChannelActive_1", "cbxChannelActive_2"),
                                   QStringLiteral("Канал активен"), false);
    v->addWidget(c.cbxChannelActive);
    v->addWidget(new QLabel(QStringLiteral("Время памяти тага в радиоканале"), box));
    c.trbTagMemTime = MakeTrack(box, Suffix(i, "trbTagMemTime1", "trbTagMemTime2"), 1, 240, 10, 1);
    v->addWidget(c.trbTagMemTime);
    c.lblTagMemTime = new QLabel(QStringLiteral("1 sec"), box);
    c.lblTagMemTime->setObjectName(Suffix(i, "lblTagMemTime1", "lblTagMemTime2"));
    c.lblTagMemTime->setAlignment(Qt::AlignCenter);
    v->addWidget(c.lblTagMemTime);
    v->addWidget(new QLabel(QStringLiteral("Усиление в радиоканале"), box));
    auto* gain = new QHBoxLayout;
    gain->addWidget(new QLabel(QStringLiteral("Min."), box));
    c.trbAttenuator = MakeTrack(box, Suffix(i, "trbAttenuator_1", "trbAttenuator_2"), -kMaxAttenuation, 0, 1, 0);
    gain->addWidget(c.trbAttenuator, 1);
    gain->addWidget(new QLabel(QStringLiteral("Max."), box));
    v->addLayout(gain);
    row->addWidget(box);
  }
  PageLayout(page).addLayout(row);
  cbxLookOppositChannel = MakeCheck(page, QStringLiteral("cbxLookOppositChannel"),
                                    QStringLiteral("Проверять таг в противоположном канале"), false);
  PageLayout(page).addWidget(cbxLookOppositChannel);
  PageLayout(page).addStretch(1);

  connect(FCommon[0].trbTagMemTime, &QSlider::valueChanged, this, &TConfigPages::trbTagMemTime1Change);
  connect(FCommon[1].trbTagMemTime, &QSlider::valueChanged, this, &TConfigPages::trbTagMemTime2Change);
  connect(FCommon[0].cbxChannelActive, &QCheckBox::toggled, this, &TConfigPages::cbxChannelActive_1Click);
  connect(FCommon[1].cbxChannelActive, &QCheckBox::toggled, this, &TConfigPages::cbxChannelActive_2Click);
  connect(cbxLookOppositChannel, &QCheckBox::toggled, this, &TConfigPages::cbxLookOppositChannelClick);
  connect(FCommon[0].trbAttenuator, &QSlider::valueChanged, this, &TConfigPages::trbAttenuator_1Change);
  connect(FCommon[1].trbAttenuator, &QSlider::valueChanged, this, &TConfigPages::trbAttenuator_2Change);
}

void TConfigPages::BuildNoGate(QWidget* page) {
  AddText(page,
          QStringLiteral("В данном режиме код тага выдается каждый раз при появлении новго тага в поле канала "
                         "считывателя, датчики автоматики игнорируются.\n"
                         "Следующий раз код тага будет выдан только после его исчезновения по истечении времени "
                         "памяти тага в радиоканале.\n"
                         "При связанной работе каналов в момент фиксации нового тага проверяется его наличие в "
                         "противоположном канале, и если таг там обнаружен, то его код не выдается на контроллер.\n"
                         "Выдача кодов тагов на выход производится поочередно из обоих каналов с интервалом не "
                         "чаще паузы между посылками wiegand."));
  auto* box = new QGroupBox(page);
  box->setObjectName(QStringLiteral("grbWiegand"));
  auto* v = new QVBoxLayout(box);
  v->addWidget(new QLabel(QStringLiteral("Интервал между посылками wiegand"), box));
  tbrWiegandInterval = MakeTrack(box, QStringLiteral("tbrWiegandInterval"), 2, 20, 1, 2);
  v->addWidget(tbrWiegandInterval);
  lblWiegandInterval = new QLabel(box);
  lblWiegandInterval->setObjectName(QStringLiteral("lblWiegandInterval"));
  lblWiegandInterval->setAlignment(Qt::AlignCenter);
  v->addWidget(lblWiegandInterval);
  WriteWiegandLabel();
  PageLayout(page).addWidget(box);
  PageLayout(page).addStretch(1);
  connect(tbrWiegandInterval, &QSlider::valueChanged, this, &TConfigPages::tbrWiegandIntervalChange);
}

void TConfigPages::BuildOnTheFly(QWidget* page) {
  AddText(page,
          QStringLiteral("В данном режиме проезд автомобиля фиксируется по последовательному пересечению полей "
                         "чтения каналов. В зависимости от последовательности пересечения зон чтения формируется "
                         "код wiegand на одном или другом выходе (въезд или выезд).\n"
                         "Если к моменту пересечения зоны чтения второго канала таг в первом канале уже "
                         "\"забыт\", то проезд фиксироваться не будет.\n"
                         "Специальных настроек данный режим не предусматривает."));
  AddText(page, QStringLiteral("В этом режиме автоматически устанавливаются:\n\n"
                               "  1. Активность обоих каналов\n"
                               "  2. Опция просмотра тага в смежном канале"));
  PageLayout(page).addStretch(1);
}

void TConfigPages::BuildOneRead(QWidget* page) {
  AddText(page,
          QStringLiteral("В данном режиме после чтения тага считыватель блокируется и ждет срабатывания датчика "
                         "автомобиля в течение заданного времени.\n"
                         "Если датчик сработал, то выдается код тага на контроллер. Если произошел таймаут, то "
                         "считыватель возвращается в исходное состояние.\n"
                         "При связанной работе каналов прочитанный новый таг проервется на наличие его в "
                         "противоположном канале."));
  auto* row = new QHBoxLayout;
  for (int i = 0; i < 2; ++i) {
    auto* box = ChannelBox(page, Suffix(i, "grbChannel_1a", "grbChannel_2a"), i);
    auto* v = new QVBoxLayout(box);
    TOneReadCh& c = FOneRead[static_cast<std::size_t>(i)];
    c.cbxUseCarSensor = MakeCheck(box, Suffix(i, "cbxUseCarSensor_1", "cbxUseCarSensor_2"),
                                  QStringLiteral("Использовать датчик автомобиля"), true);
    // Only tells the user that this mode always uses the car sensor; green
    // also while disabled, so it reads as a statement rather than a dead box.
    QPalette pal = c.cbxUseCarSensor->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      pal.setColor(group, QPalette::WindowText, QColor(0, 128, 0));
      pal.setColor(group, QPalette::ButtonText, QColor(0, 128, 0));
    }
    c.cbxUseCarSensor->setPalette(pal);
    c.cbxUseCarSensor->setEnabled(false);
    v->addWidget(c.cbxUseCarSensor);
    auto* wait = new QHBoxLayout;
    wait->addWidget(new QLabel(QStringLiteral("Время ожидания тага, сек."), box));
    c.sedWaitCar = MakeSpin(box, Suffix(i, "sedWaitCar_1a", "sedWaitCar_2a"), 1, 255, 10);
    wait->addWidget(c.sedWaitCar);
    wait->addStretch(1);
    v->addLayout(wait);
    c.cbxCarSensorInversion = MakeCheck(box, Suffix(i, "cbxCarSensorInversion_1", "cbxCarSensorInversion_2"),
                                        QStringLiteral("Инверсия датчика автомобиля"), false);
    v->addWidget(c.cbxCarSensorInversion);
    row->addWidget(box);
  }
  PageLayout(page).addLayout(row);
  PageLayout(page).addStretch(1);
  connect(FOneRead[0].sedWaitCar, &QSpinBox::valueChanged, this, &TConfigPages::sedWaitCar_1aChange);
  connect(FOneRead[1].sedWaitCar, &QSpinBox::valueChanged, this, &TConfigPages::sedWaitCar_2aChange);
  connect(FOneRead[0].cbxCarSensorInversion, &QCheckBox::toggled, this, &TConfigPages::cbxCarSensorInversion_1Click);
  connect(FOneRead[1].cbxCarSensorInversion, &QCheckBox::toggled, this, &TConfigPages::cbxCarSensorInversion_2Click);
}

void TConfigPages::BuildStandard(QWidget* page) {
  AddText(page, QStringLiteral("Режим с макисмальным использованием автоматики ворот или шлагбаумов.\n"
                               "Позволяет реализовать наиболее сложные алгоритмы проезда с взаимодействием каналов "
                               "на въезд и выезд."));
  auto* row = new QHBoxLayout;
  for (int i = 0; i < 2; ++i) {
    auto* box = ChannelBox(page, Suffix(i, "grbChannel_1s", "grbChannel_2s"), i);
    QFont small = box->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    auto* g = new QGridLayout(box);
    g->setVerticalSpacing(3);
    TStandardCh& c = FStandard[static_cast<std::size_t>(i)];
    const bool one = i == 0;
    auto label = [&](const QString& text) {
      auto* l = new QLabel(text, box);
      l->setFont(small);
      return l;
    };
    auto spin = [&](const char* n1, const char* n2, int value, const QString& hint) {
      TSpinEdit* s = MakeSpin(box, QString::fromLatin1(one ? n1 : n2), 1, 255, value);
      s->setFont(small);
      s->setToolTip(hint);
      return s;
    };
    c.cbxUseCarSens = MakeCheck(box, Suffix(i, "cbxUseCarSens_1s", "cbxUseCarSens_2s"),
                                QStringLiteral("Использовать датчик автомобиля"), true);
    c.cbxUseGateSens = MakeCheck(box, Suffix(i, "cbxUseGateSens_1s", "cbxUseGateSens_2s"),
                                 QStringLiteral("Использовать датчик ворот"), true);
    c.sedWaitCar = spin("sedWaitCar_1s", "sedWaitCar_2s", 10,
                        QStringLiteral("Время ожидания срабатывания датчика автомобиля"));
    c.sedWaitAccess = spin("sedWaitAccess_1s", "sedWaitAccess_2s", 5,
                           QStringLiteral("Время ожидания срабатывания датчика открытия ворот"));
    c.sedGateTime = spin("sedGateTime_1s", "sedGateTime_2s", 20, QStringLiteral("Время ожидания закрытия ворот"));
    c.cbxResetGateTime = MakeCheck(box, Suffix(i, "cbxResetGateTime_1s", "cbxResetGateTime_2s"),
                                   QStringLiteral("Сбрасывать время по датчику"), true);
    c.cbxResetGateTime->setFont(small);
    c.sedDefGateTime = spin("sedDefGateTime_1s", "sedDefGateTime_2s", 30,
                            QStringLiteral("Время доступа при отсутствии датчика ворот"));
    c.cbxCarSensInversion = MakeCheck(box, Suffix(i, "cbxCarSensInversion_1s", "cbxCarSensInversion_2s"),
                                      QStringLiteral("Инверсия датчика автомобиля"), false);
    c.cbxGateSensInversion = MakeCheck(box, Suffix(i, "cbxGateSensInversion_1s", "cbxGateSensInversion_2s"),
                                       QStringLiteral("Инверсия датчика ворот"), false);
    int r = 0;
    g->addWidget(c.cbxUseCarSens, r++, 0, 1, 2);
    g->addWidget(c.cbxUseGateSens, r++, 0, 1, 2);
    g->addWidget(label(QStringLiteral("Время ожидания автомобиля")), r, 0);
    g->addWidget(c.sedWaitCar, r++, 1);
    g->addWidget(label(QStringLiteral("Время ожидания доступа")), r, 0);
    g->addWidget(c.sedWaitAccess, r++, 1);
    g->addWidget(label(QStringLiteral("Время открытых ворот")), r, 0);
    g->addWidget(c.sedGateTime, r++, 1);
    auto* indent = new QHBoxLayout;
    indent->addSpacing(16);
    indent->addWidget(c.cbxResetGateTime);
    g->addLayout(indent, r++, 0, 1, 2);
    g->addWidget(label(QStringLiteral("Время доступа по умолчанию")), r, 0);
    g->addWidget(c.sedDefGateTime, r++, 1);
    g->addWidget(c.cbxCarSensInversion, r++, 0, 1, 2);
    g->addWidget(c.cbxGateSensInversion, r++, 0, 1, 2);
    row->addWidget(box);
  }
  PageLayout(page).addLayout(row);
  PageLayout(page).addStretch(1);

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
