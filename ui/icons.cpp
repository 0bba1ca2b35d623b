// SPDX-License-Identifier: Apache-2.0
#include "ui/icons.h"

#include <QPainter>
#include <QPainterPath>

namespace kw::ui {

QPixmap PictureIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(70, 90, 120), 1));
  p.setBrush(QColor(215, 235, 250));
  p.drawRect(QRectF(1.5, 2.5, 13, 11));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(245, 190, 40));
  p.drawEllipse(QRectF(9, 4, 3.5, 3.5));
  QPainterPath hills;
  hills.moveTo(2, 13);
  hills.lineTo(6, 7);
  hills.lineTo(9, 11);
  hills.lineTo(11, 9);
  hills.lineTo(14, 13);
  hills.closeSubpath();
  p.setBrush(QColor(60, 150, 80));
  p.drawPath(hills);
  return pixmap;
}

QPixmap AppPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  // The page with a folded corner.
  QPainterPath page;
  page.moveTo(12, 4);
  page.lineTo(40, 4);
  page.lineTo(54, 18);
  page.lineTo(54, 60);
  page.lineTo(12, 60);
  page.closeSubpath();
  p.setPen(QPen(QColor(60, 80, 110), 2));
  p.setBrush(Qt::white);
  p.drawPath(page);
  p.setBrush(QColor(210, 220, 235));
  p.drawPolygon(QPolygonF({QPointF(40, 4), QPointF(40, 18), QPointF(54, 18)}));
  // Text lines.
  p.setPen(QPen(QColor(150, 165, 185), 3, Qt::SolidLine, Qt::RoundCap));
  for (int y : {26, 33, 40}) p.drawLine(19, y, 47, y);
  // The cross.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(220, 90, 40));
  p.drawRoundedRect(QRectF(34, 40, 24, 24), 5, 5);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(43, 44, 6, 16));
  p.drawRect(QRectF(38, 49, 16, 6));
  return pixmap;
}

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) icon.addPixmap(AppPixmap(size));
  return icon;
}

}  // namespace kw::ui
