// zalvimo-measure's pictures: a capture's samples and fits, a sweep's SWR, R and X and Smith
// chart, as SVG and PNG.

#include "capturemeasurement.h"
#include "captureplot.h"
#include "measurementreport.h"
#include "sweepplot.h"

#include <QImage>
#include <QXmlStreamReader>
#include <QtTest>

#include <cmath>
#include <complex>
#include <optional>
#include <random>

namespace {

constexpr double kPi = 3.141592653589793;

// The antenna model of the matching tests: a dipole as a series R-L-C of 42 Ω, 2 µH and
// 63.25 pF, resonant at 1/(2π·√(LC)) = 14.1505 MHz.
std::complex<double> dipole(double hertz)
{
    const double omega = 2 * kPi * hertz;
    return {42, omega * 2e-6 - 1 / (omega * 63.25e-12)};
}

TouchstoneSweep dipoleSweep(double fromMHz, double stepMHz, int points, double referenceOhm)
{
    TouchstoneSweep sweep;
    sweep.referenceOhm = referenceOhm;
    for (int i = 0; i < points; ++i) {
        const double hertz = (fromMHz + stepMHz * i) * 1e6;
        sweep.points.push_back({hertz, reflectionFromImpedance(dipole(hertz), referenceOhm)});
    }
    return sweep;
}

// The measuring setup's channels for a load Z through 50 Ω at 10 MHz: CH1 at 64 mV,
// V_x = CH1·Z/(Z0 + Z), sampled every 2.5 ns, with Gaussian noise of `noise` mV.
Capture captureOf(std::complex<double> z, int samples, double noise)
{
    std::mt19937 random(7);
    std::normal_distribution<double> gaussian(0, 1);
    const std::complex<double> vx = 64.0 * z / (50.0 + z);
    const double omega = 2 * kPi * 10e6;
    Capture c;
    for (int k = 0; k < samples; ++k) {
        const double t = k * 2.5e-9;
        c.time.push_back(t);
        c.reference.push_back(64 * std::cos(omega * t) + noise * gaussian(random));
        c.vx.push_back(
            std::abs(vx) * std::cos(omega * t + std::arg(vx)) + noise * gaussian(random));
    }
    return c;
}

struct CapturePlotInput
{
    CaptureMeasurement measurement;
    CaptureTrace trace;
};

std::optional<CapturePlotInput> measured(const Capture &capture, double frequencyMHz)
{
    const Result<FittedMeasurement> fitted = measureCaptureWithSines(capture, frequencyMHz, 50);
    if (!fitted) {
        qWarning("%s", qPrintable(fitted.error()));
        return std::nullopt;
    }
    return CapturePlotInput {fitted->measurement, {capture, fitted->sines}};
}

// What an SVG file says: its size and its texts; nothing when it is not well-formed XML.
struct SvgContent
{
    int width = 0;
    int height = 0;
    QStringList texts;
};

std::optional<SvgContent> readSvg(const QByteArray &svg)
{
    SvgContent content;
    QXmlStreamReader reader(svg);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (reader.name() == QLatin1String("svg")) {
            content.width = reader.attributes().value(QLatin1String("width")).toInt();
            content.height = reader.attributes().value(QLatin1String("height")).toInt();
        } else if (reader.name() == QLatin1String("text")) {
            content.texts.append(reader.readElementText());
        }
    }
    if (reader.hasError()) {
        qWarning("%s", qPrintable(reader.errorString()));
        return std::nullopt;
    }
    return content;
}

QByteArray samplePicture(const QString &kind, PictureFormat format)
{
    if (kind == QLatin1String("capture")) {
        const std::optional<CapturePlotInput> input
            = measured(captureOf({34.24, 14.33}, 400, 0.3), 0);
        return input
            ? capturePlot(QStringLiteral("a.csv"), input->measurement, input->trace, format)
            : QByteArray();
    }
    const int points = kind == QLatin1String("one point") ? 1 : 30;
    return sweepPlot(
        {QStringLiteral("sweep.s1p"), dipoleSweep(12.5, 0.12, points, 50), {}, 50}, format);
}

} // namespace

class tst_MeasurePlot : public QObject
{
    Q_OBJECT

private slots:
    void formats_data();
    void formats();
    void sweepLabels_data();
    void sweepLabels();
    void captureTitle_data();
    void captureTitle();
    void longRecords_data();
    void longRecords();
};

// One drawing, two files: the PNG as wide as the plots are (760 pixels) and as high as the
// SVG says, the SVG well-formed.
void tst_MeasurePlot::formats_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a capture") << "capture";
    QTest::newRow("a sweep") << "sweep";
    QTest::newRow("a sweep of one point") << "one point";
}

void tst_MeasurePlot::formats()
{
    QFETCH(QString, kind);
    const std::optional<SvgContent> svg = readSvg(samplePicture(kind, PictureFormat::Svg));
    QVERIFY(svg);
    const QImage png = QImage::fromData(samplePicture(kind, PictureFormat::Png), "PNG");
    QVERIFY(!png.isNull());
    QCOMPARE(png.width(), 760);
    QCOMPARE(svg->width, 760);
    QCOMPARE(png.height(), svg->height);
}

