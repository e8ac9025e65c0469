// Parts to buy or wind: the E series, the toroids' AL against the maker's data sheet, the
// air coil against Wheeler's own example, and the choice of turns and capacitors.

#include "parts.h"

#include <QtTest>

#include <cmath>

class tst_Parts : public QObject
{
    Q_OBJECT

private slots:
    void eSeries_data();
    void eSeries();
    void toroids_data();
    void toroids();
    void wheeler();
    void capacitors_data();
    void capacitors();
    void engineeringTexts();
};

void tst_Parts::eSeries_data()
{
    QTest::addColumn<int>("series");
    QTest::addColumn<int>("count");
    QTest::newRow("E6") << 6 << 6;
    QTest::newRow("E12") << 12 << 12;
    QTest::newRow("E24") << 24 << 24;
}

// Each series steps by about the n-th root of ten (IEC 60063), within its rounding.
void tst_Parts::eSeries()
{
    QFETCH(int, series);
    QFETCH(int, count);
    const std::vector<double> values = ::eSeries(series);
    QCOMPARE(int(values.size()), count);
    for (int i = 0; i < count; ++i) {
        const double ideal = std::pow(10.0, double(i) / count);
        QVERIFY2(std::abs(values[std::size_t(i)] / ideal - 1) < 0.06,
            qPrintable(QString::number(values[std::size_t(i)])));
    }
}

void tst_Parts::toroids_data()
{
    QTest::addColumn<QString>("core");
    QTest::addColumn<int>("turns");
    QTest::addColumn<double>("microhenry"); // what the data sheet's L = AL·N²/10000 gives

    // Micrometals' iron-powder cores, AL in µH per 100 turns: T50-2 is 49, T68-6 is 47,
    // T200-2 is 120; 20 turns on a T50-2 are 49·400/10000 = 1.96 µH.
    QTest::newRow("T50-2, 20 turns") << "T50-2" << 20 << 1.96;
    QTest::newRow("T68-6, 10 turns") << "t68-6" << 10 << 0.47;
    QTest::newRow("T37-2, 31 turns") << "T37-2" << 31 << 3.844;
    QTest::newRow("T200-2, 15 turns") << "T200-2" << 15 << 2.7;
    QTest::newRow("T106-6, 8 turns") << "T106-6" << 8 << 0.7424;
}

void tst_Parts::toroids()
{
    QFETCH(QString, core);
    QFETCH(int, turns);
    QFETCH(double, microhenry);

    const ToroidCore *found = findCore(core);
    QVERIFY(found);
    CoilForm form;
    form.core = found;
    // The turns that give the inductance back, and their inductance.
    const BuiltPart coil = coilFor(microhenry * 1e-6, form);
    QCOMPARE(coil.turns, turns);
    QVERIFY(std::abs(coil.value / (microhenry * 1e-6) - 1) < 1e-9);
    QVERIFY(!findCore(QStringLiteral("T51-2")));
    QCOMPARE(int(toroidCores().size()), 22);
}

// Wheeler's example: a coil 1 inch across and 1 inch long of 10 turns is
// 1²·10²/(18 + 40) = 1.724 µH; and the turns chosen for an inductance give it back.
void tst_Parts::wheeler()
{
    QVERIFY(std::abs(wheelerInductance(0.0254, 0.0254, 10) / 1.7241e-6 - 1) < 1e-4);
    CoilForm air;
    air.airDiameterMetre = 0.0254;
    air.airPitchMetre = 0.00254;
    const BuiltPart coil = coilFor(1.7241e-6, air);
    QCOMPARE(coil.turns, 10);
    QVERIFY(coil.text.startsWith(QLatin1String("10 turns, 25.4 mm across, 25.4 mm long")));
}

void tst_Parts::capacitors_data()
{
    QTest::addColumn<double>("farad");
    QTest::addColumn<int>("series");
    QTest::addColumn<bool>("pair");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("119 pF, E12") << 119.109e-12 << 12 << false << "120 pF" << 120e-12;
    QTest::newRow("119 pF, E6") << 119.109e-12 << 6 << false << "100 pF" << 100e-12;
    QTest::newRow("517 pF, E12 pair")
        << 517e-12 << 12 << true << "470 pF + 47 pF in parallel" << 517e-12;
    QTest::newRow("2.9 nF, E24") << 2.9e-9 << 24 << false << "3 nF" << 3e-9;
}

void tst_Parts::capacitors()
{
    QFETCH(double, farad);
    QFETCH(int, series);
    QFETCH(bool, pair);
    QFETCH(QString, text);
    QFETCH(double, value);
    const BuiltPart part = capacitorFor(farad, series, pair);
    QCOMPARE(part.text, text);
    QVERIFY(std::abs(part.value / value - 1) < 1e-9);
}

void tst_Parts::engineeringTexts()
{
    QCOMPARE(engineeringText(1281.42e-9, QStringLiteral("H")), QStringLiteral("1.28 \u00b5H"));
    QCOMPARE(engineeringText(78.1458e-9, QStringLiteral("H")), QStringLiteral("78.1 nH"));
    QCOMPARE(engineeringText(4700e-12, QStringLiteral("F")), QStringLiteral("4.7 nF"));
}

QTEST_GUILESS_MAIN(tst_Parts)
#include "tst_parts.moc"
