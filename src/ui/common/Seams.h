#pragma once
// What the windows ask of the world outside them, behind small interfaces so
// that a test can answer a question, pick a file, count beeps or fix the time.
#include <QString>
#include <ctime>

#include "settings/ExportName.h"

class QWidget;

namespace q17::ui {

class IMessageBox {
 public:
  virtual ~IMessageBox() = default;
  // A plain message with an OK button; returns when it is closed.
  virtual void Inform(QWidget* parent, const QString& text) = 0;
  // A question captioned "Confirmation" with OK and Cancel and no icon; true for OK.
  virtual bool Confirm(QWidget* parent, const QString& text) = 0;
};

class IFileDialog {
 public:
  virtual ~IFileDialog() = default;
  // The chosen file, or an empty string when the user cancelled.
  virtual QString OpenFileName(QWidget* parent, const QString& folder) = 0;
  virtual QString SaveFileName(QWidget* parent, const QString& folder) = 0;
  // An export's file, offered in `folder` with the kind's own filter, as
  // the user gave it (ExportFileName decides the name). A dialog that
  // offers no exports answers as if cancelled.
  virtual QString ExportFileName(QWidget* parent, const QString& folder, const TExportFormat& format) {
    (void)parent;
    (void)folder;
    (void)format;
    return {};
  }
};

class IBeep {
 public:
  virtual ~IBeep() = default;
  virtual void Beep() = 0;
};

class IClock {
 public:
  virtual ~IClock() = default;
  // One reading of the PC's local clock.
  virtual std::tm LocalNow() = 0;
};

}  // namespace q17::ui
