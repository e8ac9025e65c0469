// What the live sweep costs beyond what the instruments make it wait for. A 31-point sweep of
// the 20 m band through the fake Rigol DS1000Z, its link paced to 1.7 MB/s (a DS1054Z's LAN
// rate) and each single acquisition taking a fixed time: the program's own time a point is
// the sweep's time less the wire time of the bytes the scope sent and the acquisitions'
// time. Then the peak memory of reading one channel of a 250 000-point record. Prints
// Markdown tables; needs no ngspice (the bench's closed form gives the waveforms).
//     build/bench/bench_live [acquisition ms]

#include "fakeinstruments.h"
#include "generator.h"
#include "livesweep.h"
#include "scope.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

namespace {

constexpr double kLinkBytesPerSecond = 1.7e6;
constexpr int kPoints = 31;

// The process's peak resident memory so far, in KiB ("VmHWM" of /proc/self/status).
long peakMemoryKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    return -1;
}

struct SweepCost
{
    double totalMs = 0;
    double wireMs = 0;
    double acquisitionMs = 0;
    long long samples = 0;
};

bool sweep(qint64 recordPoints, int acquisitionMs, SweepCost *cost)
{
    BenchWaveforms waveforms({42, -27, 50, 50}, BenchWaveforms::Source::ClosedForm);
    FakeBench bench(&waveforms);
    FakeScopeOptions options;
    options.acquisitionMs = acquisitionMs;
    options.fixedPoints = recordPoints;
    options.maxSampleRate = 1e9;
    const std::unique_ptr<FakeScope> fake
        = makeFakeScope(FakeScopeModel::RigolDs1000z, &bench, options);
    // Scales that fit the bench, so that every point takes one acquisition.
    fake->setChannel(1, {0.1, 0, 0, true});
    fake->setChannel(2, {0.05, 0, 0, true});
    const std::unique_ptr<FakeInstrument> generatorFake
        = makeFakeScpiGenerator(FakeGeneratorModel::SiglentSdg, &bench);
    FakeServer scopeServer(fake.get());
    FakeServer generatorServer(generatorFake.get());
    if (!scopeServer.begin() || !generatorServer.begin()) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1\n");
        return false;
    }
    scopeServer.setBytesPerSecond(kLinkBytesPerSecond);
    auto scope = connectScope(QStringLiteral("127.0.0.1"), scopeServer.port());
    auto generator = connectGenerator(QStringLiteral("127.0.0.1:%1").arg(generatorServer.port()));
    if (!scope || !generator) {
        std::fprintf(stderr, "%s\n", qPrintable(scope ? generator.error() : scope.error()));
        return false;
    }
    std::vector<double> frequencies;
    for (int i = 0; i < kPoints; ++i) {
        frequencies.push_back(14.0e6 + 0.35e6 * i / (kPoints - 1));
    }
    const long long bytesBefore = scopeServer.bytesWritten();
    const int acquisitionsBefore = fake->acquisitionsNow();
    QElapsedTimer clock;
    clock.start();
    const Result<LiveSweep> result = liveSweep(**scope, **generator, frequencies, {});
    cost->totalMs = double(clock.nsecsElapsed()) / 1e6;
    if (!result) {
        std::fprintf(stderr, "%s\n", qPrintable(result.error()));
        return false;
    }
    cost->wireMs = 1000.0 * double(scopeServer.bytesWritten() - bytesBefore) / kLinkBytesPerSecond;
    cost->acquisitionMs = double(fake->acquisitionsNow() - acquisitionsBefore) * acquisitionMs;
    cost->samples = (long long)(result->points.front().capture.time.size());
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int acquisitionMs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 100;

    // One channel of a 250 000-point record, first, while the process has held nothing
    // larger: the block of 250 000 bytes and the trace of two arrays of doubles (4 MB) are
    // what the reader needs. The fake's record is made before the mark is read; its reply
    // (the block once more, in the fake's thread) counts in the growth.
    BenchWaveforms waveforms({42, -27, 50, 50}, BenchWaveforms::Source::ClosedForm);
    FakeBench bench(&waveforms);
    bench.setFrequency(14.1e6);
    bench.setOutput(true);
    FakeScopeOptions options;
    options.fixedPoints = 250000;
    options.acquisitionMs = 1;
    const std::unique_ptr<FakeScope> fake
        = makeFakeScope(FakeScopeModel::RigolDs1000z, &bench, options);
    FakeServer server(fake.get());
    if (!server.begin()) {
        return 1;
    }
    auto scope = connectScope(QStringLiteral("127.0.0.1"), server.port());
    if (!scope || !(*scope)->prepare(14.1e6) || !(*scope)->acquire({1, 2})) {
        std::fprintf(stderr, "cannot acquire\n");
        return 1;
    }
    const long before = peakMemoryKiB();
    const Result<Trace> trace = (*scope)->readChannel(1);
    const long after = peakMemoryKiB();
    if (!trace) {
        std::fprintf(stderr, "%s\n", qPrintable(trace.error()));
        return 1;
    }
    std::printf("Peak memory of reading one channel of %zu points (block %zu kB, trace %zu "
                "kB):\n\n| Peak before | Peak after | Growth |\n|---|---|---|\n",
        trace->time.size(), trace->time.size() / 1000,
        2 * trace->time.size() * sizeof(double) / 1000);
    std::printf("| %ld KiB | %ld KiB | %ld KiB |\n\n", before, after, after - before);
    (*scope)->restore();
    std::printf("Live sweep, %d points, fake Rigol DS1000Z at %.1f MB/s, %d ms a single "
                "acquisition:\n\n",
        kPoints, kLinkBytesPerSecond / 1e6, acquisitionMs);
    std::printf("| Record | Sweep | Wire | Acquisitions | Program's own time a point | Ratio "
                "|\n|---|---|---|---|---|---|\n");
    // The record a DS1000Z takes of 20 periods at 1 GSa/s (0 for the scope's own), and a
    // deep fixed memory.
    for (const qint64 points : {qint64(0), qint64(120000)}) {
        SweepCost cost;
        if (!sweep(points, acquisitionMs, &cost)) {
            return 1;
        }
        const double waited = cost.wireMs + cost.acquisitionMs;
        std::printf("| %lld points | %.0f ms | %.0f ms | %.0f ms | %.2f ms | %.3f |\n",
            cost.samples, cost.totalMs, cost.wireMs, cost.acquisitionMs,
            (cost.totalMs - waited) / kPoints, cost.totalMs / waited);
    }

    return 0;
}
