// The car park's windows against the simulated bus: the survey table beside
// the core survey of the same bus, its file, and one set-up written to a
// list of readers, stopped or not, or to what the survey of this port found.
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>

#include "ui/support/WindowFixture.h"
#include "reader/Survey.h"
#include "reader/SurveyTable.h"
#include "ui/support/Screenshot.h"
#include "ui/fleet/FleetSurvey.h"
#include "ui/fleet/FleetWrite.h"
#include "ui/tests/FindReaders.h"
#include "link/ErrMsg.h"
#include "reader/ConfigCopy.h"

namespace q17::test {
namespace {

// Says yes to every question unless told otherwise.
struct AnsweringMessages : FakeMessages {
  AnsweringMessages() { answerWhenNoneLeft = true; }
};

// Five readers; reader 5 refuses to give its second tag memory time.
struct FleetWorld : WindowWorld {
  FleetWorld() : WindowWorld({1, 2, 3, 5, 7}) {
    bus.ApplyControl("@3 version Q17-3 ");
    bus.ApplyControl("@5 answer 20 cmd 28");
    windows.FleetSurvey = &survey;
    windows.FleetWrite = &write;
  }
  AnsweringMessages messages;
  ui::TUiContext ctx{state, link, messages, files, beeper, clock, idle, windows};
  ui::TfrmFleetWrite write{ctx};
  ui::TfrmFleetSurvey survey{ctx};
};

QStringList Row(QTableWidget* table, int row) {
  QStringList cells;
  for (int c = 0; c < table->columnCount(); ++c) cells << table->item(row, c)->text();
  return cells;
}

// A survey of 1..last through the window, which is then closed.
void SurveyThroughTheWindow(ui::TfrmFleetSurvey& w, int last) {
  w.show();
  Child<QSpinBox>(w, "sedEndAddr")->setValue(last);
  Child<QPushButton>(w, "btnStart")->click();
  w.hide();
}

QByteArray FileBytes(const QString& name) {
  QFile file(name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class FleetWindowsTest : public QObject {
  Q_OBJECT
 private slots:
  void SurveyTableIsTheCoreSurvey();
  void SurveySortsSavesAndPicksAReader();
  void StopEndsTheSurveyAfterTheExchangeInProgress();
  void WriteVerifiesEachReaderAndNamesTheSilentOne();
  void StopDuringAWriteLeavesTheRestUntouched();
  void FoundIsWhatTheSurveyOfThisPortFound();
  void WindowsDrawInTheProgramsFace();
};

void FleetWindowsTest::SurveyTableIsTheCoreSurvey() {
  FleetWorld world;
  world.bus.ApplyControl("@3 version 2xQ17 v1.0.25 (сборка 2026-03-14, канал 2) ");
  world.state.ReaderAddress = 9;
  // The core's survey of the same bus, first.
  std::vector<TSurveyRecord> core;
  TSurveyEnv env;
  env.NowMs = [] { return 0.0; };
  Survey(world.link, 1, 10, env, [&](const TSurveyRecord& r) {
    core.push_back(r);
    return true;
  });
  QCOMPARE(core.size(), std::size_t{5});

  ui::TfrmFleetSurvey& w = world.survey;
  w.show();
  Child<QPushButton>(w, "btnStart")->click();
  QTableWidget* table = Child<QTableWidget>(w, "tblReaders");
  QCOMPARE(table->rowCount(), 5);
  for (int i = 0; i < 5; ++i) {
    const std::vector<std::string> want = SurveyFields(core[static_cast<std::size_t>(i)]);
    const QStringList got = Row(table, i);
    for (int c = 0; c < 10; ++c) {
      // The echo time is the one column a second run may not repeat.
      if (c == 8) {
        QVERIFY(!got[c].isEmpty());
        continue;
      }
      QCOMPARE(got[c], QString::fromStdString(want[static_cast<std::size_t>(c)]));
    }
    // Rows with an error stand out.
    const bool failed = core[static_cast<std::size_t>(i)].ErrorCode != 0;
    QCOMPARE(table->item(i, 0)->background() != QBrush(), failed);
  }
  QVERIFY(Row(table, 3)[9].startsWith(QStringLiteral("Код = 20 / ")));
  QCOMPARE(Row(table, 2)[1], QStringLiteral("2xQ17 v1.0.25 (сборка 2026-03-14, канал 2) "));
  // Whole texts with a row selected: every header, as it is drawn then, and
  // the longest version.
  table->selectRow(2);
  const QHeaderView* header = table->horizontalHeader();
  QFont headerFont = header->font();
  headerFont.setBold(header->highlightSections());
  const QFontMetrics headerMetrics(headerFont);
  for (int c = 0; c < table->columnCount(); ++c) {
    const QString name = table->horizontalHeaderItem(c)->text();
    QVERIFY2(headerMetrics.size(0, name).width() < table->columnWidth(c), qPrintable(name));
  }
  QVERIFY(table->fontMetrics().horizontalAdvance(Row(table, 2)[1]) < table->columnWidth(1));
  QCOMPARE(Child<QProgressBar>(w, "pgbProgress")->value(), 10);
  QCOMPARE(w.PanelText(0), QStringLiteral("Обзор завершён"));
  // The working address is left as it was.
  QCOMPARE(world.state.ReaderAddress, 9);
  Screenshot(w, "TfrmFleetSurvey");
  w.hide();
}

void FleetWindowsTest::SurveySortsSavesAndPicksAReader() {
  FleetWorld world;
  ui::TfrmFleetSurvey& w = world.survey;
  w.show();
  Child<QSpinBox>(w, "sedEndAddr")->setValue(3);
  Child<QPushButton>(w, "btnStart")->click();
  QTableWidget* table = Child<QTableWidget>(w, "tblReaders");
  QCOMPARE(table->rowCount(), 3);
  table->sortItems(0, Qt::DescendingOrder);
  QCOMPARE(table->item(0, 0)->text(), QStringLiteral("3"));

  // The file holds the rows in the order shown.
  QTemporaryDir dir;
  const QString name = dir.filePath(QStringLiteral("survey.csv"));
  world.files.exportName = name;
  Child<QPushButton>(w, "btnSaveFile")->click();
  const QByteArray csv = FileBytes(name);
  const std::vector<TSurveyRecord>& r = w.Records();
  auto p95 = [&](int i) { return QString::fromStdString(SurveyFields(r[static_cast<std::size_t>(i)])[8]); };
  const QString expected =
      QStringLiteral(
          "\uFEFFАдрес;Версия;Режим;Время памяти 1, 0,1 с;Время памяти 2, 0,1 с;Затухание 1;Затухание 2;Ошибки эха;"
          "Эхо 95 %, мс;Ошибка\r\n"
          "3;Q17-3 ;БЕЗ ВОРОТ;100;100;0;0;0;%1;\r\n"
          "2;2xQ17 v1.0 ;БЕЗ ВОРОТ;100;100;0;0;0;%2;\r\n"
          "1;2xQ17 v1.0 ;БЕЗ ВОРОТ;100;100;0;0;0;%3;\r\n")
          .arg(p95(2), p95(1), p95(0));
  QCOMPARE(csv, expected.toUtf8());
  QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
  // Never under a settings file's name.
  world.files.exportName = dir.filePath(QStringLiteral("newgate.set"));
  Child<QPushButton>(w, "btnSaveFile")->click();
  QVERIFY(!QFile::exists(world.files.exportName));
  QCOMPARE(FileBytes(world.files.exportName + QStringLiteral(".csv")), csv);
  world.files.exportName = name;

  // An existing file is replaced only when the user says so.
  QVERIFY(world.messages.texts.isEmpty());
  world.messages.answerWhenNoneLeft = false;
  table->sortItems(0, Qt::AscendingOrder);
  Child<QPushButton>(w, "btnSaveFile")->click();
  QCOMPARE(world.messages.texts.size(), 1);
  QCOMPARE(FileBytes(name), csv);
  world.messages.answerWhenNoneLeft = true;
  Child<QPushButton>(w, "btnSaveFile")->click();
  QVERIFY(FileBytes(name).startsWith(QStringLiteral("\uFEFFАдрес;").toUtf8() + QByteArray()));
  QVERIFY(FileBytes(name).contains("\r\n1;"));

  // The write window opened from here offers the readers found.
  QString offered;
  QTimer::singleShot(0, [&] {
    Child<QPushButton>(world.write, "btnFoundReaders")->click();
    offered = Child<QLineEdit>(world.write, "edtAddresses")->text();
    world.write.reject();
  });
  Child<QPushButton>(w, "btnWriteMany")->click();
  QCOMPARE(offered, QStringLiteral("1-3"));

  // A double-click makes that reader the working one and closes the window.
  world.state.ReaderAddress = 9;
  emit table->cellDoubleClicked(1, 4);
  QCOMPARE(world.state.ReaderAddress, 2);
  QVERIFY(!w.isVisible());
}

void FleetWindowsTest::StopEndsTheSurveyAfterTheExchangeInProgress() {
  FleetWorld world;
  ui::TfrmFleetSurvey& w = world.survey;
  w.show();
  // Reader 1's version, then its block, then Stop during its first tag memory time.
  QPushButton* stop = Child<QPushButton>(w, "btnStop");
  world.bus.SetReplyHook([&] {
    if (world.Requests() == 3) stop->click();
  });
  Child<QPushButton>(w, "btnStart")->click();
  world.bus.SetReplyHook({});
  QCOMPARE(world.Requests(), std::uint64_t{3});
  // A reader cut short has no row.
  QCOMPARE(Child<QTableWidget>(w, "tblReaders")->rowCount(), 0);
  QCOMPARE(w.PanelText(0), QStringLiteral("Обзор остановлен"));
  QVERIFY(Child<QPushButton>(w, "btnStart")->isEnabled());
  w.hide();
}

void FleetWindowsTest::WriteVerifiesEachReaderAndNamesTheSilentOne() {
  FleetWorld world;
  world.bus.ApplyControl("@5 answer off");
  world.state.ReaderAddress = 9;
  world.state.TMT_1 = 50;
  world.state.ATT_2 = 7;
  world.state.Config.Channel[1].WCT = 42;
  ui::TfrmFleetWrite& w = world.write;
  w.show();
  Child<QLineEdit>(w, "edtAddresses")->setText(QStringLiteral("2,5,11"));
  Child<QPushButton>(w, "btnStart")->click();
  // The confirmation names how many readers will be written.
  QCOMPARE(world.messages.texts.size(), 1);
  QVERIFY(world.messages.texts[0].contains(QStringLiteral(": 3 (2, 5, 11)")));
  QTableWidget* table = Child<QTableWidget>(w, "tblResults");
  QCOMPARE(table->rowCount(), 3);
  QCOMPARE(Row(table, 0), (QStringList{"2", "записана и проверена"}));
  QCOMPARE(Row(table, 1), (QStringList{"5", "записана и проверена"}));
  QCOMPARE(Row(table, 2)[0], QStringLiteral("11"));
  QVERIFY(Row(table, 2)[1].startsWith(QStringLiteral("не отвечает: Код = 6 / ")));
  for (const char* address : {"2", "5"}) {
    QCOMPARE(world.State("TMT", std::stoi(address)), std::string("50,100"));
    QCOMPARE(world.State("ATT", std::stoi(address)), std::string("0,7"));
  }
  QCOMPARE(world.State("TMT", 1), std::string("100,100"));
  QCOMPARE(world.state.ReaderAddress, 9);
  QCOMPARE(w.PanelText(0), QStringLiteral("Запись завершена"));
  Screenshot(w, "TfrmFleetWrite");

  // Nothing is sent without the user's word.
  const auto before = world.Requests();
  world.messages.answerWhenNoneLeft = false;
  Child<QPushButton>(w, "btnStart")->click();
  QCOMPARE(world.Requests(), before);
  w.hide();
}

void FleetWindowsTest::StopDuringAWriteLeavesTheRestUntouched() {
  FleetWorld world;
  world.state.TMT_1 = 50;
  SurveyThroughTheWindow(world.survey, 3);
  ui::TfrmFleetWrite& w = world.write;
  w.show();
  Child<QLineEdit>(w, "edtAddresses")->setText(QStringLiteral("1, 2,3"));
  // Stop once reader 2 has answered its block write: reader 1 takes eleven
  // replies (its block, five writes, five reads back), reader 2 its block read.
  int replies = 0;
  QPushButton* stop = Child<QPushButton>(w, "btnStop");
  world.bus.SetReplyHook([&] {
    if (++replies == 13) stop->click();
  });
  Child<QPushButton>(w, "btnStart")->click();
  world.bus.SetReplyHook({});
  QTableWidget* table = Child<QTableWidget>(w, "tblResults");
  QCOMPARE(Row(table, 0), (QStringList{"1", "записана и проверена"}));
  QCOMPARE(Row(table, 1),
           (QStringList{"2", "неизвестно (остановлено): BLOCK записано, TMT_1 не записано, TMT_2 не записано, "
                             "ATT_1 не записано, ATT_2 не записано"}));
  QCOMPARE(Row(table, 2), (QStringList{"3", "не тронут (остановлено)"}));
  QCOMPARE(world.State("TMT", 2), std::string("100,100"));
  QCOMPARE(world.State("TMT", 3), std::string("100,100"));
  QCOMPARE(w.PanelText(0), QStringLiteral("Запись остановлена"));
  QVERIFY(Child<QPushButton>(w, "btnClose")->isEnabled());

  // Stopped while reader 1's first tag memory time is read back: nothing
  // more is read, and the row says the reader was not checked.
  replies = 0;
  world.bus.SetReplyHook([&] {
    if (++replies == 8) stop->click();
  });
  Child<QLineEdit>(w, "edtAddresses")->setText(QStringLiteral("1"));
  Child<QPushButton>(w, "btnStart")->click();
  world.bus.SetReplyHook({});
  QCOMPARE(replies, 8);
  QCOMPARE(Row(table, 0), (QStringList{"1", "записана, не проверена (остановлено)"}));
  w.hide();
}

// "found" is the last survey of the port open now, taken as q17ctl takes
// its scan; the window says what is wrong with a list in its own words.
void FleetWindowsTest::FoundIsWhatTheSurveyOfThisPortFound() {
  FleetWorld world;
  world.bus.ApplyControl("@3 answer 20 cmd 40");  // answers the survey, but not whole
  world.state.TMT_1 = 50;
  ui::TfrmFleetWrite& w = world.write;
  QLineEdit* list = Child<QLineEdit>(w, "edtAddresses");
  QLabel* why = Child<QLabel>(w, "lblListError");
  QPushButton* offer = Child<QPushButton>(w, "btnFoundReaders");
  QTableWidget* table = Child<QTableWidget>(w, "tblResults");
  const QString noSurvey = QStringLiteral("Список адресов не принят: обзор на этом порту ещё не выполнялся");

  w.show();
  QVERIFY(!offer->isEnabled());
  const std::pair<const char*, QString> refused[] = {
      {"found", noSurvey},
      {"5-2", QStringLiteral("Список адресов не принят: в диапазоне '5-2' первый адрес больше последнего")},
  };
  for (const auto& [typed, said] : refused) {
    list->setText(QString::fromUtf8(typed));
    Child<QPushButton>(w, "btnStart")->click();
    QCOMPARE(why->text(), said);
  }
  QCOMPARE(world.Requests(), std::uint64_t{0});
  QVERIFY(world.messages.texts.isEmpty());
  w.hide();

  SurveyThroughTheWindow(world.survey, 10);
  w.show();
  offer->click();
  QCOMPARE(list->text(), QStringLiteral("1-2,5,7"));
  list->setText(QStringLiteral("found"));
  Child<QPushButton>(w, "btnStart")->click();
  QVERIFY(world.messages.texts.last().contains(QStringLiteral(": 4 (1-2, 5, 7)")));
  QCOMPARE(table->rowCount(), 5);
  QCOMPARE(Row(table, 2), (QStringList{"3", QString::fromStdString(NotWholeText(rcBadParameter))}));
  QCOMPARE(Row(table, 4), (QStringList{"7", "записана и проверена"}));
  QCOMPARE(world.State("TMT", 3), std::string("100,100"));
  QCOMPARE(world.State("TMT", 7), std::string("50,100"));
  w.hide();

  // Another bus behind the port, opened again: the survey's rows are gone,
  // and so is "found".
  world.link.Close();
  world.bus.ApplyControl("reader remove 1");
  QCOMPARE(world.link.Open(world.link.IndexOf("SIM"), 0), 0);
  world.survey.show();
  QCOMPARE(Child<QTableWidget>(world.survey, "tblReaders")->rowCount(), 0);
  QVERIFY(!world.survey.Found());
  world.survey.hide();
  const auto before = world.Requests();
  w.show();
  QVERIFY(!offer->isEnabled());
  list->setText(QStringLiteral("found"));
  Child<QPushButton>(w, "btnStart")->click();
  QCOMPARE(why->text(), noSurvey);
  QCOMPARE(world.Requests(), before);
  w.hide();
}

// The forms take the program's face, as every other window does, rather
// than name one that a system may not draw.
void FleetWindowsTest::WindowsDrawInTheProgramsFace() {
  const QFont saved = QApplication::font();
  QApplication::setFont(QFont(QStringLiteral("Program Face")));
  {
    FleetWorld world;
    ui::TfrmFindReaders search(world.ctx);
    for (QWidget* w : std::initializer_list<QWidget*>{&world.survey, &world.write, &search})
      QCOMPARE(w->font().family(), QStringLiteral("Program Face"));
  }
  QApplication::setFont(saved);
}

}  // namespace q17::test

QTEST_MAIN(q17::test::FleetWindowsTest)
#include "FleetWindowsTest.moc"
