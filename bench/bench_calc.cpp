#include "calculationstate.h"
#include "componenttext.h"
#include "impedancefrommeasurement.h"
#include "solvematching.h"

#include <QtTest>

class bench_Calc : public QObject
{
    Q_OBJECT

private slots:
    void init() { calculationState = CalculationState(); }

    void measurement();
    void solver_data();
    void solver();
    void component();
};

void bench_Calc::measurement()
{
    QBENCHMARK
    {
        impedanceFromMeasurement(32.0, 27.8, 2.0, 18.130);
    }
    QVERIFY(calculationState.zReal > 34 && calculationState.zReal < 35);
}

void bench_Calc::solver_data()
{
    QTest::addColumn<double>("r");
    QTest::addColumn<double>("x");
    QTest::newRow("series first (B)") << 34.2409 << 14.3275;
    QTest::newRow("shunt first (E)") << 100.0 << 50.0;
}

void bench_Calc::solver()
{
    QFETCH(double, r);
    QFETCH(double, x);
    calculationState.zReal = r;
    calculationState.zImag = x;
    QBENCHMARK
    {
        solveMatching();
    }
    QVERIFY(calculationState.turnImag > 0);
}

void bench_Calc::component()
{
    QString text;
    QBENCHMARK
    {
        text = componentText(-73.7016, 18.130e6);
    }
    QCOMPARE(text, QStringLiteral("Capacitor of 119.109 pF"));
}

QTEST_GUILESS_MAIN(bench_Calc)
#include "bench_calc.moc"
