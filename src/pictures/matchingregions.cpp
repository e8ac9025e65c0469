#include "matchingregions.h"

#include "drawing.h"
#include "solvematching.h"

#include <QPainter>

namespace {

constexpr int kWidth = 411;
constexpr int kHeight = 410;
constexpr double kSource = 50; // ohms: the Z0 of the picture
constexpr double kScale = 3.3; // pixels per ohm
const QRect kPlot(8, 22, 396, 218); // R from 0 to 120 ohm, X from +33 to −33 ohm

// One colour per circuit variant "A" to "F", light enough to carry black text.
const QColor kVariantColours[6]
    = {QColor(0xf4, 0xa6, 0xa6), QColor(0xf9, 0xd3, 0x8c), QColor(0xb5, 0xe3, 0xa1),
        QColor(0x9f, 0xd3, 0xe6), QColor(0xc7, 0xb3, 0xea), QColor(0xf2, 0xb6, 0xd8)};

// A load inside each variant's region, in ohms; its letter is drawn there too.
const QPointF kRegionPoints[6] = {{20, 27}, {22, 12}, {22, -12}, {20, -27}, {85, 16}, {85, -16}};

double axisRow()
{
    return kPlot.top() + kPlot.height() / 2.0;
}

QPointF toPixel(double r, double x)
{
    return QPointF(kPlot.left() + r * kScale, axisRow() - x * kScale);
}

// The plane: every pixel coloured by the variant that the solver picks for its load.
void drawRegions(QImage &image)
{
    for (int y = kPlot.top(); y <= kPlot.bottom(); ++y) {
        for (int x = kPlot.left(); x <= kPlot.right(); ++x) {
            const double r = (x + 0.5 - kPlot.left()) / kScale;
            const double reactance = (axisRow() - (y + 0.5)) / kScale;
            image.setPixelColor(
                x, y, kVariantColours[matchingSolution(kSource, r, reactance).circuitVariant]);
        }
    }
}

void drawAxes(QPainter &p)
{
    p.setFont(pictureFont(9));
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    for (int r = 25; r <= 100; r += 25) {
        p.drawLine(toPixel(r, 33), toPixel(r, -33));
    }
    for (int x : {-25, 25}) {
        p.drawLine(toPixel(0, x), toPixel(120, x));
    }
    p.setPen(QPen(Qt::black, 1.2));
    p.drawLine(toPixel(0, 0), toPixel(120, 0));
    p.drawLine(toPixel(0, 33), toPixel(0, -33));
    p.setPen(QPen(Qt::black, 1.5));
    p.drawEllipse(QRectF(toPixel(0, kSource / 2), toPixel(kSource, -kSource / 2)));
    p.setPen(Qt::black);
    for (int r = 25; r <= 100; r += 25) {
        p.drawText(toPixel(r, 0) + QPointF(3, 12), QString::number(r));
    }
    for (int x : {-25, 25}) {
        p.drawText(toPixel(0, x) + QPointF(3, -3), QStringLiteral("%1j").arg(x));
    }
    p.drawText(toPixel(104, 0) + QPointF(0, -4), QStringLiteral("R (Ohm)"));
    p.drawText(toPixel(0, 31) + QPointF(4, 0), QStringLiteral("X (Ohm)"));
}

void drawLetters(QPainter &p)
{
    p.setFont(pictureFont(14, true));
    for (int variant = 0; variant < 6; ++variant) {
        const QPointF centre = toPixel(kRegionPoints[variant].x(), kRegionPoints[variant].y());
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawEllipse(centre, 10, 10);
        p.setPen(Qt::black);
        p.setBrush(Qt::NoBrush);
        p.drawText(QRectF(centre - QPointF(10, 10), QSizeF(20, 20)), Qt::AlignCenter,
            QString(QChar('A' + variant)));
    }
}

// One of the six L-networks in its cell: the source on the left, the load on the right,
// each part as the solver gives it at a load of the variant's region.
void drawCircuit(QPainter &p, int variant)
{
    const CircuitCell parts = circuitCell(variant);
    const CellGeometry at = cellGeometry(variant);
    const QRectF &cell = at.cell;
    p.setPen(Qt::NoPen);
    p.setBrush(kVariantColours[variant]);
    p.drawRoundedRect(cell.adjusted(2, 2, -2, -2), 5, 5);
    p.setBrush(Qt::NoBrush);

    const double top = at.seriesMiddle.y();
    const double bottom = cell.top() + 70;
    const double left = cell.left() + 16;
    const double right = cell.right() - 16;
    p.setPen(QPen(Qt::black, 1.3));
    generator(p, QPointF(left, (top + bottom) / 2), 8);
    p.drawLine(QPointF(left, top), QPointF(left, (top + bottom) / 2 - 8));
    p.drawLine(QPointF(left, (top + bottom) / 2 + 8), QPointF(left, bottom));
    p.drawLine(QPointF(left, bottom), QPointF(right, bottom));
    resistor(p, QPointF(right, top), QPointF(right, bottom), 10);

    // The shunt element across the source's terminals, the series one on to the load; or
    // the series element first and the shunt across the load.
    const bool shuntAtSource = parts.shuntAcrossSource;
    const double shuntX = at.shuntMiddle.x();
    const double seriesFrom = shuntAtSource ? left + 52 : left + 14;
    const double seriesTo = shuntAtSource ? right - 14 : right - 52;
    const double series = shuntAtSource ? parts.reactanceOne : parts.reactanceTwo;
    const double shunt = shuntAtSource ? parts.reactanceTwo : parts.reactanceOne;
    p.drawLine(QPointF(left, top), QPointF(seriesFrom, top));
    p.drawLine(QPointF(seriesTo, top), QPointF(right, top));
    reactance(p, QPointF(seriesFrom, top), QPointF(seriesTo, top), series);
    reactance(p, QPointF(shuntX, top), QPointF(shuntX, bottom), shunt);
    dot(p, QPointF(shuntX, top));
    dot(p, QPointF(shuntX, bottom));

    p.setFont(pictureFont(9));
    const QString seriesNumber = shuntAtSource ? QStringLiteral("1") : QStringLiteral("2");
    const QString shuntNumber = shuntAtSource ? QStringLiteral("2") : QStringLiteral("1");
    p.drawText(QPointF((seriesFrom + seriesTo) / 2 - 3, top - 10), seriesNumber);
    p.drawText(QPointF(shuntX + 10, (top + bottom) / 2 + 4), shuntNumber);
    p.drawText(QPointF(left - 8, top - 4), QStringLiteral("Z0"));
    p.drawText(QPointF(right - 2, top - 4), QStringLiteral("Z"));
    p.setFont(pictureFont(14, true));
    p.drawText(QPointF(cell.left() + 7, cell.top() + 18), QString(QChar('A' + variant)));
}

} // namespace

