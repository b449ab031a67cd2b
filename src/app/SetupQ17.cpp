// The program's start: the command state with its defaults, the one
// interface list, the seams, then the nine windows in their order, then the
// event loop.
#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

#include "app/ProgramHook.h"
#include "link/KvlInterface.h"
#include "reader/RdrCmd.h"
#include "ui/common/DeviceEvents.h"
#include "ui/common/QtSeams.h"
#include "ui/common/SystemBeep.h"
#include "ui/common/UiContext.h"
#include "ui/common/UiFont.h"
#include "ui/main/Windows.h"

int main(int argc, char** argv) {
  QElapsedTimer started;
  started.start();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("SetupQ17"));
  QApplication::setApplicationDisplayName(QStringLiteral("SetupQ17"));
#ifdef _WIN32
  // Wine's dialog font is a name without a face behind it.
  q17::ui::UseAvailableUiFont();
#endif

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
  q17::ui::LoadArguments(*main, QApplication::arguments().mid(1));

  std::unique_ptr<q17::app::TProgramHook> hook;
  const QString hookMode = qEnvironmentVariable("SETUPQ17_BENCH_EXIT");
  main->show();
  if (!hookMode.isEmpty()) {
    hook = std::make_unique<q17::app::TProgramHook>(started, *main, windows, hookMode);
    main->windowHandle()->installEventFilter(hook.get());
  }
  return app.exec();
}
