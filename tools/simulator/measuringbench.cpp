#include "measuringbench.h"
#include "units.h"

#include "ngspice.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

constexpr int kSettlingTimeConstants = 16; // e^-16 ≈ 1e-7 of the transient is left
constexpr int kMinimumSettlingPeriods = 5;
constexpr double kHeadroom = 1.05; // a trace fills at most 1/1.05 of the screen's height

QString number(double value)
{
    return QString::number(value, 'g', 17);
}

// The time constant of the loop generator – Z0 – antenna: L / R_loop for a coil, R_loop·C
// for a capacitor, in seconds. A fixture's parasitics and the standards add their own: the
// capacitances charged through the generator and Z0, the coils of the lead and the short
// discharged through them, twice for the ringing of a coil with a capacitor.
double timeConstant(const MeasuringBench &bench)
{
    const double omega = 2 * kPi * bench.frequencyHz;
    const double feed = bench.generatorResistance + bench.sourceImpedance;
    double fixture = 2 * feed * (bench.probeCapacitance + bench.openCapacitance)
        + 2 * (bench.leadInductance + bench.shortInductance) / feed;
    if (bench.load != MeasuringBench::Load::Antenna) {
        return fixture;
    }
    const double loopResistance = feed + bench.loadResistance;
    if (bench.loadReactance > 0) {
        return std::max(fixture, bench.loadReactance / omega / loopResistance);
    }
    if (bench.loadReactance < 0) {
        return std::max(fixture, loopResistance / (omega * -bench.loadReactance));
    }
    return fixture;
}

// What sits at the antenna's terminal `node`, as element lines to ground; `suffix` ends
// every name.
QString terminalElements(const MeasuringBench &bench, const QString &node, const QString &suffix)
{
    switch (bench.load) {
    case MeasuringBench::Load::Open:
        return bench.openCapacitance > 0
            ? QStringLiteral("Copen%1 %2 0 %3\n").arg(suffix, node, number(bench.openCapacitance))
            : QString();
    case MeasuringBench::Load::Short:
        // A source of 0 V is ngspice's wire.
        return bench.shortInductance > 0
            ? QStringLiteral("Lshort%1 %2 0 %3\n").arg(suffix, node, number(bench.shortInductance))
            : QStringLiteral("Vshort%1 %2 0 0\n").arg(suffix, node);
    case MeasuringBench::Load::Antenna:
        break;
    }
    return seriesLoadElements(QStringLiteral("ant") + suffix, node, bench.loadResistance,
        bench.loadReactance, bench.frequencyHz);
}

// The bench as element lines, every node and name ending in `suffix`. `generator` is the
// source's waveform: "SIN(0 1 14.2e6)".
QString circuitElements(
    const MeasuringBench &bench, const QString &suffix, const QString &generator)
{
    QString lines = QStringLiteral("Vgen%1 gen%1 0 %2\n").arg(suffix, generator)
        + QStringLiteral("Rgen%1 gen%1 ch1%1 %2\n").arg(suffix, number(bench.generatorResistance))
        + QStringLiteral("Rz0%1 ch1%1 ch2%1 %2\n").arg(suffix, number(bench.sourceImpedance));
    if (bench.probeCapacitance > 0) {
        lines
            += QStringLiteral("Cprobe%1 ch2%1 0 %2\n").arg(suffix, number(bench.probeCapacitance));
    }
    QString terminal = QStringLiteral("ch2") + suffix;
    if (bench.leadInductance > 0) {
        terminal = QStringLiteral("term") + suffix;
        lines += QStringLiteral("Llead%1 ch2%1 %2 %3\n")
                     .arg(suffix, terminal, number(bench.leadInductance));
    }
    return lines + terminalElements(bench, terminal, suffix);
}

// The circuit and the node that CH2's converter samples. With a skew or a gain mismatch,
// CH2 samples a copy of the circuit whose generator is the channel's gain times larger and
// the skew late: the circuit is linear, so once it has settled the copy's CH2 point is
// exactly gain · v_ch2(t − skew).
QString elementsAndSampledNode(const MeasuringBench &bench, QString *sampledNode)
{
    const QString amplitude = number(bench.amplitude);
    const QString frequency = number(bench.frequencyHz);
    QString elements = circuitElements(
        bench, QString(), QStringLiteral("SIN(0 %1 %2)").arg(amplitude, frequency));
    *sampledNode = QStringLiteral("ch2");
    if (bench.ch2Gain != 1 || bench.ch2Delay != 0) {
        const QString suffix = QStringLiteral("_late");
        // SIN(offset amplitude frequency delay damping phase), the phase in degrees.
        const double phase = -360 * bench.frequencyHz * bench.ch2Delay;
        elements += circuitElements(bench, suffix,
            QStringLiteral("SIN(0 %1 %2 0 0 %3)")
                .arg(number(bench.amplitude * bench.ch2Gain), frequency, number(phase)));
        *sampledNode += suffix;
    }
    return elements;
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
    QString sampledNode;
    const QString elements = QString(largestStep < sampleInterval ? ".options interp\n" : "")
        + elementsAndSampledNode(bench, &sampledNode);
    const QString analysis
        = QStringLiteral("tran %1 %2 %3 %4")
              .arg(number(sampleInterval), number(stop), number(start), number(largestStep));

    SpiceTable table;
    if (!runNgspice(elements, analysis,
            {QStringLiteral("v(ch1)"), QStringLiteral("v(%1)").arg(sampledNode)}, &table, error)) {
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
