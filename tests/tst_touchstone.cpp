// The Touchstone reader and writer: the layouts that VNAs and their programs write, the
// options in every spelling, the files that must be refused, and a round trip.

#include "touchstone.h"

#include <QtTest>

#include <cmath>
#include <complex>

using Complex = std::complex<double>;
Q_DECLARE_METATYPE(Complex)

namespace {

bool near(Complex a, Complex b, double tolerance)
{
    return std::abs(a - b) <= tolerance * std::max(1.0, std::abs(b));
}

} // namespace

class tst_Touchstone : public QObject
{
    Q_OBJECT

private slots:
    void layouts_data();
    void layouts();
    void badFiles_data();
    void badFiles();
    void roundTrip();
};

void tst_Touchstone::layouts_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<double>("referenceOhm");
    QTest::addColumn<int>("points");
    QTest::addColumn<double>("lastHz");
    QTest::addColumn<Complex>("lastS11");

    // A NanoVNA sweep of a magnetic loop on 20 m, saved by a NanoVNA program: no comment,
    // Hz, RI (jaesparza/Loop-controller, loopMeasurements/20m120222.s1p, first lines).
    QTest::newRow("NanoVNA, Hz RI")
        << QByteArray("# HZ S RI R 50\n"
                      "14000000 0.9126010658388177 0.4394337825664282\n"
                      "14001325 0.9130234212643356 0.4355365582533457\n")
        << 50.0 << 2 << 14001325.0 << Complex(0.9130234212643356, 0.4355365582533457);
    // A Keysight P9371A USB VNA: comments first, the option line with double blanks, dB
    // and angle, CRLF (LateNightIceCream/qucs-discrete-matching,
    // antenna_data/aniou-antenna-large-raw-0R.s1p, first lines).
    QTest::newRow("Keysight, Hz DB, comments, CRLF")
        << QByteArray("!Keysight Technologies,P9371A,MY57212015,Z.15.41.75\r\n"
                      "!Date: Wednesday, May 04, 2022 11:18:10\r\n"
                      "!Correction: S11(C  1-Port  ) \r\n"
                      "!S1P File: Measurement: S11:\r\n"
                      "# Hz S  dB   R 50\r\n"
                      "700000000 -2.222131 68.230919\r\n"
                      "700500000 -2.2346408 67.8964\r\n")
        << 50.0 << 2 << 700500000.0
        << std::polar(std::pow(10.0, -2.2346408 / 20), 67.8964 * 3.141592653589793 / 180);
    // scikit-rf's writer: a comment, a trailing blank on the option line, a comment over the
    // columns, R as "75.0", MA.
    QTest::newRow("scikit-rf, MHz MA, R 75")
        << QByteArray("!Created with skrf (http://scikit-rf.org).\n# MHz S MA R 75.0 \n"
                      "!freq magS11 angS11\n1.0 0.5 90\n2.0 0.5 -90\n")
        << 75.0 << 2 << 2e6 << Complex(0, -0.5);
    QTest::newRow("no option line: GHz S MA R 50")
        << QByteArray("1 0.5 180\n") << 50.0 << 1 << 1e9 << Complex(-0.5, 0);
    QTest::newRow("tokens in another order and case, kHz")
        << QByteArray("# r 25 ri khz s\n7100 0 0\n") << 25.0 << 1 << 7.1e6 << Complex(0, 0);
    // Z normalised to R: z = 1 + 1j is 50 + j50 ohm, Γ = j/(2 + j).
    QTest::newRow("Z in RI") << QByteArray("# MHz Z RI R 50\n14.2 1 1\n") << 50.0 << 1 << 14.2e6
                             << Complex(0, 1) / Complex(2, 1);
    // Y normalised to R: y = 0.5 is 100 ohm, Γ = 1/3.
    QTest::newRow("Y in RI") << QByteArray("# MHz Y RI R 50\n14.2 0.5 0\n") << 50.0 << 1 << 14.2e6
                             << Complex(1.0 / 3, 0);
    QTest::newRow("comments after the numbers, blank lines, tabs, a second option line")
        << QByteArray("# MHz S RI R 50\n\n  3.5\t0.1\t-0.2 ! the 80 m band\n"
                      "# GHz S DB R 75\n7.1 0.3 0.4\n")
        << 50.0 << 2 << 7.1e6 << Complex(0.3, 0.4);
    QTest::newRow("UTF-8 byte-order mark, no line end at the end")
        << QByteArray("\xef\xbb\xbf# MHz S RI R 50\n1.8 0 0.5") << 50.0 << 1 << 1.8e6
        << Complex(0, 0.5);
}

void tst_Touchstone::layouts()
{
    QFETCH(QByteArray, content);
    QFETCH(double, referenceOhm);
    QFETCH(int, points);
    QFETCH(double, lastHz);
    QFETCH(Complex, lastS11);

    const Result<TouchstoneSweep> read = readTouchstone(content, QStringLiteral("a.s1p"));
    QVERIFY2(read, qPrintable(read.error()));
    const TouchstoneSweep &sweep = *read;
    QCOMPARE(sweep.referenceOhm, referenceOhm);
    QCOMPARE(int(sweep.points.size()), points);
    QCOMPARE(sweep.points.back().frequencyHz, lastHz);
    QVERIFY2(near(sweep.points.back().s11, lastS11, 1e-12),
        qPrintable(QStringLiteral("%1 %2")
                       .arg(sweep.points.back().s11.real())
                       .arg(sweep.points.back().s11.imag())));
}

