// Draws the pictures that Zalvimo shows and installs, into the folder given:
//   zentu.png     the measuring setup, for the page "Measuring setup" (431 by 431)
//   Z_region.png  the impedance plane coloured by circuit variant, with the six L-networks,
//                 for the page "Impedance Matching Circuits" (411 by 410)
//   zalvimo.png   the application icon (128 by 128)
// The regions are coloured by calling the solver itself, so the picture cannot disagree
// with the program. Run headless: QT_QPA_PLATFORM=offscreen zalvimo-pictures OUTDIR

#include "calculationstate.h"
#include "solvematching.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>

namespace {

constexpr double kPi = 3.141592653589793;

// One colour per circuit variant "A" to "F", light enough to carry black text.
const QColor kVariantColours[6]
    = {QColor(0xf4, 0xa6, 0xa6), QColor(0xf9, 0xd3, 0x8c), QColor(0xb5, 0xe3, 0xa1),
        QColor(0x9f, 0xd3, 0xe6), QColor(0xc7, 0xb3, 0xea), QColor(0xf2, 0xb6, 0xd8)};

QFont font(int pixelSize, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
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
    for (double side : {-0.45, 0.45}) {
        p.drawLine(to, to - QPointF(7 * std::cos(angle + side), 7 * std::sin(angle + side)));
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

// A generator: a circle with a sine wave in it, centred at `at`.
void generator(QPainter &p, QPointF at, double radius)
{
    p.drawEllipse(at, radius, radius);
    QPainterPath wave;
    for (int i = 0; i <= 24; ++i) {
        const double t = i / 24.0;
        const QPointF point
            = at + QPointF((t - 0.5) * 1.2 * radius, -0.35 * radius * std::sin(2 * kPi * t));
        if (i == 0) {
            wave.moveTo(point);
        } else {
            wave.lineTo(point);
        }
    }
    p.drawPath(wave);
}

// A resistor as a box between two points on a horizontal or vertical line.
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

// A capacitor or a coil between a and b, which lie on one horizontal or vertical line.
void reactance(QPainter &p, QPointF a, QPointF b, bool capacitor)
{
    const bool horizontal = std::abs(b.x() - a.x()) > std::abs(b.y() - a.y());
    const QPointF mid = (a + b) / 2;
    const QPointF along = horizontal ? QPointF(1, 0) : QPointF(0, 1);
    const QPointF across = horizontal ? QPointF(0, 1) : QPointF(1, 0);
    if (capacitor) {
        const double gap = 3;
        p.drawLine(a, mid - along * gap);
        p.drawLine(mid + along * gap, b);
        for (double side : {-gap, gap}) {
            p.drawLine(mid + along * side - across * 8, mid + along * side + across * 8);
        }
        return;
    }
    // Four turns of a coil, drawn as half circles on one side of the wire.
    const double turn = 6;
    const QPointF start = mid - along * (2 * turn);
    p.drawLine(a, start);
    p.drawLine(mid + along * (2 * turn), b);
    QPainterPath coil(start);
    for (int i = 0; i < 4; ++i) {
        const QPointF centre = start + along * (turn * i + turn / 2);
        const QRectF box(centre - QPointF(turn / 2, turn / 2), QSizeF(turn, turn));
        if (horizontal) {
            coil.arcTo(box, 180, -180);
        } else {
            coil.arcTo(box, 90, 180);
        }
    }
    p.drawPath(coil);
}

QImage measuringSetup()
{
    QImage image = blankImage(431, 431, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));

    p.setFont(font(15, true));
    p.drawText(QRectF(0, 6, 431, 20), Qt::AlignHCenter, QStringLiteral("Measuring setup"));

    // The circuit: generator, Z0 in series, the antenna to ground.
    const double top = 92;
    const double bottom = 200;
    const QPointF generatorCentre(52, 146);
    const double ch1X = 112;
    const double ch2X = 262;
    const double antennaX = 340;
    generator(p, generatorCentre, 20);
    p.drawLine(QPointF(52, 126), QPointF(52, top));
    p.drawLine(QPointF(52, top), QPointF(150, top));
    resistor(p, QPointF(150, top), QPointF(230, top), 14);
    p.drawLine(QPointF(230, top), QPointF(antennaX, top));
    p.drawLine(QPointF(52, 166), QPointF(52, bottom));
    p.drawLine(QPointF(52, bottom), QPointF(antennaX, bottom));
    ground(p, QPointF(200, bottom + 4));
    p.drawLine(QPointF(200, bottom), QPointF(200, bottom + 4));

    // The antenna: the load under test, shown as an impedance box with a mast above it.
    const QRectF load(antennaX - 14, 122, 28, 48);
    p.drawLine(QPointF(antennaX, top), QPointF(antennaX, load.top()));
    p.drawLine(QPointF(antennaX, load.bottom()), QPointF(antennaX, bottom));
    p.drawRect(load);
    p.drawLine(QPointF(antennaX, top), QPointF(antennaX, 58));
    p.drawLine(QPointF(antennaX - 12, 46), QPointF(antennaX, 58));
    p.drawLine(QPointF(antennaX + 12, 46), QPointF(antennaX, 58));

    dot(p, QPointF(ch1X, top));
    dot(p, QPointF(ch2X, top));

    p.setFont(font(12, true));
    p.drawText(QPointF(antennaX - 5, 152), QStringLiteral("Z"));
    p.drawText(QPointF(176, top - 12), QStringLiteral("Z0"));
    p.setFont(font(11));
    p.drawText(QRectF(antennaX + 18, 122, 80, 48), Qt::AlignVCenter | Qt::TextWordWrap,
        QStringLiteral("Antenna\nR + jX"));
    p.drawText(QRectF(80, 134, 92, 16), Qt::AlignLeft, QStringLiteral("Generator"));
    p.drawText(QRectF(110, top + 10, 160, 16), Qt::AlignHCenter,
        QStringLiteral("Transceiver impedance (Ohm)"));
    p.drawText(QRectF(80, 150, 120, 16), Qt::AlignLeft, QStringLiteral("Frequency (MHz)"));

    // The two oscilloscope channels.
    const QColor ch1Colour(0xc0, 0x80, 0x00);
    const QColor ch2Colour(0x00, 0x70, 0xc0);
    p.setPen(QPen(ch1Colour, 1.5));
    arrow(p, QPointF(ch1X, 44), QPointF(ch1X, top - 4));
    p.drawText(QPointF(ch1X - 40, 38), QStringLiteral("CH1: V_reference"));
    p.setPen(QPen(ch2Colour, 1.5));
    arrow(p, QPointF(ch2X, 44), QPointF(ch2X, top - 4));
    p.drawText(QPointF(ch2X - 30, 38), QStringLiteral("CH2: V_x"));
    p.setPen(QPen(Qt::darkGray, 1));
    p.drawText(QRectF(150, 212, 275, 16), Qt::AlignRight,
        QStringLiteral("Probe grounds on the bottom rail"));

    // What the oscilloscope shows: the two traces, their amplitudes and the delay.
    const QRectF screen(16, 240, 399, 150);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x10, 0x18, 0x10));
    p.drawRoundedRect(screen, 6, 6);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x40, 0x50, 0x40), 1));
    const double zero = screen.center().y();
    for (int i = 1; i < 8; ++i) {
        const double x = screen.left() + i * screen.width() / 8;
        p.drawLine(QPointF(x, screen.top() + 4), QPointF(x, screen.bottom() - 4));
    }
    p.drawLine(QPointF(screen.left() + 4, zero), QPointF(screen.right() - 4, zero));

    const double period = 180; // pixels
    const double shift = 26; // pixels between the two traces' crests
    const double a1 = 55;
    const double a2 = 40;
    const auto trace = [&](double amplitude, double offset, const QColor &colour) {
        QPainterPath path;
        for (int x = 0; x <= int(screen.width()) - 16; ++x) {
            const double px = screen.left() + 8 + x;
            const double py = zero - amplitude * std::cos(2 * kPi * (x - offset) / period);
            if (x == 0) {
                path.moveTo(px, py);
            } else {
                path.lineTo(px, py);
            }
        }
        p.setPen(QPen(colour, 2));
        p.drawPath(path);
    };
    const QColor ch1Trace(0xff, 0xd0, 0x40);
    const QColor ch2Trace(0x50, 0xc8, 0xff);
    const double crest = 190;
    trace(a1, crest, ch1Trace);
    trace(a2, crest + shift, ch2Trace);

    const double crestX = screen.left() + 8 + crest;
    p.setFont(font(11));
    p.setPen(QPen(ch1Trace, 1));
    doubleArrow(p, QPointF(crestX - 36, zero), QPointF(crestX - 36, zero - a1));
    p.drawText(QPointF(crestX - 150, zero - a1 + 6), QStringLiteral("V_reference  (mV)"));
    p.setPen(QPen(ch2Trace, 1));
    doubleArrow(p, QPointF(crestX + shift + 36, zero), QPointF(crestX + shift + 36, zero - a2));
    p.drawText(QPointF(crestX + shift + 44, zero - a2 + 18), QStringLiteral("V_x  (mV)"));
    p.setPen(QPen(Qt::white, 1, Qt::DashLine));
    p.drawLine(QPointF(crestX, zero - a1 - 8), QPointF(crestX, zero + 4));
    p.drawLine(QPointF(crestX + shift, zero - a1 - 8), QPointF(crestX + shift, zero + 4));
    p.setPen(QPen(Qt::white, 1));
    doubleArrow(p, QPointF(crestX, zero - a1 - 4), QPointF(crestX + shift, zero - a1 - 4));
    p.drawText(QPointF(crestX + shift + 8, zero - a1 - 2), QStringLiteral("Delay (nanoSec)"));

    p.setPen(Qt::black);
    p.setFont(font(11));
    p.drawText(QRectF(8, 396, 415, 32), Qt::AlignHCenter | Qt::TextWordWrap,
        QStringLiteral("Z = Z0 \u00b7 V_x e^j\u03c6 / (2 V_reference \u2212 V_x e^j\u03c6),  "
                       "\u03c6 = 2\u03c0 \u00b7 frequency \u00b7 delay"));
    return image;
}

