// The zalvimo-measure program as scripts and people use it: options, exit status, what goes
// to standard output and what to standard error.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// A reading as a capture: CH1 at 64 mV (V_reference 32.0), V_x leading by `delay` ns, 40
// samples a period over 10 periods. The default is the window's: V_x 27.8 mV leading by
// 2.0 ns at 18.130 MHz.
QByteArray defaultReadingCapture(double vx = 27.8, double delay = 2.0, double megahertz = 18.130)
{
    const double f = megahertz * 1e6;
    const double lead = 2 * kPi * f * delay * 1e-9;
    QByteArray csv = "Time (s),CH1 (mV),CH2 (mV)\n";
    for (int k = 0; k < 400; ++k) {
        const double t = k / (40 * f);
        csv += QByteArray::number(t, 'g', 17) + ','
            + QByteArray::number(64 * std::cos(2 * kPi * f * t), 'g', 17) + ','
            + QByteArray::number(vx * std::cos(2 * kPi * f * t + lead), 'g', 17) + '\n';
    }
    return csv;
}

} // namespace

class tst_MeasureCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void statusAndMessages_data();
    void statusAndMessages();
    void sameAsTheWindow();
    void json();
    void csvSweep();
    void touchstoneSweep_data();
    void touchstoneSweep();
    void textTable();

private:
    Run run(const QStringList &arguments);
    QString path(const char *name) const { return folder.filePath(QLatin1String(name)); }

    QTemporaryDir folder;
};

void tst_MeasureCli::initTestCase()
{
    QVERIFY(folder.isValid());
    const auto write = [this](const char *name, const QByteArray &content) {
        QFile file(path(name));
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    };
    QVERIFY(write("good.csv", defaultReadingCapture()));
    QVERIFY(write("bad.csv", "Time,CH1,CH2\n0,1,2\n1e-9,abc,3\n"));
    QVERIFY(write("other.csv", defaultReadingCapture(40, -3)));
    QVERIFY(write("at7.csv", defaultReadingCapture(20, 1, 7.1)));
}

Run tst_MeasureCli::run(const QStringList &arguments)
{
    QProcess process;
    process.setWorkingDirectory(folder.path());
    process.start(QStringLiteral(ZALVIMO_MEASURE), arguments);
    Run result;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
    }
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

void tst_MeasureCli::statusAndMessages_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // what standard output must contain ("" : be empty)
    QTest::addColumn<QString>("err"); // what standard error must contain ("" : be empty)

    QTest::newRow("help") << QStringList {"--help"} << 0 << "--freq <MHz>"
                          << "";
    QTest::newRow("version") << QStringList {"--version"} << 0 << "zalvimo-measure 1.0.0"
                             << "";
    QTest::newRow("no capture") << QStringList {} << 2 << ""
                                << "zalvimo-measure: no capture given; see --help";
    QTest::newRow("unknown option") << QStringList {"--frequency", "7", "good.csv"} << 2 << ""
                                    << "zalvimo-measure: Unknown option 'frequency'";
    QTest::newRow("both outputs") << QStringList {"--json", "--csv", "good.csv"} << 2 << ""
                                  << "--json and --csv exclude each other";
    QTest::newRow("a frequency that is no number")
        << QStringList {"--freq", "abc", "good.csv"} << 2 << ""
        << "--freq wants a frequency in MHz from 0.001 (1 kHz) to 10000 (10 GHz), not 'abc'";
    QTest::newRow("a frequency of 0") << QStringList {"-f", "0", "good.csv"} << 2 << ""
                                      << "to 10000 (10 GHz), not '0'";
    QTest::newRow("a negative Z0")
        << QStringList {"--z0", "-50", "good.csv"} << 2 << ""
        << "--z0 wants a resistance in ohms from 0.1 to 10000, not '-50'";
    QTest::newRow("a missing file") << QStringList {"nosuch.csv"} << 1 << ""
                                    << "zalvimo-measure: nosuch.csv: ";
    QTest::newRow("text in the data")
        << QStringList {"bad.csv"} << 1 << ""
        << "zalvimo-measure: bad.csv:3: expected 3 numbers, found 'abc'";
    QTest::newRow("the wrong frequency")
        << QStringList {"--freq", "7.1", "good.csv"} << 1 << ""
        << "good.csv: the reference channel is no clean sine of 7.1 MHz";
    QTest::newRow("a good and a bad file: the good one is still written")
        << QStringList {"good.csv", "bad.csv"} << 1 << "good.csv"
        << "bad.csv:3:";
    QTest::newRow("a decimal comma in the frequency")
        << QStringList {"--freq", "18,130", "good.csv"} << 0 << "Circuit             B"
        << "";
}

