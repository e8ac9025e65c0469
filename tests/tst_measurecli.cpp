// The zalvimo-measure program as scripts and people use it: options, exit status, what goes
// to standard output and what to standard error.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

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

// The measuring setup's two channels for a load Z at `f` through 50 ohm: CH1 at
// `amplitude` mV, V_x = CH1·Z/(Z0 + Z), 40 samples a period of 18.13 MHz over 10 of them, with
// noise of `noise` mV RMS (a fixed sequence), clipped at `clip` mV when it is above 0.
struct Channels
{
    std::vector<double> time, ch1, ch2;
};

Channels channelsFor(std::complex<double> z, double noise = 0, double clip = 0,
    double amplitude = 64, double f = 18.13e6)
{
    const std::complex<double> vx = amplitude * z / (50.0 + z);
    Channels c;
    unsigned state = 12345;
    const auto gaussian = [&]() {
        // A sum of twelve uniform numbers less six is close enough to a unit normal.
        double sum = 0;
        for (int i = 0; i < 12; ++i) {
            state = state * 1103515245u + 12345u;
            sum += double(state >> 8) / double(1u << 24);
        }
        return sum - 6;
    };
    for (int k = 0; k < 400; ++k) {
        const double t = k / (40 * 18.13e6); // 40 samples a period of 18.13 MHz
        const double angle = 2 * kPi * f * t;
        double one = amplitude * std::cos(angle) + noise * gaussian();
        if (clip > 0) {
            one = std::clamp(one, -clip, clip);
        }
        c.time.push_back(t);
        c.ch1.push_back(one);
        c.ch2.push_back(std::abs(vx) * std::cos(angle + std::arg(vx)) + noise * gaussian());
    }
    return c;
}

QByteArray twoChannels(const Channels &c)
{
    QByteArray csv = "Time (s),CH1 (mV),CH2 (mV)\n";
    for (std::size_t k = 0; k < c.time.size(); ++k) {
        csv += QByteArray::number(c.time[k], 'g', 17) + ',' + QByteArray::number(c.ch1[k], 'g', 17)
            + ',' + QByteArray::number(c.ch2[k], 'g', 17) + '\n';
    }
    return csv;
}

// One channel as a Tektronix TBS saves it: settings beside the first rows, volts.
QByteArray tektronix(const Channels &c, int channel)
{
    const QByteArray source = "Source,CH" + QByteArray::number(channel) + ',';
    const QByteArray settings[] = {"Record Length,4.000000e+02,", "Sample Interval,1.378930e-09,",
        "Trigger Point,-0.000000000000e+00,", ",,", ",,", ",,", source, "Vertical Units,V,"};
    const std::vector<double> &values = channel == 1 ? c.ch1 : c.ch2;
    QByteArray csv;
    for (std::size_t k = 0; k < c.time.size(); ++k) {
        csv += (k < 8 ? settings[k] : QByteArray(",,")) + ",   "
            + QByteArray::number(c.time[k], 'e', 12) + ",   "
            + QByteArray::number(values[k] / 1000, 'f', 7) + ",\n";
    }
    return csv;
}

