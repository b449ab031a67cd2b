// The windows in English and back in Russian, made as the program makes them
// after a start in that language; the language menu's choice for the next start.
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "link/OpenFailureText.h"
#include "settings/LanguageChoice.h"
#include "support/FakeSerialApi.h"
#include "ui/common/Language.h"
#include "ui/common/LanguageMenu.h"
#include "ui/fleet/FleetWrite.h"
#include "ui/main/MainHarness.h"
#include "ui/tests/Test_RS485.h"
#include "ui/tests/Test_Radio.h"

using namespace q17;

namespace {

QString PanelOf(QWidget& window, int panel) {
  auto* label = window.findChild<QLabel*>(QStringLiteral("sbrStatusPanel%1").arg(panel));
  return label ? label->text() : QString();
}

}  // namespace

class LanguageTest : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { ui::UseLanguage(QStringLiteral("ru")); }

  void WindowsSpeakTheLanguageTheyWereMadeIn_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("channelActive");
    QTest::addColumn<QString>("exchangeTest");
    QTest::addColumn<QString>("notRunning");
    QTest::addColumn<QString>("timeout");
    QTest::addColumn<QString>("radioFailed");
    QTest::newRow("en") << "en" << "Channel active" << "Reader exchange test" << "Test not running"
                        << "Code = 6 / Exchange time-out"
                        << "ERROR starting the radio test - check the reader's connection";
    // Russian after English: the texts byte for byte as they were before
    // any translation existed.
    QTest::newRow("ru") << "ru" << QString::fromUtf8("Канал активен")
                        << QString::fromUtf8("Тест обмена со считывателем") << QString::fromUtf8("Тест не запущен")
                        << QString::fromUtf8(FormatResult(rcTimeout).c_str())
                        << QString::fromUtf8("ОШИБКА запуска радиотеста - проверьте подключение считывателя");
  }
  void WindowsSpeakTheLanguageTheyWereMadeIn() {
    QFETCH(QString, language);
    QFETCH(QString, channelActive);
    QFETCH(QString, exchangeTest);
    QFETCH(QString, notRunning);
    QFETCH(QString, timeout);
    QFETCH(QString, radioFailed);
    QVERIFY(ui::UseLanguage(language));
    test::MainHarness h;
    h.Open();
    QCOMPARE(h.Find<QCheckBox>("cbxChannelActive_1")->text(), channelActive);

    auto& exchange = *h.ctx.Windows.CommTest;
    exchange.show();
    QCOMPARE(exchange.windowTitle(), exchangeTest);
    QCOMPARE(PanelOf(exchange, 0), notRunning);
    h.bus.ApplyControl("fault noreply on");
    exchange.findChild<QPushButton*>(QStringLiteral("btnStartTest"))->click();
    QTRY_COMPARE(PanelOf(exchange, 2), timeout);
    exchange.findChild<QPushButton*>(QStringLiteral("btnStopTest"))->click();
    QCOMPARE(PanelOf(exchange, 0), notRunning);
    exchange.hide();

    auto& radio = *h.ctx.Windows.RadioTest;
    radio.show();
    radio.findChild<QPushButton*>(QStringLiteral("btnStartTest"))->click();
    QCOMPARE(h.messages.informed.value(h.messages.informed.size() - 1), radioFailed);
    QCOMPARE(PanelOf(radio, 2), timeout);
    radio.hide();
    h.bus.ApplyControl("fault noreply off");
  }

  // Texts the core composes from parts read in English as a whole: a car-park
  // window's refusal of a list and its row for a reader, a server's refusal.
  void ComposedTextsReadWholeInEnglish() {
    QVERIFY(ui::UseLanguage(QStringLiteral("en")));
    test::MainHarness h;
    h.Open();
    QWidget& write = *h.ctx.Windows.FleetWrite;
    write.show();
    auto* list = write.findChild<QLineEdit*>(QStringLiteral("edtAddresses"));
    auto* start = write.findChild<QPushButton*>(QStringLiteral("btnStart"));
    list->setText(QStringLiteral("1,x"));
    start->click();
    QCOMPARE(write.findChild<QLabel*>(QStringLiteral("lblListError"))->text(),
             QStringLiteral("Address list not accepted: 'x' is neither an address nor a range; give addresses "
                            "1..255 separated by commas, ranges with a dash (1,3,5-9), or found"));
    list->setText(QStringLiteral("1"));
    h.messages.answers = {true};
    start->click();
    QCOMPARE(write.findChild<QTableWidget*>(QStringLiteral("tblResults"))->item(0, 1)->text(),
             QStringLiteral("written and verified"));
    QCOMPARE(PanelOf(write, 0), QStringLiteral("Write complete"));
    write.hide();

    test::FakeSerialApi serial;
    serial.names = {"/dev/ttyUSB0"};
    serial.failOpen = OpenFailure::NoAnswer;
    test::FakeD2xxApi d2xx;
    TInterfList link{serial, d2xx};
    link.Refresh();
    QCOMPARE(link.Open(0, 0), int(rcOpenError));
    // The server's words; the system's detail as it came.
    QCOMPARE(ui::ShownText(OpenFailureWords(link)), QStringLiteral("the server does not answer (scripted failure)"));
  }

  void TheMenuKeepsTheChoiceForTheNextStart() {
    QTemporaryDir dir;
    const std::filesystem::path file = dir.filePath(QStringLiteral("SetupQ17/language")).toStdString();
    test::FakeMessages messages;
    QMenu service;
    QMenu* menu = ui::AddLanguageMenu(service, QStringLiteral("ru"), file, messages, nullptr);
    auto* russian = menu->findChild<QAction*>(QStringLiteral("miLanguage_ru"));
    auto* english = menu->findChild<QAction*>(QStringLiteral("miLanguage_en"));
    QVERIFY(russian && english);
    QCOMPARE(english->text(), QStringLiteral("English"));
    QCOMPARE(russian->text(), QString::fromUtf8("Русский"));
    QVERIFY(russian->isChecked());

    english->trigger();
    QCOMPARE(LoadLanguageChoice(file), std::optional<std::string>("en"));
    QCOMPARE(messages.informed.size(), 1);
    QVERIFY2(messages.informed.front().contains(QStringLiteral("started again")),
             qPrintable(messages.informed.front()));
    // Back to the language in use: kept, nothing to wait for.
    russian->trigger();
    QCOMPARE(LoadLanguageChoice(file), std::optional<std::string>("ru"));
    QCOMPARE(messages.informed.size(), 1);

    // Where the file cannot be written, the user hears that the choice is lost.
    QMenu other;
    const std::filesystem::path blocked = file / "inside-a-file";
    ui::AddLanguageMenu(other, QStringLiteral("ru"), blocked, messages, nullptr)
        ->findChild<QAction*>(QStringLiteral("miLanguage_en"))
        ->trigger();
    QCOMPARE(messages.informed.size(), 2);
    QVERIFY2(messages.informed.back().contains(QStringLiteral("not kept")), qPrintable(messages.informed.back()));
  }

  void QtsOwnButtonsFollowAndOnlyALanguageBuiltInIsUsed() {
    QCOMPARE(ui::AvailableLanguages(), (QStringList{QStringLiteral("ru"), QStringLiteral("en")}));
    const auto cancel = [] {
      QMessageBox box;
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      return box.button(QMessageBox::Cancel)->text();
    };
    QVERIFY(ui::UseLanguage(QStringLiteral("ru")));
    QCOMPARE(cancel(), QString::fromUtf8("Отмена"));
    QVERIFY(ui::UseLanguage(QStringLiteral("en")));
    QCOMPARE(cancel(), QStringLiteral("Cancel"));
    QVERIFY(!ui::UseLanguage(QStringLiteral("de")));
    // English is still in use.
    QCOMPARE(ui::ResultText(0), QStringLiteral("Code = 0 / OK !"));
  }
};

QTEST_MAIN(LanguageTest)
#include "LanguageTest.moc"
