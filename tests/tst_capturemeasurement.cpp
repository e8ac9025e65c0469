#include "capture.h"
#include "capturemeasurement.h"

#include <QtTest>

#include <cmath>
#include <random>

namespace {

constexpr double kPi = 3.141592653589793;

// A capture of a reference of `referenceAmplitude` mV and a V_x of `vxAmplitude` mV that
// leads it by `leadDegrees`, at `megahertz`, `samples` samples `interval` seconds apart.
Capture sines(double megahertz, double interval, int samples, double referenceAmplitude,
    double vxAmplitude, double leadDegrees, double noise = 0)
{
    std::mt19937 random(3);
    std::normal_distribution<double> gaussian(0, noise > 0 ? noise : 1);
    const double omega = 2 * kPi * megahertz * 1e6;
    Capture c;
    for (int k = 0; k < samples; ++k) {
        const double t = 1e-7 + k * interval;
        c.time.push_back(t);
        c.reference.push_back(
            referenceAmplitude * std::cos(omega * t) + (noise > 0 ? gaussian(random) : 0));
        c.vx.push_back(vxAmplitude * std::cos(omega * t + leadDegrees * kPi / 180)
            + (noise > 0 ? gaussian(random) : 0));
    }
    return c;
}

} // namespace

class tst_CaptureMeasurement : public QObject
{
    Q_OBJECT

private slots:
    void readings_data();
    void readings();
    void unsoundCaptures_data();
    void unsoundCaptures();
};

// The readings follow the measuring instructions: V_reference is half the reference's
// amplitude, and the delay is positive when V_x leads (an inductive antenna, X > 0).
void tst_CaptureMeasurement::readings_data()
{
    QTest::addColumn<double>("leadDegrees");
    QTest::addColumn<bool>("estimate");
    QTest::addColumn<double>("delay"); // ns
    QTest::addColumn<bool>("inductive");

    // At 10 MHz a period is 100 ns: 36 degrees are 10 ns.
    QTest::newRow("V_x leads, frequency given") << 36.0 << false << 10.0 << true;
    QTest::newRow("V_x lags, frequency given") << -36.0 << false << -10.0 << false;
    QTest::newRow("V_x leads, frequency estimated") << 36.0 << true << 10.0 << true;
    QTest::newRow("V_x lags, frequency estimated") << -36.0 << true << -10.0 << false;
    QTest::newRow("in phase") << 0.0 << false << 0.0 << true;
}

void tst_CaptureMeasurement::readings()
{
    QFETCH(double, leadDegrees);
    QFETCH(bool, estimate);
    QFETCH(double, delay);
    QFETCH(bool, inductive);

    const Capture capture = sines(10, 1e-9, 1000, 64, 27.8, leadDegrees);
    const Result<CaptureMeasurement> measured = measureCapture(capture, estimate ? 0 : 10, 50);
    QVERIFY2(measured, qPrintable(measured.error()));
    const CaptureMeasurement &m = *measured;
    QCOMPARE(m.frequencyEstimated, estimate);
    QVERIFY(std::abs(m.frequencyMHz - 10) < 1e-9);
    QVERIFY(std::abs(m.vReference - 32) < 1e-9);
    QVERIFY(std::abs(m.vx - 27.8) < 1e-9);
    QVERIFY(std::abs(m.delay - delay) < 1e-9);
    QCOMPARE(m.x >= 0, inductive);
    QCOMPARE(m.samples, 1000);
    QVERIFY(m.rSigma < 1e-6 && m.xSigma < 1e-6); // no noise, no spread
}

void tst_CaptureMeasurement::unsoundCaptures_data()
{
    QTest::addColumn<double>("megahertz"); // 0: estimate
    QTest::addColumn<double>("interval"); // seconds
    QTest::addColumn<int>("samples");
    QTest::addColumn<double>("vxAmplitude");
    QTest::addColumn<double>("noise");
    QTest::addColumn<double>("givenMegahertz");
    QTest::addColumn<QString>("message");

    QTest::newRow("too few samples")
        << 10.0 << 1e-9 << 5 << 27.8 << 0.0 << 10.0 << "only 5 samples; at least 8 are needed";
    QTest::newRow("fewer than two periods")
        << 10.0 << 1e-9 << 151 << 27.8 << 0.0 << 10.0
        << "the capture spans 1.5 periods of 10 MHz; at least two are needed";
    QTest::newRow("too few samples a period")
        << 10.0 << 40e-9 << 101 << 27.8 << 0.0 << 10.0
        << "only 2.5 samples per period of 10 MHz; at least 3 are needed";
    QTest::newRow("the wrong frequency given")
        << 10.0 << 1e-9 << 1000 << 27.8 << 0.0 << 7.0
        << "the reference channel is no clean sine of 7 MHz (amplitude ";
    // Constant channels carry no signal, whether the frequency is given or not.
    QTest::newRow("no sine to find")
        << 0.0 << 1e-9 << 1000 << 27.8 << 0.0 << 0.0
        << "the reference shows no signal (every sample is the same): is CH1 on";
    QTest::newRow("V_x drowned in noise")
        << 10.0 << 1e-9 << 1000 << 0.01 << 2.0 << 10.0 << "V_x shows no signal at 10 MHz";
    QTest::newRow("an open circuit: V_x twice V_reference, no delay")
        << 10.0 << 1e-9 << 1000 << 64.0 << 0.0 << 10.0 << "the readings give no finite impedance";
}

void tst_CaptureMeasurement::unsoundCaptures()
{
    QFETCH(double, megahertz);
    QFETCH(double, interval);
    QFETCH(int, samples);
    QFETCH(double, vxAmplitude);
    QFETCH(double, noise);
    QFETCH(double, givenMegahertz);
    QFETCH(QString, message);

    // With megahertz 0 both channels are constant.
    Capture capture
        = sines(megahertz, interval, samples, megahertz > 0 ? 64 : 0, vxAmplitude, 0, noise);
    const Result<CaptureMeasurement> measured = measureCapture(capture, givenMegahertz, 50);
    QVERIFY(!measured);
    QVERIFY2(measured.error().startsWith(message), qPrintable(measured.error()));
}

QTEST_GUILESS_MAIN(tst_CaptureMeasurement)
#include "tst_capturemeasurement.moc"