// One channel as a Rohde & Schwarz RTO exports it: the header "name.csv" of "Key:value:"
// lines and the values alone in "name.Wfm.csv", two waveforms each after its timestamp;
// the second runs backwards, which turns the delay around: it gives Z's conjugate.
std::pair<QByteArray, QByteArray> rohdeSchwarz(const Channels &c, int channel)
{
    const QByteArray header = "Resolution:1.378930e-09:\nRecordLength:400:\nXStart:0:\n"
                              "HardwareXStart:0:\nSignalHardwareRecordLength:400:\n"
                              "SignalResolution:"
        + QByteArray::number(c.time[1], 'g', 17) + ":\nSource:Ch" + QByteArray::number(channel)
        + "Wfm1:\nTimestampState:On:\n";
    const std::vector<double> &values = channel == 1 ? c.ch1 : c.ch2;
    QByteArray data = "-0.00559015392773438\n";
    for (const double v : values) {
        data += QByteArray::number(v / 1000, 'g', 10) + '\n';
    }
    data += "0\n";
    for (std::size_t k = values.size(); k-- > 0;) {
        data += QByteArray::number(values[k] / 1000, 'g', 10) + '\n';
    }
    return {header, data};
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
    void plots_data();
    void plots();
    void textTable();
    void capturesAndFaults_data();
    void capturesAndFaults();
    void lostOutput_data();
    void lostOutput();
    void outOfMemory();
    void standardInput();
    void helpFitsATerminal();
    void calibrationKept();
    void devicesStayDevices();

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
    const Channels load = channelsFor({34.24, 14.33});
    QVERIFY(write("F0000CH1.CSV", tektronix(load, 1)));
    QVERIFY(write("F0000CH2.CSV", tektronix(load, 2)));
    // CH2 of another acquisition, the generator 1 % higher, on the same time axis.
    const Channels other = channelsFor({34.24, 14.33}, 0.05, 0, 64, 18.31e6);
    QVERIFY(write("F0001CH2.CSV", tektronix(other, 2)));
    QVERIFY(write("lossless.csv", twoChannels(channelsFor({0, -30}, 0.3))));
    QVERIFY(write("clipped.csv", twoChannels(channelsFor({34.24, 14.33}, 0, 50))));
    Channels silent = load;
    std::fill(silent.ch2.begin(), silent.ch2.end(), 0.0);
    QVERIFY(write("silent.csv", twoChannels(silent)));
    Channels constant = load;
    std::fill(constant.ch1.begin(), constant.ch1.end(), 12.0);
    std::fill(constant.ch2.begin(), constant.ch2.end(), 5.0);
    QVERIFY(write("constant.csv", twoChannels(constant)));
    QByteArray cut = twoChannels(load);
    cut.chop(3);
    QVERIFY(write("cut.csv", cut));
    QVERIFY(write("keysight.csv", "x-axis,1,2\nsecond,Volt,Volt\n" + twoChannels(load).mid(27)));
    QVERIFY(write("escape.csv", "Time,CH1,CH2\n0,1,2\n1e-9,\x1b]0;owned\x07,3\n"));
    // The standards on an ideal bench: an open shows CH1 at V_x, a short nothing, the load
    // half of CH1, with a little noise so that no reading is exact.
    QVERIFY(write("open.csv", twoChannels(channelsFor({1e9, 0}, 0.01))));
    QVERIFY(write("short.csv", twoChannels(channelsFor({0, 0}, 0.01))));
    QVERIFY(write("load.csv", twoChannels(channelsFor({50, 0}, 0.01))));
    for (const int channel : {1, 2}) {
        const auto [header, data] = rohdeSchwarz(load, channel);
        const QByteArray name = "RefCurve_C" + QByteArray::number(channel);
        QVERIFY(write(name + ".csv", header) && write(name + ".Wfm.csv", data));
    }
    QVERIFY(write("rs_rtp_01.Wfm.csv", rohdeSchwarz(load, 1).second));
    // One channel a file as LeCroy saves it, no line end after the last line; CH2's save
    // was cut inside its last number.
    for (const int channel : {1, 2}) {
        QByteArray csv = "Time,Ampl\r\n";
        for (std::size_t k = 0; k < load.time.size(); ++k) {
            csv += QByteArray::number(load.time[k], 'e', 5) + ','
                + QByteArray::number((channel == 1 ? load.ch1 : load.ch2)[k] / 1000, 'e', 9)
                + "\r\n";
        }
        csv.chop(channel == 1 ? 2 : 6);
        QVERIFY(write(QByteArray("C") + char('0' + channel) + "--cut--00000.csv", csv));
    }
    QVERIFY(write("rs_rtp_01.bin", "<?xml version=\"1.0\" standalone=\"no\"?>\r\r\n"));
    // A dipole's sweep as zalvimo-measure writes it.
    QVERIFY(write("dipole.s1p",
        "# MHz S RI R 50\n14.0 -0.0845 -0.0452\n14.1 -0.0866 -0.0156\n14.2 -0.0870 "
        "0.0145\n14.3 -0.0857 0.0440\n"));
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
        << "zalvimo-measure: bad.csv:3: expected a number in column 2, found 'abc'";
    QTest::newRow("the wrong frequency")
        << QStringList {"--freq", "7.1", "good.csv"} << 1 << ""
        << "good.csv: the reference channel is no clean sine of 7.1 MHz";
    QTest::newRow("a good and a bad file: the good one is still written")
        << QStringList {"good.csv", "bad.csv"} << 1 << "good.csv"
        << "bad.csv:3:";
    QTest::newRow("a decimal comma in the frequency")
        << QStringList {"--freq", "18,130", "good.csv"} << 0 << "Circuit             B"
        << "";
    // Options that take a file, in both forms.
    QTest::newRow("--s1p=FILE") << QStringList {"--s1p=form.s1p", "good.csv"} << 0 << "Circuit"
                                << "";
    QTest::newRow("--save-cal=FILE") << QStringList {"--open=open.csv", "--short=short.csv",
        "--load=load.csv", "--save-cal=form.json"}
                                     << 0 << ""
                                     << "";
    // Outputs that would destroy an input.
    QTest::newRow("the Touchstone file onto its capture")
        << QStringList {"--s1p", "good.csv", "good.csv"} << 1 << "Circuit"
        << "--s1p good.csv is one of the inputs; it is not overwritten";
    QTest::newRow("the calibration onto a standard")
        << QStringList {"--open", "open.csv", "--short", "short.csv", "--load", "load.csv",
               "--save-cal", "./load.csv"}
        << 1 << ""
        << "--save-cal ./load.csv is one of the inputs";
    // Calibration and feedline that cannot be had.
    const QStringList three {"--open", "open.csv", "--short", "short.csv", "--load", "load.csv"};
    QTest::newRow("two of the three standards")
        << QStringList {"--open", "open.csv", "--short", "short.csv", "good.csv"} << 1 << ""
        << "the load is missing";
    QTest::newRow("a capture outside the calibrated span")
        << three + QStringList {"at7.csv"} << 1 << ""
        << "outside the calibrated span, 18.13 MHz";
    QTest::newRow("a calibration file that is none")
        << QStringList {"--cal", "bad.csv", "good.csv"} << 1 << ""
        << "bad.csv: not a calibration";
    QTest::newRow("--save-cal without standards") << QStringList {"--save-cal", "c.json"} << 2 << ""
                                                  << "--save-cal needs the standards";
    QTest::newRow("--cal beside standards")
        << three + QStringList {"--cal", "c.json", "good.csv"} << 2 << ""
        << "exclude each other";
    QTest::newRow("a load standard of no resistance")
        << three + QStringList {"--load-ohm", "-j3", "good.csv"} << 2 << ""
        << "--load-ohm wants the load's resistance";
    QTest::newRow("an unknown cable") << QStringList {"--line", "RG-999:10", "good.csv"} << 2 << ""
                                      << "--line: ";
    QTest::newRow("a length not above 0")
        << QStringList {"--line", "RG-213:-3", "good.csv"} << 2 << ""
        << "--line: ";
    QTest::newRow("a line that does not parse")
        << QStringList {"--line", "coax", "good.csv"} << 2 << ""
        << "--line: ";
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

// --plot draws a sweep for captures at several frequencies, a picture each for captures at
// one frequency (numbered in their order), and an .s1p file's sweep; its format comes from
// its name and is checked before anything is measured or written.
void tst_MeasureCli::plots_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("written"); // the files that must be there afterwards
    QTest::addColumn<QString>("shows"); // what the first of them holds
    QTest::addColumn<QString>("err"); // what standard error must say ("" : no message of ours)

    QTest::newRow("--plot FILE: one capture") << QStringList {"--plot", "fit.svg", "good.csv"} << 0
                                              << QStringList {"fit.svg"} << "fitted sine"
                                              << "";
    QTest::newRow("--plot=FILE as PNG")
        << QStringList {"--plot=fit.png", "good.csv"} << 0 << QStringList {"fit.png"} << "IHDR"
        << "";
    QTest::newRow("two captures at one frequency: numbered in their order")
        << QStringList {"--plot", "fit.svg", "good.csv", "other.csv"} << 0
        << QStringList {"fit.svg", "fit-2.svg"} << "good.csv"
        << "";
    QTest::newRow("captures at two frequencies: one sweep")
        << QStringList {"--plot", "fit.svg", "at7.csv", "good.csv"} << 0 << QStringList {"fit.svg"}
        << "Sweep of 2 captures: at7.csv, good.csv"
        << "";
    QTest::newRow("an .s1p file drawn") << QStringList {"--plot", "fit.svg", "dipole.s1p"} << 0
                                        << QStringList {"fit.svg"} << "Smith chart, Z0 50"
                                        << "";
    QTest::newRow("a .jpg refused before anything is written")
        << QStringList {"--plot", "fit.jpg", "--s1p", "sweep.s1p", "good.csv", "at7.csv"} << 2
        << QStringList {} << ""
        << "--plot wants a file ending in .svg or .png, not 'fit.jpg'";
    QTest::newRow("an .s1p file without --plot")
        << QStringList {"dipole.s1p"} << 2 << QStringList {} << ""
        << "an .s1p file is read only to draw its sweep: zalvimo-measure --plot swr.png "
           "dipole.s1p";
    QTest::newRow("an .s1p file with another output")
        << QStringList {"--json", "--plot", "fit.svg", "dipole.s1p"} << 2 << QStringList {} << ""
        << "--json, --csv and --s1p are for captures; an .s1p file is only drawn, with --plot";
    QTest::newRow("captures and an .s1p file")
        << QStringList {"--plot", "fit.svg", "good.csv", "dipole.s1p"} << 2 << QStringList {} << ""
        << "give captures to measure or one .s1p file to draw, not both";
}

