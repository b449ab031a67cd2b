#include "app/ProgramStart.h"

#include <QApplication>
#include <QLocale>
#include <QMenu>
#include <cstdio>

#include "link/KvlInterface.h"
#include "platform/UserFolder.h"
#include "reader/RdrCmd.h"
#include "settings/LanguageChoice.h"
#include "ui/common/DeviceEvents.h"
#include "ui/common/Language.h"
#include "ui/common/LanguageMenu.h"
#include "ui/common/QtSeams.h"
#include "ui/common/SystemBeep.h"
#include "ui/common/UiContext.h"
#include "ui/common/UiFont.h"
#include "ui/main/Windows.h"

namespace q17::app {
namespace {

std::vector<std::string> ToStd(const QStringList& list) {
  std::vector<std::string> out;
  for (const QString& s : list) out.push_back(s.toStdString());
  return out;
}

// The language of this run (see StartLanguage), in use before any window is
// made; what is wrong with --lang goes to the standard error.
QString ChooseLanguage(const TLanguageOption& option, const std::filesystem::path& file) {
  const QStringList available = ui::AvailableLanguages();
  const std::string list = available.join(QLatin1String(", ")).toStdString();
  if (!option.Error.empty()) std::fprintf(stderr, "SetupQ17: %s (%s)\n", option.Error.c_str(), list.c_str());
  const std::string language =
      StartLanguage(option.Code, file.empty() ? std::nullopt : LoadLanguageChoice(file),
                    ToStd(QLocale::system().uiLanguages()), ToStd(available));
  if (option.Code && *option.Code != language) {
    std::fprintf(stderr, "SetupQ17: no language %s here (%s)\n", option.Code->c_str(), list.c_str());
  }
  const QString code = QString::fromStdString(language);
  ui::UseLanguage(code);
  return code;
}

}  // namespace

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
  std::filesystem::path languageFile;
  if (const auto folder = UserSettingsFolder(); !folder.empty()) {
    ctx.RecentPortsFile = folder / "network-ports";
    languageFile = folder / "language";
  }
  const TLanguageOption option = TakeLanguageOption(ToStd(QApplication::arguments().mid(1)));
  const QString language = ChooseLanguage(option, languageFile);

  auto main = ui::CreateWindows(ctx);
  if (auto* service = main->findChild<QMenu*>(QStringLiteral("miService"))) {
    ui::AddLanguageMenu(*service, language, languageFile, messages, main.get());
  }
  auto devices = ui::MakeSystemDeviceEvents();
  main->WatchDevices(*devices);
  QStringList rest;
  for (const std::string& argument : option.Rest) rest << QString::fromStdString(argument);
  ui::LoadArguments(*main, rest);

  main->show();
  std::unique_ptr<QObject> extra;
  if (afterShow) extra = afterShow(started, *main, windows);
  return app.exec();
}

}  // namespace q17::app
