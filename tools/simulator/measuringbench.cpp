#include "measuringbench.h"

#include "ngspice.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kSettlingTimeConstants = 16; // e^-16 ≈ 1e-7 of the transient is left
constexpr int kMinimumSettlingPeriods = 5;

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

bool simulateBench(const MeasuringBench &bench, int periods, int samplesPerPeriod,
    ScopeCapture *capture, QString *error)
{
    const double period = 1 / bench.frequencyHz;
    const double settling
        = std::max(kSettlingTimeConstants * timeConstant(bench), kMinimumSettlingPeriods * period);
    const double start = std::ceil(settling / period) * period;
    const double stop = start + periods * period;
    const double step = period / samplesPerPeriod;

    const QString elements = QStringLiteral("Vgen gen 0 SIN(0 %1 %2)\n")
                                 .arg(number(bench.amplitude), number(bench.frequencyHz))
        + QStringLiteral("Rgen gen ch1 %1\n").arg(number(bench.generatorResistance))
        + QStringLiteral("Rz0 ch1 ch2 %1\n").arg(number(bench.sourceImpedance))
        + seriesLoadElements(QStringLiteral("ant"), QStringLiteral("ch2"), bench.loadResistance,
            bench.loadReactance, bench.frequencyHz);
    // The largest internal step equals the output step, so that ngspice computes every
    // sample rather than interpolating between wider steps.
    const QString analysis
        = QStringLiteral("tran %1 %2 %3 %1").arg(number(step), number(stop), number(start));

    SpiceTable table;
    if (!runNgspice(elements, analysis, {QStringLiteral("v(ch1)"), QStringLiteral("v(ch2)")},
            &table, error)) {
        return false;
    }
    capture->time.clear();
    capture->ch1.clear();
    capture->ch2.clear();
    for (const QVector<double> &row : table) {
        capture->time.append(row[0]);
        capture->ch1.append(row[1]);
        capture->ch2.append(row[2]);
    }
    return true;
}
