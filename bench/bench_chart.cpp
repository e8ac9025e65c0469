#include "antennawidget.h"
#include "calculationstate.h"
#include "solvematching.h"

#include <QImage>
#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(CalculationState)

// One full paint of the chart into a 500 by 400 image, as the plot page shows it.
class bench_Chart : public QObject
{
    Q_OBJECT

private slots:
    void paint_data();
    void paint();
};

void bench_Chart::paint_data()
{
    QTest::addColumn<double>("scale"); // pixels per ohm
    QTest::addColumn<CalculationState>("state");

    const CalculationState start;
    CalculationState path;
    path.zReal = 34.2409;
    path.zImag = 14.3275;
    calculationState = path;
    solveMatching();
    path = calculationState;
    const double nan = qQNaN();

    const double densest = std::exp(-70 / 50.0); // the slider at its left end
    const double largest = std::exp(150 / 50.0); // the slider at its right end
    const CalculationState allNaN {nan, nan, nan, nan, nan, 0, nan, nan, nan, nan, nan};
    QTest::newRow("start scale") << 2.0 << start;
    QTest::newRow("densest grid (slider -70)") << densest << start;
    QTest::newRow("largest zoom (slider 150)") << largest << start;
    QTest::newRow("matching path") << 2.0 << path;
    QTest::newRow("matching path, densest grid") << densest << path;
    QTest::newRow("NaN state") << 2.0 << allNaN;
    CalculationState huge = path;
    huge.arcCenter = 1e9;
    huge.circuitVariant = 4;
    QTest::newRow("arc centre 1e9, largest zoom") << largest << huge;
    // Only a direct setScale gives these: the grid crowds into one pixel per line.
    QTest::newRow("scale 0") << 0.0 << path;
    QTest::newRow("scale 1e-300") << 1e-300 << path;
}

void bench_Chart::paint()
{
    QFETCH(double, scale);
    QFETCH(CalculationState, state);

    calculationState = state;
    AntennaWidget chart(500, 400);
    chart.setScale(scale);
    QImage image(500, 400, QImage::Format_ARGB32_Premultiplied);
    QBENCHMARK
    {
        chart.render(&image);
    }
}

QTEST_MAIN(bench_Chart)
#include "bench_chart.moc"
