#include "ui/common/Export.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "ui/common/QtSeams.h"

namespace q17::ui {

QString ChooseExportFile(IFileDialog& files, IMessageBox& messages, QWidget* parent, const TExportFormat& format) {
  // A dialog without a folder of its own starts at the file system's top,
  // and a name typed there would be written into "/".
  const QString folder = SettingsFolder();
  const QString typed = files.ExportFileName(parent, folder, format);
  if (typed.isEmpty()) return {};
  const QString name =
      QString::fromStdString(ExportFileName(QDir(folder).absoluteFilePath(typed).toStdString(), format));
  if (name.isEmpty()) return {};
  const QFileInfo info(name);
  if (info.exists() && !info.isDir() &&
      !messages.Confirm(parent, QCoreApplication::translate("Export", "Файл %1 уже существует. Заменить его?")
                                    .arg(QDir::toNativeSeparators(name))))
    return {};
  return name;
}

bool WriteExportFile(IMessageBox& messages, QWidget* parent, const QString& name, const QByteArray& bytes) {
  QSaveFile file(name);
  if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return true;
  messages.Inform(parent, QCoreApplication::translate("Export", "Не удалось записать файл %1: %2")
                              .arg(QDir::toNativeSeparators(name), file.errorString()));
  return false;
}

}  // namespace q17::ui
