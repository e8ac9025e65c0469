// The live sweep end to end: a fake generator sets the measuring bench simulated in ngspice,
// each family's fake scope digitises it, and the sine fit of zalvimo-measure must find the
// simulated antenna within 0.5 %. Then every fault of a link gives a clear failure within its
// timeout, the scope given back running with its settings.

#include "capturemeasurement.h"
#include "fakeinstruments.h"
#include "generator.h"
#include "livesweep.h"
#include "scope.h"

#include <QElapsedTimer>
#include <QtTest>

#include <complex>

Q_DECLARE_METATYPE(FakeScopeModel)
Q_DECLARE_METATYPE(FakeGeneratorModel)
Q_DECLARE_METATYPE(FakeLoad)

namespace {

// 42 − j27 Ω on 50 Ω, in the 20 m band; two more loads for some of the families. With about
// 2000 samples of 8 bits the fit's 1 sigma is near 0.1 % of |Z| for these loads; loads far
// from Z0 (100 + j50) come within 0.5 % only by two or three sigma.
const FakeLoad kLoad {42, -27, 50, 50};
const FakeLoad kShortLoad {12, 35, 50, 50};
const FakeLoad kInductiveLoad {68, 22, 50, 50};
const std::vector<double> kFrequencies {14.0e6, 14.175e6, 14.35e6};
constexpr double kTolerance = 0.005; // relative to |Z|
constexpr std::chrono::milliseconds kShortTimeout {250};

// The impedance zalvimo-measure's fit takes from a point: the one place that calls it.
Result<std::complex<double>> impedanceOf(const LivePoint &point, double sourceImpedance)
{
    const Result<CaptureMeasurement> measurement
        = measureCapture(point.capture, point.frequencyHz / 1e6, sourceImpedance);
    if (!measurement) {
        return measurement.failure();
    }
    return std::complex<double>(measurement->r, measurement->x);
}

// A fake scope and a fake generator on one bench, each behind its server or pty.
struct FakeSetup
{
    FakeBench bench;
    std::unique_ptr<FakeScope> scope;
    std::unique_ptr<FakeServer> scopeServer;
    std::unique_ptr<FakeInstrument> generator;
    std::unique_ptr<FakeServer> generatorServer;
    std::unique_ptr<FakeSerialGenerator> serialGenerator;

    FakeSetup(BenchWaveforms *waveforms, FakeScopeModel scopeModel,
        FakeGeneratorModel generatorModel, const FakeScopeOptions &options = {})
        : bench(waveforms)
    {
        scope = makeFakeScope(scopeModel, &bench, options);
        scopeServer = std::make_unique<FakeServer>(scope.get());
        if (generatorModel == FakeGeneratorModel::FeelTechFy6900
            || generatorModel == FakeGeneratorModel::Jds6600) {
            serialGenerator = std::make_unique<FakeSerialGenerator>(generatorModel, &bench);
        } else {
            generator = makeFakeScpiGenerator(generatorModel, &bench);
            generatorServer = std::make_unique<FakeServer>(generator.get());
        }
    }
    bool begin()
    {
        return scopeServer->begin()
            && (generatorServer ? generatorServer->begin() : serialGenerator->ok());
    }
    QString generatorAddress() const
    {
        return generatorServer ? QStringLiteral("127.0.0.1:%1").arg(generatorServer->port())
                               : QStringLiteral("serial:") + serialGenerator->path();
    }
};

} // namespace

class tst_LiveSweep : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void families_data();
    void families();
    void generators_data();
    void generators();
    void faults_data();
    void faults();
    void keepGoing_data();
    void keepGoing();
    void connecting_data();
    void connecting();

private:
    void measureSweep(FakeScopeModel scopeModel, FakeGeneratorModel generatorModel,
        const FakeLoad &load, const std::vector<double> &frequencies);
    // Each load's waveforms, simulated once a frequency for the whole run.
    BenchWaveforms *waveformsOf(const FakeLoad &load);
    std::map<std::pair<double, double>, std::unique_ptr<BenchWaveforms>> m_waveforms;
    QString m_noSimulator;
};

BenchWaveforms *tst_LiveSweep::waveformsOf(const FakeLoad &load)
{
    std::unique_ptr<BenchWaveforms> &waveforms = m_waveforms[{load.resistance, load.reactance}];
    if (!waveforms) {
        waveforms = std::make_unique<BenchWaveforms>(load, BenchWaveforms::Source::Ngspice);
    }
    return waveforms.get();
}

