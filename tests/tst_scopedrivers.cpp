// Each oscilloscope family's driver against its fake: the family chosen from *IDN?, the
// samples turned into volts at times that match the fake's known waveform within half a
// step of its converter, and the scope's settings given back.

#include "fakeinstruments.h"
#include "scope.h"

#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(FakeScopeModel)
Q_DECLARE_METATYPE(ScopeFamily)

class tst_ScopeDrivers : public QObject
{
    Q_OBJECT

private slots:
    void identification_data();
    void identification();
    void conversion_data();
    void conversion();
};

void tst_ScopeDrivers::identification_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("family"); // a ScopeFamily, or -1 for none

    // The makers' own examples where their manuals print one.
    QTest::newRow("Rigol DS1000Z guide p.2-34")
        << QByteArray("RIGOL TECHNOLOGIES,DS1104Z,DS1T00000006,00.02.00")
        << int(ScopeFamily::RigolDs1000z);
    QTest::newRow("Rigol in lower case, MSO1000Z")
        << QByteArray("Rigol Technologies,MSO1104Z-S,MS1ZD000000001,00.04.04")
        << int(ScopeFamily::RigolDs1000z);
    QTest::newRow("Rigol DHO804") << QByteArray("RIGOL TECHNOLOGIES,DHO804,DHO8A1,00.01.03")
                                  << int(ScopeFamily::RigolDho);
    QTest::newRow("Rigol MSO5074") << QByteArray("RIGOL TECHNOLOGIES,MSO5074,MS5A1,00.01.03")
                                   << int(ScopeFamily::RigolMso5000);
    QTest::newRow("Rigol DS2202 is another family")
        << QByteArray("RIGOL TECHNOLOGIES,DS2202,DS2A0000000001,00.00.01") << -1;
    QTest::newRow("Keysight DSOX2024A")
        << QByteArray("KEYSIGHT TECHNOLOGIES,DSOX2024A,MY58100000,02.50.2019022736")
        << int(ScopeFamily::KeysightInfiniiVision);
    QTest::newRow("Agilent DSO-X 3034A")
        << QByteArray("AGILENT TECHNOLOGIES,DSO-X 3034A,MY51350000,02.35.2013061800")
        << int(ScopeFamily::KeysightInfiniiVision);
    QTest::newRow("Rohde & Schwarz RTB2004")
        << QByteArray("Rohde&Schwarz,RTB2004,1333.1005k04/102345,02.400")
        << int(ScopeFamily::RohdeSchwarzRtb);
    QTest::newRow("Siglent guide p.71, header and no comma") << QByteArray(
        "*IDN SIGLENT SDS1102CML,SDS00002110025,3.01.01.22") << int(ScopeFamily::SiglentXE);
    QTest::newRow("Siglent SDS1202X-E")
        << QByteArray("SIGLENT,SDS1202X-E,SDS1EBAC0L0098,8.2.6.1") << int(ScopeFamily::SiglentXE);
    QTest::newRow("Siglent SDS824X HD")
        << QByteArray("Siglent Technologies,SDS824X HD,SDS08A0000001,1.1.3.3")
        << int(ScopeFamily::SiglentHd);
    QTest::newRow("Siglent SDS2104X Plus")
        << QByteArray("Siglent Technologies,SDS2104X Plus,SDS2PCBX000001,1.3.9R10")
        << int(ScopeFamily::SiglentHd);
    QTest::newRow("Tektronix TBS2000 manual p.162") << QByteArray(
        "TEKTRONIX,TBS2104,CU10100,CF:91.1CT FV:v2015-12-10_01-00-59rootfs; "
        "FPGA:v1.21;") << int(ScopeFamily::TektronixTbs);
    QTest::newRow("Tektronix MDO3024") << QByteArray("TEKTRONIX,MDO3024,C012345,CF:91.1CT FV:v1.30")
                                       << int(ScopeFamily::TektronixMso);
    QTest::newRow("a generator") << QByteArray("Siglent Technologies,SDG1032X,SDG1X,1.01") << -1;
    QTest::newRow("an unknown maker") << QByteArray("ACME INSTRUMENTS,XS-1000,0,1.0") << -1;
    QTest::newRow("one field") << QByteArray("DS1104Z") << -1;
}

void tst_ScopeDrivers::identification()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, family);
    const std::optional<ScopeFamily> found = scopeFamilyOf(reply);
    QCOMPARE(found ? int(*found) : -1, family);
}

