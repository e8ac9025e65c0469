#include "componenttext.h"

#include <QtTest>

#include <cmath>

class tst_ComponentText : public QObject
{
    Q_OBJECT

private slots:
    void text_data();
    void text();
};

void tst_ComponentText::text_data()
{
    QTest::addColumn<double>("reactance");
    QTest::addColumn<double>("frequencyHz");
    QTest::addColumn<QString>("expected");

    QTest::newRow("-10 ohm at 10 MHz") << -10.0 << 10e6 << "Capacitor of 1591.55 pF";
    QTest::newRow("+10 ohm at 10 MHz") << 10.0 << 10e6 << "Coil of 159.155 nH";
    // The shunt capacitor of Z = 20 + j30 on 50 ohm: −1000 / √600 ohm.
    QTest::newRow("shunt capacitor of variant A")
        << -1000 / std::sqrt(600.0) << 10e6 << "Capacitor of 389.848 pF";
    QTest::newRow("series coil of variant D")
        << 30 - std::sqrt(600.0) << 10e6 << "Coil of 87.6164 nH";
    QTest::newRow("zero reactance is a coil") << 0.0 << 10e6 << "Coil of 0 nH";
    QTest::newRow("large capacitance in exponent form")
        << -0.01 << 1e6 << "Capacitor of 1.59155e+07 pF";
    QTest::newRow("NaN reactance is a coil") << qQNaN() << 10e6 << "Coil of nan nH";
    QTest::newRow("capacitor at 0 Hz") << -5.0 << 0.0 << "Capacitor of inf pF";
    QTest::newRow("coil at 0 Hz") << 5.0 << 0.0 << "Coil of inf nH";
    QTest::newRow("zero reactance at 0 Hz") << 0.0 << 0.0 << "Coil of nan nH";
}

void tst_ComponentText::text()
{
    QFETCH(double, reactance);
    QFETCH(double, frequencyHz);
    QFETCH(QString, expected);
    QCOMPARE(componentText(reactance, frequencyHz), expected);
}

QTEST_GUILESS_MAIN(tst_ComponentText)
#include "tst_componenttext.moc"
