// zalvimo-measure straight off the instruments, as people and scripts run it: the real
// program against fake instruments that this test runs on 127.0.0.1, a Rigol DS1000Z and a
// Siglent SDG generator on the measuring bench simulated in ngspice. One acquisition, a sweep
// with its saved captures read back to the same result, the calibration's standards taken
// as sweeps, the faults of a link, a sweep that fails half-way, Ctrl-C, and the usage
// errors.

#include "capturereader.h"
#include "fakeinstruments.h"
#include "savedcapture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <complex>

Q_DECLARE_METATYPE(FaultKind)

namespace {

// 42 − j27 Ω on 50 Ω in the 20 m band, as the instrument library's sweep test measures it.
const FakeLoad kAntenna {42, -27, 50, 50};
// The standards where the antenna connects: an open and a short as near ideal as the
// simulator takes them, and the load resistor.
const FakeLoad kOpen {1e7, 0, 50, 50};
const FakeLoad kShort {1e-3, 0, 50, 50};
const FakeLoad kResistor {50, 0, 50, 50};
constexpr double kTolerance = 0.005; // relative to |Z|
// Each failure within one timeout and the restoring after it.
constexpr qint64 kFaultRunMs = 5000;

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
    qint64 milliseconds = 0;
};

// A fake scope and a fake SCPI generator on one bench, each behind its server.
struct Bench
{
    FakeBench bench;
    std::unique_ptr<FakeScope> scope;
    FakeServer scopeServer;
    std::unique_ptr<FakeInstrument> generator;
    FakeServer generatorServer;

    Bench(BenchWaveforms *waveforms, const FakeScopeOptions &options = {})
        : bench(waveforms)
        , scope(makeFakeScope(FakeScopeModel::RigolDs1000z, &bench, options))
        , scopeServer(scope.get())
        , generator(makeFakeScpiGenerator(FakeGeneratorModel::SiglentSdg, &bench))
        , generatorServer(generator.get())
    { }
    bool begin() { return scopeServer.begin() && generatorServer.begin(); }
    QString scopeAddress() const { return QStringLiteral("127.0.0.1:%1").arg(scopeServer.port()); }
    QString generatorAddress() const
    {
        return QStringLiteral("127.0.0.1:%1").arg(generatorServer.port());
    }
    // Scales at which neither channel needs a change, so that the acquisitions of a sweep
    // can be counted.
    void fixScales()
    {
        scope->setChannel(1, {0.1, 0, 0, true});
        scope->setChannel(2, {0.05, 0, 0, true});
    }
};

// The arguments with SCOPE and GENERATOR put in.
QStringList withAddresses(QStringList arguments, const Bench &bench)
{
    for (QString &argument : arguments) {
        argument.replace(QLatin1String("SCOPE"), bench.scopeAddress());
        argument.replace(QLatin1String("GENERATOR"), bench.generatorAddress());
    }
    return arguments;
}

std::complex<double> impedanceOf(const QJsonObject &capture)
{
    return {capture.value(QLatin1String("rOhm")).toDouble(),
        capture.value(QLatin1String("xOhm")).toDouble()};
}

double errorOf(std::complex<double> z, const FakeLoad &load)
{
    const std::complex<double> expected(load.resistance, load.reactance);
    return std::abs(z - expected) / std::abs(expected);
}

QJsonArray capturesOf(const QString &json)
{
    return QJsonDocument::fromJson(json.toUtf8())
        .object()
        .value(QLatin1String("captures"))
        .toArray();
}

} // namespace

class tst_MeasureLive : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void savedCapture_data();
    void savedCapture();
    void oneAcquisition_data();
    void oneAcquisition();
    void sweepReadBack();
    void calibrationBySweeps();
    void faults_data();
    void faults();
    void halfWay_data();
    void halfWay();
    void interrupted_data();
    void interrupted();
    void usage_data();
    void usage();