void tst_MeasureCli::plots()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, written);
    QFETCH(QString, shows);
    QFETCH(QString, err);

    const QStringList pictures {
        "fit.svg", "fit-2.svg", "fit-3.svg", "fit.png", "fit-2.png", "fit.jpg", "sweep.s1p"};
    for (const QString &picture : pictures) {
        QFile::remove(folder.filePath(picture));
    }
    const Run result = run(arguments);
    QCOMPARE(result.exitCode, exitCode);
    if (err.isEmpty()) {
        // The toolkit may warn about the session on its own; the program says nothing.
        QVERIFY2(!result.err.contains(QLatin1String("zalvimo-measure:")), qPrintable(result.err));
    } else {
        QVERIFY2(result.err.contains(err), qPrintable(result.err));
        QCOMPARE(result.out, QString());
    }
    for (const QString &picture : pictures) {
        QCOMPARE(QFile::exists(folder.filePath(picture)), written.contains(picture));
    }
    if (!written.isEmpty()) {
        QFile file(folder.filePath(written.first()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(file.readAll().contains(shows.toLatin1()), qPrintable(shows));
    }
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

// Real layouts, faults of the wiring and hostile files: each gives its result or its
// message, and an exit status that a script can trust.
void tst_MeasureCli::capturesAndFaults_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // what standard output must contain ("" : be empty)
    QTest::addColumn<QString>("err"); // what standard error must contain ("" : be empty)

    QTest::newRow("two Tektronix files of one channel each")
        << QStringList {"F0000CH1.CSV", "F0000CH2.CSV"} << 0
        << "F0000CH1.CSV + F0000CH2.CSV\n  Frequency (MHz)     18.13"
        << "";
    QTest::newRow("the same files in the other order: their tags decide")
        << QStringList {"--verbose", "F0000CH2.CSV", "F0000CH1.CSV"} << 0 << "Circuit             B"
        << "the reference from F0000CH1.CSV, V_x from F0000CH2.CSV (their channel tags say so)";
    QTest::newRow("a file of one channel alone")
        << QStringList {"F0000CH1.CSV"} << 1 << ""
        << "F0000CH1.CSV holds one channel; give the file of the other channel after it";
    QTest::newRow("the probes' columns exchanged")
        << QStringList {"--ref", "3", "--vx", "2", "good.csv"} << 1 << ""
        << "a passive antenna cannot give that; the reference and V_x are probably exchanged: "
           "try --ref/--vx";
    QTest::newRow("a lossless load: Z with a warning, no network")
        << QStringList {"--freq", "18.13", "lossless.csv"} << 0 << "Circuit             none"
        << "no resistance that the capture can tell from 0, so no L-network can match this load";
    QTest::newRow("a clipped reference") << QStringList {"clipped.csv"} << 1 << ""
                                         << "the reference (CH1) is clipped: ";
    QTest::newRow("V_x switched off") << QStringList {"--freq", "18.13", "silent.csv"} << 1 << ""
                                      << "V_x shows no signal (every sample is the same): is "
                                         "CH2 on, and the probe connected?";
    QTest::newRow("both channels constant")
        << QStringList {"--freq", "14.2", "constant.csv"} << 1 << ""
        << "the reference shows no signal";
    QTest::newRow("a cut-off last line is left out, with a warning")
        << QStringList {"cut.csv"} << 0 << "399 samples"
        << "cut.csv:401: the last line is cut off (the file ends inside it); it is left out";
    QTest::newRow("Rohde & Schwarz data files, their headers beside them")
        << QStringList {"RefCurve_C1.Wfm.csv", "RefCurve_C2.Wfm.csv"} << 0
        << "Z (Ohm)             34.24 + j14.33"
        << "";
    QTest::newRow("Rohde & Schwarz headers given: their data files are read")
        << QStringList {"--verbose", "RefCurve_C1.csv", "RefCurve_C2.csv"} << 0
        << "Z (Ohm)             34.24 + j14.33"
        << "RefCurve_C1.csv: segment 1 of 2 read, the first; --segment N reads another";
    QTest::newRow("the second of a history of waveforms")
        << QStringList {"--segment", "2", "RefCurve_C1.Wfm.csv", "RefCurve_C2.Wfm.csv"} << 0
        << "Z (Ohm)             34.24 - j14.33"
        << "";
    QTest::newRow("a segment beyond the file's")
        << QStringList {"--segment", "3", "RefCurve_C1.Wfm.csv", "RefCurve_C2.Wfm.csv"} << 1 << ""
        << "RefCurve_C1.Wfm.csv: --segment 3: the file holds 2 segments";
    QTest::newRow("two files of two acquisitions")
        << QStringList {"F0000CH1.CSV", "F0001CH2.CSV"} << 1 << ""
        << "F0000CH1.CSV and F0001CH2.CSV are not one acquisition: the reference's sine is at "
           "18.13 MHz and V_x's at 18.30";
    QTest::newRow("a segment's number that is none")
        << QStringList {"--segment", "0", "good.csv"} << 2 << ""
        << "--segment wants a segment's number from 1, not '0'";
    QTest::newRow("Rohde & Schwarz data without its header")
        << QStringList {"rs_rtp_01.Wfm.csv"} << 1 << ""
        << "rs_rtp_01.Wfm.csv: values without their times, and the header rs_rtp_01.csv that "
           "gives them is not beside it (rs_rtp_01.bin, an RTP's header in XML, gives no sample "
           "interval)";
    QTest::newRow("a pair whose one file lost its last sample")
        << QStringList {"C1--cut--00000.csv", "C2--cut--00000.csv"} << 0
        << "Fit                 399 samples"
        << "C1--cut--00000.csv + C2--cut--00000.csv: C2--cut--00000.csv lost its last sample to a "
           "cut-off line: the pair is measured on the 399 samples both files hold";
    QTest::newRow("an ambiguous column") << QStringList {"--ref", "2", "keysight.csv"} << 1 << ""
                                         << "--ref 2 is ambiguous";
    QTest::newRow("Keysight's channel by name")
        << QStringList {"--ref", "name=1", "--vx", "name=2", "keysight.csv"} << 0
        << "Circuit             B"
        << "";
    QTest::newRow("control characters of a file are escaped")
        << QStringList {"escape.csv"} << 1 << ""
        << "found '\\x1b]0;owned\\x07'";
    QTest::newRow("--verbose says what was read")
        << QStringList {"--verbose", "good.csv"} << 0 << "Circuit             B"
        << "good.csv: time: column 1 ('Time (s)'), in s\nzalvimo-measure: good.csv: the "
           "reference (CH1): column 2 ('CH1 (mV)'), in mV";
    QTest::newRow("a Z0 too small") << QStringList {"--z0", "1e-300", "good.csv"} << 2 << ""
                                    << "--z0 wants a resistance in ohms from 0.1 to 10000";
    QTest::newRow("a Z0 too large") << QStringList {"--z0", "1e300", "good.csv"} << 2 << ""
                                    << "--z0 wants a resistance in ohms from 0.1 to 10000";
    QTest::newRow("a frequency too high") << QStringList {"--freq", "1e6", "good.csv"} << 2 << ""
                                          << "--freq wants a frequency in MHz from 0.001";
}

// The same columns and checks as statusAndMessages.
void tst_MeasureCli::capturesAndFaults()
{
    statusAndMessages();
}

// Results that cannot be written are no success.
void tst_MeasureCli::lostOutput_data()
{
    QTest::addColumn<QString>("shell");
    QTest::newRow("a full disk") << "\"$0\" good.csv > /dev/full";
    QTest::newRow("a closed standard output") << "\"$0\" good.csv >&-";
    QTest::newRow("--help to a full disk") << "\"$0\" --help > /dev/full";
    QTest::newRow("--version to a full disk") << "\"$0\" --version > /dev/full";
}

void tst_MeasureCli::lostOutput()
{
    QFETCH(QString, shell);
    QProcess process;
    process.setWorkingDirectory(folder.path());
    process.start(
        QStringLiteral("bash"), {QStringLiteral("-c"), shell, QStringLiteral(ZALVIMO_MEASURE)});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 1);
    QVERIFY2(process.readAllStandardError().contains("cannot write the results"), "no message");
}

