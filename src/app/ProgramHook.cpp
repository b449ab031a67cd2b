#include "app/ProgramHook.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <fstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

#include "platform/NetPortName.h"
#include "ui/about/About.h"
#include "ui/common/Language.h"
#include "ui/common/UiContext.h"
#include "ui/fleet/FleetSurvey.h"
#include "ui/fleet/FleetWrite.h"
#include "ui/main/AddNetPort.h"
#include "ui/main/ChangeAddr.h"
#include "ui/main/Main.h"
#include "ui/service/TrafficLog.h"
#include "ui/tests/Audit.h"
#include "ui/tests/FindReaders.h"
#include "ui/tests/Sensors.h"
#include "ui/tests/TestAudio.h"
#include "ui/tests/Test_RS485.h"
#include "ui/tests/Test_Radio.h"

namespace q17::app {
namespace {

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = -1;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> value;
      break;
    }
    status.ignore(4096, '\n');
  }
  return value;
}

double CpuSeconds() {
#ifdef _WIN32
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
  const auto ticks = [](const FILETIME& t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
#else
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
#endif
}

void Print(const char* key, const QString& value) {
  std::printf("%s %s\n", key, value.toUtf8().constData());
  std::fflush(stdout);
}

QString LabelText(QWidget* window, const char* name) {
  auto* label = window ? window->findChild<QLabel*>(QLatin1String(name)) : nullptr;
  return label ? label->text() : QString();
}

bool Save(QWidget& w, const QString& dir, const char* name) {
  const QString file = QDir(dir).filePath(QLatin1String(name) + QLatin1String(".png"));
  const bool saved = w.grab().save(file);
  Print(saved ? "shot" : "shot_failed", file);
  return saved;
}

}  // namespace

TProgramHook::TProgramHook(QElapsedTimer& started, ui::TfrmMain& main, ui::TWindows& windows, QString mode)
    : FStarted(started), FMain(main), FWindows(windows), FMode(std::move(mode)) {}

bool TProgramHook::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Expose && !FDone) {
    FDone = true;
    std::printf("startup_ms %.1f\nrss_kb %ld\n", FStarted.nsecsElapsed() / 1e6, ResidentKb());
    std::fflush(stdout);
    QTimer::singleShot(0, this, [this] { AfterShown(); });
  }
  return QObject::eventFilter(watched, event);
}

void TProgramHook::AfterShown() {
  if (FMode.startsWith(QLatin1String("idle:"))) {
    Idle(FMode.mid(5).toInt());
    return;
  }
  int status = 0;
  if (FMode == QLatin1String("smoke") || FMode.startsWith(QLatin1String("smoke:"))) {
    status = Smoke(FMode.mid(6));
  } else if (FMode.startsWith(QLatin1String("shots:"))) {
    status = Shots(FMode.mid(6));
  }
  QApplication::exit(status);
}

void TProgramHook::Idle(int seconds) {
  Trigger("tbnInterfaceOpen");
  Print("port", PanelText(0));
  const double cpu0 = CpuSeconds();
  QTimer::singleShot(seconds * 1000, this, [this, cpu0, seconds] {
    std::printf("idle_seconds %d\nidle_cpu_ms %.1f\n", seconds, (CpuSeconds() - cpu0) * 1000);
    Trigger("tbnInterfaceClose");
    std::fflush(stdout);
    QApplication::quit();
  });
}

