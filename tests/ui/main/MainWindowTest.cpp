// The main window driven through its controls against the simulated bus:
// port state, open and close, the configuration pages, the settings-file and
// service commands, the address change.
#include <QApplication>
#include <QCheckBox>
#include <QTimer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QAbstractItemView>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QSlider>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QToolButton>
#include <QWheelEvent>
#include <filesystem>
#include <functional>
#include <set>

#include "MainHarness.h"
#include "link/ErrMsg.h"
#include "ui/service/TrafficLog.h"
#include "link/OpenFailureText.h"
#include "reader/WholeConfig.h"
#include "support/FakeSerialApi.h"
#include "ui/common/Panels.h"
#include "ui/common/QtSeams.h"
#include "ui/main/AddNetPort.h"
#include "ui/main/ChangeAddr.h"
#include "ui/main/ConfigPages.h"
#include "ui/about/About.h"
#include "ui/tests/Audit.h"
#include "ui/tests/FindReaders.h"
#include "ui/fleet/FleetSurvey.h"
#include "ui/fleet/FleetWrite.h"
#include "ui/tests/Sensors.h"
#include "ui/tests/TestAudio.h"
#include "ui/tests/Test_RS485.h"
#include "ui/tests/Test_Radio.h"

using namespace q17;
using q17::test::MainHarness;