private:
    Run run(const QStringList &arguments);
    BenchWaveforms *waveformsOf(const FakeLoad &load);

    QTemporaryDir m_folder;
    std::map<std::pair<double, double>, std::unique_ptr<BenchWaveforms>> m_waveforms;
    QString m_noSimulator;
};

BenchWaveforms *tst_MeasureLive::waveformsOf(const FakeLoad &load)
{
    std::unique_ptr<BenchWaveforms> &waveforms = m_waveforms[{load.resistance, load.reactance}];
    if (!waveforms) {
        waveforms = std::make_unique<BenchWaveforms>(load, BenchWaveforms::Source::Ngspice);
    }
    return waveforms.get();
}

void tst_MeasureLive::initTestCase()
{
    QVERIFY(m_folder.isValid());
    if (!waveformsOf(kAntenna)->period(14e6, &m_noSimulator)) {
        m_noSimulator = QStringLiteral("ngspice is needed: ") + m_noSimulator;
    }
}

Run tst_MeasureLive::run(const QStringList &arguments)
{
    QProcess process;
    process.setWorkingDirectory(m_folder.path());
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(ZALVIMO_MEASURE), arguments);
    Run result;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
    }
    result.milliseconds = clock.elapsed();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// The plain layout of a saved capture read back: every sample to the last bit, the
// measuring frequency, and settings whose values hold what would split a line.
void tst_MeasureLive::savedCapture_data()
{
    QTest::addColumn<QString>("identification");
    QTest::newRow("an identification's commas")
        << "RIGOL TECHNOLOGIES,DS1104Z,DS1ZA000000001,00.04.04.SP4";
    // Split at its commas, it would say another measuring frequency before the real one.
    QTest::newRow("quotes, and a setting's name and number")
        << "ACME \"Scope\" Co.,Measuring frequency (Hz),1000,Start,5";
    QTest::newRow("semicolons, a tab, blanks around") << " A;B\tC ";
    QTest::newRow("nothing") << "";
}

void tst_MeasureLive::savedCapture()
{
    QFETCH(QString, identification);
    Capture capture;
    for (int i = 0; i < 400; ++i) {
        const double t = -1e-6 + i * 2.5e-9 / 3; // times with every digit
        capture.time.push_back(t);
        capture.reference.push_back(31.25 * std::sin(2 * 3.141592653589793 * 14.175e6 * t));
        capture.vx.push_back(i % 7 == 0 ? -0.0 : 12.5 / 3 * std::cos(9e7 * t));
    }
    const QByteArray csv = savedCaptureCsv(
        {{"Scope identification", identification}, {"Measuring frequency (Hz)", "14175000.25"},
            {"Sample interval (s)", "8.33333e-10"}},
        3, 1, capture);
    const Result<CaptureRead> read = readCaptureChannels(csv, QStringLiteral("saved.csv"), {});
    QVERIFY2(read, qPrintable(read.error()));
    QCOMPARE(read->channels.size(), size_t(2));
    QCOMPARE(read->channels[0].label, QStringLiteral("CH3 (mV)"));
    QCOMPARE(read->time, capture.time);
    QCOMPARE(read->channels[0].millivolts, capture.reference);
    QCOMPARE(read->channels[1].millivolts, capture.vx);
    QCOMPARE(read->measuringFrequencyHz, 14175000.25);
}

// --scope alone: the generator set by hand, the probes on any two channels.
void tst_MeasureLive::oneAcquisition_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("referenceChannel"); // where the fake's probes are
    QTest::addColumn<int>("vxChannel");

    QTest::newRow("CH1 and CH2 by default") << QStringList {"--freq", "14.175"} << 1 << 2;
    QTest::newRow("the probes on CH3 and CH1, as C3 and ch1")
        << QStringList {"--freq", "14.175", "--ref", "C3", "--vx", "ch1"} << 3 << 1;
}