void tst_LiveSweep::initTestCase()
{
    if (!waveformsOf(kLoad)->period(kFrequencies.front(), &m_noSimulator)) {
        m_noSimulator = QStringLiteral("ngspice is needed: ") + m_noSimulator;
    }
}

void tst_LiveSweep::measureSweep(FakeScopeModel scopeModel, FakeGeneratorModel generatorModel,
    const FakeLoad &load, const std::vector<double> &frequencies)
{
    FakeSetup setup(waveformsOf(load), scopeModel, generatorModel);
    QVERIFY(setup.begin());
    auto scope = connectScope(QStringLiteral("127.0.0.1"), setup.scopeServer->port());
    QVERIFY2(scope, qPrintable(scope.error()));
    auto generator = connectGenerator(setup.generatorAddress());
    QVERIFY2(generator, qPrintable(generator.error()));
    const double timebase = setup.scope->secondsPerDivisionNow();

    int reported = 0;
    const Result<LiveSweep> sweep = liveSweep(**scope, **generator, frequencies, {},
        [&reported](int done, int, double) { reported = done; });
    QVERIFY2(sweep, qPrintable(sweep.error()));
    QCOMPARE(sweep->points.size(), frequencies.size());
    QCOMPARE(reported, int(frequencies.size()));
    QVERIFY(!sweep->stoppedBy);
    // The fake starts at 1 V/div: both channels fill too little of the screen at first.
    QVERIFY2(sweep->points.front().notes.size() >= 2,
        qPrintable(sweep->points.front().notes.join(QStringLiteral("; "))));
    const std::complex<double> expected(load.resistance, load.reactance);
    for (size_t i = 0; i < frequencies.size(); ++i) {
        const LivePoint &point = sweep->points[i];
        QCOMPARE(point.frequencyHz, frequencies[i]);
        const Result<std::complex<double>> z = impedanceOf(point, load.sourceImpedance);
        QVERIFY2(z, qPrintable(z.error()));
        const double error = std::abs(*z - expected) / std::abs(expected);
        qInfo("%s, %.4g MHz: Z %.4g %+.4gj, error %.2e, %zu samples", QTest::currentDataTag(),
            frequencies[i] / 1e6, z->real(), z->imag(), error, point.capture.time.size());
        QVERIFY2(error < kTolerance, qPrintable(QString::number(error)));
    }
    // Given back: the timebase as it was, and running.
    QCOMPARE(setup.scope->secondsPerDivisionNow(), timebase);
    QCOMPARE(setup.scope->voltsPerDivisionNow(2), 1.0);
    QVERIFY(setup.scope->runningNow());
}

void tst_LiveSweep::families_data()
{
    QTest::addColumn<FakeScopeModel>("model");
    QTest::addColumn<FakeLoad>("load");
    QTest::newRow("Rigol DS1000Z, 42 - j27") << FakeScopeModel::RigolDs1000z << kLoad;
    QTest::newRow("Rigol DS1000Z, 12 + j35") << FakeScopeModel::RigolDs1000z << kShortLoad;
    QTest::newRow("Rigol DHO800, 42 - j27") << FakeScopeModel::RigolDho << kLoad;
    QTest::newRow("Rigol MSO5000, 42 - j27") << FakeScopeModel::RigolMso5000 << kLoad;
    QTest::newRow("Keysight InfiniiVision, 42 - j27") << FakeScopeModel::Keysight << kLoad;
    QTest::newRow("Keysight InfiniiVision, 68 + j22") << FakeScopeModel::Keysight << kInductiveLoad;
    QTest::newRow("Rohde & Schwarz RTB2000, 42 - j27") << FakeScopeModel::RohdeSchwarz << kLoad;
    QTest::newRow("Siglent X-E, 42 - j27") << FakeScopeModel::SiglentXE << kLoad;
    QTest::newRow("Siglent X-E, 12 + j35") << FakeScopeModel::SiglentXE << kShortLoad;
    QTest::newRow("Siglent HD, 42 - j27") << FakeScopeModel::SiglentHd << kLoad;
    QTest::newRow("Tektronix TBS2000, 42 - j27") << FakeScopeModel::TektronixTbs << kLoad;
    QTest::newRow("Tektronix MDO3000, 68 + j22") << FakeScopeModel::TektronixMdo << kInductiveLoad;
}

void tst_LiveSweep::families()
{
    if (!m_noSimulator.isEmpty()) {
        QSKIP(qPrintable(m_noSimulator));
    }
    QFETCH(FakeScopeModel, model);
    QFETCH(FakeLoad, load);
    measureSweep(model, FakeGeneratorModel::SiglentSdg, load, kFrequencies);
}