namespace {

// The nine windows over a list of the test's own making, with fake seams.
struct WindowsOver {
  explicit WindowsOver(TInterfList& link, std::filesystem::path recentPorts = {})
      : ctx{s, link, m, f, b, c, idle, w, std::move(recentPorts)}, main(ui::CreateWindows(ctx)) {}
  q17::test::FakeMessages m;
  q17::test::FakeFiles f;
  q17::test::FakeBeep b;
  q17::test::FakeClock c;
  ui::TIdleSlot idle;
  ui::TWindows w;
  TCommandState s;
  ui::TUiContext ctx;
  std::unique_ptr<ui::TfrmMain> main;
};

QString Result(int code) { return QString::fromStdString(FormatResult(code)); }

void TypeInto(QSpinBox* spin, const QString& text) {
  QLineEdit* edit = spin->findChild<QLineEdit*>();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  if (!text.isEmpty()) QTest::keyClicks(edit, text);
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void startsClosedOnTheCommonPage();
  void everyTaggedControlFollowsThePortState();
  void openFailsOnATypedNameAndSucceedsOnAnEntry();
  void openFailureWithAReasonKeepsThePanelText();
  void aTypedNetworkAddressIsOpenedAndListed();
  void aNetworkPortAddedFromTheListIsRememberedForTheNextStart();
  void theAddEntryIsOpenedOnlyByADeliberateChoice();
  void theNetworkPortDialogTakesHostAndPortApartAndSaysWhatItRefuses();
  void closeIsRefusedWhileAPortIsOpen();
  void readReportsTheFailedGroup_data();
  void readReportsTheFailedGroup();
  void writeReportsEveryFailedGroup_data();
  void writeReportsEveryFailedGroup();
  void redrawStoresOnlyWhatAControlChanged();
  void pagesSelectTheirModeOnly();
  void oneReadAndStandardShareTheirBytes();
  void typedSpinValuesAreStoredClamped();
  void saveAsksBeforeReplacingAFile();
  void settingsFilesStartInTheProgramsFolderOnlyWhereFilesCanBeMade();
  void loadKeepsModeAndPageAndRefreshesTagFields();
  void saveThenLoadThroughTheWindow();
  void settingsFileOnTheCommandLineLoads();
  void versionIsShownInPanel2();
  void dateAndTimeComeFromOneClockReading();
  void restoreRadioProfileAsksFirst();
  void addressChangeFollowsTheReader();
  void searchAndSurveyDoubleClickPickTheReader();
  void launchersShowTheirWindows();
  void readZoneTestLeavesThePagesShowingWhatItRead();
  void trafficLogOpensAnyTimeAndStaysUsableBesideATest();
  void screenshots();
};

void MainWindowTest::startsClosedOnTheCommonPage() {
  MainHarness h;
  QCOMPARE(h.main->windowTitle(), QStringLiteral("2xQ17 Reader Setup Utility"));
  QCOMPARE(h.main->size(), QSize(732, 536));
  QCOMPARE(h.Panel(0), QStringLiteral("Порт закрыт"));
  QCOMPARE(h.Panel(1), QStringLiteral("Адрес: 1"));
  QCOMPARE(h.Panel(2), QStringLiteral("Version"));
  QCOMPARE(h.Panel(3), QStringLiteral("Статус:  - неизвестен"));
  // Four panels, as wide as the window's layout has them.
  const QList<QLabel*> panels = h.Find<QStatusBar>("sbrStatus")->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
  QCOMPARE(panels.size(), 4);
  const int widths[] = {200, 180, 150, 200};
  for (int i = 0; i < 4; ++i) QCOMPARE(h.main->Panel(i)->maximumWidth(), widths[i]);
  // A result cut by its panel is read whole in the tool tip.
  h.main->ShowResult(rcBadParameter);
  QCOMPARE(ui::PanelTip(*h.main->Panel(3)), QString::fromStdString(FormatResult(rcBadParameter)));
  h.main->ShowResult(0);
  QVERIFY(ui::PanelTip(*h.main->Panel(3)).isEmpty());
  QCOMPARE(h.Find<QTabWidget>("pgcSections")->currentWidget(), h.Find("tbsCommon"));
  QCOMPARE(h.Find<QComboBox>("cbxInterfaces")->currentText(), QStringLiteral("SIM"));
  // The Common page was drawn from the defaults when the window first showed.
  QCOMPARE(h.Find<QSlider>("trbTagMemTime1")->value(), 10);
  QCOMPARE(h.Find<QLabel>("lblTagMemTime1")->text(), QStringLiteral("10 sec"));
  QVERIFY(h.Find<QCheckBox>("cbxChannelActive_1")->isChecked());
}

void MainWindowTest::everyTaggedControlFollowsThePortState() {
  MainHarness h;
  const std::set<QString> tag2 = {"tbnInterfaceClose", "tbnGetFromReader", "tbnLoadToReader", "btnCommon",
                                  "btnNoGate", "btnOnTheFly", "btnOneRead", "btnStandard", "btnTests",
                                  "btnStartExchangeTest", "btnStartRadioTest", "btnStartSensTest", "btnStartAudit",
                                  "btnAudioTest", "miActions", "miFleet"};
  const std::set<QString> tag3 = {"cbxInterfaces", "tbnRefresh", "tbnInterfaceOpen", "miExit"};
  auto check = [&](bool opened) {
    std::set<QString> seen2, seen3;
    QList<QObject*> tagged;
    for (QObject* o : h.main->findChildren<QObject*>())
      if (o->property("Tag").isValid()) tagged << o;
    for (QObject* o : tagged) {
      const int tag = o->property("Tag").toInt();
      (tag == 2 ? seen2 : seen3).insert(o->objectName());
      bool enabled = false;
      if (auto* menu = qobject_cast<QMenu*>(o)) enabled = menu->menuAction()->isEnabled();
      else if (auto* w = qobject_cast<QWidget*>(o)) enabled = w->isEnabled();
      else if (auto* a = qobject_cast<QAction*>(o)) enabled = a->isEnabled();
      QVERIFY2(enabled == (tag == 2 ? opened : !opened),
               qPrintable(QStringLiteral("%1 (Tag %2) with the port %3").arg(o->objectName()).arg(tag).arg(opened ? "open" : "closed")));
    }
    QCOMPARE(seen2, tag2);
    QCOMPARE(seen3, tag3);
    for (const char* page : {"tbsCommon", "tbsNoGate", "tbsOnTheFly", "tbsOneRead", "tbsStandard", "tbsTests"})
      QCOMPARE(h.Find(page)->isEnabled(), opened);
    // Load, save and about stay usable in both states.
    for (const char* always : {"miLoadCfg", "miSaveConfig", "miAbout", "tbnHelpAbout"})
      QVERIFY(h.Action(always)->isEnabled());
    // The dimmed title stays readable: clearly apart from the background.
    const QColor title = h.Find<QLabel>("lblCommon")->palette().color(QPalette::Disabled, QPalette::WindowText);
    const QColor back = h.main->palette().color(QPalette::Window);
    QVERIFY(std::abs(title.lightness() - back.lightness()) > 60);
  };
  check(false);
  h.Open();
  QCOMPARE(h.Panel(0), QStringLiteral("Порт SIM"));
  QCOMPARE(h.Panel(3), Result(0));
  check(true);
  h.Action("tbnInterfaceClose")->trigger();
  QVERIFY(!h.link.Opened());
  QCOMPARE(h.Panel(0), QStringLiteral("Порт закрыт"));
  QCOMPARE(h.Panel(3), Result(0));  // keeps the last outcome
  check(false);
}

void MainWindowTest::openFailsOnATypedNameAndSucceedsOnAnEntry() {
  MainHarness h;
  auto* box = h.Find<QComboBox>("cbxInterfaces");
  box->setEditText(QStringLiteral("COM9"));
  h.Action("tbnInterfaceOpen")->trigger();
  QVERIFY(!h.link.Opened());
  QCOMPARE(h.Panel(3), Result(rcBadPort));
  QCOMPARE(h.Panel(0), QStringLiteral("Порт закрыт"));
  QVERIFY(!h.Find("btnCommon")->isEnabled());
  // Refreshing selects the first entry again.
  h.Action("tbnRefresh")->trigger();
  QCOMPARE(box->currentText(), QStringLiteral("SIM"));
  h.Open();

  // With no interface at all, open does nothing and shows nothing.
  h.Action("tbnInterfaceClose")->trigger();
  q17::test::FakeSerialApi none;
  q17::test::FakeD2xxApi noD2xx;
  noD2xx.available = false;
  TInterfList empty(none, noD2xx);
  WindowsOver windows(empty);
  auto& main = windows.main;
  main->findChild<QAction*>("tbnInterfaceOpen")->trigger();
  // Only the entry that adds a network port, and no choice.
  auto* emptyBox = main->findChild<QComboBox*>("cbxInterfaces");
  QCOMPARE(emptyBox->count(), 1);
  QCOMPARE(emptyBox->currentIndex(), -1);
  QVERIFY(emptyBox->currentText().isEmpty());
  QCOMPARE(main->Panel(3)->text(), QStringLiteral("Статус:  - неизвестен"));
  QCOMPARE(main->Panel(0)->text(), QStringLiteral("Порт закрыт"));
}

// A serial server's address typed into the list opens without being listed
// first, is listed under its one name after the local ports, refresh or not,
// and only once it has opened.
void MainWindowTest::aTypedNetworkAddressIsOpenedAndListed() {
  q17::test::FakeSerialApi serial;
  q17::test::FakeD2xxApi d2xx;
  d2xx.available = false;
  TInterfList link(serial, d2xx);
  WindowsOver windows(link);
  // A file of remembered ports that cannot be made does not stop the open.
  windows.ctx.RecentPortsFile = "/dev/null/SetupQ17/network-ports";
  auto& main = windows.main;
  auto* box = main->findChild<QComboBox*>("cbxInterfaces");
  auto open = [&](const QString& typed) {
    box->setEditText(typed);
    main->findChild<QAction*>("tbnInterfaceOpen")->trigger();
    QTRY_VERIFY(!main->PortOpening());
  };
  QCOMPARE(box->count(), 1);
  open(QStringLiteral("rfc2217://gate-3:04001"));
  QVERIFY(link.Opened());
  QCOMPARE(serial.openedName, std::string("rfc2217://gate-3:4001"));
  QCOMPARE(main->Panel(0)->text(), QStringLiteral("Порт rfc2217://gate-3:4001"));
  main->findChild<QAction*>("tbnInterfaceClose")->trigger();
  serial.names = {"/dev/ttyUSB0"};
  main->findChild<QAction*>("tbnRefresh")->trigger();
  QCOMPARE(box->count(), 3);
  QCOMPARE(box->itemText(1), QStringLiteral("rfc2217://gate-3:4001"));
  // Typed again, either way: the same entry.
  open(QStringLiteral("rfc2217://gate-3:4001"));
  QVERIFY(link.Opened());
  QCOMPARE(box->count(), 3);
  QCOMPARE(link.OpenIndex(), 1);
  main->findChild<QAction*>("tbnInterfaceClose")->trigger();

  // A name that does not open is not kept; it stays in the field to be mended.
  serial.failOpen = OpenFailure::NoAnswer;
  open(QStringLiteral("tcp://gate-4:4001"));
  QVERIFY(!link.Opened());
  QCOMPARE(main->Panel(3)->text(), Result(rcOpenError));
  QCOMPARE(box->count(), 3);
  QCOMPARE(link.Count(), 2);
  QCOMPARE(box->currentText(), QStringLiteral("tcp://gate-4:4001"));
  // One that opened before stays through a failure.
  box->setCurrentIndex(1);
  main->findChild<QAction*>("tbnInterfaceOpen")->trigger();
  QTRY_VERIFY(!main->PortOpening());
  QVERIFY(!link.Opened());
  QCOMPARE(box->itemText(1), QStringLiteral("rfc2217://gate-3:4001"));
  QVERIFY(main->findChild<QAction*>("tbnInterfaceOpen")->isEnabled());
}

// "Добавить сетевой порт..." asks for a port behind a serial server; the port
// opened is remembered for the user and listed after the local ports at the
// next start, with its fixed allowance.
void MainWindowTest::aNetworkPortAddedFromTheListIsRememberedForTheNextStart() {
  QTemporaryDir home;
  const std::filesystem::path file = std::filesystem::path(home.path().toStdString()) / "SetupQ17" / "network-ports";
  q17::test::FakeSerialApi serial;
  serial.names = {"/dev/ttyUSB0"};
  serial.allowanceMs = 40;  // what the port measured, overridden below
  q17::test::FakeD2xxApi d2xx;
  d2xx.available = false;
  const QString addEntry = QStringLiteral("Добавить сетевой порт...");
  // Picks the add entry; `fill` answers the dialog once it is up.
  auto pickAdd = [&](QComboBox* box, const std::function<void(QDialog*)>& fill) {
    bool answered = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<ui::TfrmAddNetPort*>(QApplication::activeModalWidget());
      if (!dialog || answered) return;
      answered = true;
      fill(dialog);
    });
    poll.start(10);
    const QString before = box->currentText();
    box->setCurrentIndex(box->count() - 1);
    // Never the chosen port, not even while the dialog is up.
    QCOMPARE(box->currentText(), before);
    QTRY_VERIFY(answered);
  };
  {
    TInterfList link(serial, d2xx);
    WindowsOver windows(link);
    windows.ctx.RecentPortsFile = file;
    auto& main = windows.main;
    auto* box = main->findChild<QComboBox*>("cbxInterfaces");
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->itemText(1), addEntry);

    // Cancel: the list is as it was.
    pickAdd(box, [](QDialog* d) { d->findChild<QPushButton*>("CancelBtn")->click(); });
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->currentIndex(), 0);

    // A name that is no port's keeps the dialog up and says why.
    pickAdd(box, [](QDialog* d) {
      d->findChild<QLineEdit*>("edtName")->setText(QStringLiteral("udp://gate:4001"));
      d->findChild<QPushButton*>("OKBtn")->click();
      QVERIFY(d->isVisible());
      QCOMPARE(d->findChild<QLabel*>("lblError")->text(),
               QStringLiteral("Имя сетевого порта начинается с tcp:// или rfc2217://"));
      // Typed as its parts instead, with a fixed allowance.
      d->findChild<QComboBox*>("cbxKind")->setCurrentIndex(1);
      auto* host = d->findChild<QLineEdit*>("edtHost");
      host->clear();
      QTest::keyClicks(host, QStringLiteral("gate-7"));
      d->findChild<QSpinBox*>("sedPort")->setValue(4002);
      QCOMPARE(d->findChild<QLineEdit*>("edtName")->text(), QStringLiteral("rfc2217://gate-7:4002"));
      d->findChild<QRadioButton*>("rbtAllowanceFixed")->setChecked(true);
      d->findChild<QSpinBox*>("sedAllowance")->setValue(150);
      d->findChild<QPushButton*>("OKBtn")->click();
    });
    QCOMPARE(box->count(), 3);
    QCOMPARE(box->currentText(), QStringLiteral("rfc2217://gate-7:4002"));
    QVERIFY(!link.Opened());  // opened as any port, by the open button
    main->findChild<QAction*>("tbnInterfaceOpen")->trigger();
    QTRY_VERIFY(!main->PortOpening());
    QVERIFY(link.Opened());
    QCOMPARE(serial.openedName, std::string("rfc2217://gate-7:4002"));
    QCOMPARE(link.ReplyAllowanceMs(), 150);
    main->findChild<QAction*>("tbnInterfaceClose")->trigger();
  }
  {
    // The next start: local ports, then the remembered one, then the add entry.
    serial.names = {"/dev/ttyS0", "/dev/ttyUSB0"};
    TInterfList link(serial, d2xx);
    WindowsOver windows(link, file);
    auto& main = windows.main;
    auto* box = main->findChild<QComboBox*>("cbxInterfaces");
    QCOMPARE(box->count(), 4);
    QCOMPARE(box->itemText(2), QStringLiteral("rfc2217://gate-7:4002"));
    QCOMPARE(box->itemText(3), addEntry);
    QCOMPARE(link.NetworkAllowance(2), std::optional<int>(150));
    // The dialog starts from the chosen network port.
    box->setCurrentIndex(2);
    pickAdd(box, [](QDialog* d) {
      QCOMPARE(d->findChild<QLineEdit*>("edtName")->text(), QStringLiteral("rfc2217://gate-7:4002"));
      QVERIFY(d->findChild<QRadioButton*>("rbtAllowanceFixed")->isChecked());
      QCOMPARE(d->findChild<QSpinBox*>("sedAllowance")->value(), 150);
      d->findChild<QPushButton*>("CancelBtn")->click();
    });
  }
}