void tst_MeasureCli::statusAndMessages()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);

    const Run result = run(arguments);
    QCOMPARE(result.exitCode, exitCode);
    if (out.isEmpty()) {
        QCOMPARE(result.out, QString());
    } else {
        QVERIFY2(result.out.contains(out), qPrintable(result.out));
    }
    if (err.isEmpty()) {
        QCOMPARE(result.err, QString());
    } else {
        QVERIFY2(result.err.contains(err), qPrintable(result.err));
    }
}

// The default reading, fitted from a capture, gives the texts that the window shows after
// its two presses with the default values.
void tst_MeasureCli::sameAsTheWindow()
{
    const Run result = run({QStringLiteral("--freq"), QStringLiteral("18.130"), path("good.csv")});
    QCOMPARE(result.exitCode, 0);
    const QStringList expected {"V_reference  (mV)   32  (half of the reference's 64)",
        "V_x  (mV)           27.8", "Delay (nanoSec)     2",
        "Z (Ohm)             34.2409 + j14.3275", "Circuit             B",
        "Component 1         Coil of 78.1458 nH", "Component 2         Capacitor of 119.109 pF"};
    for (const QString &line : expected) {
        QVERIFY2(result.out.contains(line), qPrintable(result.out));
    }
}

void tst_MeasureCli::json()
{
    const Run result = run({QStringLiteral("--json"), path("good.csv")});
    QCOMPARE(result.exitCode, 0);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(result.out.toUtf8(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(document.object().value(QLatin1String("version")).toInt(), 1);
    const QJsonArray captures = document.object().value(QLatin1String("captures")).toArray();
    QCOMPARE(captures.size(), 1);
    const QJsonObject capture = captures.first().toObject();
    QVERIFY(capture.value(QLatin1String("frequencyEstimated")).toBool());
    QVERIFY(std::abs(capture.value(QLatin1String("frequencyMHz")).toDouble() - 18.13) < 1e-9);
    QVERIFY(std::abs(capture.value(QLatin1String("rOhm")).toDouble() - 34.2409) < 1e-4);
    QVERIFY(std::abs(capture.value(QLatin1String("xOhm")).toDouble() - 14.3275) < 1e-4);
    QCOMPARE(capture.value(QLatin1String("circuit")).toString(), QStringLiteral("B"));
    for (const char *key : {"file", "sourceImpedanceOhm", "vReferenceMillivolt", "vxMillivolt",
             "delayNanosecond", "rSigmaOhm", "xSigmaOhm", "componentOne", "componentTwo",
             "referenceResidualMillivoltRms", "vxResidualMillivoltRms", "samples", "warning"}) {
        QVERIFY2(capture.contains(QLatin1String(key)), key);
    }
    // The parts as numbers: the window's 78.1458 nH and 119.109 pF, as henries and farads,
    // and both reactances in ohms; the other kind of part is null.
    const auto value = [&](const char *key) { return capture.value(QLatin1String(key)); };
    QVERIFY(std::abs(value("componentOneHenry").toDouble() / 78.1458e-9 - 1) < 1e-5);
    QVERIFY(std::abs(value("componentTwoFarad").toDouble() / 119.109e-12 - 1) < 1e-5);
    QVERIFY(value("componentOneFarad").isNull() && value("componentTwoHenry").isNull());
    QVERIFY(std::abs(value("reactanceOneOhm").toDouble() - 8.90192) < 1e-4);
    QVERIFY(std::abs(value("reactanceTwoOhm").toDouble() + 73.7016) < 1e-3);
}

// Several captures, one line each, the columns under one header.
void tst_MeasureCli::csvSweep()
{
    const Run result = run({QStringLiteral("--csv"), QStringLiteral("--z0"), QStringLiteral("75"),
        path("good.csv"), path("good.csv"), path("good.csv")});
    QCOMPARE(result.exitCode, 0);
    const QStringList lines = result.out.trimmed().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 4);
    const QStringList header = lines[0].split(QLatin1Char(','));
    QCOMPARE(header.value(0), QStringLiteral("file"));
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(QLatin1Char(','));
        QCOMPARE(fields.size(), header.size());
        QCOMPARE(
            fields[header.indexOf(QStringLiteral("source_impedance_ohm"))], QStringLiteral("75"));
        // Z scales with Z0: 75/50 of the 50 ohm result.
        QVERIFY(
            std::abs(fields[header.indexOf(QStringLiteral("r_ohm"))].toDouble() - 51.3614) < 1e-4);
    }
}

