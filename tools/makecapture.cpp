// Writes an oscilloscope capture of the measuring setup, simulated in ngspice, as a CSV
// file: the example captures in examples/ and captures to try zalvimo-measure on.
//     zalvimo-capture --r 28 --x 35 --freq 14.2 examples/capture-20m.csv

#include "measuringbench.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

bool number(const QCommandLineParser &parser, const QCommandLineOption &option, double *value)
{
    bool ok = false;
    *value = parser.value(option).toDouble(&ok);
    if (!ok) {
        std::fprintf(stderr, "zalvimo-capture: --%s wants a number, not '%s'\n",
            qPrintable(option.names().constLast()), qPrintable(parser.value(option)));
    }
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zalvimo-capture"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulates the measuring setup in ngspice (generator, Z0, an antenna of R + jX) and "
        "writes what an 8-bit oscilloscope would capture of CH1 and CH2 as CSV."));
    parser.addHelpOption();
    parser.addPositionalArgument(
        QStringLiteral("output"), QStringLiteral("The CSV file to write."));
    const QCommandLineOption r(
        QStringLiteral("r"), QStringLiteral("The antenna's R, ohms."), QStringLiteral("ohm"));
    const QCommandLineOption x(
        QStringLiteral("x"), QStringLiteral("The antenna's X, ohms."), QStringLiteral("ohm"));
    const QCommandLineOption freq(
        QStringLiteral("freq"), QStringLiteral("Frequency, MHz."), QStringLiteral("MHz"));
    const QCommandLineOption z0(QStringLiteral("z0"), QStringLiteral("Z0, ohms (50)."),
        QStringLiteral("ohm"), QStringLiteral("50"));
    const QCommandLineOption generator(QStringLiteral("generator"),
        QStringLiteral("The generator's own resistance, ohms (50)."), QStringLiteral("ohm"),
        QStringLiteral("50"));
    const QCommandLineOption volts(QStringLiteral("volts"),
        QStringLiteral("The generator's open-circuit amplitude, volts (0.2)."), QStringLiteral("V"),
        QStringLiteral("0.2"));
    const QCommandLineOption rate(QStringLiteral("rate"),
        QStringLiteral("Samples per microsecond (1000, that is 1 GSa/s)."), QStringLiteral("MSa/s"),
        QStringLiteral("1000"));
    const QCommandLineOption samples(QStringLiteral("samples"),
        QStringLiteral("Samples per channel (2500)."), QStringLiteral("n"), QStringLiteral("2500"));
    const QCommandLineOption noise(QStringLiteral("noise"),
        QStringLiteral("Noise before the converter, in steps RMS (1)."), QStringLiteral("lsb"),
        QStringLiteral("1"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of the noise (1)."),
        QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption interval(QStringLiteral("interval-header"),
        QStringLiteral("No time column: the start and the sample interval in the header."));
    const QCommandLineOption standard(QStringLiteral("standard"),
        QStringLiteral("A calibration standard instead of the antenna: open or short."),
        QStringLiteral("kind"));
    const QCommandLineOption fixture(QStringLiteral("fixture"),
        QStringLiteral("A real bench's parasitics: 12 pF of probe at CH2, 15 nH of leads to the "
                       "antenna, CH2 0.5 ns late and 3 % high, and Z0 of 51 ohm where 50 is "
                       "typed (give --z0 50 to zalvimo-measure)."));
    parser.addOptions({r, x, freq, z0, generator, volts, rate, samples, noise, seed, interval,
        standard, fixture});
    parser.process(application);
    const QString kind = parser.value(standard);
    const bool antenna = !parser.isSet(standard);
    if (parser.positionalArguments().size() != 1 || !parser.isSet(freq)
        || (antenna && (!parser.isSet(r) || !parser.isSet(x)))
        || !(antenna || kind == QLatin1String("open") || kind == QLatin1String("short"))) {
        std::fprintf(stderr,
            "zalvimo-capture: give --r and --x (or --standard open|short), --freq and one "
            "output file\n");
        return 2;
    }

    MeasuringBench bench;
    double megahertz = 0;
    double samplesPerMicrosecond = 0;
    double sampleCount = 0;
    double noiseLsb = 0;
    double seedValue = 0;
    if ((antenna
            && (!number(parser, r, &bench.loadResistance)
                || !number(parser, x, &bench.loadReactance)))
        || !number(parser, freq, &megahertz) || !number(parser, z0, &bench.sourceImpedance)
        || !number(parser, generator, &bench.generatorResistance)
        || !number(parser, volts, &bench.amplitude) || !number(parser, rate, &samplesPerMicrosecond)
        || !number(parser, samples, &sampleCount) || !number(parser, noise, &noiseLsb)
        || !number(parser, seed, &seedValue)) {
        return 2;
    }
    if (!(megahertz > 0 && samplesPerMicrosecond > 0 && sampleCount >= 2 && sampleCount <= 1e7
            && seedValue >= 0 && seedValue < 4e9)) {
        std::fprintf(
            stderr, "zalvimo-capture: frequency, rate, samples (2 to 1e7) or seed out of range\n");
        return 2;
    }
    bench.frequencyHz = megahertz * 1e6;
    bench.load = antenna                ? MeasuringBench::Load::Antenna
        : kind == QLatin1String("open") ? MeasuringBench::Load::Open
                                        : MeasuringBench::Load::Short;
    if (parser.isSet(fixture)) {
        bench.probeCapacitance = 12e-12;
        bench.leadInductance = 15e-9;
        bench.ch2Delay = 0.5e-9;
        bench.ch2Gain = 1.03;
        bench.sourceImpedance *= 51.0 / 50.0;
    }

    ScopeCapture analog;
    QString error;
    if (!simulateBench(bench, 1e-6 / samplesPerMicrosecond, int(sampleCount), &analog, &error)) {
        std::fprintf(stderr, "zalvimo-capture: %s\n", qPrintable(error));
        return 1;
    }
    ScopeSettings scope;
    scope.noiseLsb = noiseLsb;
    scope.seed = unsigned(seedValue);
    const QByteArray csv = captureCsv(digitise(analog, scope),
        parser.isSet(interval) ? CsvLayout::IntervalHeader : CsvLayout::TimeColumn);

    QFile out(parser.positionalArguments().constFirst());
    if (!out.open(QIODevice::WriteOnly) || out.write(csv) != csv.size()) {
        std::fprintf(stderr, "zalvimo-capture: cannot write %s\n", qPrintable(out.fileName()));
        return 1;
    }
    return 0;
}
