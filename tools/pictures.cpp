// Draws the pictures that Zalvimo shows and installs, into the folder given:
//   zentu.png     the measuring setup, for the page "Measuring setup" (431 by 431)
//   Z_region.png  the impedance plane coloured by circuit variant, with the six L-networks,
//                 for the page "Impedance Matching Circuits" (411 by 410)
//   zalvimo.png   the application icon (128 by 128)
// The regions are coloured by calling the solver itself, and the measuring setup's traces
// come from the measurement function at the form's default reading, so neither picture can
// disagree with the program. Run headless:
//     QT_QPA_PLATFORM=offscreen zalvimo-pictures OUTDIR src/forms/mainwindowui.ui

#include "calculationstate.h"
#include "impedancefrommeasurement.h"
#include "numbertext.h"
#include "solvematching.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QXmlStreamReader>

#include <cmath>
#include <complex>
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

// The default texts of the panel's fields, read from the form itself so that the picture
// shows the numbers a new user sees.
struct DefaultReading
{
    double sourceImpedance = 0; // ohms
    double vRef = 0; // mV
    double vX = 0; // mV
    double delay = 0; // ns
    double frequency = 0; // MHz
};

bool readDefaults(const QString &formPath, DefaultReading *reading)
{
    QFile file(formPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QHash<QString, double *> fields {
        {QStringLiteral("lineEditSourceImpedance"), &reading->sourceImpedance},
        {QStringLiteral("lineEditVRef"), &reading->vRef},
        {QStringLiteral("lineEditVX"), &reading->vX},
        {QStringLiteral("lineEditDelay"), &reading->delay},
        {QStringLiteral("lineEditFreq"), &reading->frequency}};
    // The text property that belongs directly to one of those line edits; the stacks keep
    // the enclosing widget and the enclosing element.
    int found = 0;
    QStringList widgets;
    QStringList elements;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (elements.takeLast() == QLatin1String("widget")) {
                widgets.removeLast();
            }
            continue;
        }
        if (token != QXmlStreamReader::StartElement) {
            continue;
        }
        const QString parent = elements.isEmpty() ? QString() : elements.last();
        const QString name = xml.name().toString();
        const QString nameAttribute = xml.attributes().value(QLatin1String("name")).toString();
        elements << name;
        if (name == QLatin1String("widget")) {
            widgets << nameAttribute;
        } else if (name == QLatin1String("property") && parent == QLatin1String("widget")
            && nameAttribute == QLatin1String("text") && fields.contains(widgets.last())
            && xml.readNextStartElement() && xml.name() == QLatin1String("string")) {
            bool ok = false;
            *fields.value(widgets.last()) = xml.readElementText().toDouble(&ok);
            found += ok ? 1 : 0;
        }
    }
    return !xml.hasError() && found == fields.size();
}

