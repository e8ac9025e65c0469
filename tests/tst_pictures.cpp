#include "calculationstate.h"
#include "matchingregions.h"
#include "solvematching.h"

#include <QImage>
#include <QtTest>

#include <algorithm>
#include <cmath>

// The pictures that the build draws for the two information pages.
class tst_Pictures : public QObject
{
    Q_OBJECT

private slots:
    void sizes_data();
    void sizes();
    void regionsFollowTheSolver();
    void setupTracesShowTheDefaultReading();
    void cellsShowTheSolversParts_data();
    void cellsShowTheSolversParts();
};

void tst_Pictures::sizes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    // The measuring setup fills its 431 by 431 label; of the regions' label the text box
    // covers the bottom 11 of 421 rows.
    QTest::newRow("measuring setup") << "zentu.png" << QSize(431, 431);
    QTest::newRow("matching regions") << "Z_region.png" << QSize(411, 410);
    QTest::newRow("icon") << "zalvimo.png" << QSize(128, 128);
}

void tst_Pictures::sizes()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const QImage image(QStringLiteral(ZALVIMO_PICTURE_DIR "/") + name);
    QVERIFY2(!image.isNull(), qPrintable(name));
    QCOMPARE(image.size(), size);
}

// Points well inside each region, away from the grid, the circle and the letters: two that
// share a circuit variant must share a colour, and different variants must differ.
void tst_Pictures::regionsFollowTheSolver()
{
    const QImage image(QStringLiteral(ZALVIMO_PICTURE_DIR "/Z_region.png"));
    QVERIFY(!image.isNull());
    // The plane's mapping in the picture: R = 0 at column 8, X = 0 at row 131, 3.3 pixels
    // per ohm.
    const auto pixel = [&image](double r, double x) {
        return image.pixel(qRound(8 + 3.3 * r), qRound(131 - 3.3 * x));
    };
    const QList<QPointF> loads {{5, 20}, {40, 28}, {15, 3}, {35, 10}, {15, -3}, {35, -10}, {5, -20},
        {40, -28}, {60, 10}, {110, 30}, {60, -10}, {110, -30}};

    QList<int> variants;
    for (const QPointF &load : loads) {
        calculationState = CalculationState();
        calculationState.zReal = load.x();
        calculationState.zImag = load.y();
        solveMatching();
        variants << calculationState.circuitVariant;
    }
    QCOMPARE(variants, (QList<int> {0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5}));
    for (int i = 0; i < loads.size(); ++i) {
        for (int j = 0; j < loads.size(); ++j) {
            const bool sameColour
                = pixel(loads[i].x(), loads[i].y()) == pixel(loads[j].x(), loads[j].y());
            QCOMPARE(sameColour, variants[i] == variants[j]);
        }
    }
}

namespace {

// Where a trace of one exact colour (the fully covered pixels of its line) runs highest and
// lowest between two columns: its crest's column and row, and its trough's row.
struct TraceExtent
{
    double crestColumn = 0;
    int crestRow = -1;
    int troughRow = -1;
};

TraceExtent traceExtent(const QImage &image, QRgb colour, int fromColumn, int toColumn)
{
    TraceExtent extent;
    int crestPixels = 0;
    double columnSum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = fromColumn; x <= toColumn; ++x) {
            if (image.pixel(x, y) != colour) {
                continue;
            }
            if (extent.crestRow < 0 || y == extent.crestRow) {
                extent.crestRow = y;
                columnSum += x;
                ++crestPixels;
            }
            extent.troughRow = y;
        }
    }
    extent.crestColumn = crestPixels > 0 ? columnSum / crestPixels : -1;
    return extent;
}

} // namespace

