// CPU use of the program while the sensor window polls a reader, and while
// no window polls: the window runs offscreen against q17sim on a
// pseudo-terminal, through the real serial code, for a few seconds each.
// Targets: under 3% of one core while polling, about 0 while idle.
#include <sys/resource.h>

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "WindowRig.h"
#include "ui/tests/Sensors.h"

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The event loop for `seconds`; returns CPU time / wall time.
double Measure(QApplication& app, int seconds) {
  const double cpu0 = CpuSeconds();
  const auto wall0 = std::chrono::steady_clock::now();
  QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
  app.exec();
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wall0;
  return (CpuSeconds() - cpu0) / wall.count();
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
  q17::test::ChildProcess sim;
  std::string pty;
  if (!q17::bench::StartSim(sim, {"--baud", "9600"}, pty, "window_cpu_bench")) return 2;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);

  q17::bench::TWindowRig rig;
  q17::TInterfList& link = rig.link;
  link.Refresh();
  const int index = link.IndexOf(pty);
  if (index < 0 || link.Open(index, 0) != 0) {
    std::fprintf(stderr, "window_cpu_bench: %s would not open\n", pty.c_str());
    return 2;
  }
  q17::ui::TfrmSensors sensors(rig.ctx);

  sensors.show();
  const double polling = Measure(app, seconds);
  const bool stillPolling = sensors.PanelText(0) == QStringLiteral("ТЕСТ РАБОТАЕТ...");
  sensors.hide();
  const double idleShare = Measure(app, seconds);
  link.Close();

  const bool pollPass = polling < 0.03 && stillPolling;
  const bool idlePass = idleShare < 0.002;
  std::printf("sensor window polling at 9600 baud: CPU %.3f%% of one core (target < 3%%) %s%s\n", polling * 100.0,
              pollPass ? "PASS" : "FAIL", stillPolling ? "" : " (polling stopped: a read failed)");
  std::printf("no window polling: CPU %.3f%% of one core (target about 0) %s\n", idleShare * 100.0,
              idlePass ? "PASS" : "FAIL");
  return pollPass && idlePass ? 0 : 1;
}