void tst_MeasureLive::oneAcquisition()
{
    if (!m_noSimulator.isEmpty()) {
        QSKIP(qPrintable(m_noSimulator));
    }
    QFETCH(QStringList, arguments);
    QFETCH(int, referenceChannel);
    QFETCH(int, vxChannel);

    FakeScopeOptions options;
    options.referenceChannel = referenceChannel;
    options.vxChannel = vxChannel;
    Bench bench(waveformsOf(kAntenna), options);
    bench.bench.setFrequency(14.175e6);
    bench.bench.setOutput(true);
    QVERIFY(bench.begin());
    const double timebase = bench.scope->secondsPerDivisionNow();

    const Run result = run(
        withAddresses(QStringList {"--json", "--scope", "SCOPE", "--verbose"} + arguments, bench));
    QCOMPARE(result.exitCode, 0);
    const QJsonArray captures = capturesOf(result.out);
    QCOMPARE(captures.size(), 1);
    const QJsonObject capture = captures.first().toObject();
    QCOMPARE(capture.value(QLatin1String("file")).toString(),
        QStringLiteral("scope ") + bench.scopeAddress());
    QCOMPARE(capture.value(QLatin1String("frequencyMHz")).toDouble(), 14.175);
    const double error = errorOf(impedanceOf(capture), kAntenna);
    QVERIFY2(error < kTolerance, qPrintable(QString::number(error)));
    // --verbose names the scope and says how the scales were changed.
    QVERIFY2(result.err.contains(QLatin1String("Rigol DS1000Z, 'RIGOL TECHNOLOGIES,DS1104Z")),
        qPrintable(result.err));
    QVERIFY2(
        result.err.contains(QStringLiteral("CH%1: 1 → ").arg(vxChannel)), qPrintable(result.err));
    // Given back: the timebase and the scales as they were, and running.
    QCOMPARE(bench.scope->secondsPerDivisionNow(), timebase);
    QCOMPARE(bench.scope->voltsPerDivisionNow(vxChannel), 1.0);
    QVERIFY(bench.scope->runningNow());
}

