#include "calculationstate.h"
#include "conductancearc.h"
#include "impedancefrommeasurement.h"
#include "solvematching.h"

#include <QRandomGenerator>
#include <QtTest>

#include <array>
#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// Six significant digits, the precision of the worked results; NaN matches NaN, an
// infinity only the same infinity, and an expected zero asks for an absolute 1e-9.
bool matches(double actual, double expected)
{
    if (std::isnan(expected)) {
        return std::isnan(actual);
    }
    if (std::isinf(expected)) {
        return actual == expected;
    }
    if (expected == 0) {
        return std::abs(actual) < 1e-9;
    }
    return std::abs(actual - expected) <= 1e-5 * std::abs(expected);
}

void solve(double source, double r, double x)
{
    calculationState = CalculationState();
    calculationState.sourceImpedance = source;
    calculationState.zReal = r;
    calculationState.zImag = x;
    solveMatching();
}

#define CHECK_FIELD(field, expected)                                                               \
    QVERIFY2(matches(calculationState.field, expected),                                            \
        qPrintable(QStringLiteral(#field " is %1, expected %2")                                    \
                       .arg(calculationState.field, 0, 'g', 9)                                     \
                       .arg(expected, 0, 'g', 9)))

} // namespace

class tst_SolveMatching : public QObject
{
    Q_OBJECT

private slots:
    void workedResults_data();
    void workedResults();
    void conductanceArc();
    void matchesTheSourceForRandomLoads_data();
    void matchesTheSourceForRandomLoads();
    void valueCoreIsTheWindowsSolver();
};

void tst_SolveMatching::workedResults_data()
{
    QTest::addColumn<double>("source");
    QTest::addColumn<double>("r");
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("variant");
    QTest::addColumn<double>("reactanceOne");
    QTest::addColumn<double>("reactanceTwo");
    QTest::addColumn<double>("turnReal");
    QTest::addColumn<double>("turnImag");
    QTest::addColumn<double>("arcCenter");
    QTest::addColumn<double>("arcStartAngle");
    QTest::addColumn<double>("arcEndAngle");

    const double nan = qQNaN();
    const double inf = qInf();
    const double pi = 3.141592653589793;
    QTest::newRow("A: outside the circle, inductive")
        << 50.0 << 20.0 << 30.0 << 0 << -5.5051 << -40.8248 << 20.0 << 24.4949 << 25.0 << 0.0
        << 1.77215;
    QTest::newRow("B: inside the circle, inductive")
        << 50.0 << 20.0 << 10.0 << 1 << 14.4949 << -40.8248 << 20.0 << 24.4949 << 25.0 << 0.0
        << 1.77215;
    QTest::newRow("C: inside the circle, capacitive")
        << 50.0 << 20.0 << -10.0 << 2 << -14.4949 << 40.8248 << 20.0 << -24.4949 << 25.0 << 0.0
        << -1.77215;
    QTest::newRow("D: outside the circle, capacitive")
        << 50.0 << 20.0 << -30.0 << 3 << 5.5051 << 40.8248 << 20.0 << -24.4949 << 25.0 << 0.0
        << -1.77215;
    QTest::newRow("E: above Z0, inductive") << 50.0 << 100.0 << 50.0 << 4 << 172.474 << -61.2372
                                            << 50.0 << 61.2372 << 62.5 << 0.927295 << 1.77215;
    QTest::newRow("F: above Z0, capacitive") << 50.0 << 100.0 << -50.0 << 5 << -172.474 << 61.2372
                                             << 50.0 << -61.2372 << 62.5 << -0.927295 << -1.77215;
    QTest::newRow("E: pure resistance above Z0")
        << 50.0 << 100.0 << 0.0 << 4 << 100.0 << -50.0 << 50.0 << 50.0 << 50.0 << 0.0 << 1.5708;
    QTest::newRow("B: pure resistance below Z0") << 50.0 << 20.0 << 0.0 << 1 << 24.4949 << -40.8248
                                                 << 20.0 << 24.4949 << 25.0 << 0.0 << 1.77215;
    QTest::newRow("B: the default measurement")
        << 50.0 << 34.2409 << 14.3275 << 1 << 8.90192 << -73.7016 << 34.2409 << 23.2294 << 25.0
        << 0.0 << 1.19218;
    // R equal to Z0: the series element alone matches. The shunt element is an open
    // circuit, −∞ ohm, where the complex division by 0 + j0 would give NaN.
    QTest::newRow("R equal to Z0: no path, open shunt element")
        << 50.0 << 50.0 << 10.0 << 0 << -10.0 << -inf << 50.0 << 0.0 << 25.0 << 0.0 << 0.0;
    QTest::newRow("R equal to Z0, capacitive")
        << 50.0 << 50.0 << -10.0 << 3 << 10.0 << -inf << 50.0 << 0.0 << 25.0 << 0.0 << 0.0;
    QTest::newRow("matched already: no element at all")
        << 50.0 << 50.0 << 0.0 << 0 << 0.0 << -inf << 50.0 << 0.0 << 25.0 << 0.0 << 0.0;
    QTest::newRow("R equal to Z0 of 75")
        << 75.0 << 75.0 << 20.0 << 0 << -20.0 << -inf << 75.0 << 0.0 << 37.5 << 0.0 << 0.0;
    QTest::newRow("exactly on the circle counts as outside")
        << 50.0 << 10.0 << 20.0 << 0 << 0.0 << -25.0 << 10.0 << 20.0 << 25.0 << 0.0 << 2.21430;
    QTest::newRow("the origin lies on the circle")
        << 50.0 << 0.0 << 0.0 << 0 << 0.0 << 0.0 << 0.0 << 0.0 << 25.0 << 0.0 << pi;
    QTest::newRow("pure reactance")
        << 50.0 << 0.0 << 10.0 << 0 << -10.0 << 0.0 << 0.0 << 0.0 << 25.0 << 0.0 << pi;
    QTest::newRow("negative R") << 50.0 << -10.0 << 5.0 << 0 << nan << nan << -10.0 << nan << 25.0
                                << 0.0 << nan;
    QTest::newRow("negative R, capacitive")
        << 50.0 << -10.0 << -5.0 << 3 << nan << nan << -10.0 << nan << 25.0 << 0.0 << nan;
    QTest::newRow("Z0 of 0 makes every load beyond")
        << 0.0 << 30.0 << 40.0 << 4 << 0.0 << 0.0 << 0.0 << 0.0 << 41.6667 << 1.85459 << pi;
}

