#include "icon.h"

#include "drawing.h"

#include <QPainter>

QImage icon()
{
    QImage image = blankImage(128, 128, Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(QRectF(4, 4, 120, 120), 18, 18);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(Qt::gray), 2));
    for (int i = 1; i < 4; ++i) {
        p.drawLine(QPointF(14 + i * 26, 14), QPointF(14 + i * 26, 114));
    }
    p.setPen(QPen(QColor(Qt::green), 5));
    p.drawLine(QPointF(14, 64), QPointF(114, 64));
    p.drawEllipse(QRectF(14, 24, 80, 80));
    p.setPen(QPen(QColor(Qt::red), 7, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(14, 24, 80, 80), 0, 65 * 16);
    p.drawLine(QPointF(71, 28), QPointF(71, 52));
    p.setBrush(QColor(Qt::red));
    p.drawRect(QRectF(66, 50, 10, 10));
    return image;
}
