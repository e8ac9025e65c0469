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

// The window's default reading as a capture: CH1 at 64 mV (V_reference 32.0), V_x 27.8 mV
// leading by 2.0 ns at 18.130 MHz, 40 samples a period over 10 periods.
QByteArray defaultReadingCapture()
{
    const double f = 18.130e6;
    const double lead = 2 * kPi * f * 2.0e-9;
    QByteArray csv = "Time (s),CH1 (mV),CH2 (mV)\n";
    for (int k = 0; k < 400; ++k) {
        const double t = k / (40 * f);
        csv += QByteArray::number(t, 'g', 17) + ','
            + QByteArray::number(64 * std::cos(2 * kPi * f * t), 'g', 17) + ','
            + QByteArray::number(27.8 * std::cos(2 * kPi * f * t + lead), 'g', 17) + '\n';
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
        << "--freq wants a frequency in MHz above 0, not 'abc'";
    QTest::newRow("a frequency of 0") << QStringList {"-f", "0", "good.csv"} << 2 << ""
                                      << "--freq wants a frequency in MHz above 0, not '0'";
    QTest::newRow("a negative Z0") << QStringList {"--z0", "-50", "good.csv"} << 2 << ""
                                   << "--z0 wants a resistance in ohms above 0, not '-50'";
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
             "referenceResidualMillivoltRms", "vxResidualMillivoltRms", "samples"}) {
        QVERIFY2(capture.contains(QLatin1String(key)), key);
    }
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

QTEST_GUILESS_MAIN(tst_MeasureCli)
#include "tst_measurecli.moc"