// The oscilloscope of the measuring setup shows the form's default reading as a person must
// read it: CH1 at twice V_reference (64 mV), CH2 at V_x (27.8 mV) and CH2's crest first by
// the delay of 2.0 ns, which at 18.130 MHz is 0.03626 of a period of 250 pixels.
void tst_Pictures::setupTracesShowTheDefaultReading()
{
    const QImage image = QImage(QStringLiteral(ZALVIMO_PICTURE_DIR "/zentu.png"))
                             .convertToFormat(QImage::Format_RGB32);
    QVERIFY(!image.isNull());
    // Between these columns each trace has one crest and one trough.
    const int from = 60;
    const int to = 360;
    const TraceExtent ch1 = traceExtent(image, qRgb(0xff, 0xd0, 0x40), from, to);
    const TraceExtent ch2 = traceExtent(image, qRgb(0x50, 0xc8, 0xff), from, to);
    QVERIFY(ch1.crestRow >= 0 && ch2.crestRow >= 0);

    const double ratio
        = double(ch2.troughRow - ch2.crestRow) / double(ch1.troughRow - ch1.crestRow);
    QVERIFY2(std::abs(ratio - 27.8 / 64) < 0.02, qPrintable(QString::number(ratio)));
    const double lead = ch1.crestColumn - ch2.crestColumn; // pixels; positive: CH2 first
    const double expectedLead = 2e-9 * 18.130e6 * 250;
    QVERIFY2(std::abs(lead - expectedLead) < 2, qPrintable(QString::number(lead)));
}

void tst_Pictures::cellsShowTheSolversParts_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<QList<QPointF>>("loads"); // more loads of the region, R and X in ohms

    QTest::newRow("A") << 0 << QList<QPointF> {{5, 20}, {40, 28}, {2, 60}, {30, 100}};
    QTest::newRow("B") << 1 << QList<QPointF> {{15, 3}, {35, 10}, {45, 1}, {10, 2}};
    QTest::newRow("C") << 2 << QList<QPointF> {{15, -3}, {35, -10}, {45, -1}, {10, -2}};
    QTest::newRow("D") << 3 << QList<QPointF> {{5, -20}, {40, -28}, {2, -60}, {30, -100}};
    QTest::newRow("E") << 4 << QList<QPointF> {{60, 10}, {110, 30}, {300, 200}, {51, 0}};
    QTest::newRow("F") << 5 << QList<QPointF> {{60, -10}, {110, -30}, {300, -200}, {51, -1}};
}

// Each circuit of the picture is what a ham builds for a load of its region: the signs of
// both reactances that the solver gives throughout the region, drawn as a capacitor where
// the reactance is negative and a coil where it is not, in series or across as the solver
// places it. A capacitor's plates reach across the wire; a coil's turns stay on one side
// (above a horizontal wire, left of a vertical one), so the pixels just beside the wire
// on the other side tell them apart.
void tst_Pictures::cellsShowTheSolversParts()
{
    QFETCH(int, variant);
    QFETCH(QList<QPointF>, loads);

    const CircuitCell cell = circuitCell(variant);
    loads.prepend(cell.load);
    for (const QPointF &load : loads) {
        const MatchingSolution s = matchingSolution(50, load.x(), load.y());
        QCOMPARE(s.circuitVariant, variant);
        QCOMPARE(s.reactanceOne < 0, cell.reactanceOne < 0);
        QCOMPARE(s.reactanceTwo < 0, cell.reactanceTwo < 0);
        QCOMPARE(s.shuntAcrossSource, cell.shuntAcrossSource);
    }

    const QImage image = QImage(QStringLiteral(ZALVIMO_PICTURE_DIR "/Z_region.png"))
                             .convertToFormat(QImage::Format_RGB32);
    QVERIFY(!image.isNull());
    const auto darkest = [&image](QPointF centre) {
        int least = 255;
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                least = std::min(
                    least, qGray(image.pixel(int(centre.x()) + dx, int(centre.y()) + dy)));
            }
        }
        return least;
    };
    const CellGeometry at = cellGeometry(variant);
    const double series = cell.shuntAcrossSource ? cell.reactanceOne : cell.reactanceTwo;
    const double shunt = cell.shuntAcrossSource ? cell.reactanceTwo : cell.reactanceOne;
    const int belowSeries = darkest(at.seriesMiddle + QPointF(3, 6));
    const int rightOfShunt = darkest(at.shuntMiddle + QPointF(6, 3));
    QVERIFY2((belowSeries < 100) == (series < 0),
        qPrintable(
            QStringLiteral("series element %1 ohm, darkest %2").arg(series).arg(belowSeries)));
    QVERIFY2((rightOfShunt < 100) == (shunt < 0),
        qPrintable(
            QStringLiteral("shunt element %1 ohm, darkest %2").arg(shunt).arg(rightOfShunt)));
    // And the shunt element stands where the solver puts it: across the source (left half
    // of the cell) or across the load (right half).
    QCOMPARE(at.shuntMiddle.x() < at.cell.center().x(), cell.shuntAcrossSource);
}

QTEST_GUILESS_MAIN(tst_Pictures)
#include "tst_pictures.moc"
