#include "measuringsetup.h"
#include "units.h"

#include "drawing.h"
#include "formdefaults.h"
#include "impedancefrommeasurement.h"
#include "numbertext.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <complex>

namespace {

constexpr int kSize = 431; // pixels, the label's width and height

// The places that the rest of the picture is drawn from, in pixels. The circuit runs along
// an upper wire and a lower rail; the probes touch the upper wire; the oscilloscope's
// screen lies below the circuit.
struct Anchors
{
    double wire = 96; // the upper wire's row
    double rail = 186; // the ground rail's row
    QPointF generator {34, 141}; // the generator's centre
    double generatorRadius = 15;
    double ch1 = 120; // CH1's point: the generator's terminal
    double z0Left = 140; // Z0 between the two probe points
    double z0Right = 242;
    double ch2 = 262; // CH2's point: the antenna's terminal
    double antenna = 346; // the antenna's column
    double groundColumn = 200;
    double probeLabel = 40; // the probes' labels' baseline
    QRectF screen {10, 236, 411, 134};
};

const Anchors kAt;

// Where the antenna's box sits: centred between the wire and the rail.
QRectF antennaBox()
{
    const double middle = (kAt.wire + kAt.rail) / 2;
    return QRectF(kAt.antenna - 13, middle - 23, 26, 46);
}

// The circuit: the generator (its source and own resistance in a dashed box), the CH1
// point at its terminal, Z0, the CH2 point, the antenna to the rail, the two probes.
void drawCircuit(
    QPainter &p, const DefaultReading &reading, const QColor &ch1Colour, const QColor &ch2Colour)
{
    const QPointF g = kAt.generator;
    const double gx = g.x();
    const double ownResistanceEnd = kAt.ch1 - 20;
    generator(p, g, kAt.generatorRadius);
    p.drawLine(QPointF(gx, g.y() - kAt.generatorRadius), QPointF(gx, kAt.wire));
    p.drawLine(QPointF(gx, g.y() + kAt.generatorRadius), QPointF(gx, kAt.rail));
    resistor(p, QPointF(gx, kAt.wire), QPointF(ownResistanceEnd, kAt.wire), 10);
    p.drawLine(QPointF(ownResistanceEnd, kAt.wire), QPointF(kAt.z0Left, kAt.wire));
    resistor(p, QPointF(kAt.z0Left, kAt.wire), QPointF(kAt.z0Right, kAt.wire), 14);
    p.drawLine(QPointF(kAt.z0Right, kAt.wire), QPointF(kAt.antenna, kAt.wire));
    p.drawLine(QPointF(gx, kAt.rail), QPointF(kAt.antenna, kAt.rail));
    p.drawLine(QPointF(kAt.groundColumn, kAt.rail), QPointF(kAt.groundColumn, kAt.rail + 4));
    ground(p, QPointF(kAt.groundColumn, kAt.rail + 4));

    // The antenna: its impedance as a box, and a whip above the wire.
    const QRectF load = antennaBox();
    const double whipTop = kAt.wire - 36;
    p.drawLine(QPointF(kAt.antenna, kAt.wire), QPointF(kAt.antenna, load.top()));
    p.drawLine(QPointF(kAt.antenna, load.bottom()), QPointF(kAt.antenna, kAt.rail));
    p.drawRect(load);
    p.drawLine(QPointF(kAt.antenna, kAt.wire), QPointF(kAt.antenna, whipTop));
    p.drawLine(QPointF(kAt.antenna - 12, whipTop - 12), QPointF(kAt.antenna, whipTop));
    p.drawLine(QPointF(kAt.antenna + 12, whipTop - 12), QPointF(kAt.antenna, whipTop));
    dot(p, QPointF(kAt.ch1, kAt.wire));
    dot(p, QPointF(kAt.ch2, kAt.wire));

    const QRectF generatorBox(gx - 24, kAt.wire - 18, 100, 100);
    p.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
    p.drawRect(generatorBox);
    p.setPen(Qt::black);
    p.setFont(pictureFont(12, true));
    p.drawText(QPointF(kAt.antenna - 4, load.center().y() + 5), QStringLiteral("Z"));
    p.drawText(QPointF((kAt.z0Left + kAt.z0Right) / 2 - 10, kAt.wire - 12), QStringLiteral("Z0"));
    p.setFont(pictureFont(11));
    p.drawText(generatorBox.topLeft() + QPointF(2, -5), QStringLiteral("Generator"));
    p.drawText(QRectF(load.right() + 3, load.top(), 80, load.height()), Qt::AlignVCenter,
        QStringLiteral("Antenna\nR + jX"));
    p.drawText(QRectF(kAt.z0Left - 28, kAt.wire + 10, 160, 30), Qt::AlignHCenter,
        QStringLiteral("Transceiver\nimpedance, e.g. %1 Ohm").arg(reading.sourceImpedance));
    p.setFont(pictureFont(10));
    p.drawText(QRectF(gx + 18, kAt.wire + 8, 58, 40), Qt::AlignLeft,
        QStringLiteral("its own\nresistance"));
    p.setPen(Qt::darkGray);
    p.drawText(QRectF(kSize - 7 - 210, kAt.rail + 4, 210, 14), Qt::AlignRight,
        QStringLiteral("both probe grounds on this rail"));

    p.setFont(pictureFont(11, true));
    probe(p, QPointF(kAt.ch1, kAt.probeLabel), QPointF(kAt.ch1, kAt.wire - 5),
        QStringLiteral("CH1"), ch1Colour);
    probe(p, QPointF(kAt.ch2, kAt.probeLabel), QPointF(kAt.ch2, kAt.wire - 5),
        QStringLiteral("CH2"), ch2Colour);

    // What to read, and what the generator's resistance does.
    const double left = kAt.screen.left();
    p.setFont(pictureFont(11));
    p.setPen(ch1Colour);
    p.drawText(
        QPointF(left, kAt.rail + 28), QStringLiteral("V_reference = half the CH1 amplitude"));
    p.setPen(ch2Colour);
    p.drawText(QPointF(kAt.ch2, kAt.rail + 28), QStringLiteral("V_x = CH2 amplitude"));
    p.setPen(Qt::black);
    p.setFont(pictureFont(10));
    p.drawText(QPointF(left, kAt.rail + 43),
        QStringLiteral("The generator's own resistance lies before CH1 and does not count."));
}

// The oscilloscope: CH1 and CH2 at the reading, CH2's crest first by the lead, with the
// amplitudes and the delay marked.
void drawScreen(QPainter &p, double ch1Amplitude, double ch2Amplitude, double lead, double delayNs)
{
    const QRectF &screen = kAt.screen;
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
    trace(ch1Amplitude, crest, QColor(0xff, 0xd0, 0x40));
    trace(ch2Amplitude, crest - shift, QColor(0x50, 0xc8, 0xff));

    const double ch1Top = zero - ch1Amplitude * pixelsPerMillivolt;
    p.setPen(QPen(Qt::white, 1, Qt::DashLine));
    p.drawLine(QPointF(crest, ch1Top - 8), QPointF(crest, zero));
    p.drawLine(QPointF(crest - shift, ch1Top - 8), QPointF(crest - shift, zero));
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(QPointF(crest - shift - 16, ch1Top - 6), QPointF(crest - shift, ch1Top - 6));
    arrow(p, QPointF(crest + 16, ch1Top - 6), QPointF(crest, ch1Top - 6));
    p.setFont(pictureFont(10));
    p.drawText(QPointF(crest + 20, ch1Top - 2),
        QStringLiteral("delay %1%2 ns: CH2 crest first")
            .arg(delayNs > 0 ? "+" : "")
            .arg(numberText(delayNs)));

    // Each amplitude as a double arrow from the zero line to a trough, and a legend in the
    // top left corner, where both traces run low.
    const double ch1TroughX = crest + period / 2;
    const double ch2TroughX = crest - shift - period / 2;
    p.setPen(QPen(QColor(0xff, 0xe8, 0xa0), 1));
    doubleArrow(p, QPointF(ch1TroughX + 14, zero),
        QPointF(ch1TroughX + 14, zero + ch1Amplitude * pixelsPerMillivolt));
    p.drawText(QPointF(screen.left() + 8, screen.top() + 16),
        QStringLiteral("CH1 %1 mV").arg(numberText(ch1Amplitude)));
    p.setPen(QPen(QColor(0xa8, 0xe4, 0xff), 1));
    doubleArrow(p, QPointF(ch2TroughX + 12, zero),
        QPointF(ch2TroughX + 12, zero + ch2Amplitude * pixelsPerMillivolt));
    p.drawText(QPointF(screen.left() + 8, screen.top() + 30),
        QStringLiteral("CH2 %1 mV").arg(numberText(ch2Amplitude)));
}

// The rule for the sign of the delay, and the formula, in lines below the screen.
void drawRules(QPainter &p)
{
    const double left = kAt.screen.left();
    const double first = kAt.screen.bottom() + 15;
    p.setPen(Qt::black);
    p.setFont(pictureFont(11));
    p.drawText(QPointF(left, first),
        QStringLiteral("Delay = time of the CH1 crest \u2212 time of the nearest CH2 crest."));
    p.drawText(QPointF(left, first + 14),
        QStringLiteral("V_x earlier: delay positive, inductive (X > 0)."));
    p.drawText(QPointF(left, first + 28),
        QStringLiteral("V_x later: delay negative, capacitive (X < 0)."));
    p.setFont(pictureFont(10));
    p.drawText(QPointF(left, first + 42),
        QStringLiteral("Z = Z0 \u00b7 V_x e^j\u03c6 / (2 V_reference \u2212 V_x e^j\u03c6),  "
                       "\u03c6 = 2\u03c0 \u00b7 frequency \u00b7 delay"));
}

} // namespace

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
    const std::complex<double> z = impedanceFrom(
        reading.sourceImpedance, reading.vRef, reading.vX, reading.delay, reading.frequency);
    const double ch1Amplitude = 2 * reading.vRef; // mV
    const std::complex<double> ch2 = ch1Amplitude * z / (reading.sourceImpedance + z);
    const double lead = std::arg(ch2); // radians that V_x is ahead of CH1
    const double delayNs = lead / (2 * kPi * reading.frequency * 1e6) * 1e9;

    QImage image = blankImage(kSize, kSize, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
    p.setFont(pictureFont(15, true));
    p.drawText(QRectF(0, 4, kSize, 20), Qt::AlignHCenter, QStringLiteral("Measuring setup"));

    drawCircuit(p, reading, QColor(0xc0, 0x80, 0x00), QColor(0x00, 0x70, 0xc0));
    drawScreen(p, ch1Amplitude, std::abs(ch2), lead, delayNs);
    drawRules(p);
    return image;
}
