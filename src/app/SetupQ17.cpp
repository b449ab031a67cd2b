// The program's start: the command state with its defaults, the one
// interface list, the seams, then the nine windows in their order, then the
// event loop.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <fstream>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "link/KvlInterface.h"
#include "reader/RdrCmd.h"
#include "ui/common/DeviceEvents.h"
#include "ui/common/QtSeams.h"
#include "ui/common/SystemBeep.h"
#include "ui/common/UiContext.h"
#include "ui/main/Windows.h"

namespace {

// SETUPQ17_BENCH_EXIT=1: print the time from the start of main to the main
// window's first exposure and the resident memory then, and quit.
// SETUPQ17_BENCH_EXIT=idle:N: then open the first interface, sit idle N
// seconds and print the processor time used meanwhile. For bench/ only.
class TBenchProbe : public QObject {
 public:
  TBenchProbe(QElapsedTimer& started, q17::ui::TfrmMain& main, QString mode)
      : FStarted(started), FMain(main), FMode(std::move(mode)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && !FDone) {
      FDone = true;
      std::printf("startup_ms %.1f\nrss_kb %ld\n", FStarted.nsecsElapsed() / 1e6, ResidentKb());
      std::fflush(stdout);
      QTimer::singleShot(0, this, [this] { AfterShown(); });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  static long ResidentKb() {
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
  static double CpuSeconds() {
#ifndef _WIN32
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
#else
    return 0;
#endif
  }
  void AfterShown() {
    if (!FMode.startsWith(QLatin1String("idle:"))) {
      QApplication::quit();
      return;
    }
    if (auto* open = FMain.findChild<QAction*>(QStringLiteral("tbnInterfaceOpen"))) open->trigger();
    std::printf("port %s\n", FMain.Panel(0)->text().toUtf8().constData());
    const int seconds = FMode.mid(5).toInt();
    const double cpu0 = CpuSeconds();
    QTimer::singleShot(seconds * 1000, this, [this, cpu0, seconds] {
      std::printf("idle_seconds %d\nidle_cpu_ms %.1f\n", seconds, (CpuSeconds() - cpu0) * 1000);
      if (auto* close = FMain.findChild<QAction*>(QStringLiteral("tbnInterfaceClose"))) close->trigger();
      std::fflush(stdout);
      QApplication::quit();
    });
  }

  QElapsedTimer& FStarted;
  q17::ui::TfrmMain& FMain;
  QString FMode;
  bool FDone = false;
};

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer started;
  started.start();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("SetupQ17"));
  QApplication::setApplicationDisplayName(QStringLiteral("SetupQ17"));

  q17::TCommandState state;
  auto serial = q17::MakeSystemSerialApi();
  auto d2xx = q17::MakeSystemD2xxApi();
  q17::TInterfList link(*serial, *d2xx);

  q17::ui::TQtMessageBox messages;
  q17::ui::TQtFileDialog files;
  q17::ui::TSystemBeep beeper;
  q17::ui::TSystemClock clock;
  q17::ui::TIdleSlot idle;
  q17::ui::TWindows windows;
  q17::ui::TUiContext ctx{state, link, messages, files, beeper, clock, idle, windows};

  auto main = q17::ui::CreateWindows(ctx);
  auto devices = q17::ui::MakeSystemDeviceEvents();
  main->WatchDevices(*devices);

  std::unique_ptr<TBenchProbe> probe;
  const QString bench = qEnvironmentVariable("SETUPQ17_BENCH_EXIT");
  main->show();
  if (!bench.isEmpty()) {
    probe = std::make_unique<TBenchProbe>(started, *main, bench);
    main->windowHandle()->installEventFilter(probe.get());
  }
  return app.exec();
}