// The wheel and the arrow keys over the closed list step through the ports
// only; the dialog comes from choosing its entry in the open list.
void MainWindowTest::theAddEntryIsOpenedOnlyByADeliberateChoice() {
  q17::test::FakeSerialApi serial;
  serial.names = {"/dev/ttyS0", "/dev/ttyUSB0"};
  q17::test::FakeD2xxApi d2xx;
  d2xx.available = false;
  TInterfList link(serial, d2xx);
  WindowsOver windows(link);
  auto* box = windows.main->findChild<QComboBox*>("cbxInterfaces");
  int dialogs = 0;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (auto* dialog = qobject_cast<ui::TfrmAddNetPort*>(QApplication::activeModalWidget())) {
      ++dialogs;
      dialog->reject();
    }
  });
  answer.start(10);
  const QPointF at(box->rect().center());
  for (int step = 0; step < 6; ++step) {
    QWheelEvent down(at, box->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(box, &down);
  }
  QCoreApplication::processEvents();
  QCOMPARE(box->currentIndex(), 1);  // the last port, and no further
  QTest::keyClick(box, Qt::Key_Down);
  QTest::keyClick(box, Qt::Key_End);
  QCoreApplication::processEvents();
  QCOMPARE(box->currentIndex(), 1);
  QCOMPARE(dialogs, 0);

  // Picked in the open list with the keys and Enter.
  box->showPopup();
  QAbstractItemView* list = box->view();
  QTRY_VERIFY(list->isVisible());
  list->setCurrentIndex(list->model()->index(2, 0));
  QTest::keyClick(list, Qt::Key_Return);
  QTRY_COMPARE(dialogs, 1);
  QCOMPARE(box->currentIndex(), 1);
  // Closed again, the wheel passes it by as before.
  QWheelEvent down(at, box->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
  QApplication::sendEvent(box, &down);
  QCoreApplication::processEvents();
  QCOMPARE(dialogs, 1);
}

// The host field takes "host:port" apart; a host the name's parser would
// refuse is refused at OK with the parser's reason, never built into a name.
void MainWindowTest::theNetworkPortDialogTakesHostAndPortApartAndSaysWhatItRefuses() {
  const struct {
    const char* host;
    const char* name;   // what the whole name reads
    const char* error;  // empty: accepted
  } cases[] = {
      {"gate-3:4002", "tcp://gate-3:4002", ""},
      {"::1", "tcp://[::1]:4001", ""},
      {"[::1", "tcp://[::1:4001", "Нет закрывающей скобки \"]\" после адреса IPv6."},
      {"#", "tcp://#:4001", "В адресе сервера допустимы только латинские буквы, цифры, точка, дефис и подчёркивание."},
      {"gate:70000", "tcp://gate:70000", "Порт сервера — число от 1 до 65535."},
  };
  for (const auto& c : cases) {
    ui::TfrmAddNetPort add;
    add.findChild<QSpinBox*>("sedPort")->setValue(4001);
    QTest::keyClicks(add.findChild<QLineEdit*>("edtHost"), QString::fromUtf8(c.host));
    QCOMPARE(add.findChild<QLineEdit*>("edtName")->text(), QString::fromUtf8(c.name));
    add.OKBtnClick();
    QCOMPARE(add.findChild<QLabel*>("lblError")->text(), QString::fromUtf8(c.error));
    QCOMPARE(add.result() == QDialog::Accepted, *c.error == '\0');
    if (*c.error == '\0') QCOMPARE(add.Name(), std::string(c.name));
  }
}

void MainWindowTest::openFailureWithAReasonKeepsThePanelText() {
  q17::test::FakeSerialApi serial;
  serial.names = {"/dev/ttyUSB0"};
  serial.failOpen = OpenFailure::PermissionDenied;
  q17::test::FakeD2xxApi d2xx;
  d2xx.available = false;
  TInterfList link(serial, d2xx);
  WindowsOver windows(link);
  auto& main = windows.main;
  main->findChild<QAction*>("tbnInterfaceOpen")->trigger();
  QVERIFY(!link.Opened());
  QCOMPARE(main->Panel(3)->text(), Result(rcOpenError));
  const QString why = QString::fromStdString(ExplainOpenFailure(link));
  QVERIFY(!why.isEmpty());
  // The words, and where to learn more.
  QVERIFY(main->Panel(3)->toolTip().startsWith(Qt::convertFromPlainText(why).chopped(4)));
  const QString tip = QTextDocumentFragment::fromHtml(main->Panel(3)->toolTip()).toPlainText().replace(QChar::Nbsp, u' ');
  QVERIFY2(tip.contains(QStringLiteral("q17ctl doctor")), qPrintable(tip));
  // The next outcome takes the explanation away with the old text.
  main->ShowResult(0);
  QVERIFY(main->Panel(3)->toolTip().isEmpty());
}

void MainWindowTest::closeIsRefusedWhileAPortIsOpen() {
  MainHarness h;
  h.Open();
  QVERIFY(!h.main->close());
  QVERIFY(h.main->isVisible());
  QCOMPARE(h.messages.informed, QStringList{QStringLiteral("Прежде чем закрывать приложение, закройте порт!")});
  h.Action("tbnInterfaceClose")->trigger();
  QVERIFY(h.main->close());
}

void MainWindowTest::readReportsTheFailedGroup_data() {
  QTest::addColumn<int>("failAt");
  QTest::addColumn<int>("group");
  QTest::newRow("none") << -1 << -1;
  QTest::newRow("block") << 0 << int(TConfigGroup::Block);
  QTest::newRow("tag memory time 2") << 2 << int(TConfigGroup::TagMemTime);
  QTest::newRow("attenuation 1") << 3 << int(TConfigGroup::Atten);
}

void MainWindowTest::readReportsTheFailedGroup() {
  QFETCH(int, failAt);
  QFETCH(int, group);
  MainHarness h;
  h.Open();
  h.Find<QToolButton>("btnStandard")->click();
  // The reader holds another configuration than the window shows.
  auto& reader = h.bus.Reader(1)->state;
  reader.block[2] = 42;  // WCT of channel 1
  reader.block[14] = NoGate;
  reader.tmt = {300, 400};
  if (failAt >= 0) h.FailCommand(failAt, rcDataError);
  h.Action("tbnGetFromReader")->trigger();

  auto* wait = h.Find<QSpinBox>("sedWaitCar_1s");
  QCOMPARE(h.Find<QTabWidget>("pgcSections")->currentWidget(), h.Find("tbsStandard"));
  if (failAt < 0) {
    QVERIFY(h.messages.informed.isEmpty());
    QCOMPARE(h.Panel(3), Result(0));
    QCOMPARE(h.Panel(2), QStringLiteral("БЕЗ ВОРОТ"));
    QCOMPARE(wait->value(), 42);
    QCOMPARE(h.state.Config.Mode, std::uint8_t(NoGate));  // the redraw did not keep Standard
    QCOMPARE(h.Find<QSlider>("trbTagMemTime2")->value(), 40);
    return;
  }
  QCOMPARE(h.messages.informed,
           QStringList{QString::fromUtf8(ReadFailureMessage(static_cast<TConfigGroup>(group)))});
  QCOMPARE(h.Panel(3), Result(rcDataError));
  QCOMPARE(h.Panel(2), QStringLiteral("Version"));
  // The pages show what is now in memory, which is what a write would send:
  // the block read before the failure, or the old one when it was the block.
  const bool blockRead = group != int(TConfigGroup::Block);
  QCOMPARE(wait->value(), blockRead ? 42 : 10);
  QCOMPARE(h.state.Config.Channel[0].WCT, std::uint8_t(wait->value()));
  QCOMPARE(h.state.Config.Mode, std::uint8_t(blockRead ? NoGate : Standard));
}

void MainWindowTest::writeReportsEveryFailedGroup_data() {
  QTest::addColumn<QList<int>>("failAt");
  QTest::addColumn<QList<int>>("groups");
  QTest::newRow("none") << QList<int>{} << QList<int>{};
  QTest::newRow("block") << QList<int>{0} << QList<int>{int(TConfigGroup::Block)};
  // Channel 1's tag memory time fails: channel 2's is skipped, the
  // attenuation of channel 1 is the third command.
  QTest::newRow("tag memory time 1") << QList<int>{1} << QList<int>{int(TConfigGroup::TagMemTime)};
  QTest::newRow("attenuation 2") << QList<int>{4} << QList<int>{int(TConfigGroup::Atten)};
}

void MainWindowTest::writeReportsEveryFailedGroup() {
  QFETCH(QList<int>, failAt);
  QFETCH(QList<int>, groups);
  MainHarness h;
  h.Open();
  h.Find<QToolButton>("btnOneRead")->click();
  for (int at : failAt) h.FailCommand(at, rcBadParameter);
  // A failed group is reported before the next group goes out.
  QList<int> sentAtMessage;
  h.messages.onInform = [&] { sentAtMessage << int(h.Requests()); };
  h.Action("tbnLoadToReader")->trigger();
  QList<int> sentByThen;
  for (int at : failAt) sentByThen << at + 1;
  QCOMPARE(sentAtMessage, sentByThen);
  QStringList expected;
  for (int g : groups) expected << QString::fromUtf8(WriteFailureMessage(static_cast<TConfigGroup>(g)));
  QCOMPARE(h.messages.informed, expected);
  QCOMPARE(h.Panel(2), QStringLiteral("ОДНОКРАТНЫЙ"));
  // A write that failed ends on the failed command's code, not on the OK of
  // a later group.
  QCOMPARE(h.Panel(3), Result(failAt.isEmpty() ? 0 : rcBadParameter));
  QCOMPARE(h.bus.Reader(1)->state.block[14], std::uint8_t(failAt.contains(0) ? NoGate : OneRead));
}

void MainWindowTest::redrawStoresOnlyWhatAControlChanged() {
  struct Case {
    const char* name;
    std::function<void(TCommandState&, ui::TConfigPages&)> arrange;
    std::function<void(const MainHarness&)> check;
  };
  const Case cases[] = {
      {"a time byte of 0 becomes 1 where the spin edit moved",
       [](TCommandState& s, ui::TConfigPages&) { s.Config.Channel[0].WCT = 0; },
       [](const MainHarness& h) {
         QCOMPARE(h.state.Config.Channel[0].WCT, std::uint8_t(1));
         QCOMPARE(h.Find<QSpinBox>("sedWaitCar_1a")->value(), 1);
       }},
      {"a time byte of 0 stays where the spin edit already showed 1",
       [](TCommandState& s, ui::TConfigPages& p) {
         s.Config.Channel[0].GOT = 1;
         p.RedrawPages();
         s.Config.Channel[0].GOT = 0;
       },
       [](const MainHarness& h) { QCOMPARE(h.state.Config.Channel[0].GOT, std::uint8_t(0)); }},
      {"a tag memory time within the shown second is kept",
       [](TCommandState& s, ui::TConfigPages&) { s.TMT_1 = 105; },
       [](const MainHarness& h) { QCOMPARE(h.state.TMT_1, std::uint16_t(105)); }},
      {"a tag memory time beyond the track bar is clamped",
       [](TCommandState& s, ui::TConfigPages&) { s.TMT_2 = 5000; },
       [](const MainHarness& h) {
         QCOMPARE(h.state.TMT_2, std::uint16_t(2400));
         QCOMPARE(h.Find<QLabel>("lblTagMemTime2")->text(), QStringLiteral("240 sec"));
       }},
      {"an attenuation of 40 becomes 31",
       [](TCommandState& s, ui::TConfigPages&) { s.ATT_1 = 40; },
       [](const MainHarness& h) { QCOMPARE(h.state.ATT_1, std::uint8_t(31)); }},
      {"a Wiegand interval of 25 becomes 20",
       [](TCommandState& s, ui::TConfigPages&) { s.Config.WiegandInterval = 25; },
       [](const MainHarness& h) {
         QCOMPARE(h.state.Config.WiegandInterval, std::uint8_t(20));
         QCOMPARE(h.Find<QLabel>("lblWiegandInterval")->text(), QStringLiteral("2 sec"));
       }},
      {"look-opposite on one channel ticks the box and sets both",
       [](TCommandState& s, ui::TConfigPages&) {
         s.Config.Channel[0].SetOpt(LookOppositChannel, true);
         s.Config.Channel[1].SetOpt(LookOppositChannel, false);
       },
       [](const MainHarness& h) {
         QVERIFY(h.Find<QCheckBox>("cbxLookOppositChannel")->isChecked());
         QVERIFY(h.state.Config.Channel[1].Opt(LookOppositChannel));
       }},
  };
  for (const Case& c : cases) {
    MainHarness h;
    c.arrange(h.state, h.main->Pages());
    h.main->Pages().RedrawPages();
    c.check(h);
    if (QTest::currentTestFailed()) QFAIL(c.name);
  }
}

void MainWindowTest::pagesSelectTheirModeOnly() {
  MainHarness h;
  h.Open();
  const auto optBefore = h.state.Config.Channel;
  const struct {
    const char* button;
    std::uint8_t mode;
  } steps[] = {{"btnOnTheFly", OnTheFly}, {"btnCommon", OnTheFly}, {"btnTests", OnTheFly},
               {"btnOneRead", OneRead},   {"btnTests", OneRead},   {"btnStandard", Standard},
               {"btnNoGate", NoGate}};
  for (const auto& step : steps) {
    h.Find<QToolButton>(step.button)->click();
    QVERIFY2(h.state.Config.Mode == step.mode, step.button);
  }
  QVERIFY(h.state.Config.Channel == optBefore);
  // The mode name in panel 2 changes only with a read or a write.
  QCOMPARE(h.Panel(2), QStringLiteral("Version"));
}

void MainWindowTest::oneReadAndStandardShareTheirBytes() {
  MainHarness h;
  h.Open();
  h.Find<QToolButton>("btnOneRead")->click();
  TypeInto(h.Find<QSpinBox>("sedWaitCar_2a"), QStringLiteral("42"));
  h.Find<QCheckBox>("cbxCarSensorInversion_1")->click();
  h.Find<QToolButton>("btnStandard")->click();
  QCOMPARE(h.Find<QSpinBox>("sedWaitCar_2s")->value(), 42);
  QVERIFY(h.Find<QCheckBox>("cbxCarSensInversion_1s")->isChecked());
  TypeInto(h.Find<QSpinBox>("sedWaitCar_2s"), QStringLiteral("7"));
  h.Find<QCheckBox>("cbxCarSensInversion_1s")->click();
  h.Find<QToolButton>("btnOneRead")->click();
  QCOMPARE(h.Find<QSpinBox>("sedWaitCar_2a")->value(), 7);
  QVERIFY(!h.Find<QCheckBox>("cbxCarSensorInversion_1")->isChecked());
  QCOMPARE(h.state.Config.Channel[1].WCT, std::uint8_t(7));
}

void MainWindowTest::typedSpinValuesAreStoredClamped() {
  MainHarness h;
  h.Open();
  h.Find<QToolButton>("btnStandard")->click();
  auto* spin = h.Find<QSpinBox>("sedDefGateTime_1s");
  const struct {
    const char* typed;
    std::uint8_t stored;
  } cases[] = {{"300", 255}, {"", 1}, {"0", 1}, {"-5", 1}, {"77", 77}, {"99999999999", 255}};
  for (const auto& c : cases) {
    TypeInto(spin, QString::fromLatin1(c.typed));
    QVERIFY2(h.state.Config.Channel[0].GDT == c.stored, c.typed);
  }
  // Letters cannot be typed at all.
  TypeInto(spin, QStringLiteral("12"));
  QTest::keyClicks(spin->findChild<QLineEdit*>(), QStringLiteral("ab"));
  QCOMPARE(h.state.Config.Channel[0].GDT, std::uint8_t(12));
  // Leaving the field shows the bound that counts.
  TypeInto(spin, QStringLiteral("300"));
  spin->interpretText();
  QCOMPARE(spin->text(), QStringLiteral("255"));
}

void MainWindowTest::saveAsksBeforeReplacingAFile() {
  MainHarness h;
  QTemporaryDir dir;
  const QString file = dir.filePath("old.set");
  {
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[FOREIGN]\r\nKEY=1\r\n");
  }
  h.files.saveName = file;
  h.messages.answers = {false};
  h.Action("miSaveConfig")->trigger();
  QCOMPARE(h.messages.asked, QStringList{QStringLiteral("Такой файл существует. Заменить на новый?")});
  QFile f(file);
  QVERIFY(f.open(QIODevice::ReadOnly));
  QCOMPARE(f.readAll(), QByteArray("[FOREIGN]\r\nKEY=1\r\n"));
  QVERIFY(h.messages.informed.isEmpty());

  // A new file is written without a question; a folder that is not there
  // cannot take it, and the user is told which file.
  h.messages.asked.clear();
  h.files.saveName = dir.filePath("missing/new.set");
  h.Action("miSaveConfig")->trigger();
  QVERIFY(h.messages.asked.isEmpty());
  QCOMPARE(h.messages.informed.size(), 1);
  // The path as the system writes it, and why on the next line.
  const QStringList lines = h.messages.informed.front().split(QLatin1Char('\n'));
  QCOMPARE(lines.size(), 2);
  QCOMPARE(lines[0], QStringLiteral("Unable to write to ") + QDir::toNativeSeparators(dir.filePath("missing/new.set")));
  QVERIFY(!lines[1].isEmpty());
}

void MainWindowTest::settingsFilesStartInTheProgramsFolderOnlyWhereFilesCanBeMade() {
  QTemporaryDir dir;
  QCOMPARE(ui::SettingsFolderFor(dir.path()), dir.path());
  QVERIFY(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
  const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  const QString elsewhere = docs.isEmpty() ? QDir::homePath() : docs;
  QCOMPARE(ui::SettingsFolderFor(dir.filePath("gone")), elsewhere);
  // As Program Files is to a user (root may write anywhere).
  QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
  QFile probe(dir.filePath("probe"));
  const bool stillWritable = probe.open(QIODevice::WriteOnly);
  if (stillWritable) probe.remove();
  if (!stillWritable) QCOMPARE(ui::SettingsFolderFor(dir.path()), elsewhere);
  QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void MainWindowTest::loadKeepsModeAndPageAndRefreshesTagFields() {
  MainHarness h;
  h.Open();
  h.Find<QToolButton>("btnStandard")->click();
  h.state.EtalonTag = "00 00 00 07";
  QTemporaryDir dir;
  h.files.openName = dir.filePath("absent.set");  // loads as all defaults
  h.Action("miLoadCfg")->trigger();
  QCOMPARE(h.state.Config.Mode, std::uint8_t(Standard));
  QCOMPARE(h.Find<QTabWidget>("pgcSections")->currentWidget(), h.Find("tbsStandard"));
  QCOMPARE(h.windows.RadioTest->EtalonTagText(), QString::fromStdString(h.state.EtalonTag));
  QCOMPARE(h.Panel(3), Result(0));  // the status bar does not change
  QVERIFY(h.messages.informed.isEmpty());
  // Cancel loads nothing.
  h.state.Config.Channel[0].WCT = 99;
  h.files.openName.clear();
  h.Action("miLoadCfg")->trigger();
  QCOMPARE(h.state.Config.Channel[0].WCT, std::uint8_t(99));
}

void MainWindowTest::saveThenLoadThroughTheWindow() {
  MainHarness h;
  QTemporaryDir dir;
  const QString file = dir.filePath("reader.set");
  h.state.ReaderAddress = 9;
  h.state.Config.Channel[1].GDT = 77;
  h.state.ATT_2 = 12;
  h.main->Pages().RedrawPages();
  h.windows.RadioTest->findChild<QLineEdit*>("edtTestTag")->setText(QStringLiteral("00 11 22 33"));
  h.files.saveName = file;
  h.Action("miSaveConfig")->trigger();
  QVERIFY(QFile::exists(file));
  QVERIFY2(h.messages.informed.isEmpty(), qPrintable(h.messages.informed.join('\n')));

  MainHarness other;
  other.files.openName = file;
  other.Action("miLoadCfg")->trigger();
  QCOMPARE(other.state.ReaderAddress, 9);
  QCOMPARE(other.state.Config.Channel[1].GDT, std::uint8_t(77));
  QCOMPARE(other.state.ATT_2, std::uint8_t(12));
  QCOMPARE(other.Find<QSlider>("trbAttenuator_2")->value(), -12);
  QCOMPARE(other.windows.RadioTest->TestTagText(), QStringLiteral("00 11 22 33"));
}

void MainWindowTest::settingsFileOnTheCommandLineLoads() {
  MainHarness h;
  QTemporaryDir dir;
  const auto write = [&](const char* name, const QByteArray& text) {
    QFile f(dir.filePath(QLatin1String(name)));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
  };
  write("gate 2.set", "[COMMON]\r\nRDR_ADDR=7\r\n[CHAN_1]\r\nGDT=77\r\n[R_TEST]\r\nETAL_TAG=00 11 22 33\r\n");
  write("other.set", "[COMMON]\r\nRDR_ADDR=9\r\n");
  // No file named: nothing loads.
  q17::ui::LoadArguments(*h.main, {QStringLiteral("--verbose")});
  QCOMPARE(h.state.ReaderAddress, 1);
  // A name relative to the folder the program starts in, as a file manager
  // may give it; options are passed over and the first file counts.
  const QString before = QDir::currentPath();
  QVERIFY(QDir::setCurrent(dir.path()));
  q17::ui::LoadArguments(*h.main, {QStringLiteral("-x"), QStringLiteral("gate 2.set"), QStringLiteral("other.set")});
  QDir::setCurrent(before);
  QCOMPARE(h.state.ReaderAddress, 7);
  QCOMPARE(h.Panel(1), QStringLiteral("Адрес: 7"));
  QCOMPARE(h.state.Config.Channel[0].GDT, std::uint8_t(77));
  QCOMPARE(h.windows.RadioTest->EtalonTagText(), QStringLiteral("00 11 22 33"));
  QVERIFY(h.messages.informed.isEmpty());
}

void MainWindowTest::versionIsShownInPanel2() {
  MainHarness h;
  h.Open();
  h.bus.Reader(1)->state.version = "\xC2\xE5\xF0\xF1\xE8\xFF 1.2";  // "Версия 1.2" in Windows-1251
  h.Action("miGetVersion")->trigger();
  QCOMPARE(h.Panel(3), Result(0));
  QCOMPARE(h.Panel(2), QStringLiteral("Версия 1.2"));
  QCOMPARE(h.main->Panel(2)->textFormat(), Qt::PlainText);
  // No reader at the address: the time-out, and panel 2 left empty.
  h.state.ReaderAddress = 5;
  h.Action("miGetVersion")->trigger();
  QCOMPARE(h.Panel(3), Result(rcTimeout));
  QVERIFY(h.Panel(2).isEmpty());
}

void MainWindowTest::dateAndTimeComeFromOneClockReading() {
  MainHarness h;
  h.Open();
  h.Action("miDateTimeSet")->trigger();
  QCOMPARE(h.Panel(3), Result(0));
  QCOMPARE(h.clock.reads, 1);
  const auto now = h.bus.Reader(1)->state.clock.Now(h.bus.NowMs());
  QCOMPARE(now.year, 2026);
  QCOMPARE(now.month, 12);
  QCOMPARE(now.day, 31);
  QCOMPARE(now.hour, 23);
  QCOMPARE(now.minute, 59);
}

void MainWindowTest::restoreRadioProfileAsksFirst() {
  MainHarness h;
  h.Open();
  h.bus.Reader(1)->state.profiles[0].fill(0);
  h.bus.Reader(1)->state.profiles[1].fill(0);
  const QString question = QStringLiteral(
      "Все настройки радиоканала будут установлены для доступного профиля.\r\n"
      "Вы уверены, что этот профиль используется в вашей системе?");
  const auto before = h.Requests();
  h.messages.answers = {false};
  h.Action("miRFConfigRestore")->trigger();
  QCOMPARE(h.messages.asked, QStringList{question});
  QCOMPARE(h.Requests(), before);
  h.messages.answers = {true};
  h.Action("miRFConfigRestore")->trigger();
  QCOMPARE(h.Requests(), before + 2);
  QCOMPARE(h.bus.Reader(1)->state.profiles[0], sim::kDefaultProfile);
  QCOMPARE(h.bus.Reader(1)->state.profiles[1], sim::kDefaultProfile);
  QCOMPARE(h.Panel(3), Result(0));
}

void MainWindowTest::addressChangeFollowsTheReader() {
  MainHarness h;
  h.Open();
  auto* dialog = h.windows.AddrChange;
  auto* change = dialog->findChild<QPushButton*>("btnChangeAddress");
  auto* current = dialog->findChild<QSpinBox*>("sedCurrentAddress");
  auto* next = dialog->findChild<QSpinBox*>("sedNewAddress");
  QCOMPARE(current->maximum(), 255);
  QCOMPARE(next->maximum(), 127);
  QCOMPARE(dialog->Panel(2)->text(), QStringLiteral("Статус неизвестен"));
  dialog->show();
  TypeInto(next, QStringLiteral("200"));  // counts as 127 at once
  TypeInto(next, QStringLiteral("5"));
  change->click();
  QCOMPARE(dialog->Panel(2)->text(), Result(0));
  QCOMPARE(current->value(), 5);
  QCOMPARE(h.state.ReaderAddress, 5);
  QVERIFY(h.bus.Reader(5) != nullptr);
  dialog->reject();
  h.Action("miGetVersion")->trigger();
  QCOMPARE(h.Panel(3), Result(0));

  // No reader at the old address any more: nothing moves.
  dialog->show();
  TypeInto(current, QStringLiteral("1"));
  QCOMPARE(h.state.ReaderAddress, 1);
  TypeInto(next, QStringLiteral("9"));
  change->click();
  QCOMPARE(dialog->Panel(2)->text(), Result(rcTimeout));
  QCOMPARE(current->value(), 1);
  QCOMPARE(h.state.ReaderAddress, 1);
  dialog->reject();
}

void MainWindowTest::searchAndSurveyDoubleClickPickTheReader() {
  MainHarness h;
  h.bus.ApplyControl("reader add 6");
  h.bus.ApplyControl("@6 version Q17-6 ");
  h.Open();
  QCOMPARE(h.Panel(1), QStringLiteral("Адрес: 1"));
  auto* search = h.windows.FindReaders;
  auto* list = search->findChild<QPlainTextEdit*>("memReaders");
  auto doubleClickLine = [list](int line) {
    QTextCursor at(list->document()->findBlockByNumber(line));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->cursorRect(at).center());
  };
  bool stillShown = true;
  QTimer::singleShot(0, [&] {
    search->findChild<QPushButton*>("btnStartFind")->click();
    QCOMPARE(list->toPlainText(), QStringLiteral("Addr=01 [2xQ17 v1.0]\nAddr=06 [Q17-6]"));
    doubleClickLine(1);
    stillShown = search->isVisible();
    if (stillShown) search->reject();
  });
  h.Action("miActionFindReaders")->trigger();
  QVERIFY(!stillShown);
  QCOMPARE(h.state.ReaderAddress, 6);
  QCOMPARE(h.Panel(1), QStringLiteral("Адрес: 6"));
  q17::test::Screenshot(*h.main, "main-address-picked");
  // The main window's commands now go to that reader.
  h.Action("miGetVersion")->trigger();
  QCOMPARE(h.Panel(2), QStringLiteral("Q17-6 "));

  // Below the last line: no reader named, nothing chosen, the window stays.
  QTimer::singleShot(0, [&] {
    search->findChild<QPushButton*>("btnStartFind")->click();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, list->viewport()->height() - 5));
    stillShown = search->isVisible();
    search->reject();
  });
  h.Action("miActionFindReaders")->trigger();
  QVERIFY(stillShown);
  QCOMPARE(h.state.ReaderAddress, 6);

  // The survey's double-click as well.
  h.state.ReaderAddress = 1;
  h.Action("miGetVersion")->trigger();
  QCOMPARE(h.Panel(1), QStringLiteral("Адрес: 1"));
  QTimer::singleShot(0, [&] {
    QWidget* survey = QApplication::activeModalWidget();
    survey->findChild<QSpinBox*>("sedEndAddr")->setValue(6);
    survey->findChild<QPushButton*>("btnStart")->click();
    auto* table = survey->findChild<QTableWidget*>("tblReaders");
    QCOMPARE(table->rowCount(), 2);
    const int row = table->item(0, 0)->text() == QStringLiteral("6") ? 0 : 1;
    emit table->cellDoubleClicked(row, 0);
    if (survey->isVisible()) qobject_cast<QDialog*>(survey)->reject();
  });
  h.Action("miFleetSurvey")->trigger();
  QCOMPARE(h.state.ReaderAddress, 6);
  QCOMPARE(h.Panel(1), QStringLiteral("Адрес: 6"));
}