// A file too large for the memory there is fails alone; the next file is still measured.
void tst_MeasureCli::outOfMemory()
{
#ifdef ZALVIMO_SANITIZE
    QSKIP("AddressSanitizer reserves more address space than the limit allows");
#endif
    QFile big(path("big.csv"));
    QVERIFY(big.open(QIODevice::WriteOnly));
    const QByteArray rows = QByteArray("0,0,0\n").repeated(1 << 20);
    for (int i = 0; i < 60; ++i) {
        big.write(rows);
    }
    big.close();
    QProcess process;
    process.setWorkingDirectory(folder.path());
    process.start(QStringLiteral("bash"),
        {QStringLiteral("-c"), QStringLiteral("ulimit -v 700000; exec \"$0\" big.csv good.csv"),
            QStringLiteral(ZALVIMO_MEASURE)});
    QVERIFY(process.waitForFinished(120000));
    QFile::remove(path("big.csv"));
    const QByteArray err = process.readAllStandardError();
    QCOMPARE(process.exitCode(), 1);
    QVERIFY2(err.contains("big.csv: not enough memory to read and fit it"), err.constData());
    QVERIFY(process.readAllStandardOutput().contains("Circuit             B"));
}

// "-" reads the capture from standard input.
void tst_MeasureCli::standardInput()
{
    QProcess process;
    process.setWorkingDirectory(folder.path());
    process.setStandardInputFile(path("good.csv"));
    process.start(QStringLiteral(ZALVIMO_MEASURE),
        {QStringLiteral("--freq"), QStringLiteral("18.13"), QStringLiteral("-")});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    const QByteArray out = process.readAllStandardOutput();
    QVERIFY2(out.startsWith("-\n") && out.contains("Z (Ohm)             34.2409 + j14.3275"),
        out.constData());
}

