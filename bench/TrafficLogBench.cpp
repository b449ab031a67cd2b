// The traffic log window's cost per line on the line's own thread: while it
// follows the line, and while paused with a full cap of lines waiting, the
// state in which a running exchange test slowed down. Offscreen, no reader:
// the window's observer is fed request frames directly. Also the program's
// resident memory with the log at its cap, after a long pause at the cap
// and after resuming: a pause must not make the log hold more than its cap.
#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <fstream>

#include "WindowRig.h"
#include "ui/service/TrafficLog.h"

namespace {

double ResidentMb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * 4.0 / 1024.0;
}

// Microseconds per line over `lines` echo requests of 20 bytes.
double Feed(q17::TLineObserver& observer, int lines) {
  std::uint8_t frame[20] = {0xFB, 0x00, 0x01, 0x00, 0xC8};
  q17::TLineEvent event;
  event.Kind = q17::TLineEvent::Tx;
  event.Bytes = frame;
  event.Size = sizeof frame;
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < lines; ++i) {
    event.Time = q17::TLineClock::now();
    observer.OnLineEvent(event);
  }
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count() / lines;
}

// Lets the window show what it was fed (its list is filled on a timer).
void Settle() {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  while (std::chrono::steady_clock::now() < until) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  q17::bench::TWindowRig rig;
  q17::ui::TfrmTrafficLog log(rig.ctx);
  log.show();
  Settle();
  const double empty = ResidentMb();
  q17::TLineObserver& observer = *rig.link.Observer();
  const int cap = log.Model().Cap();
  auto* pause = log.findChild<QPushButton*>(QStringLiteral("btnPause"));

  // Following: the list is full, lines flow through it.
  Feed(observer, cap);
  Settle();
  const double following = Feed(observer, 20000);
  Settle();
  const double atCap = ResidentMb();

  // Paused long at the cap: every further line replaces the oldest.
  pause->click();
  Feed(observer, cap);
  const double paused = Feed(observer, 20000);
  Feed(observer, cap);
  Settle();
  const double afterPause = ResidentMb();

  // Resumed, then following on for another cap of lines.
  pause->click();
  Settle();
  const double resumed = ResidentMb();
  Feed(observer, cap);
  Settle();
  const double later = ResidentMb();

  std::printf("traffic log, %d lines held: following %.2f us/line, paused and full %.2f us/line\n", cap, following,
              paused);
  std::printf("resident memory: empty log %.1f MB, at the cap %.1f MB, after a long pause at the cap %.1f MB, "
              "resumed %.1f MB, a cap of lines later %.1f MB\n",
              empty, atCap, afterPause, resumed, later);
  return 0;
}