// A known sweep's lowest SWR is labelled with its frequency, and its resonance where X
// crosses 0, whatever the file's reference resistance.
void tst_MeasurePlot::sweepLabels_data()
{
    QTest::addColumn<double>("fromMHz");
    QTest::addColumn<int>("points"); // 0.1 MHz apart
    QTest::addColumn<double>("referenceOhm"); // the file's; the SWR is against 50 Ω
    QTest::addColumn<QString>("minimum");
    QTest::addColumn<bool>("resonance");

    // At 14.2 MHz X = +1.24 Ω, at 14.1 MHz −1.27 Ω: SWR 1.1930 and 1.1931 against 50 Ω.
    QTest::newRow("resonant inside the sweep")
        << 13.5 << 14 << 50.0 << "SWR 1.19 at 14.2 MHz" << true;
    QTest::newRow("a file referred to 75 ohm")
        << 13.5 << 14 << 75.0 << "SWR 1.19 at 14.2 MHz" << true;
    // Above resonance throughout: X = +3.74 Ω at 14.3 MHz, SWR 1.2122.
    QTest::newRow("lowest at the first point")
        << 14.3 << 8 << 50.0 << "SWR 1.21 at 14.3 MHz" << false;
}

void tst_MeasurePlot::sweepLabels()
{
    QFETCH(double, fromMHz);
    QFETCH(int, points);
    QFETCH(double, referenceOhm);
    QFETCH(QString, minimum);
    QFETCH(bool, resonance);

    const SweepPicture picture {
        QStringLiteral("dipole.s1p"), dipoleSweep(fromMHz, 0.1, points, referenceOhm), {}, 50};
    const std::optional<SvgContent> svg = readSvg(sweepPlot(picture, PictureFormat::Svg));
    QVERIFY(svg);
    QVERIFY2(svg->texts.contains(minimum), qPrintable(svg->texts.join(QLatin1Char('\n'))));
    const QStringList crossings = svg->texts.filter(QStringLiteral("X = 0 at "));
    QCOMPARE(crossings.size(), resonance ? 1 : 0);
    if (resonance) {
        // "X = 0 at 14.1506 MHz, R 42 Ω": between the points, at the model's resonance.
        const double megahertz = crossings.first().section(QLatin1Char(' '), 4, 4).toDouble();
        const double resonanceMHz = 1 / (2 * kPi * std::sqrt(2e-6 * 63.25e-12)) / 1e6;
        QVERIFY2(std::abs(megahertz - resonanceMHz) < 0.001, qPrintable(crossings.first()));
    }
}

// The title says what was measured: the file, the frequency, Z and the fit's residuals; a
// file's name cannot break the SVG.
void tst_MeasurePlot::captureTitle_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("frequencyMHz"); // 0: estimated
    QTest::addColumn<double>("r");
    QTest::addColumn<double>("x");
    QTest::addColumn<QStringList>("expected"); // texts the title holds
    QTest::addColumn<bool>("estimated");

    QTest::newRow("an inductive load, the frequency given")
        << "antenna.csv" << 10.0 << 34.24 << 14.33
        << QStringList {"antenna.csv", "10 MHz ", "Z = 34.24 + j14.33 \u03a9", "1\u03c3 R ",
               "fit residual CH1 "}
        << false;
    QTest::newRow("a capacitive load, the frequency estimated")
        << "F0000CH1.CSV + F0000CH2.CSV" << 0.0 << 20.0 << -35.0
        << QStringList {"F0000CH1.CSV + F0000CH2.CSV", "10 MHz (estimated)", "Z = 20 - j35 \u03a9"}
        << true;
    QTest::newRow("markup and a control character in the name")
        << "<a&b>\x1b.csv" << 10.0 << 50.0 << 0.0 << QStringList {"<a&b>\\x1b.csv"} << false;
}

void tst_MeasurePlot::captureTitle()
{
    QFETCH(QString, name);
    QFETCH(double, frequencyMHz);
    QFETCH(double, r);
    QFETCH(double, x);
    QFETCH(QStringList, expected);
    QFETCH(bool, estimated);

    const std::optional<CapturePlotInput> input = measured(captureOf({r, x}, 400, 0), frequencyMHz);
    QVERIFY(input);
    const std::optional<SvgContent> svg
        = readSvg(capturePlot(name, input->measurement, input->trace, PictureFormat::Svg));
    QVERIFY(svg);
    const QString title = svg->texts.mid(0, 3).join(QLatin1Char('\n'));
    for (const QString &text : expected) {
        QVERIFY2(title.contains(text), qPrintable(title));
    }
    QCOMPARE(title.contains(QLatin1String("(estimated)")), estimated);
}

// A million samples or points draw as what a panel can show: a picture about the size of
// one of a few thousand.
void tst_MeasurePlot::longRecords_data()
{
    QTest::addColumn<bool>("sweep");
    QTest::newRow("a capture of a million samples") << false;
    QTest::newRow("a sweep of a million points") << true;
}

void tst_MeasurePlot::longRecords()
{
    QFETCH(bool, sweep);
    const auto picture = [&](int count) {
        if (sweep) {
            return sweepPlot(
                {QStringLiteral("long.s1p"), dipoleSweep(12.5, 3.5 / count, count, 50), {}, 50},
                PictureFormat::Svg);
        }
        // A record of 50 ms at 2.5 ns holds too many periods for a fit's frequency to be
        // estimated quickly: the frequency is given.
        const std::optional<CapturePlotInput> input
            = measured(captureOf({34.24, 14.33}, count, 0.3), 10);
        return input ? capturePlot(
                   QStringLiteral("long.csv"), input->measurement, input->trace, PictureFormat::Svg)
                     : QByteArray();
    };
    const QByteArray small = picture(4000);
    const QByteArray large = picture(1000000);
    QVERIFY(!small.isEmpty());
    QVERIFY2(large.size() < 2 * small.size(),
        qPrintable(QStringLiteral("%1 bytes against %2").arg(large.size()).arg(small.size())));
    QVERIFY(readSvg(large));
}

QTEST_MAIN(tst_MeasurePlot)
#include "tst_measureplot.moc"