int TProgramHook::Smoke(const QString& port) {
  Print("title", FMain.windowTitle());
  Print("font", QApplication::font().family() + QStringLiteral(" drawn as ") + QFontInfo(QApplication::font()).family());
  QStringList names;
  if (auto* box = FMain.findChild<QComboBox*>(QStringLiteral("cbxInterfaces")))
    for (int i = 0; i < box->count(); ++i) names << box->itemText(i);
  Print("interfaces", names.join(QLatin1String("; ")));
  // What a settings file on the command line loaded; the reader's values
  // replace the pages' below, the tag texts stay.
  if (auto* radio = FWindows.RadioTest)
    Print("settings", QStringList{PanelText(1), radio->EtalonTagText(), radio->TestTagText()}.join(QLatin1String(" | ")));
  if (!OpenPort(port)) {
    Print("smoke_failed", QStringLiteral("open ") + PanelText(3));
    return 1;
  }
  Print("open", PanelText(0));
  const int dismissedBefore = FDismissed;
  Trigger("tbnGetFromReader");
  Print("read", PanelText(3));
  const bool readOk = FDismissed == dismissedBefore && PanelText(3).startsWith(ui::ResultText(0));
  Trigger("miGetVersion");
  Print("version", PanelText(2));
  const bool versionOk = PanelText(3).startsWith(ui::ResultText(0)) && !PanelText(2).isEmpty();
  Trigger("tbnInterfaceClose");
  QWidget* about = FWindows.About;
  Print("about", QStringList{LabelText(about, "lblProductName"), LabelText(about, "lblFileVersion"),
                             LabelText(about, "lblCopyRight"), LabelText(about, "lblComments")}
                     .join(QLatin1String(" | ")));
  if (!readOk || !versionOk) {
    Print("smoke_failed", readOk ? QStringLiteral("version") : QStringLiteral("read"));
    return 1;
  }
  Print("smoke", QStringLiteral("ok"));
  return 0;
}

int TProgramHook::Shots(const QString& dir) {
  if (!QDir().mkpath(dir)) {
    Print("shot_failed", dir);
    return 1;
  }
  bool ok = true;
  // The traffic log watches the line only while it is shown: open first,
  // it lists the exchanges of every window below.
  QWidget* log = FWindows.TrafficLog;
  if (log) log->show();
  // With a reader behind the first interface the pictures show its values.
  if (OpenPort(qEnvironmentVariable("SETUPQ17_BENCH_PORT"))) Trigger("tbnGetFromReader");
  ok &= Save(FMain, dir, "main");
  using TPage = void (ui::TfrmMain::*)();
  const std::pair<TPage, const char*> pages[] = {
      {&ui::TfrmMain::btnNoGateClick, "main-nogate"},     {&ui::TfrmMain::btnOnTheFlyClick, "main-onthefly"},
      {&ui::TfrmMain::btnOneReadClick, "main-oneread"},   {&ui::TfrmMain::btnStandardClick, "main-standard"},
      {&ui::TfrmMain::btnTestsClick, "main-tests"},
  };
  for (const auto& [show, name] : pages) {
    (FMain.*show)();
    ok &= Save(FMain, dir, name);
  }
  FMain.btnCommonClick();
  // The test windows as their tests leave them after a moment of running.
  if (auto* test = FWindows.CommTest) {
    test->show();
    Click(*test, "btnStartTest");
    Wait(1000);
    Click(*test, "btnStopTest");
    ok &= Save(*test, dir, "exchange-test");
    test->hide();
  }
  if (QWidget* test = FWindows.RadioTest) {
    test->show();
    Click(*test, "btnStartTest");
    Wait(1000);
    Click(*test, "btnStopTest");
    ok &= Save(*test, dir, "radio-test");
    test->hide();
  }
  const std::pair<QWidget*, const char*> polling[] = {{FWindows.Sensors, "sensors"}, {FWindows.Audit, "audit"}};
  for (const auto& [window, name] : polling) {
    if (!window) continue;
    window->show();
    // Long enough for a few of the window's polls to show the reader's states and events.
    Wait(1500);
    ok &= Save(*window, dir, name);
    window->hide();
  }
  if (QWidget* test = FWindows.Audio) {
    test->show();
    Click(*test, "btnStart");
    Wait(1000);
    ok &= Save(*test, dir, "read-zone-test");
    Click(*test, "btnStop");
    test->hide();
  }
  if (QWidget* find = FWindows.FindReaders) {
    find->show();
    if (auto* end = find->findChild<QSpinBox*>(QStringLiteral("sedEndAddr"))) end->setValue(3);
    Click(*find, "btnStartFind");
    ok &= Save(*find, dir, "find-readers");
    find->hide();
  }
  if (QWidget* change = FWindows.AddrChange) {
    change->show();
    ok &= Save(*change, dir, "address-change");
    change->hide();
  }
  // The car park's menu is usable exactly while the port is open.
  const auto* fleet = FMain.findChild<QMenu*>(QStringLiteral("miFleet"));
  if (ui::TfrmFleetSurvey* survey = FWindows.FleetSurvey; survey && fleet && fleet->menuAction()->isEnabled()) {
    survey->show();
    if (auto* end = survey->findChild<QSpinBox*>(QStringLiteral("sedEndAddr"))) end->setValue(5);
    if (auto* start = survey->findChild<QPushButton*>(QStringLiteral("btnStart"))) start->click();
    ok &= Save(*survey, dir, "survey");
    survey->hide();
  }
  if (ui::TfrmFleetWrite* write = FWindows.FleetWrite) {
    write->show();
    if (auto* list = write->findChild<QLineEdit*>(QStringLiteral("edtAddresses"))) list->setText(QStringLiteral("1-5"));
    ok &= Save(*write, dir, "write-many");
    write->hide();
  }
  if (log) {
    Wait(100);
    ok &= Save(*log, dir, "traffic-log");
    log->hide();
  }
  if (QWidget* about = FWindows.About) ok &= Save(*about, dir, "about");
  {
    // The dialog behind the port list's last entry, as a user fills it in.
    ui::TfrmAddNetPort add(&FMain);
    add.StartFrom("rfc2217://192.168.10.20:4001", 150);
    add.show();
    ok &= Save(add, dir, "add-net-port");
  }
  Trigger("tbnInterfaceClose");
  return ok ? 0 : 1;
}

