// zalvimo-measure against the circuit simulator: ngspice runs the measuring setup, an 8-bit
// oscilloscope with noise digitises the probes and writes a CSV capture, and the readings
// that the sine fit takes from it must give the simulated antenna's impedance within 0.5 %.

#include "capture.h"
#include "capturemeasurement.h"
#include "capturereader.h"
#include "measuringbench.h"
#include "ngspice.h"

#include <QtTest>

#include <complex>

namespace {

constexpr double kTolerance = 0.005; // relative to |Z|
constexpr int kSamples = 20000; // a record length that most oscilloscopes save

} // namespace

class tst_MeasureAccuracy : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void simulatedCaptures_data();
    void simulatedCaptures();
};

void tst_MeasureAccuracy::initTestCase()
{
    if (!ngspiceAvailable()) {
        QSKIP("ngspice is not installed (apt-get install ngspice)");
    }
}

void tst_MeasureAccuracy::simulatedCaptures_data()
{
    QTest::addColumn<double>("source");
    QTest::addColumn<double>("megahertz");
    QTest::addColumn<double>("r");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("interval"); // ns between samples
    QTest::addColumn<bool>("intervalHeader"); // no time column

    QTest::newRow("A: 3 + j120, 160 m") << 50.0 << 1.85 << 3.0 << 120.0 << 4.0 << false;
    QTest::newRow("B: 34.2 + j14.3, 17 m") << 50.0 << 18.13 << 34.24 << 14.33 << 1.0 << true;
    QTest::newRow("C: 50 - j30 on 75 ohm, 6 m") << 75.0 << 50.1 << 50.0 << -30.0 << 0.5 << false;
    QTest::newRow("D: 20 - j30, 40 m") << 50.0 << 7.1 << 20.0 << -30.0 << 2.0 << true;
    QTest::newRow("E: 500 + j250, 160 m") << 50.0 << 1.85 << 500.0 << 250.0 << 4.0 << false;
    QTest::newRow("E: 100 + j50, 30 m") << 50.0 << 10.1 << 100.0 << 50.0 << 1.0 << true;
    QTest::newRow("F: 120 - j75 on 75 ohm, 10 m") << 75.0 << 28.5 << 120.0 << -75.0 << 1.0 << false;
    QTest::newRow("F: 300 - j400, 6 m") << 50.0 << 54.0 << 300.0 << -400.0 << 0.5 << true;
}

void tst_MeasureAccuracy::simulatedCaptures()
{
    QFETCH(double, source);
    QFETCH(double, megahertz);
    QFETCH(double, r);
    QFETCH(double, x);
    QFETCH(double, interval);
    QFETCH(bool, intervalHeader);
    const std::complex<double> load(r, x);

    MeasuringBench bench;
    bench.sourceImpedance = source;
    bench.frequencyHz = megahertz * 1e6;
    bench.amplitude = 0.2;
    bench.loadResistance = r;
    bench.loadReactance = x;
    bench.stepsPerPeriod = 200;
    ScopeCapture analog;
    QString error;
    QVERIFY2(simulateBench(bench, interval * 1e-9, kSamples, &analog, &error), qPrintable(error));
    const QByteArray csv = captureCsv(digitise(analog, ScopeSettings()),
        intervalHeader ? CsvLayout::IntervalHeader : CsvLayout::TimeColumn);

    const Result<Capture> capture = readCapture(csv, QStringLiteral("simulated.csv"), {});
    QVERIFY2(capture, qPrintable(capture.error()));
    for (const double given : {megahertz, 0.0}) {
        const Result<CaptureMeasurement> measured = measureCapture(*capture, given, source);
        QVERIFY2(measured, qPrintable(measured.error()));
        const CaptureMeasurement &m = *measured;
        const double zError = std::abs(std::complex<double>(m.r, m.x) - load) / std::abs(load);
        qInfo("%s, frequency %s: Z %.5g %+.5gj, error %.2e, 1 sigma R %.2g X %.2g",
            QTest::currentDataTag(), given > 0 ? "given" : "estimated", m.r, m.x, zError, m.rSigma,
            m.xSigma);
        QVERIFY2(zError < kTolerance, qPrintable(QString::number(zError)));
        // The predicted spread is of the right size: the error lies within five of it.
        QVERIFY(std::abs(m.r - r) < 5 * m.rSigma && std::abs(m.x - x) < 5 * m.xSigma);
    }
}

QTEST_GUILESS_MAIN(tst_MeasureAccuracy)
#include "tst_measureaccuracy.moc"
