#ifndef MEASURINGBENCH_H
#define MEASURINGBENCH_H

#include <QString>
#include <QVector>

// The measuring setup as the picture "Measuring setup" draws it, as a circuit: a generator
// with its own output resistance; the CH1 probe point at the generator's terminal; the
// series resistor Z0; the CH2 probe point; the antenna from there to the ground rail.
struct MeasuringBench
{
    double sourceImpedance = 50; // Z0, ohms
    double generatorResistance = 50; // the generator's own output resistance, ohms
    double frequencyHz = 14.2e6;
    double amplitude = 1; // the generator's open-circuit amplitude, volts
    double loadResistance = 50; // R of the antenna, ohms
    double loadReactance = 0; // X of the antenna at frequencyHz, ohms
};

// The two probe voltages sampled at equal steps, as a digital oscilloscope captures them.
struct ScopeCapture
{
    QVector<double> time; // seconds
    QVector<double> ch1; // volts at the generator's terminal
    QVector<double> ch2; // volts across the antenna
};

// An impedance R + jX at one frequency as element lines from `node` to ground: a resistor
// in series with a coil (X > 0) or a capacitor (X < 0); a plain resistor for X = 0.
// `name` makes the element and inner node names unique within a circuit.
QString seriesLoadElements(const QString &name, const QString &node, double resistance,
    double reactance, double frequencyHz);

// A transient run of the bench in ngspice. It runs until the switch-on transient has died
// away (sixteen time constants of the load's loop, at least five periods) and returns the
// last `periods` periods at `samplesPerPeriod` samples each.
bool simulateBench(const MeasuringBench &bench, int periods, int samplesPerPeriod,
    ScopeCapture *capture, QString *error);

#endif // MEASURINGBENCH_H