// --help says what the program does, the exit codes and an example, in lines that fit an
// 80-column terminal.
void tst_MeasureCli::helpFitsATerminal()
{
    const Run result = run({QStringLiteral("--help")});
    QCOMPARE(result.exitCode, 0);
    for (const char *part : {"Exit status: 0", "Example: zalvimo-measure", "--s1p <file>",
             "--plot <file>", "--verbose", "F0000CH1.CSV"}) {
        QVERIFY2(result.out.contains(QLatin1String(part)), part);
    }
    for (const QString &line : result.out.split(QLatin1Char('\n'))) {
        // The usage line names the program by the path it was started with.
        QVERIFY2(line.size() <= 80 || line.startsWith(QLatin1String("Usage: ")), qPrintable(line));
    }
}

// The standards measured once and kept: the calibration file corrects a capture later,
// on an ideal bench to what the window gives, and is refused for another Z0.
void tst_MeasureCli::calibrationKept()
{
    QCOMPARE(run({"--open", "open.csv", "--short", "short.csv", "--load", "load.csv", "--save-cal",
                     "bench.json"})
                 .exitCode,
        0);
    const Run calibrated = run({"--json", "--freq", "18.13", "--cal", "bench.json", "good.csv"});
    QCOMPARE(calibrated.exitCode, 0);
    const QJsonObject root = QJsonDocument::fromJson(calibrated.out.toUtf8()).object();
    QVERIFY(root.value(QLatin1String("calibration"))
                .toObject()
                .value("summary")
                .toString()
                .startsWith("open, short, load 50"));
    const QJsonObject capture = root.value(QLatin1String("captures")).toArray().first().toObject();
    QVERIFY(std::abs(capture.value("rOhm").toDouble() - 34.2409) < 0.01);
    QVERIFY(std::abs(capture.value("xOhm").toDouble() - 14.3275) < 0.01);
    QVERIFY(std::abs(capture.value("rawROhm").toDouble() - 34.2409) < 1e-3);
    const Run otherZ0 = run({"--z0", "75", "--cal", "bench.json", "good.csv"});
    QCOMPARE(otherZ0.exitCode, 1);
    QVERIFY2(otherZ0.err.contains("made for Z0 = 50 ohms, not 75"), qPrintable(otherZ0.err));
}

// An output path that names a device is written to, never replaced by a regular file: on a
// node made in the test's own folder (as root only; never on the real /dev), and through a
// link to it.
void tst_MeasureCli::devicesStayDevices()
{
    const QByteArray node = QFile::encodeName(path("null"));
    if (::geteuid() != 0 || ::mknod(node.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        QSKIP("making a device node needs root");
    }
    QVERIFY(QFile::link(path("null"), path("link")));
    for (const char *output : {"null", "link"}) {
        const Run result = run({"--s1p", QLatin1String(output), "good.csv"});
        QCOMPARE(result.exitCode, 0);
        struct stat status;
        QCOMPARE(::stat(node.constData(), &status), 0);
        QVERIFY2(S_ISCHR(status.st_mode), output);
    }
}

QTEST_GUILESS_MAIN(tst_MeasureCli)
#include "tst_measurecli.moc"
