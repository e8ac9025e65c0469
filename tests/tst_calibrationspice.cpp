// The calibration on a fixture simulated by ngspice: a probe of 12 pF at the CH2 point, a lead
// of 15 nH from there to the antenna, CH2 0.5 ns late and 3 % high, and a Z0 resistor of
// 51 ohms where the user types 50. An 8-bit oscilloscope with noise digitises each capture,
// the sine fits give the ratio CH2/CH1 and its spread. Uncorrected, the fixture puts the
// impedance several per cent off; calibrated by an open, a short and a 50-ohm load at the
// antenna's terminals, every load comes within 0.5 % and within three sigma; a calibration
// at three frequencies serves the frequencies between them within 1 %.

#include "calibration.h"
#include "measuringbench.h"
#include "sinefit.h"
#include "units.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QtTest>

#include <cmath>
#include <complex>

namespace {

using Complex = std::complex<double>;

constexpr double kTypedZ0 = 50;
constexpr double kFixtureZ0 = 51; // ohms: the resistor as it is
constexpr double kProbeCapacitance = 12e-12; // F
constexpr double kLeadInductance = 15e-9; // H
constexpr double kSkew = 0.5e-9; // s
constexpr double kGain = 1.03;
// The simulator's steps a period, the oscilloscope's samples a period and in a capture (a
// record length that many oscilloscopes offer; the 300 - j200 load needs that many of 8 bits
// to come within 0.5 % at three sigma).
constexpr int kStepsPerPeriod = 256;
constexpr int kSamplesPerPeriod = 128;
constexpr int kSamples = 100000;
constexpr double kUncalibratedAtLeast = 0.02; // relative error the fixture must cause
constexpr double kCalibratedTolerance = 0.005;
constexpr double kInterpolatedTolerance = 0.01;
// The trapezoidal rule at 128 steps a period turns each reactance by (ωh)²/12 ≈ 2e-4: an
// error beside the noise that no sigma holds.
constexpr double kSimulatorError = 2e-4;
constexpr double kSigmas = 3;

const Complex kLoads[] = {{50, 0}, {42, -27}, {150, 80}, {300, -200}, {20, 90}, {12, -60}};

MeasuringBench fixture(double hertz)
{
    MeasuringBench bench;
    bench.sourceImpedance = kFixtureZ0;
    bench.frequencyHz = hertz;
    bench.probeCapacitance = kProbeCapacitance;
    bench.leadInductance = kLeadInductance;
    bench.ch2Delay = kSkew;
    bench.ch2Gain = kGain;
    bench.stepsPerPeriod = kStepsPerPeriod;
    return bench;
}

MeasuringBench withStandard(MeasuringBench bench, MeasuringBench::Load load)
{
    bench.load = load;
    bench.loadResistance = 50;
    bench.loadReactance = 0;
    return bench;
}

MeasuringBench withAntenna(MeasuringBench bench, Complex z)
{
    bench.loadResistance = z.real();
    bench.loadReactance = z.imag();
    return bench;
}

// The ratio CH2/CH1 of a simulated, digitised capture, from a sine fit of each channel at
// the generator's frequency. ngspice computes one period of the settled circuit, and the
// capture repeats it: in the steady state every period is the same, and the oscilloscope's
// noise is drawn anew for every sample.
Result<MeasuredRatio> measure(const MeasuringBench &bench, unsigned seed)
{
    const double interval = 1 / (bench.frequencyHz * kSamplesPerPeriod);
    ScopeCapture period;
    QString error;
    if (!simulateBench(bench, interval, kSamplesPerPeriod, &period, &error)) {
        return Failure {error};
    }
    ScopeCapture analog;
    for (int k = 0; k < kSamples; ++k) {
        analog.time.append(period.time.front() + k * interval);
        analog.ch1.append(period.ch1[k % kSamplesPerPeriod]);
        analog.ch2.append(period.ch2[k % kSamplesPerPeriod]);
    }
    ScopeSettings settings;
    settings.seed = seed;
    const ScopeCapture digital = digitise(analog, settings);
    const std::vector<double> time(digital.time.begin(), digital.time.end());
    const SineBasis basis
        = sineBasis(time, angularFrequency(bench.frequencyHz), (time.front() + time.back()) / 2);
    const auto fit = [&](const QVector<double> &channel) {
        const std::vector<double> values(channel.begin(), channel.end());
        return fitSine(basis, values, converterStep(values) / std::sqrt(12.0));
    };
    return ratioOfFits(fit(digital.ch1), fit(digital.ch2));
}

// The terms at a frequency from the fixture's open, short and load.
Result<StandardReading> standardAt(double hertz, MeasuringBench::Load load, unsigned seed)
{
    const Result<MeasuredRatio> ratio = measure(withStandard(fixture(hertz), load), seed);
    if (!ratio) {
        return ratio.failure();
    }
    return StandardReading {hertz, *ratio, QString()};
}

Result<Calibration> calibrate(const std::vector<double> &frequencies, unsigned seed)
{
    std::vector<StandardReading> opens, shorts, loads;
    for (const double hertz : frequencies) {
        for (auto [list, load] : {std::pair(&opens, MeasuringBench::Load::Open),
                 std::pair(&shorts, MeasuringBench::Load::Short),
                 std::pair(&loads, MeasuringBench::Load::Antenna)}) {
            const Result<StandardReading> reading = standardAt(hertz, load, seed++);
            if (!reading) {
                return reading.failure();
            }
            list->push_back(*reading);
        }
    }
    return buildCalibration(
        opens, shorts, loads, StandardDefinitions(), kTypedZ0, QDateTime::currentDateTimeUtc());
}

// What the fixture should read for a load: the probe's capacitance across the lead and the
// load, divided against the Z0 resistor, CH2 the gain times larger and the skew late.
Complex fixtureRatio(double hertz, Complex load)
{
    const double omega = angularFrequency(hertz);
    const Complex probe(0, -1 / (omega * kProbeCapacitance));
    const Complex beyond = Complex(0, omega * kLeadInductance) + load;
    const Complex point = probe * beyond / (probe + beyond);
    return kGain * std::polar(1.0, -omega * kSkew) * point / (kFixtureZ0 + point);
}

double relativeError(Complex z, Complex truth)
{
    return std::abs(z - truth) / std::abs(truth);
}

} // namespace