void MainWindowTest::launchersShowTheirWindows() {
  MainHarness h;
  h.Open();
  const ui::TWindows& w = h.windows;
  const struct {
    const char* control;
    QDialog* window;
  } launchers[] = {
      {"btnStartExchangeTest", static_cast<QDialog*>(w.CommTest)},
      {"btnStartRadioTest", static_cast<QDialog*>(w.RadioTest)},
      {"btnStartSensTest", static_cast<QDialog*>(w.Sensors)},
      {"btnStartAudit", static_cast<QDialog*>(w.Audit)},
      {"btnAudioTest", static_cast<QDialog*>(w.Audio)},
      {"miChangeAddr", w.AddrChange},
      {"miActionFindReaders", static_cast<QDialog*>(w.FindReaders)},
      {"miFleetSurvey", static_cast<QDialog*>(w.FleetSurvey)},
      {"miFleetWrite", static_cast<QDialog*>(w.FleetWrite)},
      {"miAbout", static_cast<QDialog*>(w.About)},
      {"tbnHelpAbout", static_cast<QDialog*>(w.About)},
  };
  for (const auto& l : launchers) {
    QWidget* shown = nullptr;
    // Each launcher returns only when its modal window closes.
    QTimer::singleShot(0, [&shown] {
      shown = QApplication::activeModalWidget();
      if (auto* d = qobject_cast<QDialog*>(shown)) d->reject();
    });
    if (auto* b = h.Find<QPushButton>(l.control)) b->click();
    else h.Action(l.control)->trigger();
    QVERIFY2(shown == l.window, l.control);
  }
  // A test window that leaves the reader as it was not found says so here,
  // in sight after it has closed: audit mode's switch lost both ways.
  h.bus.ApplyControl("fault noreply next 2");
  QTimer::singleShot(0, [] { qobject_cast<QDialog*>(QApplication::activeModalWidget())->reject(); });
  h.Find<QPushButton>("btnStartAudit")->click();
  QCOMPARE(h.Panel(3), Result(rcTimeout));
}