// --s1p writes every measured capture as one sweep, sorted by frequency; captures at one
// frequency are one point when they agree, and refused when they do not.
void tst_MeasureCli::touchstoneSweep_data()
{
    QTest::addColumn<QStringList>("captures");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("lines"); // the data lines of the file; none: no file
    QTest::addColumn<QString>("err");

    // 34.2409 + j14.3275 ohm at 18.13 MHz is S11 = (Z − 50)/(Z + 50) = −0.153699… + j0.196218…
    QTest::newRow("two frequencies, given in no order")
        << QStringList {"good.csv", "at7.csv"} << 0
        << QStringList {"7.1 -0.37562", "18.13 -0.153699197141"} << "";
    QTest::newRow("the same capture twice: one point, said so")
        << QStringList {"good.csv", "good.csv"} << 0 << QStringList {"18.13 -0.153699197141"}
        << "are at the same frequency, 18.13 MHz, and agree; the sweep holds their mean";
    QTest::newRow("two loads at one frequency") << QStringList {"good.csv", "other.csv"} << 1
                                                << QStringList {} << "sweep.s1p is not written: ";
    QTest::newRow("a bad capture is left out")
        << QStringList {"bad.csv", "good.csv"} << 1 << QStringList {"18.13 -0.153699197141"}
        << "bad.csv:3:";
}

void tst_MeasureCli::touchstoneSweep()
{
    QFETCH(QStringList, captures);
    QFETCH(int, exitCode);
    QFETCH(QStringList, lines);
    QFETCH(QString, err);

    QFile::remove(path("sweep.s1p"));
    const Run result = run(QStringList {"--freq", "", "--s1p", "sweep.s1p"}.mid(2) + captures);
    QCOMPARE(result.exitCode, exitCode);
    QVERIFY2(result.err.contains(err), qPrintable(result.err));
    QFile file(path("sweep.s1p"));
    QCOMPARE(file.exists(), !lines.isEmpty());
    if (lines.isEmpty()) {
        return;
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList written = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QVERIFY(written.first().startsWith(QLatin1String("! One-port impedance measured by "
                                                     "zalvimo-measure 1.0.0 on ")));
    const int options = int(written.indexOf(QStringLiteral("# MHz S RI R 50")));
    QVERIFY(options > 0);
    const QStringList data = written.mid(options + 1, lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        QVERIFY2(data.value(i).startsWith(lines[i]), qPrintable(written.join('\n')));
    }
    QCOMPARE(written.value(options + 1 + int(lines.size())), QString());
}

// The sweep's table marks estimated frequencies and shows Z0.
void tst_MeasureCli::textTable()
{
    const Run result
        = run({QStringLiteral("--z0"), QStringLiteral("75"), path("good.csv"), path("at7.csv")});
    QCOMPARE(result.exitCode, 0);
    const QStringList lines = result.out.split(QLatin1Char('\n'));
    QVERIFY2(lines.value(0).contains(QLatin1String("Z0")), qPrintable(result.out));
    QVERIFY2(lines.value(1).contains(QLatin1String("18.13 (estimated)  ")), qPrintable(result.out));
    QVERIFY2(lines.value(1).contains(QLatin1String("  75  ")), qPrintable(result.out));
}

QTEST_GUILESS_MAIN(tst_MeasureCli)
#include "tst_measurecli.moc"