void tst_LiveSweep::generators_data()
{
    QTest::addColumn<FakeGeneratorModel>("model");
    QTest::newRow("Siglent SDG") << FakeGeneratorModel::SiglentSdg;
    QTest::newRow("Rigol DG") << FakeGeneratorModel::RigolDg;
    QTest::newRow("Keysight 33500B") << FakeGeneratorModel::Keysight33500;
    QTest::newRow("FeelTech FY6900 on a pty") << FakeGeneratorModel::FeelTechFy6900;
    QTest::newRow("JDS6600 on a pty") << FakeGeneratorModel::Jds6600;
}

void tst_LiveSweep::generators()
{
    if (!m_noSimulator.isEmpty()) {
        QSKIP(qPrintable(m_noSimulator));
    }
    QFETCH(FakeGeneratorModel, model);
    measureSweep(
        FakeScopeModel::RigolDs1000z, model, kLoad, {kFrequencies.front(), kFrequencies.back()});
}

void tst_LiveSweep::faults_data()
{
    QTest::addColumn<FakeScopeModel>("model");
    QTest::addColumn<int>("fault"); // a FaultKind, or -1 for splitting, -2 for slow first bytes
    QTest::addColumn<QByteArray>("command"); // the scope's line it strikes, or the generator's
    QTest::addColumn<bool>("onGenerator");
    QTest::addColumn<QStringList>("message"); // empty: the sweep succeeds

    const auto rigol = FakeScopeModel::RigolDs1000z;
    QTest::newRow("Rigol, replies split everywhere")
        << rigol << -1 << QByteArray() << false << QStringList();
    QTest::newRow("Siglent X-E, replies split everywhere")
        << FakeScopeModel::SiglentXE << -1 << QByteArray() << false << QStringList();
    QTest::newRow("Tektronix, replies split everywhere")
        << FakeScopeModel::TektronixTbs << -1 << QByteArray() << false << QStringList();
    QTest::newRow("Keysight, slow first bytes")
        << FakeScopeModel::Keysight << -2 << QByteArray() << false << QStringList();
    QTest::newRow("stall in the data")
        << rigol << int(FaultKind::Stall) << QByteArray(":WAVeform:DATA?") << false
        << QStringList {
               "scope 127.0.0.1:", "':WAVeform:DATA?' answered '#9", "then nothing for 0.25 s"};
    QTest::newRow("reset in the data")
        << rigol << int(FaultKind::Reset) << QByteArray(":WAVeform:DATA?") << false
        << QStringList {"the connection closed after ':WAVeform:DATA?' answered '#9"};
    QTest::newRow("late preamble")
        << rigol << int(FaultKind::Late) << QByteArray(":WAVeform:PREamble?") << false
        << QStringList {"no reply to ':WAVeform:PREamble?' within 0.25 s"};
    QTest::newRow("lying block header")
        << rigol << int(FaultKind::LyingHeader) << QByteArray(":WAVeform:DATA?") << false
        << QStringList {"':WAVeform:DATA?' announced a block of 999999999 bytes"};
    QTest::newRow("Keysight, block of undeclared length")
        << FakeScopeModel::Keysight << int(FaultKind::IndefiniteBlock)
        << QByteArray(":WAVeform:DATA?") << false << QStringList {"undeclared length"};
    QTest::newRow("preamble answered by the identification")
        << rigol << int(FaultKind::OtherReply) << QByteArray(":WAVeform:PREamble?") << false
        << QStringList {"':WAVeform:PREamble?' answered 'RIGOL TECHNOLOGIES,DS1104Z",
               "expected ten numbers"};
    QTest::newRow("no trigger status")
        << rigol << int(FaultKind::Silence) << QByteArray(":TRIGger:STATus?") << false
        << QStringList {"no reply to ':TRIGger:STATus?'"};
    QTest::newRow("Siglent X-E, waveform cut off")
        << FakeScopeModel::SiglentXE << int(FaultKind::Reset) << QByteArray("C1:WF? DAT2") << false
        << QStringList {"'C1:WF? DAT2' answered 'C1:WF DAT2,#9"};
    QTest::newRow("Tektronix, curve never ends")
        << FakeScopeModel::TektronixTbs << int(FaultKind::Stall) << QByteArray("CURVe?") << false
        << QStringList {"'CURVe?' answered '#"};
    QTest::newRow("generator silent")
        << rigol << int(FaultKind::Silence) << QByteArray("C1:BSWV?") << true
        << QStringList {"generator 127.0.0.1:", "no reply to 'C1:BSWV?' within 0.25 s"};
    QTest::newRow("generator answers another query")
        << rigol << int(FaultKind::OtherReply) << QByteArray("C1:BSWV?") << true
        << QStringList {
               "'C1:BSWV?' answered 'Siglent Technologies,SDG1032X", "expected the frequency"};
}