void tst_SolveMatching::workedResults()
{
    QFETCH(double, source);
    QFETCH(double, r);
    QFETCH(double, x);
    QFETCH(int, variant);
    QFETCH(double, reactanceOne);
    QFETCH(double, reactanceTwo);
    QFETCH(double, turnReal);
    QFETCH(double, turnImag);
    QFETCH(double, arcCenter);
    QFETCH(double, arcStartAngle);
    QFETCH(double, arcEndAngle);

    solve(source, r, x);
    QCOMPARE(calculationState.circuitVariant, variant);
    CHECK_FIELD(reactanceOne, reactanceOne);
    CHECK_FIELD(reactanceTwo, reactanceTwo);
    CHECK_FIELD(turnReal, turnReal);
    CHECK_FIELD(turnImag, turnImag);
    CHECK_FIELD(arcCenter, arcCenter);
    CHECK_FIELD(arcStartAngle, arcStartAngle);
    CHECK_FIELD(arcEndAngle, arcEndAngle);
    // The solver reads its inputs and never writes them.
    QCOMPARE(calculationState.sourceImpedance, source);
    QCOMPARE(calculationState.zReal, r);
    QCOMPARE(calculationState.zImag, x);
}

void tst_SolveMatching::conductanceArc()
{
    ConductanceArc arc;
    QCOMPARE(arc.center, 0.0);
    QCOMPARE(arc.startAngle, 0.0);
    QCOMPARE(arc.endAngle, 0.0);

    // The circle through the origin and 100 + j50 has its centre at 62.5 and passes
    // through 50 + j61.2372.
    arc.setCenterThrough(100, 50);
    QCOMPARE(arc.center, 62.5);
    QCOMPARE(arc.ordinateAt(50), std::sqrt(3750.0));
    QVERIFY(std::isnan(arc.ordinateAt(200))); // beyond the circle
    arc.setStartAngle(125, 0);
    QCOMPARE(arc.startAngle, 0.0);
    arc.setEndAngle(62.5, 62.5);
    QCOMPARE(arc.endAngle, std::atan2(1.0, 0.0));
}

// The physics, independent of how the solver gets there: the two reactances, wired as the
// variant prescribes, must transform the load into exactly Z0.
void tst_SolveMatching::matchesTheSourceForRandomLoads_data()
{
    QTest::addColumn<double>("source");
    QTest::newRow("12.5 ohm") << 12.5;
    QTest::newRow("50 ohm") << 50.0;
    QTest::newRow("75 ohm") << 75.0;
    QTest::newRow("300 ohm") << 300.0;
}

