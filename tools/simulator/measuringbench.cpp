#include "measuringbench.h"

#include "ngspice.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kSettlingTimeConstants = 16; // e^-16 ≈ 1e-7 of the transient is left
constexpr int kMinimumSettlingPeriods = 5;
constexpr double kHeadroom = 1.05; // a trace fills at most 1/1.05 of the screen's height

QString number(double value)
{
    return QString::number(value, 'g', 17);
}

// The time constant of the loop generator – Z0 – antenna: L / R_loop for a coil, R_loop·C
// for a capacitor, in seconds.
double timeConstant(const MeasuringBench &bench)
{
    const double omega = 2 * kPi * bench.frequencyHz;
    const double loopResistance
        = bench.generatorResistance + bench.sourceImpedance + bench.loadResistance;
    if (bench.loadReactance > 0) {
        return bench.loadReactance / omega / loopResistance;
    }
    if (bench.loadReactance < 0) {
        return loopResistance / (omega * -bench.loadReactance);
    }
    return 0;
}

} // namespace

QString seriesLoadElements(const QString &name, const QString &node, double resistance,
    double reactance, double frequencyHz)
{
    const double omega = 2 * kPi * frequencyHz;
    const QString inner = name + QStringLiteral("_x");
    QString lines
        = QStringLiteral("R%1 %2 %3 %4\n")
              .arg(name, node, reactance == 0 ? QStringLiteral("0") : inner, number(resistance));
    if (reactance > 0) {
        lines += QStringLiteral("L%1 %2 0 %3\n").arg(name, inner, number(reactance / omega));
    } else if (reactance < 0) {
        lines += QStringLiteral("C%1 %2 0 %3\n").arg(name, inner, number(1 / (omega * -reactance)));
    }
    return lines;
}

bool simulateBench(const MeasuringBench &bench, double sampleInterval, int samples,
    ScopeCapture *capture, QString *error)
{
    const double period = 1 / bench.frequencyHz;
    const double settling
        = std::max(kSettlingTimeConstants * timeConstant(bench), kMinimumSettlingPeriods * period);
    const double start = std::ceil(settling / period) * period;
    const double stop = start + (samples + 0.5) * sampleInterval;
    const double largestStep = std::min(sampleInterval, period / bench.stepsPerPeriod);

    // With samples farther apart than the simulator's own steps, ngspice interpolates its
    // output to the sample times; otherwise every sample is a computed step.
    const QString elements = QString(largestStep < sampleInterval ? ".options interp\n" : "")
        + QStringLiteral("Vgen gen 0 SIN(0 %1 %2)\n")
              .arg(number(bench.amplitude), number(bench.frequencyHz))
        + QStringLiteral("Rgen gen ch1 %1\n").arg(number(bench.generatorResistance))
        + QStringLiteral("Rz0 ch1 ch2 %1\n").arg(number(bench.sourceImpedance))
        + seriesLoadElements(QStringLiteral("ant"), QStringLiteral("ch2"), bench.loadResistance,
            bench.loadReactance, bench.frequencyHz);
    const QString analysis
        = QStringLiteral("tran %1 %2 %3 %4")
              .arg(number(sampleInterval), number(stop), number(start), number(largestStep));

    SpiceTable table;
    if (!runNgspice(elements, analysis, {QStringLiteral("v(ch1)"), QStringLiteral("v(ch2)")},
            &table, error)) {
        return false;
    }
    if (table.size() < samples) {
        *error
            = QStringLiteral("ngspice gave %1 samples, expected %2").arg(table.size()).arg(samples);
        return false;
    }
    capture->time.clear();
    capture->ch1.clear();
    capture->ch2.clear();
    for (int k = 0; k < samples; ++k) {
        capture->time.append(table[k][0]);
        capture->ch1.append(table[k][1]);
        capture->ch2.append(table[k][2]);
    }
    return true;
}

ScopeCapture digitise(const ScopeCapture &analog, const ScopeSettings &settings)
{
    std::mt19937 random(settings.seed);
    std::normal_distribution<double> noise(0, settings.noiseLsb);
    const double codes = std::ldexp(1.0, settings.bits);
    const auto convert = [&](const QVector<double> &volts) {
        double peak = 0;
        for (const double v : volts) {
            peak = std::max(peak, std::abs(v));
        }
        // The smallest of 1, 2, 5 × 10^k volts per division that holds the peak within the
        // four divisions above and below the middle, with a little room.
        double perDivision = std::pow(10.0, std::floor(std::log10(peak * kHeadroom / 4)));
        for (const double step : {1.0, 2.0, 5.0, 10.0}) {
            if (step * perDivision * 4 >= peak * kHeadroom) {
                perDivision *= step;
                break;
            }
        }
        const double lsb = 8 * perDivision / codes;
        QVector<double> out;
        out.reserve(volts.size());
        for (const double v : volts) {
            const double code = std::round(v / lsb + noise(random));
            out.append(std::clamp(code, -codes / 2, codes / 2 - 1) * lsb);
        }
        return out;
    };
    ScopeCapture digital;
    digital.time = analog.time;
    digital.ch1 = convert(analog.ch1);
    digital.ch2 = convert(analog.ch2);
    return digital;
}

QByteArray captureCsv(const ScopeCapture &capture, CsvLayout layout)
{
    QByteArray csv;
    csv.reserve(capture.time.size() * 40);
    const double interval = capture.time.size() > 1 ? capture.time[1] - capture.time[0] : 0;
    if (layout == CsvLayout::IntervalHeader) {
        csv += "Zalvimo simulated capture\n";
        csv += "Start," + QByteArray::number(capture.time.value(0), 'g', 12) + '\n';
        csv += "Sample Interval," + QByteArray::number(interval, 'g', 12) + '\n';
        csv += "CH1 (V),CH2 (V)\n";
    } else {
        csv += "Time (s),CH1 (V),CH2 (V)\n";
    }
    for (int k = 0; k < capture.time.size(); ++k) {
        if (layout == CsvLayout::TimeColumn) {
            csv += QByteArray::number(capture.time[k], 'g', 12) + ',';
        }
        csv += QByteArray::number(capture.ch1[k], 'g', 6) + ',';
        csv += QByteArray::number(capture.ch2[k], 'g', 6) + '\n';
    }
    return csv;
}