void MainWindowTest::readZoneTestLeavesThePagesShowingWhatItRead() {
  MainHarness h;
  h.Open();
  h.Find<QToolButton>("btnStandard")->click();
  h.bus.Reader(1)->state.block[2] = 42;  // WCT of channel 1, not yet read
  // Started and stopped: the start read the reader's block into memory.
  QTimer::singleShot(0, [] {
    QWidget* test = QApplication::activeModalWidget();
    test->findChild<QPushButton*>(QStringLiteral("btnStart"))->click();
    test->findChild<QPushButton*>(QStringLiteral("btnStop"))->click();
    qobject_cast<QDialog*>(test)->reject();
  });
  h.Find<QPushButton>("btnAudioTest")->click();
  QCOMPARE(h.state.Config.Channel[0].WCT, std::uint8_t(42));
  QCOMPARE(h.Find<QSpinBox>("sedWaitCar_1s")->value(), 42);
  QCOMPARE(h.state.Config.Mode, std::uint8_t(NoGate));  // the reader's, as after a read
}

// Notes whether Qt blocked a window's input for a modal one.
class BlockWatch : public QObject {
 public:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::WindowBlocked) blocked = true;
    return QObject::eventFilter(o, e);
  }
  bool blocked = false;
};

void MainWindowTest::trafficLogOpensAnyTimeAndStaysUsableBesideATest() {
  MainHarness h;
  QAction* log = h.Action("miTrafficLog");
  // Reached with the port closed, through a menu of its own; the Actions
  // menu holds its five items and nothing else.
  QVERIFY(log->isEnabled());
  QVERIFY(h.Find<QMenu>("miService")->menuAction()->isEnabled());
  QVERIFY(h.Find<QMenu>("miService")->actions().contains(log));
  QStringList actions;
  for (QAction* a : h.Find<QMenu>("miActions")->actions())
    if (!a->isSeparator()) actions << a->objectName();
  QCOMPARE(actions, (QStringList{"miGetVersion", "miDateTimeSet", "miChangeAddr", "miActionFindReaders",
                                 "miRFConfigRestore"}));
  log->trigger();
  QWidget* window = h.windows.TrafficLog;
  QVERIFY(window->isVisible());
  QVERIFY(h.link.Observer() != nullptr);
  h.Open();
  QVERIFY(log->isEnabled());
  // A diagnostic window blocks the main window, never the log.
  BlockWatch mainWatch, logWatch;
  h.main->installEventFilter(&mainWatch);
  window->installEventFilter(&logWatch);
  QTimer::singleShot(0, [] {
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
  });
  h.Find<QPushButton>("btnStartExchangeTest")->click();
  QVERIFY(mainWatch.blocked);
  QVERIFY(!logWatch.blocked);
  window->close();
  QVERIFY(h.link.Observer() == nullptr);
}

