// The reader search and the diagnostic windows against the simulated bus.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "IdleSlotTest.h"
#include "ui/support/WindowFixture.h"
#include "ui/support/Screenshot.h"
#include "ui/tests/Audit.h"
#include "ui/tests/ExchangeHistogram.h"
#include "ui/tests/FindReaders.h"
#include "ui/tests/Sensors.h"
#include "ui/tests/TestAudio.h"
#include "ui/tests/Test_RS485.h"
#include "ui/tests/Test_Radio.h"

namespace q17::test {

QString Text(QWidget& w, const char* name) { return Child<QLabel>(w, name)->text(); }

// Replaces a spin field's text by typing, then leaves the field.
void TypeAndLeave(QSpinBox* spin, const QString& text) {
  QLineEdit* edit = spin->findChild<QLineEdit*>();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  if (!text.isEmpty()) QTest::keyClicks(edit, text);
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QCoreApplication::sendEvent(spin, &out);
}

class DiagWindowsTest : public QObject {
  Q_OBJECT
 private slots:
  void SensorsPollWhileShownAndFreezeOnFailure();
  void AuditListsEventsAndSwitchesOffOnHide();
  void AuditButtonDuringAPause();
  void WindowOpenedFromAClosingPassPolls();
  void ExchangeTestCountsAndMeanTime();
  void RadioTestFieldsFilterAndCounts();
  void ReadZoneSetUpAlwaysRestored();
  void ReadZoneAnyTagAndGivenTag();
  void SearchListsReadersAndLeavesTheAddress();
  void TypedAddressesAndLengthComeToTheirBounds();
  void TestWindowsTakeOnlyTheTransactionsResult();
  void ReaderNotPutBackIsSaid();
};

void DiagWindowsTest::SensorsPollWhileShownAndFreezeOnFailure() {
  WindowWorld world;
  ui::TfrmSensors w(world.ctx);
  world.bus.ApplyControl("sensor gate 1 on");
  world.bus.ApplyControl("sensor car 2 on");
  w.show();
  QTRY_COMPARE(Text(w, "lblDC1"), QStringLiteral("ВКЛ."));
  QCOMPARE(Text(w, "lblCAR1"), QStringLiteral("выкл."));
  QCOMPARE(Text(w, "lblDC2"), QStringLiteral("выкл."));
  QCOMPARE(Text(w, "lblCAR2"), QStringLiteral("ВКЛ."));
  QCOMPARE(w.PanelText(0), QStringLiteral("ТЕСТ РАБОТАЕТ..."));
  QCOMPARE(w.PanelText(2), QStringLiteral("Код = 0 / OK !"));
  Screenshot(w, "TfrmSensors");

  world.bus.ApplyControl("sensor car 1 on");
  QTRY_COMPARE(Text(w, "lblCAR1"), QStringLiteral("ВКЛ."));

  // Hidden: the slot is empty and nothing more is sent.
  w.hide();
  QVERIFY(world.idle.Empty());

  // The first failure freezes the labels until the window is reopened.
  world.bus.ApplyControl("fault noreply next 1");
  world.bus.ApplyControl("sensor car 1 off");
  w.show();
  QTRY_COMPARE(w.PanelText(0), QStringLiteral("Тест не работает..."));
  QCOMPARE(w.PanelText(2), QStringLiteral("Код = 6 / Таймаут обмена"));
  QCOMPARE(Text(w, "lblCAR1"), QStringLiteral("ВКЛ."));
  w.hide();
  w.show();
  QCOMPARE(w.PanelText(0), QStringLiteral("ТЕСТ РАБОТАЕТ..."));
  QTRY_COMPARE(Text(w, "lblCAR1"), QStringLiteral("выкл."));
  w.hide();
}

void DiagWindowsTest::AuditListsEventsAndSwitchesOffOnHide() {
  WindowWorld world;
  ui::TfrmAudit w(world.ctx);
  auto* list = Child<QTreeWidget>(w, "lvwAudit");
  world.bus.ApplyControl("clock 2022-03-15 14:45:30");
  world.bus.ApplyControl("event 0x0124 2 12345678");
  w.show();
  QCOMPARE(world.State("AUDIT"), std::string("on"));
  QCOMPARE(w.PanelText(0), QStringLiteral("АУДИТ РАБОТАЕТ..."));
  QTRY_COMPARE(list->topLevelItemCount(), 1);
  const QStringList row{"1", "Кан. 2", "14:45:30", "12 34 56 78", "Таг передан в контроллер"};
  for (int c = 0; c < 5; ++c) QCOMPARE(list->topLevelItem(0)->text(c), row[c]);
  world.bus.ApplyControl("pass 1 00A10228");
  QTRY_COMPARE(list->topLevelItemCount(), 4);
  Screenshot(w, "TfrmAudit");

  // A failed poll: the error row, polling ends, and hiding still switches off.
  world.bus.ApplyControl("fault noreply next 1");
  QTRY_COMPARE(list->topLevelItemCount(), 5);
  QCOMPARE(list->topLevelItem(4)->text(1), QStringLiteral("Кан. 0"));
  QCOMPARE(list->topLevelItem(4)->text(2), QStringLiteral("09:08:07"));
  QCOMPARE(list->topLevelItem(4)->text(3), QStringLiteral("00 00 00 00"));
  QCOMPARE(list->topLevelItem(4)->text(4), QStringLiteral("Ошибка обмена со считывателем"));
  QTRY_COMPARE(w.PanelText(0), QStringLiteral("Аудит остановлен..."));
  world.bus.ApplyControl("event 0x0001 1 0");
  w.hide();
  QCOMPARE(world.State("AUDIT"), std::string("off"));
  QVERIFY(world.idle.Empty());

  // Reopened: numbering from 1 below the earlier rows.
  w.show();
  QTRY_COMPARE(list->topLevelItemCount(), 6);
  QCOMPARE(list->topLevelItem(5)->text(0), QStringLiteral("1"));
  Child<QPushButton>(w, "btnTransactClear")->click();
  QCOMPARE(list->topLevelItemCount(), 0);
  w.hide();

  // Audit mode that cannot be switched on: no polling, the code shown.
  world.bus.ApplyControl("fault noreply next 1");
  w.show();
  QVERIFY(world.idle.Empty());
  QCOMPARE(w.PanelText(2), QStringLiteral("Код = 6 / Таймаут обмена"));
  w.hide();
}

void DiagWindowsTest::AuditButtonDuringAPause() {
  WindowWorld world;
  ui::TfrmAudit w(world.ctx);
  auto* list = Child<QTreeWidget>(w, "lvwAudit");
  w.show();
  const auto polled = world.Requests();
  QTRY_VERIFY(world.Requests() > polled + 1);  // polling, so a pause is under way
  for (int i = 0; i < 3; ++i) world.bus.ApplyControl("event 0x0010 1 00A10228");
  // Clicked from inside a pause: runs between two polls, never inside one.
  QTimer::singleShot(0, Child<QPushButton>(w, "btnReaderClear"),
                     &QPushButton::click);
  QTRY_COMPARE(world.State("EVENTS"), std::string("0"));
  QCOMPARE(w.PanelText(2), QStringLiteral("Код = 0 / OK !"));
  const int rows = list->topLevelItemCount();
  world.bus.ApplyControl("event 0x0011 1 00A10228");
  QTRY_COMPARE(list->topLevelItemCount(), rows + 1);
  QCOMPARE(world.bus.Stats().badCrc + world.bus.Stats().malformed, 0u);
  w.hide();
}

void DiagWindowsTest::WindowOpenedFromAClosingPassPolls() {
  WindowWorld world;
  ui::TfrmSensors sensors(world.ctx);
  ui::TfrmAudit audit(world.ctx);
  bool armed = true, auditOpen = false;
  int auditPolls = 0, sensorReadsMeanwhile = 0;
  world.bus.SetTraceHook([&](const std::string& line) {
    const bool sensorRead = line.find(" code=182 ") != std::string::npos;
    if (auditOpen) {
      sensorReadsMeanwhile += sensorRead ? 1 : 0;
      if (line.find(" code=122 ") != std::string::npos && ++auditPolls == 2) {
        QTimer::singleShot(0, Child<QPushButton>(audit, "btnClose"), &QPushButton::click);
      }
    }
    if (!armed || !sensorRead) return;
    armed = false;
    // Runs in the pause that follows this read: the sensor window is closed
    // and the audit window opened, modal, before that pass has ended.
    QTimer::singleShot(0, &sensors, [&] {
      Child<QPushButton>(sensors, "btnClose")->click();
      auditOpen = true;
      QTimer::singleShot(20000, &audit, &QDialog::reject);  // only if it never polls
      audit.exec();
      auditOpen = false;
    });
  });
  sensors.show();
  QTRY_VERIFY(!armed && !auditOpen);
  world.bus.SetTraceHook({});
  QCOMPARE(auditPolls, 2);
  QCOMPARE(sensorReadsMeanwhile, 0);
  QCOMPARE(world.State("AUDIT"), std::string("off"));
  QVERIFY(world.idle.Empty());
  QCOMPARE(world.bus.Stats().badCrc + world.bus.Stats().malformed, 0u);
}

void DiagWindowsTest::ExchangeTestCountsAndMeanTime() {
  WindowWorld world;
  ui::TfrmCommTest w(world.ctx);
  w.show();
  auto* start = Child<QPushButton>(w, "btnStartTest");
  auto* stop = Child<QPushButton>(w, "btnStopTest");
  QVERIFY(!stop->isEnabled());
  // One size whatever the texts: Stop stays under the pointer that aimed at it.
  QCoreApplication::processEvents();
  const QSize size = w.size();
  const QRect stopAt = stop->geometry();
  // Start and Stop with no pass between them.
  start->click();
  stop->click();
  QCOMPARE(Text(w, "lblTestTime"), QStringLiteral("Милисекунд/на обмен = (\?\?\?)"));

  QCoreApplication::processEvents();
  start->click();
  QCOMPARE(w.PanelText(0), QStringLiteral("ТЕСТ РАБОТАЕТ..."));
  QVERIFY(!Child<QPushButton>(w, "btnClose")->isEnabled());
  QCoreApplication::processEvents();
  QCOMPARE(w.size(), size);
  QCOMPARE(stop->geometry(), stopAt);
  QTRY_VERIFY(Text(w, "lblCount").toInt() >= 5);
  QCOMPARE(w.PanelText(2), QStringLiteral("Код = 0 / OK !"));
  // A new length goes out from the next pass.
  Child<QSpinBox>(w, "sedDataLength")->setValue(64);
  const auto writes = world.serial.Writes().size();
  QTRY_VERIFY(world.serial.Writes().size() > writes + 1);
  const auto& last = world.serial.Writes().back();
  QVERIFY(last.size() >= 64 + 8);
  world.bus.ApplyControl("fault noreply next 1");
  QTRY_COMPARE(Text(w, "lblErrCount"), QStringLiteral("1"));
  w.reject();  // closing is refused while the test runs
  QVERIFY(w.isVisible());
  stop->click();
  QVERIFY(world.idle.Empty());
  QVERIFY(Text(w, "lblTestTime").startsWith(QStringLiteral("Милисекунд/на обмен = ")));
  QVERIFY(!Text(w, "lblTestTime").contains('?'));
  QCoreApplication::processEvents();
  QCOMPARE(w.size(), size);
  QCOMPARE(stop->geometry(), stopAt);
  Screenshot(w, "TfrmCommTest");
  w.hide();
}

void DiagWindowsTest::RadioTestFieldsFilterAndCounts() {
  WindowWorld world;
  world.state.EtalonTag = "00 B1 ZZ 01";
  ui::TfrmRadioTest w(world.ctx);
  auto* etalon = Child<QLineEdit>(w, "edtEtalonTag");
  auto* test = Child<QLineEdit>(w, "edtTestTag");
  QCOMPARE(w.EtalonTagText(), QStringLiteral("00 FF FF 01"));
  QCOMPARE(w.TestTagText(), QStringLiteral("00 B1 FF 03"));
  // A loaded text is shown whole: the limit is for typing only.
  world.state.TestTag = "0000 B1 FF 01";
  w.LoadTagTexts();
  QCOMPARE(w.TestTagText(), QStringLiteral("0000 B1 FF 01"));
  w.show();
  QCoreApplication::processEvents();
  const QSize size = w.size();
  // Typed through the filter.
  test->clear();
  QTest::keyClicks(test, "00ffff02x");
  QCOMPARE(test->text(), QStringLiteral("00 FF FF 02"));
  test->selectAll();
  QTest::keyClicks(test, "7");
  QCOMPARE(test->text(), QStringLiteral("00 FF FF 02 "));
  // Typing leaves a pasted text of any script as it was.
  test->setText(QStringLiteral("ЖÄ"));
  QTest::keyClicks(test, "1");
  QCOMPARE(test->text(), QStringLiteral("ЖÄ 1"));
  // Pasting stops at 12 characters; a longer loaded text does not grow.
  test->clear();
  test->insert(QStringLiteral("00 FF FF 01 02 03"));
  QCOMPARE(test->text(), QStringLiteral("00 FF FF 01 "));
  test->setText(QStringLiteral("0000 B1 FF 01"));
  test->insert(QStringLiteral("7"));
  QCOMPARE(test->text(), QStringLiteral("0000 B1 FF 01"));
  test->setText(QStringLiteral("00 FF FF 02"));

  Child<QRadioButton>(w, "rbnChannel2")->setChecked(true);
  Child<QPushButton>(w, "btnStartTest")->click();
  QCOMPARE(w.PanelText(0), QStringLiteral("ТЕСТ РАБОТАЕТ..."));
  QCoreApplication::processEvents();
  QCOMPARE(w.size(), size);
  QCOMPARE(world.State("RADIOCH"), std::string("2"));
  QCOMPARE(world.State("REF"), std::string("00FFFF01"));
  QCOMPARE(world.State("TEST"), std::string("00FFFF02"));
  QCOMPARE(Text(w, "lblEtalonCount"), QStringLiteral("---"));
  world.bus.ApplyControl("radio-counts 10 3");
  Child<QPushButton>(w, "btnStopTest")->click();
  QCOMPARE(Text(w, "lblEtalonCount"), QStringLiteral("10"));
  QCOMPARE(Text(w, "lblTestCount"), QStringLiteral("3"));
  QCoreApplication::processEvents();
  QCOMPARE(w.size(), size);
  Screenshot(w, "TfrmRadioTest");

  // A pasted text that does not convert: a clear message, nothing sent.
  etalon->setText(QStringLiteral("00 G1"));
  const auto before = world.Requests();
  Child<QPushButton>(w, "btnStartTest")->click();
  QCOMPARE(world.Requests(), before);
  QCOMPARE(world.messages.texts.size(), 1);
  QVERIFY(world.messages.texts[0].contains(QStringLiteral("«00 G1»")));
  QVERIFY(Child<QPushButton>(w, "btnStopTest")->isEnabled());
  Child<QPushButton>(w, "btnStopTest")->click();
  QVERIFY(Child<QPushButton>(w, "btnStartTest")->isEnabled());

  // A start that is not answered.
  etalon->setText(QStringLiteral("00 FF FF 01"));
  world.bus.ApplyControl("fault noreply next 1");
  Child<QPushButton>(w, "btnStartTest")->click();
  QCOMPARE(world.messages.texts.last(),
           QStringLiteral("ОШИБКА запуска радиотеста - проверьте подключение считывателя"));
  QVERIFY(Child<QPushButton>(w, "btnStartTest")->isEnabled());
  w.hide();
}

void DiagWindowsTest::ReadZoneSetUpAlwaysRestored() {
  WindowWorld world;
  ui::TfrmAudio w(world.ctx);
  auto* start = Child<QPushButton>(w, "btnStart");
  auto* stop = Child<QPushButton>(w, "btnStop");
  auto* tag = Child<QLineEdit>(w, "edtTestTag");
  world.state.TMT_1 = 300;
  WriteTagMemTime1(world.state, world.link);
  w.show();
  QVERIFY(!stop->isEnabled());

  // Set up and restored.
  start->click();
  QCOMPARE(world.State("TMT"), std::string("10,10"));
  QCOMPARE(w.PanelText(0), QStringLiteral("ТЕСТ РАБОТАЕТ"));
  stop->click();
  QCOMPARE(world.State("TMT"), std::string("300,100"));
  QCOMPARE(w.PanelText(0), QStringLiteral("Тест остановлен"));

  // A conversion error at Start: the message, no polling, Stop restores.
  tag->setText(QStringLiteral("0Z"));
  start->click();
  QCOMPARE(world.messages.texts.size(), 1);
  QVERIFY(world.idle.Empty());
  QCOMPARE(world.State("TMT"), std::string("10,10"));
  stop->click();
  QCOMPARE(world.State("TMT"), std::string("300,100"));

  // A tag memory time that cannot be read at Start is left alone, and the
  // program's stale value never reaches the reader.
  world.state.TMT_1 = 999;
  tag->clear();
  int replies = 0;
  world.bus.SetReplyHook([&] {
    if (++replies == 1) world.bus.ApplyControl("fault noreply next 1");
  });
  start->click();
  world.bus.SetReplyHook({});
  QCOMPARE(world.State("TMT"), std::string("300,10"));
  stop->click();
  QCOMPARE(world.State("TMT"), std::string("300,100"));

  // A block that cannot be read: the test does not start, nothing else sent.
  world.bus.ApplyControl("fault noreply next 1");
  const auto before = world.Requests();
  start->click();
  QCOMPARE(world.Requests(), before + 1);
  QVERIFY(start->isEnabled());
  w.hide();
}

void DiagWindowsTest::ReadZoneAnyTagAndGivenTag() {
  WindowWorld world;
  ui::TfrmAudio w(world.ctx);
  auto* tag = Child<QLineEdit>(w, "edtTestTag");
  world.bus.ApplyControl("tag add 2 00A10228");
  world.bus.ApplyControl("tag add 2 11111111");
  world.bus.ApplyControl("tag add 2 22222222");
  w.show();
  // Any tag, channel 2.
  tag->clear();
  Child<QRadioButton>(w, "rbnChannel2")->setChecked(true);
  Child<QPushButton>(w, "btnStart")->click();
  QTRY_COMPARE(Text(w, "lblTags_2"), QStringLiteral("3"));
  QCOMPARE(Text(w, "lblTags_1"), QStringLiteral("00"));
  QTRY_VERIFY(world.beeper.beeps >= 2);
  Child<QPushButton>(w, "btnStop")->click();

  // The given tag, found by its number.
  tag->setText(QStringLiteral("00 A1 02 28"));
  Child<QPushButton>(w, "btnStart")->click();
  QTRY_COMPARE(Text(w, "lblTags_2"), QStringLiteral("OK"));
  QCOMPARE(Text(w, "lblTags_1"), QStringLiteral("--"));
  Screenshot(w, "TfrmAudio");
  // Gone from the field: the walk ends at the reader's "no tag".
  world.bus.ApplyControl("tag remove 2 00A10228");
  QTRY_COMPARE(Text(w, "lblTags_2"), QStringLiteral("--"));
  // Stop pressed during a pause of the walk: nothing is sent after the restore.
  QTimer::singleShot(0, Child<QPushButton>(w, "btnStop"), &QPushButton::click);
  QTRY_VERIFY(world.idle.Empty());
  const auto after = world.Requests();
  QCoreApplication::processEvents();
  QCOMPARE(world.Requests(), after);
  QCOMPARE(world.State("TMT"), std::string("100,100"));

  // Stop pressed in the pause after the request that found the tag: that
  // answer is no longer news, so no beep and no "OK".
  world.bus.ApplyControl("tag remove 2 11111111");
  world.bus.ApplyControl("tag remove 2 22222222");
  world.bus.ApplyControl("tag add 2 00A10228");
  const int beeps = world.beeper.beeps;
  bool armed = true;
  world.bus.SetTraceHook([&](const std::string& line) {
    if (!armed || line.find(" code=84 ") == std::string::npos) return;  // first tag, channel 2
    armed = false;
    QTimer::singleShot(0, Child<QPushButton>(w, "btnStop"), &QPushButton::click);
  });
  Child<QPushButton>(w, "btnStart")->click();
  QTRY_VERIFY(!armed && world.idle.Empty());
  world.bus.SetTraceHook({});
  QCOMPARE(world.beeper.beeps, beeps);
  QCOMPARE(Text(w, "lblTags_2"), QStringLiteral("--"));
  w.hide();
}

void DiagWindowsTest::SearchListsReadersAndLeavesTheAddress() {
  WindowWorld world({1, 3, 12});
  world.bus.ApplyControl("@12 version Q17-12 ");
  world.bus.ApplyControl("@3 version ");
  world.state.ReaderAddress = 3;
  ui::TfrmFindReaders w(world.ctx);
  w.show();
  auto* list = Child<QPlainTextEdit>(w, "memReaders");
  auto* progress = Child<QProgressBar>(w, "pgbFindProgress");
  Child<QSpinBox>(w, "sedEndAddr")->setValue(14);
  Child<QPushButton>(w, "btnStartFind")->click();
  QCOMPARE(list->toPlainText(), QStringLiteral("Addr=01 [2xQ17 v1.0]\nAddr=03 []\nAddr=12 [Q17-12]"));
  QCOMPARE(world.state.ReaderAddress, 3);
  QCOMPARE(progress->value(), 14);
  QVERIFY(Child<QPushButton>(w, "btnClose")->isEnabled());
  Screenshot(w, "TfrmFindReaders");

  // A range above the last one.
  Child<QSpinBox>(w, "sedStartAddr")->setValue(20);
  Child<QSpinBox>(w, "sedEndAddr")->setValue(30);
  Child<QPushButton>(w, "btnStartFind")->click();
  QCOMPARE(progress->minimum(), 20);
  QCOMPARE(progress->value(), 30);
  QCOMPARE(list->toPlainText(), QString());

  // End below start: said so, nothing tried.
  Child<QSpinBox>(w, "sedEndAddr")->setValue(5);
  const auto before = world.Requests() + world.bus.Stats().unanswered;
  Child<QPushButton>(w, "btnStartFind")->click();
  QCOMPARE(world.Requests() + world.bus.Stats().unanswered, before);
  QVERIFY(Child<QLabel>(w, "lblRangeError")->isVisible());
  QVERIFY(Child<QPushButton>(w, "btnStartFind")->isEnabled());

  // Reopened: the default range and an empty list.
  w.hide();
  w.show();
  QCOMPARE(Child<QSpinBox>(w, "sedStartAddr")->value(), 1);
  QCOMPARE(Child<QSpinBox>(w, "sedEndAddr")->value(), 10);
  QVERIFY(!Child<QLabel>(w, "lblRangeError")->isVisible());
  w.hide();
}

void DiagWindowsTest::TypedAddressesAndLengthComeToTheirBounds() {
  WindowWorld world;
  ui::TfrmFindReaders search(world.ctx);
  ui::TfrmCommTest exchange(world.ctx);
  search.show();
  exchange.show();
  const struct {
    QWidget* window;
    const char* field;
    const char* typed;
    int value;
  } cases[] = {{&search, "sedStartAddr", "0", 1},     {&search, "sedStartAddr", "-", 1},
               {&search, "sedEndAddr", "300", 254},   {&search, "sedEndAddr", "", 1},
               {&exchange, "sedDataLength", "99", 64}, {&exchange, "sedDataLength", "0", 1}};
  for (const auto& c : cases) {
    auto* spin = Child<QSpinBox>(*c.window, c.field);
    spin->setValue(5);
    TypeAndLeave(spin, QString::fromLatin1(c.typed));
    QVERIFY2(spin->value() == c.value, c.typed);
    QCOMPARE(spin->text(), QString::number(c.value));
  }
  // The length that counts is the one the echo requests take.
  QCOMPARE(world.state.PayloadLength, std::uint16_t(1));
  search.hide();
  exchange.hide();
}

// A reader's answer code in a well-formed reply is no failure in the test
// windows: only the exchange's own result counts and is shown.
void DiagWindowsTest::TestWindowsTakeOnlyTheTransactionsResult() {
  WindowWorld world;
  const QString ok = QStringLiteral("Код = 0 / OK !");
  // A reader that refuses every echo in a well-formed reply: each is a good
  // exchange all the same, and the result panel shows code 0.
  ui::TfrmCommTest exchange(world.ctx);
  exchange.show();
  world.bus.ApplyControl("answer 20");
  Child<QPushButton>(exchange, "btnStartTest")->click();
  QTRY_VERIFY(Text(exchange, "lblCount").toInt() >= 5);
  QCOMPARE(Text(exchange, "lblErrCount"), QStringLiteral("0"));
  QCOMPARE(exchange.PanelText(2), ok);
  Child<QPushButton>(exchange, "btnStopTest")->click();
  QCOMPARE(world.State("ANSWER"), std::string("20"));

  // No reply at all: errors only, and no spread of exchanges that never were.
  world.bus.ApplyControl("answer off");
  world.bus.ApplyControl("fault noreply on");
  Child<QPushButton>(exchange, "btnStartTest")->click();
  QTRY_VERIFY(Text(exchange, "lblErrCount").toInt() >= 2);
  Child<QPushButton>(exchange, "btnStopTest")->click();
  world.bus.ApplyControl("fault off");
  QCOMPARE(Text(exchange, "lblCount"), QStringLiteral("0"));
  QCOMPARE(Text(exchange, "lblSpread"), QString());
  auto* histogram = exchange.findChild<ui::TExchangeHistogram*>();
  QVERIFY(histogram->Columns().empty());
  QCOMPARE(QString::number(histogram->Errors()), Text(exchange, "lblErrCount"));
  exchange.hide();

  // Radio test: a refused start runs and a refused stop is answered; a stop
  // reply without both counts shows none.
  ui::TfrmRadioTest radio(world.ctx);
  radio.show();
  world.bus.ApplyControl("answer 20 1");
  Child<QPushButton>(radio, "btnStartTest")->click();
  QCOMPARE(radio.PanelText(0), QStringLiteral("ТЕСТ РАБОТАЕТ..."));
  QCOMPARE(radio.PanelText(2), ok);
  QVERIFY(Child<QPushButton>(radio, "btnStopTest")->isEnabled());
  world.bus.ApplyControl("radio-counts 10 3");
  world.bus.ApplyControl("answer 20 1");
  Child<QPushButton>(radio, "btnStopTest")->click();
  QCOMPARE(radio.PanelText(2), ok);
  QCOMPARE(Text(radio, "lblEtalonCount"), QStringLiteral("---"));
  QCOMPARE(Text(radio, "lblTestCount"), QStringLiteral("---"));
  QVERIFY(Child<QPushButton>(radio, "btnStartTest")->isEnabled());
  radio.hide();

  // Sensors: every read refused without states keeps the test running with
  // the states last shown, and code 0 in the result panel.
  ui::TfrmSensors sensors(world.ctx);
  world.bus.ApplyControl("sensor gate 1 on");
  sensors.show();
  QTRY_COMPARE(Text(sensors, "lblDC1"), QStringLiteral("ВКЛ."));
  world.bus.ApplyControl("answer 201 cmd 182");
  const auto refusedFrom = world.Requests();
  QTRY_VERIFY(world.Requests() > refusedFrom + 2);
  QCOMPARE(sensors.PanelText(2), ok);
  QCOMPARE(sensors.PanelText(0), QStringLiteral("ТЕСТ РАБОТАЕТ..."));
  QCOMPARE(Text(sensors, "lblDC1"), QStringLiteral("ВКЛ."));
  world.bus.ApplyControl("answer off");
  world.bus.ApplyControl("sensor gate 1 off");
  QTRY_COMPARE(Text(sensors, "lblDC1"), QStringLiteral("выкл."));
  sensors.hide();

  // Audit: a refused switch-on still starts the audit; a refused read
  // without event data adds no row and polling goes on; a refused clear and
  // a refused switch-off are answered, and nothing is left to report.
  ui::TfrmAudit audit(world.ctx);
  QSignalSpy notPutBack(&audit, &ui::TDiagWindow::ReaderNotPutBack);
  auto* list = Child<QTreeWidget>(audit, "lvwAudit");
  world.bus.ApplyControl("answer 20 1 cmd 181");
  audit.show();
  QCOMPARE(audit.PanelText(2), ok);
  QCOMPARE(audit.PanelText(0), QStringLiteral("АУДИТ РАБОТАЕТ..."));
  QVERIFY(!world.idle.Empty());
  const auto polled = world.Requests();
  world.bus.ApplyControl("answer 80 3 cmd 122");
  QTRY_VERIFY(world.Requests() > polled + 3);
  QCOMPARE(list->topLevelItemCount(), 0);
  QCOMPARE(audit.PanelText(0), QStringLiteral("АУДИТ РАБОТАЕТ..."));
  world.bus.ApplyControl("event 0x0010 1 00A10228");
  QTRY_COMPARE(list->topLevelItemCount(), 1);
  world.bus.ApplyControl("answer 20 1 cmd 120");
  Child<QPushButton>(audit, "btnReaderClear")->click();
  QCOMPARE(audit.PanelText(2), ok);
  world.bus.ApplyControl("answer 20 1 cmd 181");
  audit.hide();
  QCOMPARE(audit.PanelText(2), ok);
  QCOMPARE(notPutBack.size(), 0);
}

void DiagWindowsTest::ReaderNotPutBackIsSaid() {
  WindowWorld world;
  // Read-zone test: the reader refuses to take its tag memory time back.
  ui::TfrmAudio zone(world.ctx);
  QSignalSpy zoneSpy(&zone, &ui::TDiagWindow::ReaderNotPutBack);
  zone.show();
  Child<QLineEdit>(zone, "edtTestTag")->clear();
  Child<QPushButton>(zone, "btnStart")->click();
  world.bus.ApplyControl("answer 20 1 cmd 25");
  Child<QPushButton>(zone, "btnStop")->click();
  QCOMPARE(world.State("TMT"), std::string("10,100"));  // the other steps still went out
  QCOMPARE(zone.PanelText(0), QStringLiteral("Настройки считывателя не восстановлены"));
  QCOMPARE(zoneSpy.size(), 1);
  QCOMPARE(zoneSpy[0][0].toInt(), 20);
  QVERIFY(Child<QPushButton>(zone, "btnStart")->isEnabled());
  // Restored in full: nothing to say.
  Child<QPushButton>(zone, "btnStart")->click();
  Child<QPushButton>(zone, "btnStop")->click();
  QCOMPARE(zone.PanelText(0), QStringLiteral("Тест остановлен"));
  QCOMPARE(zoneSpy.size(), 1);
  zone.hide();

  // Radio test: the start's reply is lost, the reader counts all the same.
  ui::TfrmRadioTest radio(world.ctx);
  QSignalSpy radioSpy(&radio, &ui::TDiagWindow::ReaderNotPutBack);
  radio.show();
  world.bus.ApplyControl("fault noreply next 1");
  Child<QPushButton>(radio, "btnStartTest")->click();
  QCOMPARE(world.State("RADIO"), std::string("off"));
  QCOMPARE(radio.PanelText(2), QStringLiteral("Код = 6 / Таймаут обмена"));
  QCOMPARE(world.messages.texts.last(),
           QStringLiteral("ОШИБКА запуска радиотеста - проверьте подключение считывателя"));
  QCOMPARE(radioSpy.size(), 0);
  // The start's reply and the stop's reply both lost: the window cannot
  // know that the reader stopped, and says so.
  world.bus.ApplyControl("fault noreply next 2");
  Child<QPushButton>(radio, "btnStartTest")->click();
  QCOMPARE(radioSpy.size(), 1);
  QCOMPARE(radioSpy[0][0].toInt(), 6);
  QCOMPARE(radio.PanelText(2), QStringLiteral("Код = 6 / Таймаут обмена"));
  radio.hide();

  // Audit: closing while the switch-off's reply is lost.
  ui::TfrmAudit audit(world.ctx);
  QSignalSpy auditSpy(&audit, &ui::TDiagWindow::ReaderNotPutBack);
  audit.show();
  world.bus.ApplyControl("fault noreply next 1");
  audit.hide();
  QCOMPARE(auditSpy.size(), 1);
  QCOMPARE(auditSpy[0][0].toInt(), 6);
}

}  // namespace q17::test

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int status = 0;
  {
    q17::ui::IdleSlotTest slot;
    status |= QTest::qExec(&slot, argc, argv);
  }
  {
    q17::test::DiagWindowsTest windows;
    status |= QTest::qExec(&windows, argc, argv);
  }
  return status;
}

#include "DiagWindowsTest.moc"
