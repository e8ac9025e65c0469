#include "calculationstate.h"
#include "impedancefrommeasurement.h"
#include "numbertext.h"

#include <QtTest>

#include <cmath>

class tst_Measurement : public QObject
{
    Q_OBJECT

private slots:
    void init() { calculationState = CalculationState(); }

    void shownResult_data();
    void shownResult();
    void zeroDenominator_data();
    void zeroDenominator();
    void leavesSolverFieldsAlone();
};

// Measurements with finite results, compared as the texts the panel shows.
void tst_Measurement::shownResult_data()
{
    QTest::addColumn<double>("source");
    QTest::addColumn<double>("vRef");
    QTest::addColumn<double>("vX");
    QTest::addColumn<double>("delay");
    QTest::addColumn<double>("freq");
    QTest::addColumn<QString>("real");
    QTest::addColumn<QString>("imag");

    QTest::newRow("defaults") << 50.0 << 32.0 << 27.8 << 2.0 << 18.130 << "34.2409"
                              << "14.3275";
    QTest::newRow("negative delay gives the conjugate")
        << 50.0 << 32.0 << 27.8 << -2.0 << 18.130 << "34.2409"
        << "-14.3275";
    QTest::newRow("delay 0") << 50.0 << 32.0 << 27.8 << 0.0 << 18.130 << "38.3978"
                             << "0";
    QTest::newRow("frequency 0") << 50.0 << 32.0 << 27.8 << 2.0 << 0.0 << "38.3978"
                                 << "0";
    QTest::newRow("40 m band, trailing zero dropped")
        << 50.0 << 50.0 << 40.0 << 10.0 << 7.1 << "22.9132"
        << "19.688";
    QTest::newRow("source 75 scales Z") << 75.0 << 32.0 << 27.8 << 2.0 << 18.130 << "51.3614"
                                        << "21.4912";
    QTest::newRow("vX 0") << 50.0 << 32.0 << 0.0 << 2.0 << 18.130 << "0"
                          << "0";
    QTest::newRow("source 0") << 0.0 << 32.0 << 27.8 << 2.0 << 18.130 << "0"
                              << "0";
}

void tst_Measurement::shownResult()
{
    QFETCH(double, source);
    QFETCH(double, vRef);
    QFETCH(double, vX);
    QFETCH(double, delay);
    QFETCH(double, freq);
    QFETCH(QString, real);
    QFETCH(QString, imag);

    calculationState.sourceImpedance = source;
    impedanceFromMeasurement(vRef, vX, delay, freq);
    QCOMPARE(numberText(calculationState.zReal), real);
    QCOMPARE(numberText(calculationState.zImag), imag);
    QCOMPARE(calculationState.sourceImpedance, source);
}

// A zero denominator 2·vRef − vX·e^{jφ} must give the signed infinities of the conforming
// complex division, not a trap and not the naive formula's NaN for everything.
void tst_Measurement::zeroDenominator_data()
{
    QTest::addColumn<double>("source");
    QTest::addColumn<double>("vRef");
    QTest::addColumn<double>("vX");
    QTest::addColumn<double>("delay");
    QTest::addColumn<double>("expectedReal");
    QTest::addColumn<double>("expectedImag");

    const double inf = qInf();
    const double nan = qQNaN();
    QTest::newRow("vX twice vRef, no delay") << 50.0 << 32.0 << 64.0 << 0.0 << inf << nan;
    QTest::newRow("negative source") << -50.0 << 32.0 << 64.0 << 0.0 << -inf << nan;
    QTest::newRow("source 0 too") << 0.0 << 32.0 << 64.0 << 0.0 << nan << nan;
    QTest::newRow("both voltages 0") << 50.0 << 0.0 << 0.0 << 2.0 << nan << nan;
    QTest::newRow("everything 0") << 0.0 << 0.0 << 0.0 << 0.0 << nan << nan;
}

void tst_Measurement::zeroDenominator()
{
    QFETCH(double, source);
    QFETCH(double, vRef);
    QFETCH(double, vX);
    QFETCH(double, delay);
    QFETCH(double, expectedReal);
    QFETCH(double, expectedImag);

    calculationState.sourceImpedance = source;
    impedanceFromMeasurement(vRef, vX, delay, 18.130);
    const auto same = [](double actual, double expected) {
        return std::isnan(expected) ? std::isnan(actual) : actual == expected;
    };
    QVERIFY2(
        same(calculationState.zReal, expectedReal), qPrintable(numberText(calculationState.zReal)));
    QVERIFY2(
        same(calculationState.zImag, expectedImag), qPrintable(numberText(calculationState.zImag)));
}

// With vRef 0 the divider gives Z = −Z0 exactly in theory; the shortened π leaves only a
// rounding residue in X.
void tst_Measurement::leavesSolverFieldsAlone()
{
    calculationState.turnImag = 23.0;
    calculationState.circuitVariant = 4;
    calculationState.arcCenter = 62.5;
    impedanceFromMeasurement(0.0, 27.8, 2.0, 18.130);
    QCOMPARE(numberText(calculationState.zReal), QStringLiteral("-50"));
    QVERIFY(std::abs(calculationState.zImag) < 1e-12);
    QCOMPARE(calculationState.turnImag, 23.0);
    QCOMPARE(calculationState.circuitVariant, 4);
    QCOMPARE(calculationState.arcCenter, 62.5);
}

QTEST_GUILESS_MAIN(tst_Measurement)
#include "tst_measurement.moc"