void tst_Touchstone::badFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("error");

    // A NanoVNA's two-port sweep, as a command-line tool prints it (the nanocli README).
    QTest::newRow("two ports") << QByteArray("# MHz S MA R 50\n0.01             0.059171   "
                                             "-88.095        0.31491     2.500        0.31491   "
                                             "  2.500       0.059171   -88.095\n")
                               << "a.s1p:2: 9 numbers on a line; a one-port file has 3 (the "
                                  "frequency and S11): is this a file of more ports?";
    QTest::newRow("a missing value") << QByteArray("# MHz S RI R 50\n1 0.5\n")
                                     << "a.s1p:2: expected 3 numbers (the frequency and S11), "
                                        "found 2";
    QTest::newRow("text in the data")
        << QByteArray("# MHz S RI R 50\n1 0.5 abc\n") << "a.s1p:2: expected a number, found 'abc'";
    QTest::newRow("a number with text after it")
        << QByteArray("1 0.5 0.1x\n") << "a.s1p:1: expected a number, found '0.1x'";
    QTest::newRow("frequencies that do not ascend") << QByteArray(
        "# MHz S RI R 50\n2 0 0\n1 0 0\n") << "a.s1p:3: the frequencies must ascend: 1 after 2";
    QTest::newRow("the same frequency twice") << QByteArray("# MHz S RI R 50\n2 0 0\n2 0 0\n")
                                              << "a.s1p:3: the frequencies must ascend: 2 after 2";
    QTest::newRow("R of 0") << QByteArray("# MHz S RI R 0\n1 0 0\n")
                            << "a.s1p:1: the reference resistance must be above 0 ohms, not '0'";
    QTest::newRow("R without a value") << QByteArray("# MHz S RI R\n1 0 0\n")
                                       << "a.s1p:1: the option R wants the reference resistance";
    QTest::newRow("an unknown option")
        << QByteArray("# MHz S XY R 50\n") << "a.s1p:1: unknown option 'XY'";
    QTest::newRow("two-port parameters")
        << QByteArray("# MHz H RI R 50\n") << "a.s1p:1: H parameters belong to two ports";
    QTest::newRow("not finite") << QByteArray("# MHz S RI R 50\n1 nan 0\n")
                                << "a.s1p:2: not a finite number: 'nan'";
    QTest::newRow("overflow") << QByteArray("# MHz S RI R 50\n1 1e999 0\n")
                              << "a.s1p:2: not a finite number: '1e999'";
    QTest::newRow("a frequency that overflows in hertz") << QByteArray(
        "# GHz S RI R 50\n1e300 0 0\n") << "a.s1p:2: the frequency 1e+300 is not a frequency";
    QTest::newRow("a negative frequency") << QByteArray("# MHz S RI R 50\n-1 0 0\n")
                                          << "a.s1p:2: the frequency -1 is not a frequency";
    QTest::newRow("an option line after the data")
        << QByteArray("1 0 0\n# MHz S RI R 50\n") << "a.s1p:2: the option line must come before";
    QTest::newRow("Touchstone 2") << QByteArray("[Version] 2.0\n# MHz S RI R 50\n")
                                  << "a.s1p:1: '[Version]' is a keyword of Touchstone 2";
    QTest::newRow("no data") << QByteArray("! only a comment\n# MHz S RI R 50\n")
                             << "a.s1p: no data lines";
    QTest::newRow("a control character in the text")
        << QByteArray("1 0 \x1b[2J\n") << "a.s1p:1: expected a number, found '\\x1b[2J'";
    QTest::newRow("a doubled sign")
        << QByteArray("1 0 +-1\n") << "a.s1p:1: expected a number, found '+-1'";
}

void tst_Touchstone::badFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, error);

    const Result<TouchstoneSweep> read = readTouchstone(content, QStringLiteral("a.s1p"));
    QVERIFY(!read);
    const QString message = read.error();
    QVERIFY2(message.startsWith(error), qPrintable(message));
}

// What the writer writes, the reader reads back to the last bit, comments and all; Z goes
// to S11 and back.
void tst_Touchstone::roundTrip()
{
    TouchstoneSweep sweep;
    sweep.referenceOhm = 75;
    const Complex loads[] = {{34.2409, 14.3275}, {3, 120}, {800, -25}, {0.001, -450}};
    double frequency = 1.85e6;
    for (const Complex z : loads) {
        sweep.points.push_back({frequency, reflectionFromImpedance(z, 75)});
        frequency *= 3.3;
    }
    const QByteArray file = writeTouchstone(
        sweep, {QStringLiteral("made by a test"), QStringLiteral("a line\nbreak")});
    QVERIFY(file.startsWith("! made by a test\n! a line\\x0abreak\n# MHz S RI R 75\n"));

    const Result<TouchstoneSweep> result = readTouchstone(file, QStringLiteral("b.s1p"));
    QVERIFY2(result, qPrintable(result.error()));
    const TouchstoneSweep &read = *result;
    QCOMPARE(read.referenceOhm, 75.0);
    QCOMPARE(read.points.size(), sweep.points.size());
    for (std::size_t i = 0; i < read.points.size(); ++i) {
        QCOMPARE(read.points[i].frequencyHz, sweep.points[i].frequencyHz);
        QCOMPARE(read.points[i].s11, sweep.points[i].s11);
        QVERIFY(near(impedanceFromReflection(read.points[i].s11, 75), loads[i], 1e-12));
    }
}

QTEST_GUILESS_MAIN(tst_Touchstone)
#include "tst_touchstone.moc"
