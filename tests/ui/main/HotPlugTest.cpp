// The main window and devices coming and going, driven through the device
// events seam: the list follows while no port is open, and an unplugged
// open port is closed with every test window stopped.
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "MainHarness.h"
#include "link/ErrMsg.h"
#include "link/OpenFailureText.h"
#include "ui/common/DeviceEvents.h"
#include "ui/tests/Audit.h"
#include "ui/tests/FindReaders.h"
#include "ui/fleet/FleetSurvey.h"
#include "ui/fleet/FleetWrite.h"
#include "ui/tests/Sensors.h"
#include "ui/tests/TestAudio.h"
#include "ui/tests/Test_RS485.h"
#include "ui/tests/Test_Radio.h"

using namespace q17;

namespace {

// The simulated reader behind a port that can be pulled out, among ports
// that come and go.
class UnpluggableSerial final : public SerialApi {
 public:
  explicit UnpluggableSerial(SerialApi& inner) : FInner(inner) {}
  std::vector<TSerialPortInfo> ListSerialPorts() override {
    std::vector<TSerialPortInfo> ports;
    for (const std::string& name : names) ports.push_back({name, std::nullopt});
    return ports;
  }
  TSerialOpen Open(const std::string& name, const TLineSettings& line) override {
    // A serial server's port is the same simulated line.
    TSerialOpen opened = FInner.Open(name.rfind("tcp://", 0) == 0 ? std::string("COM1") : name, line);
    if (opened.Port) opened.Port = std::make_unique<Port>(*this, std::move(opened.Port));
    return opened;
  }

  std::vector<std::string> names{"COM1", "COM3"};
  bool gone = false;
  bool unplugBeforeNextWrite = false;
  int presentChecks = 0;

 private:
  class Port final : public SerialPort {
   public:
    Port(UnpluggableSerial& owner, std::unique_ptr<SerialPort> inner) : FOwner(owner), FInner(std::move(inner)) {}
    long Read(std::uint8_t* b, std::size_t n, int waitMs) override {
      return FOwner.gone ? kPortGone : FInner->Read(b, n, waitMs);
    }
    long Write(const std::uint8_t* d, std::size_t n) override {
      FOwner.gone = FOwner.gone || FOwner.unplugBeforeNextWrite;
      return FOwner.gone ? kPortGone : FInner->Write(d, n);
    }
    bool Present() override {
      ++FOwner.presentChecks;
      return !FOwner.gone;
    }

   private:
    UnpluggableSerial& FOwner;
    std::unique_ptr<SerialPort> FInner;
  };

  SerialApi& FInner;
};

struct HotPlugWorld {
  HotPlugWorld() {
    d2xx.available = false;
    main = ui::CreateWindows(program.ctx);
    main->WatchDevices(events);
    main->show();
  }
  QComboBox* Combo() const { return main->findChild<QComboBox*>(QStringLiteral("cbxInterfaces")); }
  // The ports listed; the list ends with the entry that adds a network port.
  QStringList Items() const {
    QStringList items;
    for (int i = 0; i < Combo()->count(); ++i) items << Combo()->itemText(i);
    if (items.isEmpty() || items.takeLast() != QStringLiteral("Добавить сетевой порт...")) items << QStringLiteral("<no add entry>");
    return items;
  }
  void Open(const QString& entry) {
    Combo()->setCurrentIndex(Combo()->findText(entry));
    main->findChild<QAction*>(QStringLiteral("tbnInterfaceOpen"))->trigger();
  }

  sim::ReaderBus bus{{1}};
  sim::SimSerialApi reader{bus, "COM1"};
  UnpluggableSerial serial{reader};
  test::FakeD2xxApi d2xx;
  TInterfList link{serial, d2xx};
  test::FakeContext program{link};
  ui::TWindows& windows = program.windows;
  ui::TDeviceEvents events;
  std::unique_ptr<ui::TfrmMain> main;
};

const QString kGone = QString::fromUtf8(DeviceGoneStatusText());

}  // namespace

class HotPlugTest : public QObject {
  Q_OBJECT
 private slots:
  void listFollowsDevicesKeepingTheChoice();
  void openPortIsCheckedNotRefreshed();
  void unplugFoundWhileIdleClosesThePort();
  void unplugStopsEveryRunningTestWindow();
  void unplugEndsASearchAtTheNextAddress();
  void unplugEndsASurveyAndAWriteToManyReaders();
};

void HotPlugTest::listFollowsDevicesKeepingTheChoice() {
  HotPlugWorld w;
  w.Combo()->setCurrentIndex(1);

  w.serial.names = {"COM0", "COM1", "COM3"};
  w.events.Announce();
  QTRY_COMPARE(w.Items(), (QStringList{"COM0", "COM1", "COM3"}));
  QCOMPARE(w.Combo()->currentText(), QStringLiteral("COM3"));

  // The chosen entry went: the first one is chosen, as on a refresh.
  w.serial.names = {"COM0", "COM1"};
  w.events.Announce();
  QTRY_COMPARE(w.Items(), (QStringList{"COM0", "COM1"}));
  QCOMPARE(w.Combo()->currentIndex(), 0);
}

