#include "antennawidget.h"
#include "calculationstate.h"
#include "solvematching.h"

#include <QImage>
#include <QtTest>

#include <algorithm>
#include <cmath>

Q_DECLARE_METATYPE(CalculationState)

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 400;
constexpr int kAxisRow = 200;
// A row and a column that no grid line, label or circle crosses at any slider position.
constexpr int kScanRow = 20;
constexpr int kScanColumn = 490;

const QRgb kGrey = QColor(Qt::gray).rgb();
const QRgb kBlack = QColor(Qt::black).rgb();

bool isRed(QRgb pixel)
{
    return qRed(pixel) > 100 && qRed(pixel) > 2 * qGreen(pixel) && qRed(pixel) > 2 * qBlue(pixel);
}

bool isGreen(QRgb pixel)
{
    return qGreen(pixel) > 100 && qGreen(pixel) > qRed(pixel) + 40
        && qGreen(pixel) > qBlue(pixel) + 40;
}

QImage render(AntennaWidget &chart)
{
    return chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QList<int> greyColumns(const QImage &image, int row)
{
    QList<int> columns;
    for (int x = 0; x < image.width(); ++x) {
        if (image.pixel(x, row) == kGrey) {
            columns << x;
        }
    }
    return columns;
}

QList<int> greyRows(const QImage &image, int column)
{
    QList<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        if (image.pixel(column, y) == kGrey) {
            rows << y;
        }
    }
    return rows;
}

bool anyRedIn(const QImage &image, const QRect &area)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.rect().contains(x, y) && isRed(image.pixel(x, y))) {
                return true;
            }
        }
    }
    return false;
}

// The pixel of the circle of the given centre (ohms, on the real axis) at an angle measured
// in the plane, reactance upward, at the scale of 2 pixels per ohm.
QPoint onCircle(double centre, double angle)
{
    const double scale = 2.0;
    return QPoint(qRound(scale * (centre + centre * std::cos(angle))),
        qRound(kAxisRow - scale * centre * std::sin(angle)));
}

} // namespace

class tst_AntennaWidget : public QObject
{
    Q_OBJECT

private slots:
    void init() { calculationState = CalculationState(); }

    void fixedSize();
    void grid_data();
    void grid();
    void axesCircleAndMarkerAtStart();
    void noPathWhileTurnImagIsZero_data();
    void noPathWhileTurnImagIsZero();
    void matchingPathOfVariantB();
    void matchingPathOfVariantE();
    void badStates_data();
    void badStates();
    void badScales_data();
    void badScales();
};

void tst_AntennaWidget::fixedSize()
{
    AntennaWidget chart(kWidth, kHeight);
    QCOMPARE(chart.minimumSize(), QSize(kWidth, kHeight));
    QCOMPARE(chart.maximumSize(), QSize(kWidth, kHeight));
}

void tst_AntennaWidget::grid_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("scanRow");
    QTest::addColumn<QList<int>>("columns");
    QTest::addColumn<QList<int>>("rows");

    QTest::newRow("start scale 2.0: step 50 ohm, nothing at the right border")
        << 2.0 << kScanRow << QList<int> {0, 100, 200, 300, 400} << QList<int> {100, 300};
    QTest::newRow("slider at 0: one pixel per ohm")
        << 1.0 << kScanRow << QList<int> {0, 50, 100, 150, 200, 250, 300, 350, 400, 450}
        << QList<int> {50, 100, 150, 250, 300, 350};
    QTest::newRow("slider at 150: step 2 ohm")
        << std::exp(150 / 50.0) << kScanRow
        << QList<int> {0, 40, 80, 120, 160, 200, 241, 281, 321, 361, 401, 441}
        << QList<int> {39, 79, 119, 159, 240, 280, 320, 360};
    // Here the label "700" crosses row 20.
    QTest::newRow("slider at -70: the densest grid, step 100 ohm")
        << std::exp(-70 / 50.0) << 33
        << QList<int> {0, 24, 49, 73, 98, 123, 147, 172, 197, 221, 246, 271, 295, 320, 345, 369,
               394, 419, 443, 468, 493}
        << QList<int> {2, 27, 52, 76, 101, 126, 150, 175, 224, 249, 273, 298, 323, 347, 372, 397};
}

