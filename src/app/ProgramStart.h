#pragma once
// The program's start, shared by SetupQ17 and the probe that drives the same
// windows for benchmarks and pictures: the command state with its defaults,
// the one interface list, the seams, then the nine windows in their order,
// then the event loop.
#include <QElapsedTimer>
#include <QObject>
#include <functional>
#include <memory>

namespace q17::ui {
class TfrmMain;
struct TWindows;
}  // namespace q17::ui

namespace q17::app {

// Called once the main window is shown; what it returns lives until the
// event loop ends. SetupQ17 passes none.
using TAfterShow =
    std::function<std::unique_ptr<QObject>(QElapsedTimer& started, ui::TfrmMain& main, ui::TWindows& windows)>;

int RunProgram(int argc, char** argv, const TAfterShow& afterShow = {});

}  // namespace q17::app