void HotPlugTest::openPortIsCheckedNotRefreshed() {
  HotPlugWorld w;
  w.Open(QStringLiteral("COM1"));
  QVERIFY(w.link.Opened());
  w.serial.names = {"COM1", "COM2", "COM3"};
  w.events.Announce();
  QTRY_COMPARE(w.serial.presentChecks, 1);
  QCOMPARE(w.Items(), (QStringList{"COM1", "COM3"}));
  QVERIFY(w.link.Opened());
}

void HotPlugTest::unplugFoundWhileIdleClosesThePort() {
  HotPlugWorld w;
  w.Open(QStringLiteral("COM1"));
  QVERIFY(w.link.Opened());
  w.serial.gone = true;
  w.serial.names = {"COM3"};
  w.events.Announce();
  QTRY_VERIFY(!w.link.Opened());
  QCOMPARE(w.main->Panel(0)->text(), QStringLiteral("Порт закрыт"));
  QCOMPARE(w.main->Panel(3)->text(), kGone);
  QVERIFY(w.main->findChild<QAction*>(QStringLiteral("tbnInterfaceOpen"))->isEnabled());
  QCOMPARE(w.Items(), QStringList{"COM3"});
  QCOMPARE(w.main->Panel(3)->toolTip(), QString::fromUtf8(DeviceGoneExplanation()));
  test::Screenshot(*w.main, QStringLiteral("main-device-gone"));

  // A serial server's connection lost: the words are of the server, not of
  // an adapter to plug in again.
  w.serial.gone = false;
  w.link.AddNetworkPort("tcp://127.0.0.1:4001");
  w.main->findChild<QAction*>(QStringLiteral("tbnRefresh"))->trigger();
  w.Open(QStringLiteral("tcp://127.0.0.1:4001"));
  QTRY_VERIFY(w.link.Opened());
  const QString lost = QString::fromUtf8(DeviceGoneExplanation(w.link));
  QVERIFY(lost.contains(QStringLiteral("serial server")));
  w.serial.gone = true;
  w.events.Announce();
  QTRY_VERIFY(!w.link.Opened());
  QCOMPARE(w.main->Panel(3)->toolTip(), lost);
}

// Each test window, running when the adapter is pulled out, stops by
// itself: no more polling, its close button usable, the reason shown.
void HotPlugTest::unplugStopsEveryRunningTestWindow() {
  const struct {
    const char* name;
    std::function<ui::TDiagWindow*(ui::TWindows&)> window;
    const char* start;  // the button that starts it, if showing does not
    int panel;          // where it says why
    const char* sends;  // a button that sends to the reader: dead until the window closes
  } cases[] = {
      {"CommTest", [](ui::TWindows& ws) -> ui::TDiagWindow* { return ws.CommTest; }, "btnStartTest", 2, "btnStartTest"},
      {"Sensors", [](ui::TWindows& ws) -> ui::TDiagWindow* { return ws.Sensors; }, nullptr, 2, nullptr},
      {"Audit", [](ui::TWindows& ws) -> ui::TDiagWindow* { return ws.Audit; }, nullptr, 2, "btnReaderClear"},
      {"Audio", [](ui::TWindows& ws) -> ui::TDiagWindow* { return ws.Audio; }, "btnStart", 0, "btnStart"},
      {"RadioTest", [](ui::TWindows& ws) -> ui::TDiagWindow* { return ws.RadioTest; }, "btnStartTest", 2,
       "btnStartTest"},
  };
  for (const auto& c : cases) {
    HotPlugWorld w;
    w.Open(QStringLiteral("COM1"));
    ui::TDiagWindow* window = c.window(w.windows);
    window->show();
    if (c.start) window->findChild<QPushButton*>(QString::fromLatin1(c.start))->click();
    w.serial.gone = true;
    // The radio test does not poll: the system's news is what tells it.
    w.events.Announce();
    QTRY_VERIFY2(!w.link.Opened(), c.name);
    QVERIFY2(w.program.idle.Empty(), c.name);
    QCOMPARE(window->PanelText(c.panel), kGone);
    QVERIFY2(window->findChild<QPushButton*>(QStringLiteral("btnClose"))->isEnabled(), c.name);
    QCOMPARE(w.main->Panel(3)->text(), kGone);
    test::Screenshot(*window, QStringLiteral("device-gone-") + QString::fromLatin1(c.name));
    auto* sends = c.sends ? window->findChild<QPushButton*>(QString::fromLatin1(c.sends)) : nullptr;
    if (sends) QVERIFY2(!sends->isEnabled(), c.name);
    window->hide();
    if (sends) QVERIFY2(sends->isEnabled(), c.name);
  }
}

