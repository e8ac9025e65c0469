// What the sine fit of zalvimo-measure gains over reading the oscilloscope by eye, and what
// it costs. Prints two Markdown tables:
// - accuracy: for loads simulated in ngspice and captured by an 8-bit oscilloscope with
//   noise (many noise seeds each), the error of Z from the fit and the 1-sigma the fit
//   predicts, beside the error of a by-eye reading of the same setup: the crests of the
//   simulated waveforms read exactly, then each amplitude off by ±2 % and the delay off by
//   ±1 sample, the worst of those;
// - speed: reading and fitting a capture of one million samples per channel.
//     build/bench/bench_measure [seeds]

#include "calculationstate.h"
#include "calibration.h"
#include "capture.h"
#include "capturemeasurement.h"
#include "capturereader.h"
#include "crestreading.h"
#include "impedancefrommeasurement.h"
#include "measuringbench.h"
#include "units.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <complex>
#include <cstdio>
#include <vector>

namespace {

struct Load
{
    const char *name;
    double source;
    double megahertz;
    double r;
    double x;
    double intervalNs;
};

const Load kLoads[] = {{"A: 3 + j120, 1.85 MHz", 50, 1.85, 3, 120, 4},
    {"B: 34.2 + j14.3, 18.13 MHz", 50, 18.13, 34.24, 14.33, 1},
    {"C: 50 - j30, 75 ohm, 50.1 MHz", 75, 50.1, 50, -30, 0.5},
    {"D: 20 - j30, 7.1 MHz", 50, 7.1, 20, -30, 2},
    {"E: 500 + j250, 1.85 MHz", 50, 1.85, 500, 250, 4},
    {"F: 120 - j75, 75 ohm, 28.5 MHz", 75, 28.5, 120, -75, 1}};

double relativeError(double r, double x, const Load &load)
{
    return std::abs(std::complex<double>(r - load.r, x - load.x))
        / std::abs(std::complex<double>(load.r, load.x));
}

// Z from readings off the screen, in the window's units.
std::complex<double> impedance(double source, double vRef, double vX, double delayNs, double mhz)
{
    calculationState.sourceImpedance = source;
    impedanceFromMeasurement(vRef, vX, delayNs, mhz);
    return {calculationState.zReal, calculationState.zImag};
}

// The worst relative error of a by-eye reading: the crests of the waveforms, each amplitude
// off by ±2 % and the delay off by ±1 sample, in every combination.
double byEyeError(const ScopeCapture &analog, const Load &load)
{
    CrestReading crests;
    if (!readCrests(analog, load.megahertz * 1e6, &crests)) {
        return std::nan("");
    }
    double worst = 0;
    for (const double ch1 : {0.98, 1.02}) {
        for (const double ch2 : {0.98, 1.02}) {
            for (const double samples : {-1.0, 1.0}) {
                const std::complex<double> z = impedance(load.source, crests.ch1Amplitude * ch1 / 2,
                    crests.ch2Amplitude * ch2,
                    (crests.delay + samples * load.intervalNs * 1e-9) * 1e9, load.megahertz);
                worst = std::max(worst, relativeError(z.real(), z.imag(), load));
            }
        }
    }
    return worst;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void accuracy(int seeds, int samples)
{
    std::printf("Accuracy, %d noise seeds per load, %d samples per channel, 8 bits with 1 step "
                "RMS of noise:\n\n",
        seeds, samples);
    std::printf("| Load | Fit: RMS error of Z | Fit: predicted 1 sigma | Fit: worst error | "
                "By eye: worst error |\n|---|---|---|---|---|\n");
    for (const Load &load : kLoads) {
        MeasuringBench bench;
        bench.sourceImpedance = load.source;
        bench.frequencyHz = load.megahertz * 1e6;
        bench.amplitude = 0.2;
        bench.loadResistance = load.r;
        bench.loadReactance = load.x;
        bench.stepsPerPeriod = 200;
        ScopeCapture analog;
        QString error;
        if (!simulateBench(bench, load.intervalNs * 1e-9, samples, &analog, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return;
        }
        double squares = 0;
        double predicted = 0;
        double worstFit = 0;
        for (int seed = 1; seed <= seeds; ++seed) {
            ScopeSettings scope;
            scope.seed = unsigned(seed);
            const ScopeCapture digital = digitise(analog, scope);
            const Result<Capture> capture = readCapture(
                captureCsv(digital, CsvLayout::TimeColumn), QStringLiteral("bench"), {});
            if (!capture) {
                std::fprintf(stderr, "%s\n", qPrintable(capture.error()));
                return;
            }
            const Result<CaptureMeasurement> measured
                = measureCapture(*capture, load.megahertz, load.source);
            if (!measured) {
                std::fprintf(stderr, "%s\n", qPrintable(measured.error()));
                return;
            }
            const CaptureMeasurement &m = *measured;
            const double e = relativeError(m.r, m.x, load);
            squares += e * e;
            worstFit = std::max(worstFit, e);
            predicted
                += std::hypot(m.rSigma, m.xSigma) / std::abs(std::complex<double>(load.r, load.x));
        }
        std::printf("| %s | %.3f %% | %.3f %% | %.3f %% | %.1f %% |\n", load.name,
            100 * std::sqrt(squares / seeds), 100 * predicted / seeds, 100 * worstFit,
            100 * byEyeError(analog, load));
    }
    std::printf("\n");
}

// The least that reading such a file can cost: the whole file into memory, then every
// number of every line by std::from_chars into three columns, with no checks. The ratio
// of the reader's time to this says what its checks and its layouts cost.
qint64 bareParse(const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray content = file.readAll();
    std::vector<double> columns[3];
    for (std::vector<double> &column : columns) {
        column.reserve(std::size_t(content.size() / 30)); // about the length of a line
    }
    const char *p = content.constData();
    const char *end = p + content.size();
    p = std::find(p, end, '\n') + 1; // the line of names
    while (p < end) {
        for (std::vector<double> &column : columns) {
            double value = 0;
            p = std::from_chars(p, end, value).ptr + 1; // past the separator or line end
            column.push_back(value);
        }
    }
    return timer.nsecsElapsed() + qint64(columns[0].size() % 2); // keep the columns alive
}

// A capture of one million samples per channel in a CSV file, read and fitted five times.
void speed()
{
    constexpr int kMillion = 1000000;
    const double f = 14.2e6;
    QByteArray csv;
    csv.reserve(kMillion * 40);
    csv += "Time (s),CH1 (V),CH2 (V)\n";
    for (int k = 0; k < kMillion; ++k) {
        const double t = k * 1e-9;
        csv += QByteArray::number(t, 'g', 12) + ','
            + QByteArray::number(
                0.064 * std::cos(2 * kPi * f * t) + 0.001 * std::sin(k * 7.7), 'g', 6)
            + ',' + QByteArray::number(0.0278 * std::cos(2 * kPi * f * t + 0.3), 'g', 6) + '\n';
    }
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("million.csv"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return;
    }
    file.close();

    std::printf("Speed, one million samples per channel (%.0f MB of CSV), median of 5 runs:\n\n",
        csv.size() / 1e6);
    std::printf("| Step | Frequency given | Frequency estimated |\n|---|---|---|\n");
    std::vector<double> read, bare, fitGiven, fitEstimated, calibratedGiven, calibratedEstimated;
    // A calibration at the capture's frequency from ideal standards (an open reads g = 1, a
    // short 0, a 50 ohm load 0.5): what correcting costs, not what it changes.
    const auto reading = [](double g) { return StandardReading {14.2e6, {g, 1e-8, 1e-8, 0}, {}}; };
    const Result<Calibration> calibration = buildCalibration({reading(1)}, {reading(0)},
        {reading(0.5)}, StandardDefinitions(), 50, QDateTime::currentDateTimeUtc());
    const Corrections corrections {&*calibration, nullptr};
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        bare.push_back(bareParse(path) / 1e6);
        timer.restart();
        Capture capture;
        Result<CaptureRead> channels = readCaptureFile(path, {});
        if (!channels) {
            std::fprintf(stderr, "%s\n", qPrintable(channels.error()));
            return;
        }
        read.push_back(timer.nsecsElapsed() / 1e6);
        capture.time = std::move(channels->time);
        capture.reference = std::move(channels->channels[0].millivolts);
        capture.vx = std::move(channels->channels[1].millivolts);
        timer.restart();
        measureCapture(capture, 14.2, 50);
        fitGiven.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        measureCapture(capture, 0, 50);
        fitEstimated.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        measureCapture(capture, 14.2, 50, corrections);
        calibratedGiven.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        measureCapture(capture, 0, 50, corrections);
        calibratedEstimated.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("| Read the file | %.0f ms | %.0f ms |\n", median(read), median(read));
    std::printf("| (bare from_chars parse of the same file) | %.0f ms | ratio %.2f |\n",
        median(bare), median(read) / median(bare));
    std::printf(
        "| Fit and measure | %.0f ms | %.0f ms |\n", median(fitGiven), median(fitEstimated));
    std::printf("| Fit, measure and correct by a calibration | %.0f ms (%.3f of uncalibrated) | "
                "%.0f ms (%.3f) |\n",
        median(calibratedGiven), median(calibratedGiven) / median(fitGiven),
        median(calibratedEstimated), median(calibratedEstimated) / median(fitEstimated));
    std::printf("| Both | %.0f ms | %.0f ms |\n", median(read) + median(fitGiven),
        median(read) + median(fitEstimated));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    // "speed" runs the speed table alone; a number is the noise seeds of the accuracy tables.
    if (argc > 1 && QByteArray(argv[1]) == "speed") {
        speed();
        return 0;
    }
    const int seeds = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 20;
    accuracy(seeds, 2500);
    accuracy(seeds, 20000);
    speed();
    return 0;
}
