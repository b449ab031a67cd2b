#pragma once
// Exports (a log, an event list, a table): the kind's own file dialog and
// extension, never a settings file's name, a question before an existing
// file is replaced, and a file that is replaced only once the whole export
// is written.
#include <QByteArray>
#include <QString>

#include "ui/common/Seams.h"

namespace q17::ui {

// The file to write, or empty when the user cancelled or kept the existing
// file. The dialog starts in the settings files' folder, and a name given
// without a folder lands there.
QString ChooseExportFile(IFileDialog& files, IMessageBox& messages, QWidget* parent, const TExportFormat& format);

// Writes `bytes` as the whole file; on failure the old file stays as it was
// and a message says why. True when written.
bool WriteExportFile(IMessageBox& messages, QWidget* parent, const QString& name, const QByteArray& bytes);

}  // namespace q17::ui