void HotPlugTest::unplugEndsASearchAtTheNextAddress() {
  HotPlugWorld w;
  w.Open(QStringLiteral("COM1"));
  ui::TfrmFindReaders* search = w.windows.FindReaders;
  search->show();
  search->findChild<QSpinBox*>(QStringLiteral("sedEndAddr"))->setValue(254);
  // Pulled out right after the reader at 1 answered.
  w.bus.SetReplyHook([&w] { w.serial.unplugBeforeNextWrite = true; });
  search->findChild<QPushButton*>(QStringLiteral("btnStartFind"))->click();
  w.bus.SetReplyHook({});
  QVERIFY(!w.link.Opened());
  QCOMPARE(w.bus.Stats().requests, std::uint64_t{1});
  QCOMPARE(search->findChild<QProgressBar*>(QStringLiteral("pgbFindProgress"))->value(), 2);
  QCOMPARE(search->findChild<QPlainTextEdit*>(QStringLiteral("memReaders"))->toPlainText(),
           QStringLiteral("Addr=01 [2xQ17 v1.0]"));
  QVERIFY(search->findChild<QPushButton*>(QStringLiteral("btnClose"))->isEnabled());
  QVERIFY(!search->findChild<QPushButton*>(QStringLiteral("btnStartFind"))->isEnabled());
  search->hide();
}

// The car park's windows stop after the exchange that found the device gone,
// say why, and leave the readers not begun untouched.
void HotPlugTest::unplugEndsASurveyAndAWriteToManyReaders() {
  HotPlugWorld w;
  w.Open(QStringLiteral("COM1"));
  QMenu* menu = w.main->findChild<QMenu*>(QStringLiteral("miFleet"));
  QVERIFY(menu->menuAction()->isEnabled());

  ui::TfrmFleetSurvey* survey = w.windows.FleetSurvey;
  survey->show();
  survey->findChild<QSpinBox*>(QStringLiteral("sedEndAddr"))->setValue(254);
  // Pulled out right after the reader at 1 answered its version.
  w.bus.SetReplyHook([&w] { w.serial.unplugBeforeNextWrite = true; });
  survey->findChild<QPushButton*>(QStringLiteral("btnStart"))->click();
  w.bus.SetReplyHook({});
  QVERIFY(!w.link.Opened());
  QCOMPARE(w.bus.Stats().requests, std::uint64_t{1});
  QCOMPARE(survey->PanelText(0), QStringLiteral("Обзор прерван"));
  QCOMPARE(survey->PanelText(2), kGone);
  // The reader in progress keeps its row, as q17ctl lists it.
  auto* rows = survey->findChild<QTableWidget*>(QStringLiteral("tblReaders"));
  QCOMPARE(rows->rowCount(), 1);
  QCOMPARE(rows->item(0, 0)->text(), QStringLiteral("1"));
  QCOMPARE(rows->item(0, 9)->text(), QString::fromStdString(FormatResult(rcPortClosed)));
  QCOMPARE(survey->PanelText(1), QStringLiteral("Найдено: 1"));
  QVERIFY(survey->findChild<QPushButton*>(QStringLiteral("btnClose"))->isEnabled());
  // Nothing starts again on a device that has gone.
  QVERIFY(!survey->findChild<QPushButton*>(QStringLiteral("btnStart"))->isEnabled());
  QVERIFY(!survey->findChild<QPushButton*>(QStringLiteral("btnWriteMany"))->isEnabled());
  QVERIFY(!menu->menuAction()->isEnabled());
  survey->hide();

  w.serial.gone = false;
  w.serial.unplugBeforeNextWrite = false;
  w.Open(QStringLiteral("COM1"));
  QVERIFY(w.link.Opened());
  const auto before = w.bus.Stats().requests;
  ui::TfrmFleetWrite* write = w.windows.FleetWrite;
  write->show();
  write->findChild<QLineEdit*>(QStringLiteral("edtAddresses"))->setText(QStringLiteral("1,2,3"));
  // Gone after reader 1's own block was read: its write never arrives.
  w.bus.SetReplyHook([&w] { w.serial.unplugBeforeNextWrite = true; });
  w.program.messages.answers = {true};
  write->findChild<QPushButton*>(QStringLiteral("btnStart"))->click();
  w.bus.SetReplyHook({});
  QVERIFY(!w.link.Opened());
  QCOMPARE(w.bus.Stats().requests, before + 1);
  auto* table = write->findChild<QTableWidget*>(QStringLiteral("tblResults"));
  // A write that failed on the way out may have left part of a frame: not known.
  QCOMPARE(table->item(0, 1)->text(), QStringLiteral("неизвестно (остановлено): BLOCK неизвестно, TMT_1 не записано, "
                                                     "TMT_2 не записано, ATT_1 не записано, ATT_2 не записано"));
  QCOMPARE(table->item(1, 1)->text(), QStringLiteral("не тронут (устройство отключено)"));
  QCOMPARE(table->item(2, 1)->text(), QStringLiteral("не тронут (устройство отключено)"));
  QCOMPARE(write->PanelText(0), QStringLiteral("Запись прервана"));
  QCOMPARE(write->PanelText(2), kGone);
  QVERIFY(write->findChild<QPushButton*>(QStringLiteral("btnClose"))->isEnabled());
  QVERIFY(!write->findChild<QPushButton*>(QStringLiteral("btnStart"))->isEnabled());
  write->hide();
}

QTEST_MAIN(HotPlugTest)
#include "HotPlugTest.moc"
