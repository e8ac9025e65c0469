#include "sinefit.h"

#include <QtTest>

#include <cmath>
#include <random>

namespace {

constexpr double kPi = 3.141592653589793;

struct Samples
{
    std::vector<double> time;
    std::vector<double> first;
    std::vector<double> second;
};

// Two sines of one frequency, the second leading the first by `lead` radians, sampled
// `samplesPerPeriod` times a period from a start that is no whole period, with Gaussian
// noise of `noise` RMS.
Samples sines(double frequencyHz, double samplesPerPeriod, double periods, double amplitude,
    double phase, double offset, double lead, double noise, unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> gaussian(0, noise > 0 ? noise : 1);
    const double interval = 1 / (frequencyHz * samplesPerPeriod);
    const int count = int(periods * samplesPerPeriod);
    const double start = 0.37 / frequencyHz;
    Samples s;
    for (int k = 0; k < count; ++k) {
        const double t = start + k * interval;
        const double angle = 2 * kPi * frequencyHz * t + phase;
        s.time.push_back(t);
        s.first.push_back(
            amplitude * std::cos(angle) + offset + (noise > 0 ? gaussian(random) : 0));
        s.second.push_back(
            0.5 * amplitude * std::cos(angle + lead) - offset + (noise > 0 ? gaussian(random) : 0));
    }
    return s;
}

} // namespace

class tst_SineFit : public QObject
{
    Q_OBJECT

private slots:
    void noiselessSineIsExact_data();
    void noiselessSineIsExact();
    void sigmaPredictsTheScatter();
    void frequencyEstimate_data();
    void frequencyEstimate();
    void noFrequencyWithoutASine_data();
    void noFrequencyWithoutASine();
};

void tst_SineFit::noiselessSineIsExact_data()
{
    QTest::addColumn<double>("samplesPerPeriod");
    QTest::addColumn<double>("periods");
    QTest::addColumn<double>("phase");
    QTest::addColumn<double>("offset");

    QTest::newRow("many samples, many periods") << 100.0 << 20.0 << 0.3 << 0.0;
    QTest::newRow("3.3 samples a period") << 3.3 << 50.0 << -2.0 << 5.0;
    QTest::newRow("two and a third periods") << 64.0 << 2.34 << 3.0 << -40.0;
    QTest::newRow("phase near -pi") << 40.0 << 10.0 << -3.1 << 0.0;
}

void tst_SineFit::noiselessSineIsExact()
{
    QFETCH(double, samplesPerPeriod);
    QFETCH(double, periods);
    QFETCH(double, phase);
    QFETCH(double, offset);

    const double frequency = 14.2e6;
    const Samples s = sines(frequency, samplesPerPeriod, periods, 80, phase, offset, 0.5, 0, 1);
    // Phases refer to the origin: take it at t = 0, where the sines have the given phase.
    const SineBasis basis = sineBasis(s.time, 2 * kPi * frequency, 0);
    QVERIFY(basis.valid);
    const SineFit first = fitSine(basis, s.first);
    const SineFit second = fitSine(basis, s.second);
    QVERIFY(std::abs(first.amplitude - 80) < 1e-9);
    QVERIFY(std::abs(first.phase - phase) < 1e-11);
    QVERIFY(std::abs(first.offset - offset) < 1e-9);
    QVERIFY(first.residualRms < 1e-9);
    QVERIFY(std::abs(second.amplitude - 40) < 1e-9);
    // The second sine leads: its phase is the larger, by the lead.
    QVERIFY(std::abs(std::remainder(second.phase - first.phase - 0.5, 2 * kPi)) < 1e-11);
}

// Over many noisy captures the fitted amplitudes and phases scatter as the fit predicts.
void tst_SineFit::sigmaPredictsTheScatter()
{
    const double frequency = 7.1e6;
    const int runs = 300;
    double amplitudeSquares = 0;
    double phaseSquares = 0;
    double predictedAmplitude = 0;
    double predictedPhase = 0;
    for (int run = 0; run < runs; ++run) {
        const Samples s = sines(frequency, 37, 12, 50, 1.0, 2.0, 0, 3.0, unsigned(run + 1));
        const SineFit fit = fitSine(sineBasis(s.time, 2 * kPi * frequency, 0), s.first);
        amplitudeSquares += std::pow(fit.amplitude - 50, 2);
        phaseSquares += std::pow(fit.phase - 1.0, 2);
        predictedAmplitude += fit.amplitudeSigma;
        predictedPhase += fit.phaseSigma;
    }
    const double amplitudeRatio = std::sqrt(amplitudeSquares / runs) / (predictedAmplitude / runs);
    const double phaseRatio = std::sqrt(phaseSquares / runs) / (predictedPhase / runs);
    QVERIFY2(amplitudeRatio > 0.85 && amplitudeRatio < 1.15,
        qPrintable(QString::number(amplitudeRatio)));
    QVERIFY2(phaseRatio > 0.85 && phaseRatio < 1.15, qPrintable(QString::number(phaseRatio)));
}

void tst_SineFit::frequencyEstimate_data()
{
    QTest::addColumn<double>("frequency"); // Hz
    QTest::addColumn<double>("samplesPerPeriod");
    QTest::addColumn<double>("periods");
    QTest::addColumn<double>("noise"); // of an amplitude of 100
    QTest::addColumn<double>("tolerance"); // relative

    QTest::newRow("160 m, clean") << 1.85e6 << 500.0 << 3.0 << 0.0 << 1e-9;
    QTest::newRow("20 m, 8-bit-like noise") << 14.2e6 << 70.4 << 35.2 << 0.8 << 1e-5;
    QTest::newRow("6 m, few samples a period") << 50.1e6 << 4.7 << 40.0 << 0.5 << 1e-5;
    QTest::newRow("2.2 periods, noisy") << 7.1e6 << 200.0 << 2.2 << 3.0 << 1e-3;
}

void tst_SineFit::frequencyEstimate()
{
    QFETCH(double, frequency);
    QFETCH(double, samplesPerPeriod);
    QFETCH(double, periods);
    QFETCH(double, noise);
    QFETCH(double, tolerance);

    const Samples s = sines(frequency, samplesPerPeriod, periods, 100, 0.4, 10, -0.7, noise, 7);
    double estimate = 0;
    QVERIFY(estimateFrequency(s.time, s.first, s.second, &estimate));
    QVERIFY2(std::abs(estimate / frequency - 1) < tolerance, qPrintable(QString::number(estimate)));
}

void tst_SineFit::noFrequencyWithoutASine_data()
{
    QTest::addColumn<QVector<double>>("values");
    QTest::newRow("constant") << QVector<double>(100, 3.0);
    QTest::newRow("one step") << (QVector<double>(50, -1.0) + QVector<double>(50, 1.0));
    QVector<double> onePeriod;
    for (int k = 0; k < 100; ++k) {
        onePeriod.append(std::sin(2 * kPi * k / 110.0));
    }
    QTest::newRow("less than one period") << onePeriod;
}

void tst_SineFit::noFrequencyWithoutASine()
{
    QFETCH(QVector<double>, values);
    const std::vector<double> samples(values.begin(), values.end());
    std::vector<double> time;
    for (int k = 0; k < values.size(); ++k) {
        time.push_back(k * 1e-9);
    }
    double estimate = 0;
    QVERIFY(!estimateFrequency(time, samples, samples, &estimate));
}

QTEST_GUILESS_MAIN(tst_SineFit)
#include "tst_sinefit.moc"
