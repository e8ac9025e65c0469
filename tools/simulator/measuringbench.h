#ifndef MEASURINGBENCH_H
#define MEASURINGBENCH_H

#include <QByteArray>
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
    // The simulator's largest step, as a part of a period. With the trapezoidal rule 2000
    // steps leave a phase error near 1e-6; 200 steps, near 1e-4, are plenty for an 8-bit
    // capture and ten times faster.
    int stepsPerPeriod = 2000;
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
// away (sixteen time constants of the load's loop, at least five periods, then on to a whole
// period) and returns `samples` samples `sampleInterval` seconds apart from there. Samples
// farther apart than the simulator's own steps are interpolated between them.
bool simulateBench(const MeasuringBench &bench, double sampleInterval, int samples,
    ScopeCapture *capture, QString *error);

// How a digital oscilloscope turns the probe voltages into numbers: each channel's range
// set in the 1-2-5 steps of volts per division so that the trace fills as much of the eight
// divisions as it can, Gaussian noise of `noiseLsb` steps RMS added before a converter of
// `bits` bits. The same seed gives the same capture.
struct ScopeSettings
{
    int bits = 8;
    double noiseLsb = 1;
    unsigned seed = 1;
};

ScopeCapture digitise(const ScopeCapture &analog, const ScopeSettings &settings);

// A capture as an oscilloscope writes it to CSV: a time column with a line of names, or no
// time column and the start and the sample interval in lines before the names.
enum class CsvLayout { TimeColumn, IntervalHeader };

QByteArray captureCsv(const ScopeCapture &capture, CsvLayout layout);

#endif // MEASURINGBENCH_H