// Grid lines are checked along one row and one column that cross nothing else. The real
// axis lies green over the grid line of 0 ohm, and the imaginary axis over the first column.
void tst_AntennaWidget::grid()
{
    QFETCH(double, scale);
    QFETCH(int, scanRow);
    QFETCH(QList<int>, columns);
    QFETCH(QList<int>, rows);

    AntennaWidget chart(kWidth, kHeight);
    chart.setScale(scale);
    const QImage image = render(chart);

    QList<int> expectedColumns = columns;
    expectedColumns.removeAll(0); // the imaginary axis lies green over the first line
    QCOMPARE(greyColumns(image, scanRow), expectedColumns);
    QVERIFY(isGreen(image.pixel(0, scanRow)));

    // The labels of the vertical lines fill the band of rows just above the real axis.
    QList<int> foundRows = greyRows(image, kScanColumn);
    foundRows.erase(std::remove_if(foundRows.begin(), foundRows.end(),
                        [](int y) { return y > kAxisRow - 16 && y <= kAxisRow; }),
        foundRows.end());
    QCOMPARE(foundRows, rows);
    QVERIFY(isGreen(image.pixel(kScanColumn, kAxisRow)));
    QCOMPARE(image.pixel(kScanColumn, kScanRow), kBlack);
    QCOMPARE(image.pixel(kWidth - 1, kScanRow), kBlack);
}

void tst_AntennaWidget::axesCircleAndMarkerAtStart()
{
    AntennaWidget chart(kWidth, kHeight);
    const QImage image = render(chart);

    // Source circle of 50 ohm: 100 pixels across at 2 pixels per ohm, standing on the
    // real axis from 0 to 100.
    QVERIFY(isGreen(image.pixel(50, 150)));
    QVERIFY(isGreen(image.pixel(50, 249)));
    const QPoint side = onCircle(25, 0.8);
    QVERIFY(isGreen(image.pixel(side)) || isGreen(image.pixel(side + QPoint(0, 1))));
    QCOMPARE(image.pixel(50, 200 - 30), kBlack); // inside the circle
    QVERIFY(isGreen(image.pixel(250, kAxisRow)));
    QVERIFY(isGreen(image.pixel(0, 350)));

    // The marker of Z = 0 sits at the origin, half cut off by the left border, and nothing
    // else is red.
    QVERIFY(anyRedIn(image, QRect(0, 197, 3, 6)));
    QImage elsewhere = image;
    for (int y = 196; y <= 203; ++y) {
        for (int x = 0; x <= 3; ++x) {
            elsewhere.setPixel(x, y, kBlack);
        }
    }
    QVERIFY(!anyRedIn(elsewhere, elsewhere.rect()));
}

void tst_AntennaWidget::noPathWhileTurnImagIsZero_data()
{
    QTest::addColumn<double>("turnImag");
    QTest::newRow("+0") << 0.0;
    QTest::newRow("-0") << -0.0;
}

void tst_AntennaWidget::noPathWhileTurnImagIsZero()
{
    QFETCH(double, turnImag);
    calculationState.zReal = 100;
    calculationState.zImag = 50;
    calculationState.turnReal = 50;
    calculationState.turnImag = turnImag;
    calculationState.circuitVariant = 4;
    calculationState.arcCenter = 62.5;
    calculationState.arcStartAngle = 0.9;
    calculationState.arcEndAngle = 1.8;
    AntennaWidget chart(kWidth, kHeight);
    QImage image = render(chart);

    QVERIFY(anyRedIn(image, QRect(196, 96, 8, 8))); // the marker at 100 + j50
    for (int y = 95; y <= 105; ++y) {
        for (int x = 195; x <= 205; ++x) {
            image.setPixel(x, y, kBlack);
        }
    }
    QVERIFY(!anyRedIn(image, image.rect()));
}

