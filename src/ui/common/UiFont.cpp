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

QFont AvailableFixedFont(const QFont& wanted) {
  if (QFontInfo(wanted).family().compare(wanted.family(), Qt::CaseInsensitive) == 0) return wanted;
  const QStringList families = QFontDatabase::families();
  for (const char* name : {"Consolas", "Lucida Console", "DejaVu Sans Mono", "Liberation Mono"}) {
    if (families.contains(QLatin1String(name), Qt::CaseInsensitive)) {
      QFont font = wanted;
      font.setFamily(QLatin1String(name));
      return font;
    }
  }
  QFont font = wanted;
  font.setStyleHint(QFont::TypeWriter);
  return font;
}

}  // namespace q17::ui
