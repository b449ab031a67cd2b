// The survey window beside q17ctl's survey: addresses 1..30 against the same
// q17sim paced at 9600 baud (five readers, one refusing a step), each timed
// from start to end a few times in turn. Target: the window within 5 % of
// q17ctl, as both run the same core survey and the window only lets its
// messages through between exchanges.
#include <QApplication>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "WindowRig.h"
#include "ui/fleet/FleetSurvey.h"

namespace {

constexpr int kFrom = 1;
constexpr int kTo = 30;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  q17::test::ChildProcess sim;
  std::string pty;
  if (!q17::bench::StartSim(sim, {"--baud", "9600", "--reader", "1", "--reader", "2", "--reader", "3", "--reader", "5",
                                  "--reader", "7", "--exec", "@5 answer 20 cmd 28"},
                            pty, "fleet_survey_bench")) {
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  q17::bench::TWindowRig rig;
  q17::TInterfList& link = rig.link;
  q17::ui::TfrmFleetSurvey survey(rig.ctx);

  std::vector<double> window, ctl;
  for (int run = 0; run < runs; ++run) {
    link.Refresh();
    const int index = link.IndexOf(pty);
    if (index < 0 || link.Open(index, 0) != 0) {
      std::fprintf(stderr, "fleet_survey_bench: %s would not open\n", pty.c_str());
      return 2;
    }
    survey.show();
    survey.findChild<QSpinBox*>(QStringLiteral("sedStartAddr"))->setValue(kFrom);
    survey.findChild<QSpinBox*>(QStringLiteral("sedEndAddr"))->setValue(kTo);
    const auto t0 = std::chrono::steady_clock::now();
    survey.findChild<QPushButton*>(QStringLiteral("btnStart"))->click();
    window.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    const int rows = survey.findChild<QTableWidget*>(QStringLiteral("tblReaders"))->rowCount();
    survey.hide();
    link.Close();
    if (rows != 5) {
      std::fprintf(stderr, "fleet_survey_bench: the window found %d readers, not 5\n", rows);
      return 2;
    }

    q17::test::ChildProcess run17;
    if (!run17.Start({Q17CTL_PATH, "--port", pty, "survey", std::to_string(kFrom), std::to_string(kTo)},
                     {"SETUPQ17_PORTS=" + pty}, true)) {
      std::fprintf(stderr, "fleet_survey_bench: cannot start q17ctl\n");
      return 2;
    }
    const int code = run17.WaitExit(200, {});
    const long lines = std::count(run17.Out().begin(), run17.Out().end(), '\n');
    if (code != 1 || lines != 6) {
      std::fprintf(stderr, "fleet_survey_bench: q17ctl survey exited %d with %ld lines\n%s%s", code, lines,
                   run17.Out().c_str(), run17.Err().c_str());
      return 2;
    }
    ctl.push_back(run17.WallMs());
    std::printf("  run %d: window %.0f ms, q17ctl %.0f ms\n", run + 1, window.back(), ctl.back());
  }
  const double w = Median(window), c = Median(ctl);
  const double ratio = w / c;
  const bool pass = ratio <= 1.05;
  std::printf("survey of %d..%d at 9600 baud, median of %d: window %.0f ms, q17ctl %.0f ms, window/q17ctl %.3f "
              "(target <= 1.05) %s\n",
              kFrom, kTo, runs, w, c, ratio, pass ? "PASS" : "FAIL");
  return pass ? 0 : 1;
}