// Z = 34.2409 + j14.3275 with Z0 = 50 (variant "B"): the series coil carries Z straight up
// to the turn point 34.2409 + j23.2294 on the source's circle, and the shunt capacitor
// follows that circle clockwise on the screen down to the matched point 50 + j0.
void tst_AntennaWidget::matchingPathOfVariantB()
{
    calculationState.zReal = 34.2409;
    calculationState.zImag = 14.3275;
    solveMatching();
    QCOMPARE(calculationState.circuitVariant, 1);
    AntennaWidget chart(kWidth, kHeight);
    const QImage image = render(chart);

    // The segment: column trunc(2·34.2409 + 0.5) = 68 from Z (row 171) to T (row 154).
    for (int y = 156; y <= 169; ++y) {
        QVERIFY2(
            isRed(image.pixel(68, y)) || isRed(image.pixel(69, y)), qPrintable(QString::number(y)));
    }
    QVERIFY(!anyRedIn(image, QRect(66, 140, 5, 10))); // nothing beyond T
    // The arc runs above the axis from angle 0 (the matched point) to 1.19218 (T).
    for (double angle : {0.15, 0.4, 0.7, 1.0}) {
        const QPoint p = onCircle(25, angle);
        QVERIFY2(anyRedIn(image, QRect(p - QPoint(1, 1), QSize(3, 3))),
            qPrintable(QString::number(angle)));
    }
    // Neither below the axis nor beyond the turn point.
    for (double angle : {-0.4, -1.0, 1.6, 2.4}) {
        const QPoint p = onCircle(25, angle);
        QVERIFY2(!anyRedIn(image, QRect(p - QPoint(1, 1), QSize(3, 3))),
            qPrintable(QString::number(angle)));
    }
}

// Z = 100 + j50 (variant "E"): the shunt coil follows Z's own circle (centre 62.5 ohm) from
// Z to the turn point 50 + j61.2372, and the series capacitor is the vertical line from
// 50 + j0 up to the turn point.
void tst_AntennaWidget::matchingPathOfVariantE()
{
    calculationState.zReal = 100;
    calculationState.zImag = 50;
    solveMatching();
    QCOMPARE(calculationState.circuitVariant, 4);
    AntennaWidget chart(kWidth, kHeight);
    const QImage image = render(chart);

    for (int y = 80; y <= 195; y += 5) {
        QVERIFY2(anyRedIn(image, QRect(99, y, 2, 1)), qPrintable(QString::number(y)));
    }
    QVERIFY(!anyRedIn(image, QRect(99, 60, 2, 14))); // the segment ends at row 77
    for (double angle : {1.05, 1.3, 1.55}) {
        const QPoint p = onCircle(62.5, angle);
        QVERIFY2(anyRedIn(image, QRect(p - QPoint(1, 1), QSize(3, 3))),
            qPrintable(QString::number(angle)));
    }
    for (double angle : {0.5, 2.2, -1.0}) {
        const QPoint p = onCircle(62.5, angle);
        QVERIFY(!anyRedIn(image, QRect(p - QPoint(1, 1), QSize(3, 3))));
    }
}

