#pragma once
// Window tests render what they show into PNG files when SETUPQ17_SCREENSHOTS
// names a folder, so anyone can look at the windows without a desktop.
#include <QDir>
#include <QString>
#include <QWidget>

namespace q17::test {

inline void Screenshot(QWidget& w, const QString& name) {
  const QByteArray dir = qgetenv("SETUPQ17_SCREENSHOTS");
  if (dir.isEmpty()) return;
  QDir().mkpath(QString::fromLocal8Bit(dir));
  w.grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
}

}  // namespace q17::test
