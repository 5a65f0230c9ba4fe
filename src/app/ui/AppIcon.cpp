#include "AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace app {

void paintAppIcon(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x1f, 0x4e, 0x8c));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    QPen pen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(16, 13), QPointF(10, 28));
    p.drawLine(QPointF(16, 13), QPointF(22, 28));
    p.drawLine(QPointF(12.5, 22), QPointF(19.5, 22));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 11), 2, 2);
    p.setBrush(Qt::NoBrush);
    pen.setColor(QColor(0x8f, 0xe3, 0x88));
    p.setPen(pen);
    p.drawArc(QRectF(9, 4, 14, 14), 30 * 16, 120 * 16);
    p.drawArc(QRectF(5, 0, 22, 22), 40 * 16, 100 * 16);
}

namespace {

QPixmap paint(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.scale(size / qreal(AppIconUnits), size / qreal(AppIconUnits));
    paintAppIcon(p);
    return pm;
}

} // namespace

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64})
        icon.addPixmap(paint(size));
    return icon;
}

} // namespace app
