// The File menu: a reader configuration kept in a settings file on the PC.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>

#include "settings/SettingsFile.h"
#include "ui/common/QtSeams.h"
#include "ui/main/Main.h"
#include "ui/tests/Test_Radio.h"

namespace q17::ui {

namespace {

// Windows: from UTF-16 as it is, never through the ANSI code page, which
// has no letters for most names. Elsewhere: the bytes the system uses.
std::filesystem::path ToPath(const QString& file) {
#ifdef _WIN32
  return std::filesystem::path(file.toStdWString());
#else
  return std::filesystem::path(QFile::encodeName(file).toStdString());
#endif
}

#ifdef _WIN32
constexpr bool kWindowsNames = true;
#else
constexpr bool kWindowsNames = false;
#endif

// The file a name from the dialog stands for, by the system's naming rules.
QString Chosen(const QString& name) {
  if (name.isEmpty()) return name;
  return QString::fromStdString(SettingsFileName(name.toStdString(), kWindowsNames));
}

}  // namespace

void TfrmMain::miLoadCfgClick() {
  const QString file = Chosen(FCtx.Files.OpenFileName(this, SettingsFolder()));
  if (file.isEmpty()) return;
  LoadSettings(file);
}

void TfrmMain::LoadSettings(const QString& file) {
  LoadSettingsFile(ToPath(file), FCtx.State);
  ShowReaderAddress();  // the file names its reader
  RedrawPagesKeepingMode();
  FCtx.Windows.RadioTest->LoadTagTexts();
}

void TfrmMain::miSaveConfigClick() {
  const QString file = Chosen(FCtx.Files.SaveFileName(this, SettingsFolder()));
  if (file.isEmpty()) return;
  if (QFileInfo::exists(file) &&
      !FCtx.Messages.Confirm(this, tr("Такой файл существует. Заменить на новый?")))
    return;
  const TSettingsSave r = SaveSettingsFile(ToPath(file), FCtx.State, FCtx.Windows.RadioTest->EtalonTagText().toStdString(),
                                           FCtx.Windows.RadioTest->TestTagText().toStdString(),
                                           CreationDateTimeText(FCtx.Clock.LocalNow()));
  // The path as the system writes it, and why on a line of its own.
  if (!r.Ok)
    FCtx.Messages.Inform(this, QStringLiteral("Unable to write to ") + QDir::toNativeSeparators(file) +
                                   (r.Reason.empty() ? QString() : QLatin1Char('\n') + QString::fromStdString(r.Reason)));
}

}  // namespace q17::ui
