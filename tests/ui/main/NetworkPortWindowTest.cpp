// The main window through a real network serial server: ser2net on the
// loopback in front of q17sim, through the system's own port code, raw TCP
// and RFC 2217 alike; and the server stopped while the port is open.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <string>

#include "link/ErrMsg.h"
#include "link/OpenFailureText.h"
#include "reader/ReaderConfig.h"
#include "support/ChildProcess.h"
#include "support/ControlField.h"
#include "support/FakeD2xxApi.h"
#include "support/FakeUiSeams.h"
#include "support/Ser2net.h"
#include "ui/common/UiContext.h"
#include "ui/main/Main.h"
#include "ui/main/Windows.h"

using namespace q17;

namespace {

// Only keeps a broken program from hanging the run; never reached when it works.
constexpr int kGuardMs = 20000;

// q17sim with one reader on a pseudo-terminal of its own.
class Sim {
 public:
  Sim() {
    if (sim_.Start({Q17SIM_PATH, "--reader", "1"}, {}, false, true)) sim_.ReadLine(pty_, kGuardMs);
  }
  const std::string& Pty() const { return pty_; }
  // One field of the reader's state.
  std::string State(const std::string& name) {
    std::string answer;
    if (!sim_.WriteLine("state 1") || !sim_.ReadLine(answer, kGuardMs)) return {};
    return test::ControlField(answer, name);
  }

 private:
  test::ChildProcess sim_;
  std::string pty_;
};

// The program's window graph over the system's serial ports.
struct Program {
  explicit Program(const std::vector<std::string>& networkPorts) {
    d2xx.available = false;
    // A fixed allowance, as the window's setting gives it: a loaded machine's
    // two forwarding processes must not turn into exchange failures.
    for (const std::string& name : networkPorts) link.AddNetworkPort(name, 400);
    main = ui::CreateWindows(program.ctx);
    main->show();
  }
  ~Program() {
    if (link.Opened()) Action("tbnInterfaceClose")->trigger();
  }
  QAction* Action(const char* name) const { return main->findChild<QAction*>(QLatin1String(name)); }
  QString Panel(int i) const { return main->Panel(i)->text(); }
  void Open(const std::string& name) {
    auto* box = main->findChild<QComboBox*>(QStringLiteral("cbxInterfaces"));
    box->setCurrentIndex(box->findText(QString::fromStdString(name)));
    Action("tbnInterfaceOpen")->trigger();
  }

  std::unique_ptr<SerialApi> serial = MakeSystemSerialApi();
  test::FakeD2xxApi d2xx;
  TInterfList link{*serial, d2xx};
  test::FakeContext program{link};
  std::unique_ptr<ui::TfrmMain> main;
};

QString Result(int code) { return QString::fromStdString(FormatResult(code)); }

}  // namespace

class NetworkPortWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void bothKindsWriteAndReadTheReader();
  void aServerStoppedWhileOpenIsTheDeviceGone();
};

void NetworkPortWindowTest::bothKindsWriteAndReadTheReader() {
  if (!test::HaveSer2net()) QSKIP("ser2net is not installed (scripts/deps.sh installs it)");
  Sim rawSim, telnetSim;
  test::Ser2net server(rawSim.Pty(), telnetSim.Pty());
  QVERIFY2(server.Ready(), server.Err().c_str());
  Program p({server.Raw(), server.Telnet()});
  struct {
    std::string name;
    Sim& sim;
  } kinds[] = {{server.Raw(), rawSim}, {server.Telnet(), telnetSim}};
  for (auto& kind : kinds) {
    p.Open(kind.name);
    QVERIFY2(p.link.Opened(), qPrintable(p.Panel(3)));
    QCOMPARE(p.Panel(0), QStringLiteral("Порт ") + QString::fromStdString(kind.name));
    // The page's mode written into the reader, then read back from it.
    p.main->findChild<QToolButton*>(QStringLiteral("btnOneRead"))->click();
    p.Action("tbnLoadToReader")->trigger();
    QCOMPARE(p.Panel(3), Result(0));
    QCOMPARE(kind.sim.State("BLOCK").substr(28, 2), std::string("02"));  // byte 14: the mode, OneRead
    p.main->findChild<QToolButton*>(QStringLiteral("btnCommon"))->click();
    p.Action("tbnGetFromReader")->trigger();
    QCOMPARE(p.Panel(3), Result(0));
    QCOMPARE(p.Panel(2), QStringLiteral("ОДНОКРАТНЫЙ"));
    QCOMPARE(p.program.state.Config.Mode, std::uint8_t(OneRead));
    p.Action("tbnInterfaceClose")->trigger();
    QVERIFY(!p.link.Opened());
    QVERIFY(p.program.messages.informed.isEmpty());
  }
}

void NetworkPortWindowTest::aServerStoppedWhileOpenIsTheDeviceGone() {
  if (!test::HaveSer2net()) QSKIP("ser2net is not installed (scripts/deps.sh installs it)");
  Sim rawSim, telnetSim;
  test::Ser2net server(rawSim.Pty(), telnetSim.Pty());
  QVERIFY2(server.Ready(), server.Err().c_str());
  Program p({server.Raw(), server.Telnet()});
  p.Open(server.Telnet());
  QVERIFY2(p.link.Opened(), qPrintable(p.Panel(3)));
  server.Stop();
  p.Action("tbnGetFromReader")->trigger();
  // The port is closed and the reason shown, as for an adapter pulled out.
  QTRY_VERIFY(!p.link.Opened());
  QCOMPARE(p.Panel(0), QStringLiteral("Порт закрыт"));
  QCOMPARE(p.Panel(3), QString::fromUtf8(DeviceGoneStatusText()));
  QVERIFY(p.Action("tbnInterfaceOpen")->isEnabled());
}

QTEST_MAIN(NetworkPortWindowTest)
#include "NetworkPortWindowTest.moc"
