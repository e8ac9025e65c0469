// The L-networks for a load: how many, which parts, where, and that each one matches; the
// window's own network among them; the load as a person writes it.

#include "builtnetwork.h"
#include "lnetwork.h"
#include "loadtext.h"

#include <QtTest>

#include <complex>

using Complex = std::complex<double>;
Q_DECLARE_METATYPE(Complex)

class tst_LNetwork : public QObject
{
    Q_OBJECT

private slots:
    void solutions_data();
    void solutions();
    void loads_data();
    void loads();
};

void tst_LNetwork::solutions_data()
{
    QTest::addColumn<double>("z0");
    QTest::addColumn<Complex>("load");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("letter"); // the window's circuit

    // R < Z0 and G < 1/Z0: both placements, two each.
    QTest::newRow("A: 3 + j120") << 50.0 << Complex(3, 120) << 4 << "A";
    QTest::newRow("D: 41.97 - j27.05") << 50.0 << Complex(41.97, -27.05) << 4 << "D";
    // Inside the transceiver's conductance circle: G > 1/Z0, the shunt cannot go across the
    // antenna.
    QTest::newRow("B: 34.2 + j14.3") << 50.0 << Complex(34.24, 14.33) << 2 << "B";
    QTest::newRow("C: 20 - j10") << 50.0 << Complex(20, -10) << 2 << "C";
    // R > Z0: only across the antenna.
    QTest::newRow("E: 500 + j250") << 50.0 << Complex(500, 250) << 2 << "E";
    QTest::newRow("F: 120 - j75 on 75 ohm") << 75.0 << Complex(120, -75) << 2 << "F";
    // One element suffices: R = Z0 needs a series part only, G = 1/Z0 a shunt part only.
    // Where one element suffices, it stands once, on whichever side it is counted.
    QTest::newRow("R equal to Z0: a series capacitor alone, or two across the antenna")
        << 50.0 << Complex(50, 30) << 2 << "A";
    QTest::newRow("G equal to 1/Z0: a shunt capacitor alone, or two")
        << 50.0 << Complex(25, 25) << 2 << "A";
    QTest::newRow("already matched") << 50.0 << Complex(50, 0) << 1 << "A";
    QTest::newRow("no resistance") << 50.0 << Complex(0, -30) << 0 << "D";
    QTest::newRow("negative R") << 50.0 << Complex(-5, 10) << 0 << "A";
}

void tst_LNetwork::solutions()
{
    QFETCH(double, z0);
    QFETCH(Complex, load);
    QFETCH(int, count);
    QFETCH(QString, letter);

    const std::vector<LNetwork> networks = lNetworks(z0, load);
    QCOMPARE(int(networks.size()), count);
    for (const LNetwork &n : networks) {
        QVERIFY2(
            idealSwr(n, load, z0) < 1 + 1e-9, qPrintable(QString::number(idealSwr(n, load, z0))));
        // Low-pass is a series coil and a shunt capacitor; a DC path needs a shunt coil.
        if (passOf(n) == Pass::LowPass) {
            QVERIFY(!n.hasSeries || n.seriesReactance > 0);
            QVERIFY(!n.hasShunt || n.shuntReactance < 0);
        }
        if (dcPathToGround(n)) {
            QVERIFY(n.hasShunt && n.shuntReactance > 0);
        }
    }
    QChar windowLetter;
    const int window = windowsNetwork(networks, z0, load, &windowLetter);
    QCOMPARE(QString(windowLetter), letter);
    QCOMPARE(window >= 0, count > 0);
}

void tst_LNetwork::loads_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("reads");
    QTest::addColumn<Complex>("load");

    QTest::newRow("j after") << "41.97-27.05j" << true << Complex(41.97, -27.05);
    QTest::newRow("j before, blanks, decimal commas")
        << "41,97 - j27,05" << true << Complex(41.97, -27.05);
    QTest::newRow("plus") << "100+50j" << true << Complex(100, 50);
    QTest::newRow("resistance only") << "50" << true << Complex(50, 0);
    QTest::newRow("with the unit") << "75 + j10 Ohm" << true << Complex(75, 10);
    QTest::newRow("an exponent") << "1e2-5e1j" << true << Complex(100, -50);
    QTest::newRow("no real part") << "0-j30" << true << Complex(0, -30);
    QTest::newRow("letters") << "fifty" << false << Complex();
    QTest::newRow("empty") << "" << false << Complex();
    QTest::newRow("two j") << "1+2j+3j" << false << Complex();
    QTest::newRow("no number after the sign") << "50+" << false << Complex();
    QTest::newRow("j without a number") << "50+j" << false << Complex();
}

void tst_LNetwork::loads()
{
    QFETCH(QString, text);
    QFETCH(bool, reads);
    QFETCH(Complex, load);
    Complex read;
    QCOMPARE(parseLoad(text, &read), reads);
    if (reads) {
        QCOMPARE(read, load);
    }
}

QTEST_GUILESS_MAIN(tst_LNetwork)
#include "tst_lnetwork.moc"