CircuitCell circuitCell(int variant)
{
    CircuitCell cell;
    cell.variant = variant;
    cell.load = kRegionPoints[variant];
    const MatchingSolution solution = matchingSolution(kSource, cell.load.x(), cell.load.y());
    cell.reactanceOne = solution.reactanceOne;
    cell.reactanceTwo = solution.reactanceTwo;
    cell.shuntAcrossSource = solution.shuntAcrossSource;
    return cell;
}

CellGeometry cellGeometry(int variant)
{
    CellGeometry geometry;
    geometry.cell = QRectF(4 + (variant % 3) * 135, 246 + (variant / 3) * 80, 135, 80);
    const QRectF &cell = geometry.cell;
    const double top = cell.top() + 34;
    const double bottom = cell.top() + 70;
    const double left = cell.left() + 16;
    const double right = cell.right() - 16;
    const bool shuntAtSource = circuitCell(variant).shuntAcrossSource;
    const double seriesFrom = shuntAtSource ? left + 52 : left + 14;
    const double seriesTo = shuntAtSource ? right - 14 : right - 52;
    const double shuntX = shuntAtSource ? left + 32 : right - 30;
    geometry.seriesMiddle = QPointF((seriesFrom + seriesTo) / 2, top);
    geometry.shuntMiddle = QPointF(shuntX, (top + bottom) / 2);
    return geometry;
}

QImage matchingRegions()
{
    QImage image = blankImage(kWidth, kHeight, Qt::white);
    drawRegions(image);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(pictureFont(13, true));
    p.setPen(Qt::black);
    p.drawText(QRectF(0, 2, kWidth, 18), Qt::AlignHCenter,
        QStringLiteral("Circuit variants for Z0 = 50 Ohm"));
    drawAxes(p);
    drawLetters(p);
    // The six circuits below, in two rows of three. Element 1 is next to the load.
    for (int variant = 0; variant < 6; ++variant) {
        drawCircuit(p, variant);
    }
    return image;
}