// A sweep with the Touchstone file and the captures saved; the captures read back by the
// program give the same JSON to the last digit, under the same names.
void tst_MeasureLive::sweepReadBack()
{
    if (!m_noSimulator.isEmpty()) {
        QSKIP(qPrintable(m_noSimulator));
    }
    Bench bench(waveformsOf(kAntenna));
    QVERIFY(bench.begin());
    const QString folder = QStringLiteral("sweep");
    const Run live = run(
        withAddresses({"--scope", "SCOPE", "--generator", "GENERATOR", "--sweep", "14:14.35:0.175",
                          "--json", "--s1p", "sweep.s1p", "--save-captures", folder},
            bench));
    QCOMPARE(live.exitCode, 0);
    // Standard error is no terminal here: no progress line.
    QVERIFY2(!live.err.contains(QLatin1String("point 1 of 3")), qPrintable(live.err));
    const QJsonArray captures = capturesOf(live.out);
    QCOMPARE(captures.size(), 3);
    QStringList files;
    for (const QJsonValue &capture : captures) {
        QVERIFY2(
            errorOf(impedanceOf(capture.toObject()), kAntenna) < kTolerance, qPrintable(live.out));
        files << capture.toObject().value(QLatin1String("file")).toString();
    }
    QCOMPARE(files, QStringList({"sweep/14MHz.csv", "sweep/14.175MHz.csv", "sweep/14.35MHz.csv"}));

    QFile touchstone(m_folder.filePath(QStringLiteral("sweep.s1p")));
    QVERIFY(touchstone.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(touchstone.readAll()).split(QLatin1Char('\n'));
    const int options = int(lines.indexOf(QStringLiteral("# MHz S RI R 50")));
    QVERIFY(options > 0);
    QVERIFY(lines.value(options + 1).startsWith(QLatin1String("14 ")));
    QVERIFY(lines.value(options + 3).startsWith(QLatin1String("14.35 ")));

    // The saved capture names the instruments; the identification's commas stay in one
    // setting.
    QFile saved(m_folder.filePath(files.first()));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray head = saved.read(2000);
    QVERIFY2(head.contains("\nScope identification,\"RIGOL TECHNOLOGIES,DS1104Z,"), head.data());
    QVERIFY2(head.contains("\nMeasuring frequency (Hz),14000000\n"), head.data());

    const Run readBack = run(QStringList {"--json"} + files);
    QCOMPARE(readBack.exitCode, 0);
    QCOMPARE(capturesOf(readBack.out), captures);

    // Never over a file: one more acquisition at 14 MHz is numbered.
    bench.bench.setFrequency(14e6);
    const Run again = run(withAddresses(
        {"--scope", "SCOPE", "--freq", "14", "--save-captures", folder, "--csv"}, bench));
    QVERIFY2(again.exitCode == 0, qPrintable(again.err));
    QVERIFY2(
        again.out.contains(QLatin1String("\nsweep/14MHz-2.csv,14,no,")), qPrintable(again.out));
    QVERIFY(saved.seek(0));
    QCOMPARE(saved.read(2000), head);
}

// The calibration's standards taken as sweeps, each saved into a folder, then given by
// their folders with the antenna's sweep, as the README tells.
void tst_MeasureLive::calibrationBySweeps()
{
    if (!m_noSimulator.isEmpty()) {
        QSKIP(qPrintable(m_noSimulator));
    }
    const QStringList sweep {
        "--scope", "SCOPE", "--generator", "GENERATOR", "--sweep", "14:14.35:0.35", "--csv"};
    for (const auto &[load, folder] :
        {std::pair {&kOpen, "open"}, {&kShort, "short"}, {&kResistor, "load"}}) {
        Bench bench(waveformsOf(*load));
        QVERIFY(bench.begin());
        const Run standard = run(withAddresses(
            sweep + QStringList {"--save-captures", QStringLiteral("standards/") + folder}, bench));
        // A short shows no impedance worth a network: its rows may carry warnings.
        QVERIFY2(standard.exitCode == 0 || QLatin1String(folder) == QLatin1String("short"),
            qPrintable(standard.err));
        QCOMPARE(QDir(m_folder.filePath(QStringLiteral("standards/") + folder))
                     .entryList(QDir::Files)
                     .size(),
            2);
    }
    Bench bench(waveformsOf(kAntenna));
    QVERIFY(bench.begin());
    const Run antenna = run(withAddresses(
        {"--scope", "SCOPE", "--generator", "GENERATOR", "--sweep", "14:14.35:0.35", "--json",
            "--open", "standards/open", "--short", "standards/short", "--load", "standards/load"},
        bench));
    QCOMPARE(antenna.exitCode, 0);
    const QJsonObject root = QJsonDocument::fromJson(antenna.out.toUtf8()).object();
    const QString summary = root.value(QLatin1String("calibration"))
                                .toObject()
                                .value(QLatin1String("summary"))
                                .toString();
    QVERIFY2(summary.startsWith(QStringLiteral("open, short, load 50 \u03a9 at 2 frequencies, "
                                               "14\u201314.35 MHz")),
        qPrintable(summary));
    const QJsonArray captures = root.value(QLatin1String("captures")).toArray();
    QCOMPARE(captures.size(), 2);
    for (const QJsonValue &capture : captures) {
        const double error = errorOf(impedanceOf(capture.toObject()), kAntenna);
        QVERIFY2(error < kTolerance, qPrintable(antenna.out));
    }
}

// Every fault of a link: a message that names the instrument, the command and what came
// back, exit 1 within the timeout, nothing on standard output, the scope given back.
void tst_MeasureLive::faults_data()
{
    QTest::addColumn<QString>(
        "where"); // "refused scope", "refused generator", "scope", "generator"
    QTest::addColumn<FaultKind>("fault");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("identification"); // the scope's, where not its own
    QTest::addColumn<QStringList>("message");

    const FaultKind none = FaultKind::Silence;
    QTest::newRow("a refused connection")
        << "refused scope" << none << QByteArray() << QByteArray()
        << QStringList {"zalvimo-measure: scope 127.0.0.1:", ": could not connect"};
    QTest::newRow("the generator's connection refused")
        << "refused generator" << none << QByteArray() << QByteArray()
        << QStringList {"generator 127.0.0.1:", ": could not connect"};
    QTest::newRow("a wrong port: the generator's")
        << "scope at the generator's port" << none << QByteArray() << QByteArray()
        << QStringList {"'*IDN?' answered 'Siglent Technologies,SDG1032X,",
               "which is no oscilloscope this program knows"};
    QTest::newRow("an unknown identification")
        << "scope" << none << QByteArray() << QByteArray("ACME INSTRUMENTS,XS-1000,0,1.0")
        << QStringList {"'*IDN?' answered 'ACME INSTRUMENTS,XS-1000,0,1.0', which is no "
                        "oscilloscope this program knows"};
    QTest::newRow("a stall in the data")
        << "scope" << FaultKind::Stall << QByteArray(":WAVeform:DATA?") << QByteArray()
        << QStringList {"':WAVeform:DATA?' answered '#9", "and then nothing for 0.5 s"};
    QTest::newRow("a reset in the data")
        << "scope" << FaultKind::Reset << QByteArray(":WAVeform:DATA?") << QByteArray()
        << QStringList {"the connection closed after ':WAVeform:DATA?' answered '#9"};
    QTest::newRow("a block header that lies")
        << "scope" << FaultKind::LyingHeader << QByteArray(":WAVeform:DATA?") << QByteArray()
        << QStringList {"':WAVeform:DATA?' announced a block of 999999999 bytes"};
    QTest::newRow("the generator answers another query")
        << "generator" << FaultKind::OtherReply << QByteArray("C1:BSWV?") << QByteArray()
        << QStringList {"generator 127.0.0.1:",
               "'C1:BSWV?' answered 'Siglent Technologies,SDG1032X", "expected the frequency"};
}

void tst_MeasureLive::faults()
{
    QFETCH(QString, where);
    QFETCH(FaultKind, fault);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, identification);
    QFETCH(QStringList, message);

    // The closed form of the circuit: these rows need no simulator.
    BenchWaveforms waveforms(kAntenna, BenchWaveforms::Source::ClosedForm);
    FakeScopeOptions options;
    options.identification = identification;
    Bench bench(&waveforms, options);
    QVERIFY(bench.begin());
    if (!command.isEmpty()) {
        (where == QLatin1String("scope") ? bench.scopeServer : bench.generatorServer)
            .addFault({fault, command, 1, 3000});
    }
    const double timebase = bench.scope->secondsPerDivisionNow();
    QStringList arguments {"--scope", "SCOPE", "--generator", "GENERATOR", "--sweep",
        "14:14.35:0.35", "--timeout", "0.5"};
    const QString refused = QStringLiteral("127.0.0.1:%1").arg(refusingPort());
    if (where == QLatin1String("refused scope")) {
        arguments[1] = refused;
    } else if (where == QLatin1String("refused generator")) {
        arguments[3] = refused;
    } else if (where == QLatin1String("scope at the generator's port")) {
        arguments[1] = arguments[3];
    }
    const Run result = run(withAddresses(arguments, bench));
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(result.out, QString());
    for (const QString &part : message) {
        QVERIFY2(result.err.contains(part), qPrintable(result.err));
    }
    QVERIFY2(result.milliseconds < kFaultRunMs, qPrintable(QString::number(result.milliseconds)));
    QCOMPARE(bench.scope->secondsPerDivisionNow(), timebase);
    QVERIFY(bench.scope->runningNow());
}

