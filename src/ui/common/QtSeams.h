#pragma once
// The real seams: Qt message boxes and file dialogs, the system clock.
#include "ui/common/Seams.h"

namespace q17::ui {

class TQtMessageBox : public IMessageBox {
 public:
  void Inform(QWidget* parent, const QString& text) override;
  bool Confirm(QWidget* parent, const QString& text) override;
};

// Settings files: "Configuration files (*.set)", a name typed without an
// extension gets ".set" (on Windows from the caller, SettingsFileName). The open dialog takes names of files that do not
// exist (they load as defaults); the save dialog leaves the overwrite
// question to the caller.
class TQtFileDialog : public IFileDialog {
 public:
  QString OpenFileName(QWidget* parent, const QString& folder) override;
  QString SaveFileName(QWidget* parent, const QString& folder) override;
  // The kind's own filter; no extension added and no overwrite question
  // here: ChooseExportFile decides both.
  QString ExportFileName(QWidget* parent, const QString& folder, const TExportFormat& format) override;
};

class TSystemClock : public IClock {
 public:
  std::tm LocalNow() override;
};

// Where the file dialogs start: the executable's folder, or, where the user
// may not make files there (an installed program), the documents folder.
QString SettingsFolder();
QString SettingsFolderFor(const QString& programFolder);

}  // namespace q17::ui