class tst_CalibrationSpice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void calibratedLoads_data();
    void calibratedLoads();
    void calibratedBetweenFrequencies();
};

void tst_CalibrationSpice::initTestCase()
{
    const QString program = qEnvironmentVariable("ZALVIMO_NGSPICE", QStringLiteral("ngspice"));
    const bool found = QFileInfo(program).isAbsolute()
        ? QFileInfo(program).isExecutable()
        : !QStandardPaths::findExecutable(program).isEmpty();
    if (!found) {
        QSKIP(qPrintable(QStringLiteral("no %1 (Debian package ngspice)").arg(program)));
    }
    qInfo("load            MHz    uncalibrated          error    calibrated            error    "
          "1 sigma R, X");
}

void tst_CalibrationSpice::calibratedLoads_data()
{
    QTest::addColumn<double>("megahertz");
    QTest::newRow("80 m") << 3.6;
    QTest::newRow("20 m") << 14.2;
    QTest::newRow("10 m") << 28.5;
}

void tst_CalibrationSpice::calibratedLoads()
{
    QFETCH(double, megahertz);
    const double hertz = megahertz * kHertzPerMegahertz;
    const unsigned seed = unsigned(megahertz * 10);
    const Result<Calibration> calibration = calibrate({hertz}, seed);
    QVERIFY2(calibration, qPrintable(calibration.error()));
    const ErrorTerms terms = calibration->points.front().terms;

    unsigned loadSeed = seed + 100;
    for (const Complex load : kLoads) {
        const Result<MeasuredRatio> g = measure(withAntenna(fixture(hertz), load), loadSeed++);
        QVERIFY2(g, qPrintable(g.error()));
        // The simulated fixture is the one described (within five sigma of the reading).
        const Complex expected = fixtureRatio(hertz, load);
        const double gSigma = std::abs(g->value)
            * std::sqrt(
                g->logMagnitudeVariance + g->phaseVariance + kSimulatorError * kSimulatorError);
        QVERIFY2(std::abs(g->value - expected) <= 5 * gSigma,
            qPrintable(QStringLiteral("the reading lies %1 from the fixture's %2 (1 sigma %3)")
                           .arg(std::abs(g->value - expected))
                           .arg(std::abs(expected))
                           .arg(gSigma)));
        const Complex raw = kTypedZ0 * g->value / (1.0 - g->value);
        const Result<Corrected> corrected = correct(terms, *g, kTypedZ0);
        QVERIFY2(corrected, qPrintable(corrected.error()));
        const Complex z = corrected->z;
        qInfo("%6.0f%+5.0fj  %5.1f  %7.2f%+8.2fj  %6.2f %%  %7.3f%+8.3fj  %6.3f %%  %.3f, %.3f",
            load.real(), load.imag(), megahertz, raw.real(), raw.imag(),
            100 * relativeError(raw, load), z.real(), z.imag(), 100 * relativeError(z, load),
            corrected->rSigma, corrected->xSigma);
        QVERIFY2(relativeError(raw, load) > kUncalibratedAtLeast,
            qPrintable(
                QStringLiteral("the fixture does not bite: %1").arg(relativeError(raw, load))));
        QVERIFY2(relativeError(z, load) < kCalibratedTolerance,
            qPrintable(QString::number(relativeError(z, load))));
        const double floor = kSimulatorError * std::abs(load);
        QVERIFY2(std::abs(z.real() - load.real()) <= kSigmas * std::max(corrected->rSigma, floor)
                && std::abs(z.imag() - load.imag()) <= kSigmas * std::max(corrected->xSigma, floor),
            qPrintable(QStringLiteral("R off by %1 (1 sigma %2), X by %3 (1 sigma %4)")
                           .arg(z.real() - load.real())
                           .arg(corrected->rSigma)
                           .arg(z.imag() - load.imag())
                           .arg(corrected->xSigma)));
    }
}

