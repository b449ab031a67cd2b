#include "ui/main/Icons.h"

#include <QPainter>
#include <QPixmap>

namespace q17::ui {

QIcon ClosePortIcon() {
  QPixmap pm(24, 24);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0xC0, 0x20, 0x20), 4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(6, 6), QPointF(18, 18));
  p.drawLine(QPointF(18, 6), QPointF(6, 18));
  return QIcon(pm);
}

QIcon BarrierIcon() {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x40, 0x40, 0x40));
  p.drawRect(QRectF(3, 10, 6, 20));  // the post
  p.drawRect(QRectF(1, 28, 10, 3));  // its foot
  for (int i = 0; i < 4; ++i) {      // the barrier, red and white
    p.setBrush(i % 2 ? QColor(Qt::white) : QColor(0xD0, 0x20, 0x20));
    p.drawRect(QRectF(9 + i * 5.5, 12, 5.5, 5));
  }
  p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(9, 12, 22, 5));
  return QIcon(pm);
}

}  // namespace q17::ui