// A sweep that fails at its second point: its first is written only with --keep-going, and
// the exit status is 1 either way.
void tst_MeasureLive::halfWay_data()
{
    QTest::addColumn<bool>("keepGoing");
    QTest::newRow("without --keep-going: nothing") << false;
    QTest::newRow("with --keep-going: the first point") << true;
}

void tst_MeasureLive::halfWay()
{
    QFETCH(bool, keepGoing);
    BenchWaveforms waveforms(kAntenna, BenchWaveforms::Source::ClosedForm);
    Bench bench(&waveforms);
    bench.fixScales();
    QVERIFY(bench.begin());
    // The third read of a channel is the second point's reference.
    bench.scopeServer.addFault({FaultKind::Stall, ":WAVeform:DATA?", 3});
    const QString touchstone = QStringLiteral("halfway-%1.s1p").arg(keepGoing);
    QStringList arguments {"--scope", "SCOPE", "--generator", "GENERATOR", "--sweep",
        "14:14.35:0.175", "--timeout", "0.5", "--s1p", touchstone};
    if (keepGoing) {
        arguments << QStringLiteral("--keep-going");
    }
    const Run result = run(withAddresses(arguments, bench));
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains(QLatin1String("':WAVeform:DATA?' answered '#9")),
        qPrintable(result.err));
    QCOMPARE(QFile::exists(m_folder.filePath(touchstone)), keepGoing);
    if (keepGoing) {
        QVERIFY2(
            result.out.startsWith(
                QStringLiteral("scope %1\n  Frequency (MHz)     14\n").arg(bench.scopeAddress())),
            qPrintable(result.out));
    } else {
        QCOMPARE(result.out, QString());
    }
    QCOMPARE(bench.scope->voltsPerDivisionNow(2), 0.05);
    QVERIFY(bench.scope->runningNow());
}

