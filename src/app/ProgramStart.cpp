#include "app/ProgramStart.h"

#include <QApplication>

#include "link/KvlInterface.h"
#include "platform/UserFolder.h"
#include "reader/RdrCmd.h"
#include "ui/common/DeviceEvents.h"
#include "ui/common/QtSeams.h"
#include "ui/common/SystemBeep.h"
#include "ui/common/UiContext.h"
#include "ui/common/UiFont.h"
#include "ui/main/Windows.h"

namespace q17::app {

int RunProgram(int argc, char** argv, const TAfterShow& afterShow) {
  QElapsedTimer started;
  started.start();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("SetupQ17"));
  QApplication::setApplicationDisplayName(QStringLiteral("SetupQ17"));
#ifdef _WIN32
  // Wine's dialog font is a name without a face behind it.
  ui::UseAvailableUiFont();
#endif

  TCommandState state;
  auto serial = MakeSystemSerialApi();
  auto d2xx = MakeSystemD2xxApi();
  TInterfList link(*serial, *d2xx);

  ui::TQtMessageBox messages;
  ui::TQtFileDialog files;
  ui::TSystemBeep beeper;
  ui::TSystemClock clock;
  ui::TIdleSlot idle;
  ui::TWindows windows;
  ui::TUiContext ctx{state, link, messages, files, beeper, clock, idle, windows};
  if (const auto folder = UserSettingsFolder(); !folder.empty()) ctx.RecentPortsFile = folder / "network-ports";

  auto main = ui::CreateWindows(ctx);
  auto devices = ui::MakeSystemDeviceEvents();
  main->WatchDevices(*devices);
  ui::LoadArguments(*main, QApplication::arguments().mid(1));

  main->show();
  std::unique_ptr<QObject> extra;
  if (afterShow) extra = afterShow(started, *main, windows);
  return app.exec();
}

}  // namespace q17::app