void tst_LiveSweep::faults()
{
    if (!m_noSimulator.isEmpty()) {
        QSKIP(qPrintable(m_noSimulator));
    }
    QFETCH(FakeScopeModel, model);
    QFETCH(int, fault);
    QFETCH(QByteArray, command);
    QFETCH(bool, onGenerator);
    QFETCH(QStringList, message);

    FakeSetup setup(waveformsOf(kLoad), model, FakeGeneratorModel::SiglentSdg);
    QVERIFY(setup.begin());
    FakeServer &server = onGenerator ? *setup.generatorServer : *setup.scopeServer;
    if (fault == -1) {
        server.setSplitting(true, 7);
    } else if (fault == -2) {
        server.setFirstByteDelay(20);
    } else {
        server.addFault({FaultKind(fault), command, 1, int(3 * kShortTimeout.count())});
    }
    auto scope
        = connectScope(QStringLiteral("127.0.0.1"), setup.scopeServer->port(), kShortTimeout);
    QVERIFY2(scope, qPrintable(scope.error()));
    auto generator = connectGenerator(setup.generatorAddress(), kShortTimeout);
    QVERIFY2(generator, qPrintable(generator.error()));
    const double timebase = setup.scope->secondsPerDivisionNow();

    QElapsedTimer clock;
    clock.start();
    const Result<LiveSweep> sweep
        = liveSweep(**scope, **generator, {kFrequencies.front(), kFrequencies.back()}, {});
    if (message.isEmpty()) {
        QVERIFY2(sweep, qPrintable(sweep.error()));
        QCOMPARE(sweep->points.size(), size_t(2));
    } else {
        QVERIFY(!sweep);
        for (const QString &part : message) {
            QVERIFY2(sweep.error().contains(part), qPrintable(sweep.error()));
        }
        // One timeout and the restoring after it, not a hang.
        QVERIFY2(clock.elapsed() < 10 * kShortTimeout.count(), qPrintable(sweep.error()));
    }
    // Given back even after the failure, through a new connection where the old one broke.
    QCOMPARE(setup.scope->secondsPerDivisionNow(), timebase);
    QVERIFY(setup.scope->runningNow());
}

void tst_LiveSweep::keepGoing_data()
{
    QTest::addColumn<bool>("keepGoing");
    QTest::addColumn<bool>("stopRequest"); // the caller asks to stop after the first point
    QTest::newRow("failure at the second point, keep going") << true << false;
    QTest::newRow("failure at the second point") << false << false;
    QTest::newRow("stopped after the first point, keep going") << true << true;
    QTest::newRow("stopped after the first point") << false << true;
}

void tst_LiveSweep::keepGoing()
{
    if (!m_noSimulator.isEmpty()) {
        QSKIP(qPrintable(m_noSimulator));
    }
    QFETCH(bool, keepGoing);
    QFETCH(bool, stopRequest);

    // Scales that need no change, so that the second point's first read of CH1 is the third
    // :WAVeform:DATA? of the sweep.
    FakeSetup setup(
        waveformsOf(kLoad), FakeScopeModel::RigolDs1000z, FakeGeneratorModel::SiglentSdg);
    setup.scope->setChannel(1, {0.1, 0, 0, true});
    setup.scope->setChannel(2, {0.05, 0, 0, true});
    QVERIFY(setup.begin());
    if (!stopRequest) {
        setup.scopeServer->addFault({FaultKind::Stall, ":WAVeform:DATA?", 3});
    }
    auto scope
        = connectScope(QStringLiteral("127.0.0.1"), setup.scopeServer->port(), kShortTimeout);
    QVERIFY2(scope, qPrintable(scope.error()));
    auto generator = connectGenerator(setup.generatorAddress(), kShortTimeout);
    QVERIFY2(generator, qPrintable(generator.error()));

    LiveSweepOptions options;
    options.keepGoing = keepGoing;
    int done = 0;
    if (stopRequest) {
        options.stopRequested = [&done] { return done >= 1; };
    }
    const Result<LiveSweep> sweep = liveSweep(**scope, **generator, kFrequencies, options,
        [&done](int points, int, double) { done = points; });
    const QString expected = stopRequest ? QStringLiteral("stopped")
                                         : QStringLiteral("':WAVeform:DATA?' answered '#9");
    if (keepGoing) {
        QVERIFY2(sweep, qPrintable(sweep.error()));
        QCOMPARE(sweep->points.size(), size_t(1));
        QCOMPARE(sweep->points.front().frequencyHz, kFrequencies.front());
        QVERIFY(sweep->stoppedBy);
        QVERIFY2(
            sweep->stoppedBy->message.contains(expected), qPrintable(sweep->stoppedBy->message));
    } else {
        QVERIFY(!sweep);
        QVERIFY2(sweep.error().contains(expected), qPrintable(sweep.error()));
    }
    QCOMPARE(setup.scope->voltsPerDivisionNow(2), 0.05);
    QVERIFY(setup.scope->runningNow());
}