// The measuring setup, drawn so that whoever follows it enters what the measurement formula
// expects. The formula treats the source as an ideal generator of open-circuit amplitude
// 2·V_reference at phase 0 behind Z0. Probing the generator's terminal gives exactly that:
// whatever the generator's own output resistance, the voltage there drives Z0 and the
// antenna in series, so V_reference is half the CH1 amplitude and CH1 is the phase
// reference. V_x·e^{jφ} leads for an inductive antenna, so its crest comes first and the
// delay, CH1 crest minus CH2 crest, is positive.
//
// The traces are the divider V_x·e^{jφ} = 2·V_reference · Z / (Z0 + Z) for the Z that the
// program's own measurement function computes from the default reading: should the function
// and these instructions ever disagree, the picture shows it.
QImage measuringSetup(const DefaultReading &reading)
{
    calculationState.sourceImpedance = reading.sourceImpedance;
    impedanceFromMeasurement(reading.vRef, reading.vX, reading.delay, reading.frequency);
    const std::complex<double> z(calculationState.zReal, calculationState.zImag);
    const double ch1Amplitude = 2 * reading.vRef; // mV
    const std::complex<double> ch2 = ch1Amplitude * z / (reading.sourceImpedance + z);
    const double ch2Amplitude = std::abs(ch2); // mV
    const double lead = std::arg(ch2); // radians that V_x is ahead of CH1
    const double delayNs = lead / (2 * kPi * reading.frequency * 1e6) * 1e9;

    QImage image = blankImage(431, 431, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));

    p.setFont(font(15, true));
    p.drawText(QRectF(0, 4, 431, 20), Qt::AlignHCenter, QStringLiteral("Measuring setup"));

    // The circuit: the generator (its source and own resistance in a dashed box), the CH1
    // point at its terminal, Z0, the CH2 point, the antenna to the bottom rail.
    const double top = 96;
    const double bottom = 186;
    const double sourceX = 34;
    const double ch1X = 120;
    const double ch2X = 262;
    const double antennaX = 346;
    generator(p, QPointF(sourceX, 141), 15);
    p.drawLine(QPointF(sourceX, 126), QPointF(sourceX, top));
    p.drawLine(QPointF(sourceX, 156), QPointF(sourceX, bottom));
    resistor(p, QPointF(sourceX, top), QPointF(100, top), 10);
    p.drawLine(QPointF(100, top), QPointF(140, top));
    resistor(p, QPointF(140, top), QPointF(242, top), 14);
    p.drawLine(QPointF(242, top), QPointF(antennaX, top));
    p.drawLine(QPointF(sourceX, bottom), QPointF(antennaX, bottom));
    p.drawLine(QPointF(200, bottom), QPointF(200, bottom + 4));
    ground(p, QPointF(200, bottom + 4));

    const QRectF load(antennaX - 13, 118, 26, 46);
    p.drawLine(QPointF(antennaX, top), QPointF(antennaX, load.top()));
    p.drawLine(QPointF(antennaX, load.bottom()), QPointF(antennaX, bottom));
    p.drawRect(load);
    p.drawLine(QPointF(antennaX, top), QPointF(antennaX, 60));
    p.drawLine(QPointF(antennaX - 12, 48), QPointF(antennaX, 60));
    p.drawLine(QPointF(antennaX + 12, 48), QPointF(antennaX, 60));
    dot(p, QPointF(ch1X, top));
    dot(p, QPointF(ch2X, top));

    p.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
    p.drawRect(QRectF(10, 78, 100, 100));
    p.setPen(Qt::black);
    p.setFont(font(12, true));
    p.drawText(QPointF(antennaX - 4, 146), QStringLiteral("Z"));
    p.drawText(QPointF(181, top - 12), QStringLiteral("Z0"));
    p.setFont(font(11));
    p.drawText(QPointF(12, 73), QStringLiteral("Generator"));
    p.drawText(
        QRectF(antennaX + 16, 118, 80, 46), Qt::AlignVCenter, QStringLiteral("Antenna\nR + jX"));
    p.drawText(QRectF(112, top + 10, 160, 30), Qt::AlignHCenter,
        QStringLiteral("Transceiver\nimpedance, e.g. %1 Ohm").arg(reading.sourceImpedance));
    p.setFont(font(10));
    p.drawText(QRectF(52, top + 8, 58, 40), Qt::AlignLeft, QStringLiteral("its own\nresistance"));
    p.setPen(Qt::darkGray);
    p.drawText(QRectF(214, bottom + 4, 210, 14), Qt::AlignRight,
        QStringLiteral("both probe grounds on this rail"));

    const QColor ch1Colour(0xc0, 0x80, 0x00);
    const QColor ch2Colour(0x00, 0x70, 0xc0);
    p.setFont(font(11, true));
    p.setPen(QPen(ch1Colour, 1.5));
    arrow(p, QPointF(ch1X, 46), QPointF(ch1X, top - 5));
    p.drawText(QPointF(ch1X - 14, 40), QStringLiteral("CH1"));
    p.setPen(QPen(ch2Colour, 1.5));
    arrow(p, QPointF(ch2X, 46), QPointF(ch2X, top - 5));
    p.drawText(QPointF(ch2X - 14, 40), QStringLiteral("CH2"));

    // What to read, and what the generator's resistance does.
    p.setFont(font(11));
    p.setPen(ch1Colour);
    p.drawText(QPointF(10, 214), QStringLiteral("V_reference = half the CH1 amplitude"));
    p.setPen(ch2Colour);
    p.drawText(QPointF(262, 214), QStringLiteral("V_x = CH2 amplitude"));
    p.setPen(Qt::black);
    p.setFont(font(10));
    p.drawText(QPointF(10, 229),
        QStringLiteral("The generator's own resistance lies before CH1 and does not count."));

    // The oscilloscope: CH1 and CH2 at the default reading, CH2's crest first.
    const QRectF screen(10, 236, 411, 134);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x10, 0x18, 0x10));
    p.drawRoundedRect(screen, 6, 6);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x40, 0x50, 0x40), 1));
    const double zero = screen.top() + 71;
    for (int i = 1; i < 8; ++i) {
        const double x = screen.left() + i * screen.width() / 8;
        p.drawLine(QPointF(x, screen.top() + 4), QPointF(x, screen.bottom() - 4));
    }
    p.drawLine(QPointF(screen.left() + 4, zero), QPointF(screen.right() - 4, zero));

    const double period = 250; // pixels
    const double pixelsPerMillivolt = 52 / ch1Amplitude;
    const double crest = screen.left() + 150; // CH1's crest
    const double shift = lead / (2 * kPi) * period; // pixels that CH2's crest comes first
    const auto trace = [&](double amplitude, double crestX, const QColor &colour) {
        QPainterPath path;
        for (double x = screen.left() + 6; x <= screen.right() - 6; x += 0.5) {
            const QPointF point(x,
                zero - amplitude * pixelsPerMillivolt * std::cos(2 * kPi * (x - crestX) / period));
            if (path.elementCount() == 0) {
                path.moveTo(point);
            } else {
                path.lineTo(point);
            }
        }
        p.setPen(QPen(colour, 2));
        p.drawPath(path);
    };
    const QColor ch1Trace(0xff, 0xd0, 0x40);
    const QColor ch2Trace(0x50, 0xc8, 0xff);
    trace(ch1Amplitude, crest, ch1Trace);
    trace(ch2Amplitude, crest - shift, ch2Trace);

    const double ch1Top = zero - ch1Amplitude * pixelsPerMillivolt;
    p.setPen(QPen(Qt::white, 1, Qt::DashLine));
    p.drawLine(QPointF(crest, ch1Top - 8), QPointF(crest, zero));
    p.drawLine(QPointF(crest - shift, ch1Top - 8), QPointF(crest - shift, zero));
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(QPointF(crest - shift - 16, ch1Top - 6), QPointF(crest - shift, ch1Top - 6));
    arrow(p, QPointF(crest + 16, ch1Top - 6), QPointF(crest, ch1Top - 6));
    p.setFont(font(10));
    p.drawText(QPointF(crest + 20, ch1Top - 2),
        QStringLiteral("delay %1%2 ns: CH2 crest first")
            .arg(delayNs > 0 ? "+" : "")
            .arg(numberText(delayNs)));

    // Each amplitude as a double arrow from the zero line to a trough, and a legend in the
    // top left corner, where both traces run low.
    const QColor ch1Label(0xff, 0xe8, 0xa0);
    const QColor ch2Label(0xa8, 0xe4, 0xff);
    const double ch1TroughX = crest + period / 2;
    const double ch2TroughX = crest - shift - period / 2;
    p.setPen(QPen(ch1Label, 1));
    doubleArrow(p, QPointF(ch1TroughX + 14, zero),
        QPointF(ch1TroughX + 14, zero + ch1Amplitude * pixelsPerMillivolt));
    p.drawText(QPointF(screen.left() + 8, screen.top() + 16),
        QStringLiteral("CH1 %1 mV").arg(numberText(ch1Amplitude)));
    p.setPen(QPen(ch2Label, 1));
    doubleArrow(p, QPointF(ch2TroughX + 12, zero),
        QPointF(ch2TroughX + 12, zero + ch2Amplitude * pixelsPerMillivolt));
    p.drawText(QPointF(screen.left() + 8, screen.top() + 30),
        QStringLiteral("CH2 %1 mV").arg(numberText(ch2Amplitude)));

    // The rule for the sign of the delay, and the formula.
    p.setPen(Qt::black);
    p.setFont(font(11));
    p.drawText(QPointF(10, 385),
        QStringLiteral("Delay = time of the CH1 crest \u2212 time of the nearest CH2 crest."));
    p.drawText(QPointF(10, 399), QStringLiteral("V_x earlier: delay positive, inductive (X > 0)."));
    p.drawText(QPointF(10, 413), QStringLiteral("V_x later: delay negative, capacitive (X < 0)."));
    p.setFont(font(10));
    p.drawText(QPointF(10, 427),
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
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTDIR FORM.ui\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    DefaultReading reading;
    if (!readDefaults(QString::fromLocal8Bit(argv[2]), &reading)) {
        std::fprintf(stderr, "%s: cannot read the fields' default texts\n", argv[2]);
        return 1;
    }
    const struct
    {
        const char *name;
        QImage image;
    } pictures[] = {{"zentu.png", measuringSetup(reading)}, {"Z_region.png", matchingRegions()},
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