// Ctrl-C or SIGTERM in the middle of a sweep: the scope gets its settings back and runs, the
// program ends with 130; what was measured is written only with --keep-going.
void tst_MeasureLive::interrupted_data()
{
    QTest::addColumn<bool>("keepGoing");
    QTest::newRow("SIGTERM") << false;
    QTest::newRow("SIGTERM with --keep-going") << true;
}

void tst_MeasureLive::interrupted()
{
    QFETCH(bool, keepGoing);
    BenchWaveforms waveforms(kAntenna, BenchWaveforms::Source::ClosedForm);
    FakeScopeOptions options;
    options.acquisitionMs = 100;
    Bench bench(&waveforms, options);
    QVERIFY(bench.begin());
    const double timebase = bench.scope->secondsPerDivisionNow();
    QStringList arguments = withAddresses(
        {"--scope", "SCOPE", "--generator", "GENERATOR", "--sweep", "14:15:0.05"}, bench);
    if (keepGoing) {
        arguments << QStringLiteral("--keep-going");
    }
    QProcess process;
    process.setWorkingDirectory(m_folder.path());
    process.start(QStringLiteral(ZALVIMO_MEASURE), arguments);
    QVERIFY(process.waitForStarted());
    // Some points in: the first one's scales changed, and one more acquisition.
    QElapsedTimer clock;
    clock.start();
    while (bench.scope->acquisitionsNow() < 6 && clock.elapsed() < 20000) {
        QThread::msleep(10);
    }
    QVERIFY(bench.scope->acquisitionsNow() >= 6);
    process.terminate();
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 130);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(err.contains(QLatin1String("interrupted; the scope has its settings back and runs "
                                        "again")),
        qPrintable(err));
    QCOMPARE(out.isEmpty(), !keepGoing);
    QCOMPARE(bench.scope->secondsPerDivisionNow(), timebase);
    QCOMPARE(bench.scope->voltsPerDivisionNow(1), 1.0);
    QVERIFY(bench.scope->runningNow());
}