void tst_SolveMatching::matchesTheSourceForRandomLoads()
{
    QFETCH(double, source);
    using Complex = std::complex<double>;
    const auto parallel = [](Complex a, Complex b) { return a * b / (a + b); };
    QRandomGenerator random(20261207);
    int checked[6] = {};

    for (int i = 0; i < 20000; ++i) {
        // Every other load near the source's circle, so that small circles are met too.
        const double rMax = i % 2 ? 2 * source : 2000;
        const double xMax = i % 2 ? source : 2000;
        const double r = 0.1 + random.generateDouble() * (rMax - 0.1);
        const double x = -xMax + random.generateDouble() * 2 * xMax;
        if (r == source) {
            continue;
        }
        solve(source, r, x);
        const Complex load(r, x);
        const Complex first(0, calculationState.reactanceOne);
        const Complex second(0, calculationState.reactanceTwo);
        const Complex turn(calculationState.turnReal, calculationState.turnImag);
        const int variant = calculationState.circuitVariant;
        QVERIFY(variant >= 0 && variant <= 5);
        ++checked[variant];

        Complex atSource;
        if (variant <= 3) {
            // Series element next to the load, shunt element across the source.
            atSource = parallel(load + first, second);
            QCOMPARE(turn.real(), r);
            QVERIFY(std::abs(std::abs(turn - source / 2) - source / 2) <= 1e-9 * source);
        } else {
            // Shunt element across the load, series element towards the source.
            atSource = parallel(load, first) + second;
            QCOMPARE(turn.real(), source);
            const double loadCircleCenter = std::norm(load) / (2 * r);
            QVERIFY(std::abs(std::abs(turn - loadCircleCenter) - loadCircleCenter)
                <= 1e-9 * loadCircleCenter);
        }
        if (!(std::abs(atSource - source) <= 1e-7 * source)) {
            QFAIL(qPrintable(QStringLiteral("Z = %1 %2j, variant %3 gives %4 %5j")
                                 .arg(r)
                                 .arg(x)
                                 .arg(variant)
                                 .arg(atSource.real())
                                 .arg(atSource.imag())));
        }
        // The turn point is taken on the load's side of the real axis.
        QVERIFY((turn.imag() < 0) == (x < 0));
    }
    for (int variant = 0; variant < 6; ++variant) {
        QVERIFY2(checked[variant] > 0, "every variant must be met");
    }
}

// The value-returning core gives what the window's record gets, to the last bit, for
// ordinary, degenerate and non-finite loads alike; and so does the measurement's.
void tst_SolveMatching::valueCoreIsTheWindowsSolver()
{
    const auto same = [](double a, double b) {
        return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
    };
    QRandomGenerator random(7);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<std::array<double, 3>> loads {{50, 50, 0}, {50, 0, 0}, {0, 0, 0}, {75, 75, -30},
        {50, nan, 1}, {50, inf, -inf}, {-50, 20, 30}, {50, 1e300, 1e-300}};
    for (int i = 0; i < 2000; ++i) {
        loads.push_back(
            {random.bounded(200.0), random.bounded(1000.0) - 100, random.bounded(2000.0) - 1000});
    }
    for (const auto &[source, r, x] : loads) {
        calculationState = CalculationState();
        calculationState.sourceImpedance = source;
        calculationState.zReal = r;
        calculationState.zImag = x;
        solveMatching();
        const MatchingSolution s = matchingSolution(source, r, x);
        QVERIFY(s.circuitVariant == calculationState.circuitVariant);
        QVERIFY(same(s.reactanceOne, calculationState.reactanceOne));
        QVERIFY(same(s.reactanceTwo, calculationState.reactanceTwo));
        QVERIFY(same(s.turnReal, calculationState.turnReal));
        QVERIFY(same(s.turnImag, calculationState.turnImag));
        QVERIFY(same(s.arc.center, calculationState.arcCenter));
        QVERIFY(same(s.arc.startAngle, calculationState.arcStartAngle));
        QVERIFY(same(s.arc.endAngle, calculationState.arcEndAngle));
        QCOMPARE(s.shuntAcrossSource, s.circuitVariant <= 3);

        impedanceFromMeasurement(std::abs(r), std::abs(x) / 10, r / 100, source);
        const std::complex<double> z
            = impedanceFrom(source, std::abs(r), std::abs(x) / 10, r / 100, source);
        QVERIFY(same(z.real(), calculationState.zReal) && same(z.imag(), calculationState.zImag));
    }
}

QTEST_GUILESS_MAIN(tst_SolveMatching)
#include "tst_solvematching.moc"
