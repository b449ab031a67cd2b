// The traffic log window's cost per line on the line's own thread: while it
// follows the line, and while paused with a full cap of lines waiting, the
// state in which a running exchange test slowed down. Offscreen, no reader:
// the window's observer is fed request frames directly. Also the resident
// memory the waiting lines take.
#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <fstream>

#include "WindowRig.h"
#include "ui/service/TrafficLog.h"

namespace {

long ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * 4;
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

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  q17::bench::TWindowRig rig;
  q17::ui::TfrmTrafficLog log(rig.ctx);
  log.show();
  q17::TLineObserver& observer = *rig.link.Observer();
  const int cap = log.Model().Cap();

  // Following: the list is full, lines flow through it.
  Feed(observer, cap);
  QCoreApplication::processEvents();
  const double following = Feed(observer, 20000);
  QCoreApplication::processEvents();

  // Paused with a full cap waiting: every further line replaces the oldest.
  log.findChild<QPushButton*>(QStringLiteral("btnPause"))->click();
  const long before = ResidentKb();
  Feed(observer, cap);
  const long held = ResidentKb() - before;
  const double paused = Feed(observer, 20000);
  std::printf("traffic log, %d lines held: following %.2f us/line, paused and full %.2f us/line, "
              "a paused cap of lines takes %.1f MB\n",
              cap, following, paused, static_cast<double>(held) / 1024.0);
  return 0;
}