// One of the six L-networks in a cell: the source on the left, the load on the right.
// Variants 0 to 3 put element 1 in series next to the load and element 2 across the source;
// variants 4 and 5 put element 1 across the load and element 2 in series towards the source.
void circuit(QPainter &p, const QRectF &cell, int variant)
{
    // Capacitor (true) or coil (false) for element 1 and element 2 of each variant.
    static const bool kCapacitor[6][2] = {
        {true, true}, {false, true}, {true, false}, {false, false}, {false, true}, {true, false}};
    const bool seriesFirst = variant <= 3;

    p.setPen(Qt::NoPen);
    p.setBrush(kVariantColours[variant]);
    p.drawRoundedRect(cell.adjusted(2, 2, -2, -2), 5, 5);
    p.setBrush(Qt::NoBrush);

    const double top = cell.top() + 34;
    const double bottom = cell.top() + 70;
    const double left = cell.left() + 16;
    const double right = cell.right() - 16;
    p.setPen(QPen(Qt::black, 1.3));
    generator(p, QPointF(left, (top + bottom) / 2), 8);
    p.drawLine(QPointF(left, top), QPointF(left, (top + bottom) / 2 - 8));
    p.drawLine(QPointF(left, (top + bottom) / 2 + 8), QPointF(left, bottom));
    p.drawLine(QPointF(left, bottom), QPointF(right, bottom));
    resistor(p, QPointF(right, top), QPointF(right, bottom), 10);

    const double shuntX = seriesFirst ? left + 32 : right - 30;
    const double seriesFrom = seriesFirst ? left + 52 : left + 14;
    const double seriesTo = seriesFirst ? right - 14 : right - 52;
    p.drawLine(QPointF(left, top), QPointF(seriesFrom, top));
    p.drawLine(QPointF(seriesTo, top), QPointF(right, top));
    reactance(p, QPointF(seriesFrom, top), QPointF(seriesTo, top),
        kCapacitor[variant][seriesFirst ? 0 : 1]);
    reactance(
        p, QPointF(shuntX, top), QPointF(shuntX, bottom), kCapacitor[variant][seriesFirst ? 1 : 0]);
    dot(p, QPointF(shuntX, top));
    dot(p, QPointF(shuntX, bottom));

    p.setFont(font(9));
    const QString seriesNumber = seriesFirst ? QStringLiteral("1") : QStringLiteral("2");
    const QString shuntNumber = seriesFirst ? QStringLiteral("2") : QStringLiteral("1");
    p.drawText(QPointF((seriesFrom + seriesTo) / 2 - 3, top - 10), seriesNumber);
    p.drawText(QPointF(shuntX + 10, (top + bottom) / 2 + 4), shuntNumber);
    p.drawText(QPointF(left - 8, top - 4), QStringLiteral("Z0"));
    p.drawText(QPointF(right - 2, top - 4), QStringLiteral("Z"));
    p.setFont(font(14, true));
    p.drawText(QPointF(cell.left() + 7, cell.top() + 18), QString(QChar('A' + variant)));
}