// Calibrated at 13.9, 14.2 and 14.5 MHz, loads measured at 14.05 and 14.35 MHz are
// corrected by the interpolated terms.
void tst_CalibrationSpice::calibratedBetweenFrequencies()
{
    const Result<Calibration> calibration = calibrate({13.9e6, 14.2e6, 14.5e6}, 500);
    QVERIFY2(calibration, qPrintable(calibration.error()));
    unsigned seed = 600;
    for (const double megahertz : {14.05, 14.35}) {
        const double hertz = megahertz * kHertzPerMegahertz;
        const Result<ErrorTerms> terms = termsAt(*calibration, hertz);
        QVERIFY2(terms, qPrintable(terms.error()));
        for (const Complex load : {kLoads[1], kLoads[3], kLoads[4]}) {
            const Result<MeasuredRatio> g = measure(withAntenna(fixture(hertz), load), seed++);
            QVERIFY2(g, qPrintable(g.error()));
            const Result<Corrected> corrected = correct(*terms, *g, kTypedZ0);
            QVERIFY2(corrected, qPrintable(corrected.error()));
            const Complex z = corrected->z;
            qInfo("%6.0f%+5.0fj  %5.2f  interpolated:  %7.3f%+8.3fj  %6.3f %%", load.real(),
                load.imag(), megahertz, z.real(), z.imag(), 100 * relativeError(z, load));
            QVERIFY2(relativeError(z, load) < kInterpolatedTolerance,
                qPrintable(QString::number(relativeError(z, load))));
        }
    }
}

QTEST_GUILESS_MAIN(tst_CalibrationSpice)
#include "tst_calibrationspice.moc"
