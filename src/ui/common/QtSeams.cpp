#include "ui/common/QtSeams.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <ctime>

#include "reader/RdrCmd.h"
#include "ui/common/Language.h"

namespace q17::ui {

namespace {

QString Caption() {
  const QString name = QGuiApplication::applicationDisplayName();
  return name.isEmpty() ? QCoreApplication::applicationName() : name;
}

QString RunFileDialog(QWidget* parent, const QString& folder, QFileDialog::AcceptMode mode,
                      const QString& filter = {}, const QString& suffix = QStringLiteral("set")) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(filter.isEmpty() ? QCoreApplication::translate("QtSeams", "Configuration files (*.set)")
                                        : filter);
#ifndef _WIN32
  // Windows' own dialog would make "gate.set." into "gate.set..set": there
  // the caller adds the extension by the system's rules.
  if (!suffix.isEmpty()) dialog.setDefaultSuffix(suffix);
#else
  (void)suffix;
#endif
  dialog.setDirectory(folder);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.front();
}

}  // namespace

void TQtMessageBox::Inform(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, Caption(), text, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

bool TQtMessageBox::Confirm(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::translate("QtSeams", "Confirmation"), text,
                  QMessageBox::Ok | QMessageBox::Cancel, parent);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok;
}

QString TQtFileDialog::OpenFileName(QWidget* parent, const QString& folder) {
  return RunFileDialog(parent, folder, QFileDialog::AcceptOpen);
}

QString TQtFileDialog::SaveFileName(QWidget* parent, const QString& folder) {
  return RunFileDialog(parent, folder, QFileDialog::AcceptSave);
}

QString TQtFileDialog::ExportFileName(QWidget* parent, const QString& folder, const TExportFormat& format) {
  // The kind's description in the user's language, its patterns as they are.
  TExportFormat shown = format;
  shown.Description = CoreText("ExportName", format.Description.c_str()).toStdString();
  return RunFileDialog(parent, folder, QFileDialog::AcceptSave, QString::fromStdString(ExportFilter(shown)),
                       QString());
}

std::tm TSystemClock::LocalNow() {
  return LocalTmNow();
}

QString SettingsFolder() { return SettingsFolderFor(QCoreApplication::applicationDirPath()); }

QString SettingsFolderFor(const QString& programFolder) {
  // Only making a file tells: on Windows a folder's attributes say nothing
  // of the user's rights (Program Files looks writable and is not).
  QTemporaryFile probe(programFolder + QStringLiteral("/.setupq17-XXXXXX"));
  if (probe.open()) return programFolder;
  const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return docs.isEmpty() ? QDir::homePath() : docs;
}

}  // namespace q17::ui
