// The service engineer's instruments against the simulated bus: the traffic
// log window, the audit list saved to a file, the sensor timeline and the
// exchange-time histogram.
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <numeric>

#include "ui/support/WindowFixture.h"
#include "link/ErrMsg.h"
#include "reader/RdrCmd.h"
#include "ui/common/QtSeams.h"
#include "ui/support/Screenshot.h"
#include "ui/tests/Audit.h"
#include "ui/tests/ExchangeHistogram.h"
#include "ui/tests/SensorTimeline.h"
#include "ui/tests/Sensors.h"
#include "ui/tests/Test_RS485.h"
#include "ui/service/TrafficLog.h"

namespace q17::test {
namespace {

QByteArray FileBytes(const QString& name) {
  QFile file(name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A held line as the formatter wrote it.
QString Line(const ui::TfrmTrafficLog& log, std::size_t i) { return QString::fromStdString(log.Model().Line(i)); }

int Version(WindowWorld& world) {
  std::string text;
  return ReadVersion(world.state, world.link, text);
}

}  // namespace

class ServiceToolsTest : public QObject {
  Q_OBJECT
 private slots:
  void LogModelKeepsTheLastHundredThousand();
  void LogFollowsPausesCapsAndSaves();
  void LogShowsLongLinesWhole();
  void AuditListSavedAsCsv();
  void ExportDialogKeepsABareNameInItsFolder();
  void TimelineDrawsAndFreezesWithTheStates();
  void HistogramDrawsGoodExchangesAndCountsErrors();
};

void ServiceToolsTest::LogModelKeepsTheLastHundredThousand() {
  ui::TTrafficLogModel model;
  for (int i = 0; i < ui::kTrafficLogCap + 5; ++i) model.Add(std::to_string(i));
  QCOMPARE(model.rowCount(), 0);  // rows only once shown
  QCOMPARE(model.Show(true), 0);
  QCOMPARE(model.rowCount(), 100000);
  QCOMPARE(model.Dropped(), 5LL);
  QCOMPARE(model.index(0).data().toString(), QStringLiteral("5"));

  // Held still, as behind a pause: the waiting lines take the place of the
  // oldest rows' lines, so shown and waiting never pass the cap together.
  for (int i = 0; i < 30; ++i) model.Add("late " + std::to_string(i));
  QCOMPARE(model.Size(), std::size_t{100000});
  QCOMPARE(model.rowCount(), 100000);
  QCOMPARE(model.index(0).data().toString(), QString());
  QCOMPARE(model.Show(false), 30);
  QCOMPARE(model.rowCount(), 100000 - 30);
  QCOMPARE(model.index(0).data().toString(), QStringLiteral("35"));
  QCOMPARE(model.Show(true), 0);
  QCOMPARE(model.rowCount(), 100000);
  QCOMPARE(model.index(99999).data().toString(), QStringLiteral("late 29"));
  QCOMPARE(model.Dropped(), 35LL);
  // More waiting than the cap: every row goes, the newest lines stay.
  for (int i = 0; i < ui::kTrafficLogCap + 1; ++i) model.Add("again " + std::to_string(i));
  QCOMPARE(model.Show(true), 100000);
  QCOMPARE(model.rowCount(), 100000);
  QCOMPARE(model.index(0).data().toString(), QStringLiteral("again 1"));
  QCOMPARE(model.Line(0), std::string("again 1"));
}

void ServiceToolsTest::LogFollowsPausesCapsAndSaves() {
  WindowWorld world;
  ui::TfrmTrafficLog log(world.ctx, 6);
  QVERIFY(world.link.Observer() == nullptr);
  log.show();
  QVERIFY(world.link.Observer() != nullptr);
  QCOMPARE(Version(world), 0);
  QTRY_COMPARE(log.Model().rowCount(), 2);
  QVERIFY(Line(log, 0).contains(QStringLiteral("\tTX\tFB 00 01 00 28 00 C5 B0 FD\t")));
  QVERIFY(Line(log, 1).contains(QStringLiteral("\tRX\tFC 00 01 00 00 ")));

  // Paused: the list stands still; resumed, the waiting lines come in.
  auto* pause = Child<QPushButton>(log, "btnPause");
  pause->click();
  world.bus.ApplyControl("fault noreply next 1");
  QCOMPARE(Version(world), rcTimeout);
  QCoreApplication::processEvents();
  QCOMPARE(log.Model().rowCount(), 2);
  pause->click();
  QCOMPARE(log.Model().rowCount(), 4);
  QVERIFY(Line(log, 3).endsWith(QStringLiteral("\tERR\tКод = 6 / Таймаут обмена")));

  // Beyond the cap the oldest go, and the window says so.
  QCOMPARE(Version(world), 0);
  QCOMPARE(Version(world), 0);
  QTRY_COMPARE(log.Dropped(), 2LL);
  QTRY_COMPARE(log.Model().rowCount(), 6);
  QVERIFY(!Child<QLabel>(log, "lblDropped")->text().isEmpty());
  Screenshot(log, "TfrmTrafficLog");

  // Saved: the same lines as q17ctl --trace writes them, never over a
  // settings file, and over another file only when the user says so.
  QTemporaryDir dir;
  QFile settings(dir.filePath(QStringLiteral("victim.set")));
  QVERIFY(settings.open(QIODevice::WriteOnly) && settings.write("[Common]\r\n") > 0);
  settings.close();
  world.files.exportName = dir.filePath(QStringLiteral("victim"));
  Child<QPushButton>(log, "btnSave")->click();
  QCOMPARE(world.files.exportFilter, std::string("Журнал обмена (*.log *.txt)"));
  QCOMPARE(world.files.exportFolder, ui::SettingsFolder());
  QCOMPARE(FileBytes(settings.fileName()), QByteArray("[Common]\r\n"));
  QByteArray expected;
  for (std::size_t i = 0; i < log.Model().Size(); ++i) expected += Line(log, i).toUtf8() + '\n';
  QCOMPARE(FileBytes(dir.filePath(QStringLiteral("victim.log"))), expected);
  QVERIFY(world.messages.texts.isEmpty());
  Child<QPushButton>(log, "btnClear")->click();
  world.messages.answerWhenNoneLeft = false;
  Child<QPushButton>(log, "btnSave")->click();
  QCOMPARE(world.messages.texts.size(), 1);  // asked, and answered No
  QCOMPARE(FileBytes(dir.filePath(QStringLiteral("victim.log"))), expected);
  world.messages.answerWhenNoneLeft = true;
  Child<QPushButton>(log, "btnSave")->click();
  QCOMPARE(FileBytes(dir.filePath(QStringLiteral("victim.log"))), QByteArray());
  world.messages.texts.clear();
  world.files.exportName = dir.filePath(QStringLiteral("no/such/folder/log.txt"));
  Child<QPushButton>(log, "btnSave")->click();
  QCOMPARE(world.messages.texts.size(), 1);

  Child<QPushButton>(log, "btnClear")->click();
  QCOMPARE(log.Model().rowCount(), 0);
  QCOMPARE(log.Dropped(), 0LL);
  // Closed: no longer watching.
  log.hide();
  QVERIFY(world.link.Observer() == nullptr);
  QCOMPARE(Version(world), 0);
  QCoreApplication::processEvents();
  QCOMPARE(log.Model().rowCount(), 0);

  // A full log at its first size shows the whole count of dropped lines.
  ui::TfrmTrafficLog full(world.ctx);
  full.show();
  const std::uint8_t frame[] = {0xFB, 0x00, 0x01, 0x00, 0x28, 0x00, 0xC5, 0xB0, 0xFD};
  TLineEvent event;
  event.Bytes = frame;
  event.Size = sizeof frame;
  for (int i = 0; i < ui::kTrafficLogCap + 21766; ++i) world.link.Observer()->OnLineEvent(event);
  QTRY_COMPARE(full.Dropped(), 21766LL);
  auto* dropped = Child<QLabel>(full, "lblDropped");
  QTRY_VERIFY(dropped->text().endsWith(QStringLiteral("21766")));
  QTRY_VERIFY(dropped->heightForWidth(dropped->width()) <= dropped->height());
  full.hide();
}

void ServiceToolsTest::LogShowsLongLinesWhole() {
  WindowWorld world;
  ui::TfrmTrafficLog log(world.ctx);
  log.show();
  // A long line, then shorter ones last: the list's rows share one size.
  const std::vector<std::uint8_t> noise(200, 0x5A);
  TLineEvent event;
  event.Kind = TLineEvent::RxPartial;
  event.Bytes = noise.data();
  event.Size = noise.size();
  event.Time = TLineClock::now();
  world.link.Observer()->OnLineEvent(event);
  world.bus.ApplyControl("fault noreply next 1");
  QCOMPARE(Version(world), rcTimeout);
  QTRY_COMPARE(log.Model().rowCount(), 3);
  auto* view = Child<QListView>(log, "lvwLog");
  const QModelIndex longest = log.Model().index(0);
  const int needed = view->fontMetrics().horizontalAdvance(longest.data().toString());
  QTRY_VERIFY(view->visualRect(longest).width() >= needed);
  QVERIFY(view->horizontalScrollBar()->maximum() + view->viewport()->width() >= needed);
  Screenshot(log, "TfrmTrafficLog_long");
  log.hide();
}

void ServiceToolsTest::AuditListSavedAsCsv() {
  WindowWorld world;
  ui::TfrmAudit w(world.ctx);
  world.bus.ApplyControl("clock 2022-03-15 14:45:30");
  world.bus.ApplyControl("event 0x0124 2 12345678");
  world.bus.ApplyControl("event 0x0010 1 00A10228");
  w.show();
  QTRY_COMPARE(Child<QTreeWidget>(w, "lvwAudit")->topLevelItemCount(), 2);
  QTemporaryDir dir;
  world.files.exportName = dir.filePath(QStringLiteral("audit"));
  Child<QPushButton>(w, "btnSaveFile")->click();
  QCOMPARE(world.files.exportFilter, std::string("Таблица CSV (*.csv)"));
  const QByteArray csv = FileBytes(dir.filePath(QStringLiteral("audit.csv")));
  QVERIFY(csv.startsWith(QByteArray("\xEF\xBB\xBF") + QStringLiteral("Номер;Канал;Время;Таг;Событие\r\n").toUtf8()));
  QVERIFY(csv.contains(QStringLiteral("1;Кан. 2;14:45:30;12 34 56 78;Таг передан в контроллер\r\n").toUtf8()));
  QCOMPARE(csv.count("\r\n"), 3);
  w.hide();
}

void ServiceToolsTest::ExportDialogKeepsABareNameInItsFolder() {
  QTemporaryDir dir;
  ui::TQtFileDialog files;
  QString opened;
  QTimer typist;
  typist.setInterval(10);
  int triesOpen = 0;
  // Types into the name field itself, as a user would: selectFile() leaves
  // the field alone once it has the focus, and the focus comes when it
  // comes. Tries again until the dialog closes; gives up (rejects) only
  // after many tries with the dialog up, so a fault fails instead of hanging.
  QObject::connect(&typist, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    if (triesOpen++ == 0) opened = dialog->directory().absolutePath();
    if (triesOpen > 3000) {
      dialog->reject();
      return;
    }
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!name) return;
    name->setText(QStringLiteral("events"));
    static_cast<QDialog*>(dialog)->accept();  // the file dialog's own accept, as its Save button
  });
  typist.start();
  const QString chosen = files.ExportFileName(nullptr, dir.path(), kCsvExport);
  typist.stop();
  QCOMPARE(opened, dir.path());
  QCOMPARE(chosen, dir.filePath(QStringLiteral("events")));
}

void ServiceToolsTest::TimelineDrawsAndFreezesWithTheStates() {
  WindowWorld world;
  ui::TfrmSensors w(world.ctx);
  auto* timeline = Child<ui::TSensorTimelineView>(w, "pbxTimeline");
  world.bus.ApplyControl("sensor gate 1 on");
  w.show();
  QTRY_VERIFY(!timeline->Timeline().ActiveSpans(0, timeline->NowMs()).empty());
  world.bus.ApplyControl("sensor car 1 on");
  QTRY_VERIFY(!timeline->Timeline().ActiveSpans(1, timeline->NowMs()).empty());
  world.bus.ApplyControl("sensor gate 1 off");
  QTRY_COMPARE(Child<QLabel>(w, "lblDC1")->text(), QStringLiteral("выкл."));
  const long long polled = timeline->NowMs();
  QTRY_VERIFY(timeline->NowMs() > polled);
  Screenshot(w, "TfrmSensors_timeline");

  // The first failure freezes the timeline with the four states.
  world.bus.ApplyControl("fault noreply next 1");
  world.bus.ApplyControl("sensor car 2 on");
  QTRY_COMPARE(w.PanelText(0), QStringLiteral("Тест не работает..."));
  const long long frozen = timeline->NowMs();
  QCOMPARE(timeline->NowMs(), frozen);
  QVERIFY(timeline->Timeline().ActiveSpans(3, frozen).empty());
  w.hide();
  // Reopened: a fresh minute.
  w.show();
  QTRY_VERIFY(!timeline->Timeline().ActiveSpans(3, timeline->NowMs()).empty());
  QVERIFY(timeline->Timeline().ActiveSpans(0, timeline->NowMs()).empty());
  w.hide();
}

void ServiceToolsTest::HistogramDrawsGoodExchangesAndCountsErrors() {
  WindowWorld world;
  ui::TfrmCommTest w(world.ctx);
  auto* histogram = Child<ui::TExchangeHistogram>(w, "pbxSpread");
  w.show();
  Child<QPushButton>(w, "btnStartTest")->click();
  QTRY_VERIFY(Child<QLabel>(w, "lblCount")->text().toInt() >= 20);
  world.bus.ApplyControl("fault noreply next 1");
  QTRY_COMPARE(Child<QLabel>(w, "lblErrCount")->text(), QStringLiteral("1"));
  QCOMPARE(histogram->Errors(), 1L);  // never behind the counter
  QTRY_VERIFY(!histogram->Columns().empty());  // drawn while the test runs
  Child<QPushButton>(w, "btnStopTest")->click();
  // The bars hold the good exchanges; the time-out is only counted beside them.
  const auto& columns = histogram->Columns();
  const auto drawn = std::accumulate(columns.begin(), columns.end(), std::uint64_t{0});
  QCOMPARE(static_cast<long>(drawn), Child<QLabel>(w, "lblCount")->text().toLong());
  QCOMPARE(histogram->Errors(), 1L);
  QCoreApplication::processEvents();
  Screenshot(w, "TfrmCommTest_histogram");
  w.hide();
}

}  // namespace q17::test

QTEST_MAIN(q17::test::ServiceToolsTest)
#include "ServiceToolsTest.moc"