void tst_LiveSweep::connecting_data()
{
    QTest::addColumn<QString>("what"); // "scope", "generator"
    QTest::addColumn<QByteArray>("identification"); // empty: the instrument's own
    QTest::addColumn<QString>("address"); // empty: the fake's
    QTest::addColumn<QStringList>("message");

    QTest::newRow("unknown scope")
        << QStringLiteral("scope") << QByteArray("ACME INSTRUMENTS,XS-1000,0,1.0") << QString()
        << QStringList {"'*IDN?' answered 'ACME INSTRUMENTS,XS-1000,0,1.0'",
               "which is no oscilloscope this program knows"};
    QTest::newRow("a generator where the scope should be")
        << QStringLiteral("scope") << QByteArray("Siglent Technologies,SDG1032X,SDG1X,1.0")
        << QString() << QStringList {"no oscilloscope this program knows"};
    QTest::newRow("unknown generator")
        << QStringLiteral("generator") << QByteArray("ACME INSTRUMENTS,FG-9,0,1.0") << QString()
        << QStringList {"generator 127.0.0.1:", "which is no generator this program knows"};
    QTest::newRow("scope port refused")
        << QStringLiteral("scope") << QByteArray() << QStringLiteral("refused")
        << QStringList {"scope 127.0.0.1:", "could not connect"};
    QTest::newRow("generator port refused")
        << QStringLiteral("generator") << QByteArray() << QStringLiteral("refused")
        << QStringList {"generator 127.0.0.1:", "could not connect"};
    QTest::newRow("no such serial port")
        << QStringLiteral("generator") << QByteArray()
        << QStringLiteral("serial:/dev/zalvimo-no-such-port")
        << QStringList {"generator /dev/zalvimo-no-such-port: could not open"};
}

void tst_LiveSweep::connecting()
{
    QFETCH(QString, what);
    QFETCH(QByteArray, identification);
    QFETCH(QString, address);
    QFETCH(QStringList, message);

    BenchWaveforms waveforms(kLoad, BenchWaveforms::Source::ClosedForm);
    FakeBench bench(&waveforms);
    FakeScopeOptions options;
    options.identification = identification;
    const std::unique_ptr<FakeInstrument> instrument = what == QLatin1String("scope")
        ? std::unique_ptr<FakeInstrument>(
            makeFakeScope(FakeScopeModel::RigolDs1000z, &bench, options))
        : makeFakeScpiGenerator(FakeGeneratorModel::SiglentSdg, &bench, identification);
    FakeServer server(instrument.get());
    QVERIFY(server.begin());
    const quint16 port = address == QLatin1String("refused") ? refusingPort() : server.port();

    QElapsedTimer clock;
    clock.start();
    QString error;
    if (what == QLatin1String("scope")) {
        const auto scope = connectScope(QStringLiteral("127.0.0.1"), port, kShortTimeout);
        QVERIFY(!scope);
        error = scope.error();
    } else {
        const QString target = address.startsWith(QLatin1String("serial:"))
            ? address
            : QStringLiteral("127.0.0.1:%1").arg(port);
        const auto generator = connectGenerator(target, kShortTimeout);
        QVERIFY(!generator);
        error = generator.error();
    }
    QVERIFY(clock.elapsed() < 3 * kShortTimeout.count());
    for (const QString &part : message) {
        QVERIFY2(error.contains(part), qPrintable(error));
    }
}

QTEST_GUILESS_MAIN(tst_LiveSweep)
#include "tst_livesweep.moc"