void MainWindowTest::screenshots() {
  MainHarness h;
  q17::test::Screenshot(*h.main, "main-closed");
  h.Open();
  const char* pages[] = {"btnCommon", "btnNoGate", "btnOnTheFly", "btnOneRead", "btnStandard", "btnTests"};
  for (const char* b : pages) {
    h.Find<QToolButton>(b)->click();
    q17::test::Screenshot(*h.main, QStringLiteral("main-open-%1").arg(QString::fromLatin1(b + 3)));
  }
  h.Find<QToolButton>("btnStandard")->click();
  h.Action("tbnInterfaceClose")->trigger();
  q17::test::Screenshot(*h.main, "main-closed-standard");
  auto* dialog = h.windows.AddrChange;
  dialog->show();
  (void)QTest::qWaitForWindowExposed(dialog);
  q17::test::Screenshot(*dialog, "addr-change");
  dialog->reject();

  // The port list open, with a remembered network port and the add entry.
  h.link.AddNetworkPort("rfc2217://192.168.10.20:4001");
  h.Action("tbnRefresh")->trigger();
  auto* box = h.Find<QComboBox>("cbxInterfaces");
  box->showPopup();
  QWidget* popup = box->view()->window();
  (void)QTest::qWaitForWindowExposed(popup);
  QPixmap list(h.main->width(), box->mapTo(h.main.get(), QPoint(0, 0)).y() + box->height() + popup->height());
  list.fill(Qt::white);
  h.main->render(&list);
  popup->render(&list, box->mapTo(h.main.get(), QPoint(0, box->height())));
  if (const QByteArray dir = qgetenv("SETUPQ17_SCREENSHOTS"); !dir.isEmpty())
    list.save(QString::fromLocal8Bit(dir) + "/main-port-list.png");
  box->hidePopup();

  ui::TfrmAddNetPort add(h.main.get());
  add.show();
  (void)QTest::qWaitForWindowExposed(&add);
  q17::test::Screenshot(add, "add-net-port");
  add.findChild<QLineEdit*>("edtName")->setText(QStringLiteral("tcp://gate 3:4001"));
  add.OKBtnClick();
  q17::test::Screenshot(add, "add-net-port-error");
  add.StartFrom("rfc2217://192.168.10.20:4001", 150);
  q17::test::Screenshot(add, "add-net-port-filled");
  add.reject();
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
