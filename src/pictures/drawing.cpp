#include "drawing.h"
#include "units.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
constexpr double kArrowHead = 7; // pixels
constexpr double kArrowSpread = 0.45; // radians either side of the shaft
constexpr double kPlateGap = 3; // pixels from the middle to each plate of a capacitor
constexpr double kPlateHalf = 8; // pixels each plate reaches to either side of the wire
constexpr double kTurn = 6; // pixels, one half turn of a coil
} // namespace

QFont pictureFont(int pixelSize, bool bold)
{
    QFont f;
    f.setFamilies({QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

QImage blankImage(int width, int height, const QColor &colour)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

void arrow(QPainter &p, QPointF from, QPointF to)
{
    p.drawLine(from, to);
    const double angle = std::atan2(to.y() - from.y(), to.x() - from.x());
    for (double side : {-kArrowSpread, kArrowSpread}) {
        p.drawLine(to,
            to - QPointF(kArrowHead * std::cos(angle + side), kArrowHead * std::sin(angle + side)));
    }
}

void doubleArrow(QPainter &p, QPointF a, QPointF b)
{
    arrow(p, (a + b) / 2, a);
    arrow(p, (a + b) / 2, b);
}

void dot(QPainter &p, QPointF at)
{
    p.save();
    p.setBrush(p.pen().color());
    p.drawEllipse(at, 2.5, 2.5);
    p.restore();
}

void ground(QPainter &p, QPointF at)
{
    for (int i = 0; i < 3; ++i) {
        const double half = 9 - 3 * i;
        p.drawLine(at + QPointF(-half, 3 * i), at + QPointF(half, 3 * i));
    }
}

void generator(QPainter &p, QPointF centre, double radius)
{
    p.drawEllipse(centre, radius, radius);
    QPainterPath wave;
    for (int i = 0; i <= 24; ++i) {
        const double t = i / 24.0;
        const QPointF point
            = centre + QPointF((t - 0.5) * 1.2 * radius, -0.35 * radius * std::sin(2 * kPi * t));
        if (i == 0) {
            wave.moveTo(point);
        } else {
            wave.lineTo(point);
        }
    }
    p.drawPath(wave);
}

void resistor(QPainter &p, QPointF a, QPointF b, double width)
{
    const QPointF mid = (a + b) / 2;
    const bool horizontal = std::abs(b.x() - a.x()) > std::abs(b.y() - a.y());
    const double length = horizontal ? std::abs(b.x() - a.x()) : std::abs(b.y() - a.y());
    const double body = length * 0.6;
    const QRectF box = horizontal ? QRectF(mid.x() - body / 2, mid.y() - width / 2, body, width)
                                  : QRectF(mid.x() - width / 2, mid.y() - body / 2, width, body);
    if (horizontal) {
        p.drawLine(a, QPointF(box.left(), a.y()));
        p.drawLine(QPointF(box.right(), a.y()), b);
    } else {
        p.drawLine(a, QPointF(a.x(), box.top()));
        p.drawLine(QPointF(a.x(), box.bottom()), b);
    }
    p.drawRect(box);
}

void capacitor(QPainter &p, QPointF a, QPointF b)
{
    const bool horizontal = std::abs(b.x() - a.x()) > std::abs(b.y() - a.y());
    const QPointF mid = (a + b) / 2;
    const QPointF along = horizontal ? QPointF(1, 0) : QPointF(0, 1);
    const QPointF across = horizontal ? QPointF(0, 1) : QPointF(1, 0);
    p.drawLine(a, mid - along * kPlateGap);
    p.drawLine(mid + along * kPlateGap, b);
    for (double side : {-kPlateGap, kPlateGap}) {
        p.drawLine(
            mid + along * side - across * kPlateHalf, mid + along * side + across * kPlateHalf);
    }
}

void coil(QPainter &p, QPointF a, QPointF b)
{
    // Half circles above a horizontal wire, left of a vertical one.
    const bool horizontal = std::abs(b.x() - a.x()) > std::abs(b.y() - a.y());
    const QPointF mid = (a + b) / 2;
    const QPointF along = horizontal ? QPointF(1, 0) : QPointF(0, 1);
    const QPointF start = mid - along * (2 * kTurn);
    p.drawLine(a, start);
    p.drawLine(mid + along * (2 * kTurn), b);
    QPainterPath turns(start);
    for (int i = 0; i < 4; ++i) {
        const QPointF centre = start + along * (kTurn * i + kTurn / 2);
        const QRectF box(centre - QPointF(kTurn / 2, kTurn / 2), QSizeF(kTurn, kTurn));
        if (horizontal) {
            turns.arcTo(box, 180, -180);
        } else {
            turns.arcTo(box, 90, 180);
        }
    }
    p.drawPath(turns);
}

void reactance(QPainter &p, QPointF a, QPointF b, double ohms)
{
    if (ohms < 0) {
        capacitor(p, a, b);
    } else {
        coil(p, a, b);
    }
}

void probe(QPainter &p, QPointF label, QPointF tip, const QString &name, const QColor &colour)
{
    p.setPen(QPen(colour, 1.5));
    arrow(p, label + QPointF(0, 6), tip);
    p.drawText(label - QPointF(14, 0), name);
}
