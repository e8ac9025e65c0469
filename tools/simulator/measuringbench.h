#ifndef MEASURINGBENCH_H
#define MEASURINGBENCH_H

#include <QByteArray>
#include <QString>
#include <QVector>

// The measuring setup as the picture "Measuring setup" draws it, as a circuit: a generator
// with its own output resistance; the CH1 probe point at the generator's terminal; the
// series resistor Z0; the CH2 probe point; the antenna from there to the ground rail.
// A real fixture adds parasitics, all off by default: a probe's capacitance from the CH2
// point to ground, the inductance of the lead from the CH2 point to the antenna's terminal,
// a skew and a gain mismatch of CH2 against CH1. At the terminal sits the antenna or one
// of the standards that calibrate the fixture.
struct MeasuringBench
{
    // What is connected at the antenna's terminal: the antenna (loadResistance +
    // j·loadReactance; a resistor for X = 0), an open (openCapacitance, 0 for nothing) or a
    // short (shortInductance, 0 for a wire).
    enum class Load { Antenna, Open, Short };

    double sourceImpedance = 50; // Z0, ohms
    double generatorResistance = 50; // the generator's own output resistance, ohms
    double frequencyHz = 14.2e6;
    double amplitude = 1; // the generator's open-circuit amplitude, volts
    double loadResistance = 50; // R of the antenna, ohms
    double loadReactance = 0; // X of the antenna at frequencyHz, ohms
    Load load = Load::Antenna;
    double openCapacitance = 0; // F
    double shortInductance = 0; // H
    double probeCapacitance = 0; // F, from the CH2 point to ground
    double leadInductance = 0; // H, from the CH2 point to the antenna's terminal
    // CH2's signal reaches its converter this much later than CH1's (a longer probe cable,
    // a skew of the channels): each CH2 sample holds the CH2 point's voltage of that much
    // earlier.
    double ch2Delay = 0; // s
    double ch2Gain = 1; // CH2's gain over CH1's
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