// States that no sane measurement gives but the fields can hold. Every shape whose
// coordinates are not finite is left out, huge ones are clamped; the grid always stands.
void tst_AntennaWidget::badStates_data()
{
    QTest::addColumn<CalculationState>("state");
    QTest::addColumn<double>("scale");

    const double nan = qQNaN();
    const double inf = qInf();
    CalculationState s;

    QTest::newRow("everything NaN")
        << CalculationState {nan, nan, nan, nan, nan, 0, nan, nan, nan, nan, nan} << 2.0;
    QTest::newRow("everything +inf")
        << CalculationState {inf, inf, inf, inf, inf, 4, inf, inf, inf, inf, inf} << 2.0;
    QTest::newRow("everything -inf")
        << CalculationState {-inf, -inf, -inf, -inf, -inf, 1, -inf, -inf, -inf, -inf, -inf} << 2.0;
    s = CalculationState();
    s.zReal = 1e300;
    s.zImag = -1e300;
    QTest::newRow("R of 1e300") << s << 2.0;
    s = CalculationState();
    s.sourceImpedance = 1e-300;
    s.zReal = 1e-300;
    s.turnImag = 1e-300;
    QTest::newRow("source of 1e-300") << s << 2.0;
    s = CalculationState();
    s.sourceImpedance = 1e300;
    QTest::newRow("source of 1e300") << s << 2.0;
    s = CalculationState();
    s.sourceImpedance = -50;
    QTest::newRow("negative source") << s << 2.0;
    s = CalculationState();
    s.turnReal = 50;
    s.turnImag = 1e9;
    s.circuitVariant = 4;
    s.arcCenter = 1e9;
    s.arcStartAngle = 0.1;
    s.arcEndAngle = 1.5;
    QTest::newRow("arc centre 1e9 at the largest zoom") << s << std::exp(3.0);
    s.arcStartAngle = 1e300;
    s.arcEndAngle = -1e300;
    QTest::newRow("arc angles of 1e300") << s << 2.0;
    s.circuitVariant = 2;
    s.zReal = -1e200;
    s.turnReal = 1e200;
    QTest::newRow("segment from -1e200 to 1e200") << s << 2.0;
    s.circuitVariant = 77;
    QTest::newRow("variant out of range") << s << 2.0;
    s = CalculationState();
    s.turnImag = nan;
    s.circuitVariant = 0;
    s.arcCenter = 25;
    QTest::newRow("NaN turn point counts as a path") << s << 2.0;
}

void tst_AntennaWidget::badStates()
{
    QFETCH(CalculationState, state);
    QFETCH(double, scale);

    calculationState = state;
    AntennaWidget chart(kWidth, kHeight);
    chart.setScale(scale);
    const QImage image = render(chart);

    // A wild arc may cross a grid line here and there, but the grid stands.
    const int step = scale == 2.0 ? 100 : 40;
    int gridLines = 0;
    for (int x = step; x < kWidth; x += step) {
        gridLines += image.pixel(x, kScanRow) == kGrey;
    }
    QVERIFY(gridLines >= 3);
    QCOMPARE(image.pixel(kScanColumn, kScanRow), kBlack);
    QVERIFY(isGreen(image.pixel(250, kAxisRow)));
}

// Scales the slider cannot give, only a direct call: the picture may lose its grid but the
// paint must finish and draw the axes.
void tst_AntennaWidget::badScales_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<bool>("gridAtOrigin");

    QTest::newRow("NaN") << qQNaN() << false;
    QTest::newRow("+inf") << qInf() << false;
    QTest::newRow("-inf") << -qInf() << false;
    QTest::newRow("0") << 0.0 << true;
    QTest::newRow("-2") << -2.0 << false;
    QTest::newRow("1e-300") << 1e-300 << true;
    QTest::newRow("1e300") << 1e300 << false;
    QTest::newRow("above 500: no vertical grid") << 600.0 << false;
}

void tst_AntennaWidget::badScales()
{
    QFETCH(double, scale);
    QFETCH(bool, gridAtOrigin);

    calculationState.zReal = 30;
    calculationState.zImag = 20;
    solveMatching();
    AntennaWidget chart(kWidth, kHeight);
    chart.setScale(scale);
    const QImage image = render(chart);

    QVERIFY(isGreen(image.pixel(250, kAxisRow)));
    QCOMPARE(image.pixel(kScanColumn, kScanRow), kBlack);
    // Lines crowd into the first column only when a scale near zero packs the whole
    // grid there; otherwise the first column is the bare axis.
    const QRgb originColumn = image.pixel(0, kScanRow);
    QCOMPARE(qRed(originColumn) > 40, gridAtOrigin);
}

QTEST_MAIN(tst_AntennaWidget)
#include "tst_antennawidget.moc"