void tst_ScopeDrivers::conversion_data()
{
    QTest::addColumn<FakeScopeModel>("model");
    QTest::addColumn<ScopeFamily>("family");
    QTest::addColumn<int>("reference");
    QTest::addColumn<int>("vx");
    QTest::addColumn<qint64>("maxPointsPerRead"); // Siglent HD's pieces; 0 for its default
    QTest::addColumn<qint64>("points"); // a record this long; 0 for the scope's own

    QTest::newRow("Rigol DS1000Z") << FakeScopeModel::RigolDs1000z << ScopeFamily::RigolDs1000z << 1
                                   << 2 << qint64(0) << qint64(0);
    // A record longer than one read's 250 000 points.
    QTest::newRow("Rigol DS1000Z, 600 000 points in three reads")
        << FakeScopeModel::RigolDs1000z << ScopeFamily::RigolDs1000z << 1 << 2 << qint64(0)
        << qint64(600000);
    QTest::newRow("Rigol DHO800, reference on CH3")
        << FakeScopeModel::RigolDho << ScopeFamily::RigolDho << 3 << 2 << qint64(0) << qint64(0);
    QTest::newRow("Rigol MSO5000") << FakeScopeModel::RigolMso5000 << ScopeFamily::RigolMso5000 << 1
                                   << 2 << qint64(0) << qint64(0);
    QTest::newRow("Keysight InfiniiVision")
        << FakeScopeModel::Keysight << ScopeFamily::KeysightInfiniiVision << 1 << 2 << qint64(0)
        << qint64(0);
    QTest::newRow("Rohde & Schwarz RTB2000")
        << FakeScopeModel::RohdeSchwarz << ScopeFamily::RohdeSchwarzRtb << 1 << 2 << qint64(0)
        << qint64(0);
    QTest::newRow("Siglent X-E, V_x on CH1")
        << FakeScopeModel::SiglentXE << ScopeFamily::SiglentXE << 2 << 1 << qint64(0) << qint64(0);
    QTest::newRow("Siglent HD") << FakeScopeModel::SiglentHd << ScopeFamily::SiglentHd << 1 << 2
                                << qint64(0) << qint64(0);
    QTest::newRow("Siglent HD read in pieces of 700 points")
        << FakeScopeModel::SiglentHd << ScopeFamily::SiglentHd << 1 << 2 << qint64(700)
        << qint64(0);
    QTest::newRow("Tektronix TBS2000") << FakeScopeModel::TektronixTbs << ScopeFamily::TektronixTbs
                                       << 1 << 2 << qint64(0) << qint64(0);
    QTest::newRow("Tektronix MDO3000") << FakeScopeModel::TektronixMdo << ScopeFamily::TektronixMso
                                       << 1 << 4 << qint64(0) << qint64(0);
}

void tst_ScopeDrivers::conversion()
{
    QFETCH(FakeScopeModel, model);
    QFETCH(ScopeFamily, family);
    QFETCH(int, reference);
    QFETCH(int, vx);
    QFETCH(qint64, maxPointsPerRead);
    QFETCH(qint64, points);

    // The closed form of the bench: the conversion is under test, not the circuit.
    BenchWaveforms waveforms({42, -27, 50, 50}, BenchWaveforms::Source::ClosedForm);
    FakeBench bench(&waveforms);
    bench.setFrequency(14.1e6);
    bench.setAmplitude(1);
    bench.setOutput(true);
    FakeScopeOptions options;
    options.noiseLsb = 0;
    options.referenceChannel = reference;
    options.vxChannel = vx;
    options.maxPointsPerRead = maxPointsPerRead;
    options.fixedPoints = points;
    const std::unique_ptr<FakeScope> fake = makeFakeScope(model, &bench, options);
    // An offset on one channel and a position on the other: their signs must come out right.
    // V_x is not shown yet: a Tektronix sends no curve of a channel that is not.
    fake->setChannel(reference, {0.2, 0.1, 0, true});
    fake->setChannel(vx, {0.1, 0, -0.4, false});
    FakeServer server(fake.get());
    QVERIFY(server.begin());

    auto connected = connectScope(QStringLiteral("127.0.0.1"), server.port());
    QVERIFY2(connected, qPrintable(connected.error()));
    Scope &scope = **connected;
    QCOMPARE(scope.family(), scopeFamilyName(family));
    const double timebase = fake->secondsPerDivisionNow();

    const Status prepared = scope.prepare(14.1e6);
    QVERIFY2(prepared, qPrintable(prepared.error()));
    const Status acquired = scope.acquire({reference, vx});
    QVERIFY2(acquired, qPrintable(acquired.error()));
    for (const int channel : {reference, vx}) {
        const Result<Trace> trace = scope.readChannel(channel);
        QVERIFY2(trace, qPrintable(trace.error()));
        const size_t samples = trace->time.size();
        QVERIFY(samples > 100);
        // At least 20 periods, evenly spaced.
        const double interval = trace->time[1] - trace->time[0];
        QVERIFY(interval > 0);
        QVERIFY((trace->time.back() - trace->time.front()) * 14.1e6 >= 19.9);
        QVERIFY(std::abs(trace->time.back() - trace->time.front() - interval * double(samples - 1))
            < 1e-6 * interval * double(samples));
        // Every sample within half a converter step of the waveform at its time: a sample
        // one interval off in time would be off by several steps.
        const double step = fake->voltsPerCode(channel);
        double worst = 0;
        for (size_t i = 0; i < samples; ++i) {
            worst = std::max(
                worst, std::abs(trace->volts[i] - fake->analogVolts(channel, trace->time[i])));
        }
        QVERIFY2(worst <= 0.5 * step * (1 + 1e-6) + 1e-9,
            qPrintable(QStringLiteral("CH%1: %2 V off, a step is %3 V")
                           .arg(channel)
                           .arg(worst)
                           .arg(step)));
        QVERIFY(!trace->clipped);
        QVERIFY(trace->screenFraction > 0.05 && trace->screenFraction < 1);
    }

    // A scale change is kept, then given back with the timebase; the scope runs again.
    const Result<double> taken = scope.setVoltsPerDivision(vx, 0.05);
    QVERIFY2(taken, qPrintable(taken.error()));
    QCOMPARE(*taken, 0.05);
    QCOMPARE(fake->voltsPerDivisionNow(vx), 0.05);
    QVERIFY(fake->secondsPerDivisionNow() != timebase);
    const Status restored = scope.restore();
    QVERIFY2(restored, qPrintable(restored.error()));
    QCOMPARE(fake->voltsPerDivisionNow(vx), 0.1);
    QCOMPARE(fake->secondsPerDivisionNow(), timebase);
    QVERIFY(fake->runningNow());
}

QTEST_GUILESS_MAIN(tst_ScopeDrivers)
#include "tst_scopedrivers.moc"
