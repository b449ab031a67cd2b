// The probe: SetupQ17 with the hook that bench/ and scripts/ drive it by
// (see ProgramHook.h). Never installed nor packaged.
#include <QWindow>

#include "app/ProgramHook.h"
#include "app/ProgramStart.h"
#include "ui/main/Main.h"

using namespace q17;

int main(int argc, char** argv) {
  return app::RunProgram(argc, argv, [](QElapsedTimer& started, ui::TfrmMain& main, ui::TWindows& windows) {
    std::unique_ptr<QObject> hook;
    const QString mode = qEnvironmentVariable("SETUPQ17_BENCH_EXIT");
    if (!mode.isEmpty()) {
      hook = std::make_unique<app::TProgramHook>(started, main, windows, mode);
      main.windowHandle()->installEventFilter(hook.get());
    }
    return hook;
  });
}
