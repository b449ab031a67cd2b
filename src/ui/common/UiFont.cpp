#include "ui/common/UiFont.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace q17::ui {

void UseAvailableUiFont() {
  QFont font = QApplication::font();
  // Wine lists "MS Shell Dlg" but draws it with whatever serif face it finds:
  // the face actually drawn tells.
  if (QFontInfo(font).family().compare(font.family(), Qt::CaseInsensitive) == 0) return;
  const QStringList families = QFontDatabase::families();
  // Windows' own faces first; Tahoma and DejaVu Sans are the ones Wine and
  // Linux carry, and both have Cyrillic letters.
  for (const char* name : {"Segoe UI", "Tahoma", "Microsoft Sans Serif", "Arial", "DejaVu Sans"}) {
    if (families.contains(QLatin1String(name), Qt::CaseInsensitive)) {
      font.setFamily(QLatin1String(name));
      QApplication::setFont(font);
      return;
    }
  }
}

}  // namespace q17::ui
