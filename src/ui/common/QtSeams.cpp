#include "ui/common/QtSeams.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStandardPaths>
#include <ctime>

#include "reader/RdrCmd.h"

namespace q17::ui {

namespace {

QString Caption() {
  const QString name = QGuiApplication::applicationDisplayName();
  return name.isEmpty() ? QCoreApplication::applicationName() : name;
}

QString RunFileDialog(QWidget* parent, const QString& folder, QFileDialog::AcceptMode mode,
                      const QString& filter = QStringLiteral("Configuration files (*.set)"),
                      const QString& suffix = QStringLiteral("set")) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(filter);
  if (!suffix.isEmpty()) dialog.setDefaultSuffix(suffix);
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
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Confirmation"), text, QMessageBox::Ok | QMessageBox::Cancel,
                  parent);
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

QString TQtFileDialog::ExportFileName(QWidget* parent, const TExportFormat& format) {
  return RunFileDialog(parent, QString(), QFileDialog::AcceptSave, QString::fromStdString(ExportFilter(format)),
                       QString());
}

std::tm TSystemClock::LocalNow() {
  return LocalTmNow();
}

QString SettingsFolder() {
  const QString exeDir = QCoreApplication::applicationDirPath();
#ifdef _WIN32
  return exeDir;
#else
  if (QFileInfo(exeDir).isWritable()) return exeDir;
  const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return docs.isEmpty() ? QDir::homePath() : docs;
#endif
}

}  // namespace q17::ui
