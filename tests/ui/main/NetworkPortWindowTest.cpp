// The main window through a real network serial server: ser2net on the
// loopback in front of q17sim, through the system's own port code, raw TCP
// and RFC 2217 alike; the server stopped while the port is open; and
// servers on the loopback that never answer, opened without freezing the
// window and given up.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

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
#include "ui/support/Screenshot.h"

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
  QComboBox* Box() const { return main->findChild<QComboBox*>(QStringLiteral("cbxInterfaces")); }
  QString Message() const { return main->findChild<QStatusBar*>(QStringLiteral("sbrStatus"))->currentMessage(); }
  // Opens an entry of the list; back when the open has ended.
  void Open(const std::string& name) {
    Box()->setCurrentIndex(Box()->findText(QString::fromStdString(name)));
    Action("tbnInterfaceOpen")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!main->PortOpening(), kGuardMs);
  }
  // Starts opening a name typed into the list; back at once.
  void StartOpen(const QString& typed) {
    Box()->setEditText(typed);
    Action("tbnInterfaceOpen")->trigger();
  }

  std::unique_ptr<SerialApi> serial = MakeSystemSerialApi();
  test::FakeD2xxApi d2xx;
  TInterfList link{*serial, d2xx};
  test::FakeContext program{link};
  std::unique_ptr<ui::TfrmMain> main;
};

QString Result(int code) { return QString::fromStdString(FormatResult(code)); }

// A listening socket on 127.0.0.1 that never accepts: connections the
// system completes wait in its queue, unanswered.
class Listener {
 public:
  explicit Listener(int backlog) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&at), size) != 0 || ::listen(fd_, backlog) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&at), &size) != 0)
      return;
    port_ = ntohs(at.sin_port);
  }
  ~Listener() {
    for (int fd : clients_) ::close(fd);
    if (fd_ >= 0) ::close(fd_);
  }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;
  std::uint16_t Port() const { return port_; }
  // Takes the one place in the queue of a listener of backlog 0, so that
  // the next connect is never answered.
  bool FillQueue() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    clients_.push_back(fd);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    at.sin_port = htons(port_);
    return ::connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0;
  }

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
  std::vector<int> clients_;
};

}  // namespace

class NetworkPortWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void bothKindsWriteAndReadTheReader();
  void aServerStoppedWhileOpenIsTheDeviceGone();
  void aServerThatNeverAnswersIsWaitedForBesideTheWindowAndGivenUp();
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

// A connect that is never answered and RFC 2217 settings that are never
// answered: the window answers while they wait, Cancel, Escape and closing
// the window give them up through the port's own stop, and a server that
// takes the connection still opens.
void NetworkPortWindowTest::aServerThatNeverAnswersIsWaitedForBesideTheWindowAndGivenUp() {
  Listener never(0);
  QVERIFY(never.FillQueue());
  Listener silent(8);
  QVERIFY(never.Port() != 0 && silent.Port() != 0);
  const QString unanswered = QStringLiteral("tcp://127.0.0.1:%1").arg(never.Port());
  const QString unsettled = QStringLiteral("rfc2217://127.0.0.1:%1").arg(silent.Port());
  const QString raw = QStringLiteral("tcp://127.0.0.1:%1").arg(silent.Port());
  Program p({});
  auto* cancel = p.main->findChild<QToolButton*>(QStringLiteral("btnCancelOpen"));
  const QString status = p.Panel(3);
  auto stoppedByTheUser = [&p] { return p.link.LastOpenFailure().Detail.ends_with(": stopped"); };

  // Cancel.
  p.StartOpen(unanswered);
  QVERIFY(p.main->PortOpening());
  QCOMPARE(p.Message(), QStringLiteral("Подключение к %1...").arg(unanswered));
  QVERIFY(cancel->isVisible());
  QVERIFY(!p.Action("tbnInterfaceOpen")->isEnabled());
  QVERIFY(!p.Action("tbnRefresh")->isEnabled());
  QVERIFY(!p.Box()->isEnabled());
  QCoreApplication::processEvents();  // the status bar laid out with its button
  test::Screenshot(*p.main, "main-connecting");
  bool answeredWhileOpening = false;
  QTimer::singleShot(0, [&] { answeredWhileOpening = p.main->PortOpening(); });
  QTRY_VERIFY(answeredWhileOpening);
  const auto gaveUp = std::chrono::steady_clock::now();
  cancel->click();
  QTRY_VERIFY_WITH_TIMEOUT(!p.main->PortOpening(), kGuardMs);
  qInfo("given up after %.0f ms",
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - gaveUp).count());
  QVERIFY2(stoppedByTheUser(), p.link.LastOpenFailure().Detail.c_str());
  QVERIFY(!p.link.Opened());
  QVERIFY(!cancel->isVisible());
  QCOMPARE(p.Panel(0), QStringLiteral("Порт закрыт"));
  QCOMPARE(p.Panel(3), status);  // nothing about the server
  QCOMPARE(p.Box()->findText(unanswered), -1);  // not kept
  QVERIFY(p.Action("tbnInterfaceOpen")->isEnabled());

  // Escape.
  p.main->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(p.main.get()));
  p.StartOpen(unsettled);
  QVERIFY(p.main->PortOpening());
  QTest::keyClick(p.main.get(), Qt::Key_Escape);
  QTRY_VERIFY_WITH_TIMEOUT(!p.main->PortOpening(), kGuardMs);
  QVERIFY2(stoppedByTheUser(), p.link.LastOpenFailure().Detail.c_str());
  QVERIFY(!p.link.Opened());

  // A server that takes the connection opens as before.
  p.StartOpen(raw);
  QTRY_VERIFY_WITH_TIMEOUT(!p.main->PortOpening(), kGuardMs);
  QVERIFY2(p.link.Opened(), qPrintable(p.Panel(3)));
  QCOMPARE(p.Panel(0), QStringLiteral("Порт ") + raw);
  p.Action("tbnInterfaceClose")->trigger();

  // Closing the window gives the open up first, then closes.
  p.StartOpen(unanswered);
  QVERIFY(p.main->PortOpening());
  QVERIFY(!p.main->close());
  QTRY_VERIFY_WITH_TIMEOUT(!p.main->isVisible(), kGuardMs);
  QVERIFY(!p.main->PortOpening());
  QVERIFY2(stoppedByTheUser(), p.link.LastOpenFailure().Detail.c_str());
  QVERIFY(!p.link.Opened());
}

QTEST_MAIN(NetworkPortWindowTest)
#include "NetworkPortWindowTest.moc"