// Options that do not fit together: exit 2 before any instrument is asked.
void tst_MeasureLive::usage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QStringList scope {"--scope", "127.0.0.1:1"};
    const QStringList both = scope + QStringList {"--generator", "127.0.0.1:2"};
    QTest::newRow("--sweep without --generator")
        << scope + QStringList {"--sweep", "14:14.35:0.05"}
        << "--sweep needs --generator HOST[:PORT] or serial:/dev/ttyUSB0";
    QTest::newRow("--generator without --scope") << QStringList {"--generator", "127.0.0.1:2",
        "--sweep", "14:14.35:0.05"} << "--generator needs --scope HOST[:PORT]";
    QTest::newRow("--generator without a sweep")
        << both << "--generator needs --sweep START:STOP:STEP in MHz";
    QTest::newRow("START above STOP") << both + QStringList {"--sweep", "14.35:14:0.05"}
                                      << "--sweep: START must be below STOP, not 14.35:14:0.05";
    QTest::newRow("START equal to STOP")
        << both + QStringList {"--sweep", "14:14:0.05"} << "START must be below STOP";
    QTest::newRow("a STEP of 0") << both + QStringList {"--sweep", "14:14.35:0"}
                                 << "--sweep: STEP must be above 0, not 0";
    QTest::newRow("a negative STEP")
        << both + QStringList {"--sweep", "14:14.35:-0.05"} << "STEP must be above 0";
    QTest::newRow("more than 10 000 points")
        << both + QStringList {"--sweep", "1:30:0.001"}
        << "--sweep 1:30:0.001 gives 29001 points, more than 10000";
    QTest::newRow("--points too many")
        << both + QStringList {"--sweep", "1:30", "--points", "10001"}
        << "--points wants a whole number from 2 to 10000";
    QTest::newRow("START:STOP without --points")
        << both + QStringList {"--sweep", "1:30"} << "--sweep START:STOP needs --points N";
    QTest::newRow("below 1 kHz") << both + QStringList {"--sweep", "0.0005:1:0.1"}
                                 << "--sweep: 0.0005 MHz is outside 0.001 (1 kHz)";
    QTest::newRow("above 10 GHz") << both + QStringList {"--sweep", "9000:10001:100"}
                                  << "--sweep: 10001 MHz is outside";
    QTest::newRow("not a sweep") << both + QStringList {"--sweep", "14-14.35"}
                                 << "--sweep wants START:STOP:STEP in MHz";
    QTest::newRow("captures beside --scope")
        << scope + QStringList {"capture.csv"} << "captures and --scope exclude each other";
    QTest::newRow("a timeout of 0") << scope + QStringList {"--timeout", "0"}
                                    << "--timeout wants seconds above 0, up to 86400, not '0'";
    QTest::newRow("a timeout that is no number")
        << scope + QStringList {"--timeout", "soon"} << "--timeout wants seconds above 0";
    QTest::newRow("a timeout without --scope") << QStringList {"--timeout", "2", "capture.csv"}
                                               << "--timeout is for measuring with the instruments";
    QTest::newRow("a channel that is none")
        << scope + QStringList {"--ref", "X1"} << "--ref wants a channel of the scope with --scope";
    QTest::newRow("the same channel twice")
        << scope + QStringList {"--ref", "CH2"} << "--ref and --vx name the same channel, CH2";
    QTest::newRow("a port that is none")
        << QStringList {"--scope", "127.0.0.1:99999"} << "--scope wants HOST or HOST:PORT";
    QTest::newRow("--keep-going without a sweep")
        << scope + QStringList {"--keep-going"} << "--keep-going is for a sweep";
}

void tst_MeasureLive::usage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run result = run(arguments);
    QCOMPARE(result.exitCode, 2);
    QCOMPARE(result.out, QString());
    QVERIFY2(result.err.contains(message), qPrintable(result.err));
}

QTEST_GUILESS_MAIN(tst_MeasureLive)
#include "tst_measurelive.moc"
