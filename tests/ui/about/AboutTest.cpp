// The about box over the version record the build put into this test
// program, and over records fed from files.
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <cstdio>

#include "support/FakeD2xxApi.h"
#include "support/FakeSerialApi.h"
#include "support/FakeUiSeams.h"
#include "ui/support/Screenshot.h"
#include "ui/about/About.h"
#include "version/ElfImage.h"
#include "version/VersionRecordWriter.h"

using namespace q17;
using namespace q17::ui;

namespace {

// The graph the program's start builds, with nothing behind the seams.
struct TContext {
  TCommandState State;
  test::FakeSerialApi Serial;
  test::FakeD2xxApi D2xx;
  TInterfList Link{Serial, D2xx};
  test::FakeMessages Messages;
  test::FakeFiles Files;
  test::FakeBeep Beeper;
  test::FakeClock Clock;
  TIdleSlot Idle;
  TWindows Windows;
  TUiContext Ctx{State, Link, Messages, Files, Beeper, Clock, Idle, Windows};
};

QString Text(const TfrmAbout& about, const char* name) {
  const auto* label = about.findChild<QLabel*>(name);
  return label ? label->text() : QStringLiteral("<no %1>").arg(name);
}

}  // namespace

class AboutTest : public QObject {
  Q_OBJECT

 private slots:
  void ShowsTheRecordOfItsOwnProgramFile() {
    TContext c;
    TfrmAbout about(c.Ctx);
    QCOMPARE(about.windowTitle(), QStringLiteral("О программе SetupQ17.exe"));
    const struct {
      const char* Name;
      QString Text;
    } labels[] = {
        {"ProductName", "Product Name:"},
        {"Version", "Version:"},
        {"Copyright", "Copyright:"},
        {"Comments", "Comments:"},
        {"DLLInfo", "DLL Info:"},
        {"lblProductName", Q17_PRODUCT_NAME},
        {"lblFileVersion", Q17_FILE_VERSION},
        {"lblCopyRight", Q17_LEGAL_COPYRIGHT},
        {"lblComments", Q17_COMMENTS},
        {"lblDLLInfo", "Not DLL Used"},
    };
    for (const auto& l : labels) QCOMPARE(Text(about, l.Name), l.Text);
    const auto* icon = about.findChild<QLabel*>("ProgramIcon");
    QVERIFY(icon);
    QCOMPARE(icon->pixmap().size(), QSize(121, 104));

    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    test::Screenshot(about, "about");
    auto* ok = about.findChild<QPushButton*>("OKButton");
    QVERIFY(ok && ok->isDefault());
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(about.result(), int(QDialog::Accepted));
    QVERIFY(!about.isVisible());
  }

  // Texts from a record are shown as written, never as markup.
  void ShowsRecordTextsAsPlainText() {
    TVersionRecordData d;
    d.Strings = {{"ProductName", "<b>Bold</b>"},
                 {"FileVersion", "<i>1</i>"},
                 {"LegalCopyright", "<a href='x'>link</a>"},
                 {"Comments", "<img src='x'>"}};
    const std::string path = QDir::tempPath().toStdString() + "/about_test_record";
    test::MakeElf({{kVersionSectionName, BuildVersionRecord(d)}}).Save(path);
    TContext c;
    TfrmAbout about(c.Ctx);
    about.ShowVersion(TVersionInfo(path));
    std::remove(path.c_str());
    int n = 0;
    for (const auto& [key, value] : d.Strings) {
      const char* name = std::array{"lblProductName", "lblFileVersion", "lblCopyRight", "lblComments"}[n++];
      QCOMPARE(Text(about, name), QString::fromStdString(value));
      QCOMPARE(about.findChild<QLabel*>(name)->textFormat(), Qt::PlainText);
    }
  }
};

QTEST_MAIN(AboutTest)
#include "AboutTest.moc"