void TProgramHook::Wait(int ms) {
  QEventLoop wait;
  QTimer::singleShot(ms, &wait, &QEventLoop::quit);
  wait.exec();
}

void TProgramHook::Click(QWidget& window, const char* button) {
  auto* b = window.findChild<QPushButton*>(QLatin1String(button));
  if (!b || !b->isEnabled()) return;
  // A box the click raises is seen from the box's own loop and closed; the
  // window itself stays while its handler runs.
  QTimer watch;
  connect(&watch, &QTimer::timeout, this, [this, &window] {
    if (QApplication::activeModalWidget() != &window) DismissModal();
  });
  watch.start(100);
  b->click();
}

bool TProgramHook::Trigger(const char* action) {
  auto* a = FMain.findChild<QAction*>(QLatin1String(action));
  if (!a || !a->isEnabled()) return false;
  // Armed for the step only: a box it raises is seen from the box's own loop.
  QTimer watch;
  connect(&watch, &QTimer::timeout, this, [this] { DismissModal(); });
  watch.start(100);
  a->trigger();
  return true;
}

bool TProgramHook::OpenPort(const QString& name) {
  auto* box = FMain.findChild<QComboBox*>(QStringLiteral("cbxInterfaces"));
  if (!box) return false;
  // The list's last entry adds a network port: it names none.
  const int ports = box->count() - 1;
  const int index = name.isEmpty() ? 0 : box->findText(name, Qt::MatchFixedString);
  if (index >= 0 && index < ports) {
    box->setCurrentIndex(index);
  } else if (IsNetPortName(name.toStdString())) {
    // A serial server's address, typed into the list as a user would.
    box->setEditText(name);
  } else {
    return false;
  }
  if (!Trigger("tbnInterfaceOpen")) return false;
  // A network port opens off the window's thread; its open ends by itself
  // within its own bound, this wait only guards against a fault of ours.
  QElapsedTimer waited;
  waited.start();
  while (FMain.PortOpening() && waited.elapsed() < 20000) Wait(20);
  return PanelText(3).startsWith(ui::ResultText(0));
}

QString TProgramHook::PanelText(int index) const { return FMain.Panel(index)->text(); }

void TProgramHook::DismissModal() {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal) return;
  ++FDismissed;
  auto* box = qobject_cast<QMessageBox*>(modal);
  Print("dismissed", box ? box->text() : modal->windowTitle());
  modal->close();
}

}  // namespace q17::app