QImage matchingRegions()
{
    QImage image = blankImage(411, 410, Qt::white);

    // The plane: R from 0 to 120 ohm to the right, X from +33 to -33 ohm downward, at 3.3
    // pixels per ohm, every pixel coloured by the variant the solver picks for it.
    const double source = 50;
    const double scale = 3.3;
    const QRect plot(8, 22, 396, 218);
    const double axisY = plot.top() + plot.height() / 2.0;
    for (int y = plot.top(); y <= plot.bottom(); ++y) {
        for (int x = plot.left(); x <= plot.right(); ++x) {
            calculationState.sourceImpedance = source;
            calculationState.zReal = (x + 0.5 - plot.left()) / scale;
            calculationState.zImag = (axisY - (y + 0.5)) / scale;
            solveMatching();
            image.setPixelColor(x, y, kVariantColours[calculationState.circuitVariant]);
        }
    }

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(font(13, true));
    p.setPen(Qt::black);
    p.drawText(QRectF(0, 2, 411, 18), Qt::AlignHCenter,
        QStringLiteral("Circuit variants for Z0 = 50 Ohm"));

    const auto toPixel
        = [&](double r, double x) { return QPointF(plot.left() + r * scale, axisY - x * scale); };
    p.setFont(font(9));
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
    p.drawEllipse(QRectF(toPixel(0, source / 2), toPixel(source, -source / 2)));
    p.setPen(Qt::black);
    for (int r = 25; r <= 100; r += 25) {
        p.drawText(toPixel(r, 0) + QPointF(3, 12), QString::number(r));
    }
    for (int x : {-25, 25}) {
        p.drawText(toPixel(0, x) + QPointF(3, -3), QStringLiteral("%1j").arg(x));
    }
    p.drawText(toPixel(104, 0) + QPointF(0, -4), QStringLiteral("R (Ohm)"));
    p.drawText(toPixel(0, 31) + QPointF(4, 0), QStringLiteral("X (Ohm)"));

    // The letters, each at a point that lies inside its region.
    const QPointF letters[6] = {{20, 27}, {22, 12}, {22, -12}, {20, -27}, {85, 16}, {85, -16}};
    p.setFont(font(14, true));
    for (int variant = 0; variant < 6; ++variant) {
        const QPointF centre = toPixel(letters[variant].x(), letters[variant].y());
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawEllipse(centre, 10, 10);
        p.setPen(Qt::black);
        p.setBrush(Qt::NoBrush);
        p.drawText(QRectF(centre - QPointF(10, 10), QSizeF(20, 20)), Qt::AlignCenter,
            QString(QChar('A' + variant)));
    }

    // The six circuits below, in two rows of three. Element 1 is next to the load.
    for (int variant = 0; variant < 6; ++variant) {
        const QRectF cell(4 + (variant % 3) * 135, 246 + (variant / 3) * 80, 135, 80);
        circuit(p, cell, variant);
    }
    return image;
}

// A black plane with the source's green circle, a red matching path and its marker.
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

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const struct
    {
        const char *name;
        QImage image;
    } pictures[] = {{"zentu.png", measuringSetup()}, {"Z_region.png", matchingRegions()},
        {"zalvimo.png", icon()}};
    for (const auto &picture : pictures) {
        const QString path = out.filePath(QLatin1String(picture.name));
        if (!picture.image.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
