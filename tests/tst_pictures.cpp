#include "calculationstate.h"
#include "solvematching.h"

#include <QImage>
#include <QtTest>

// The pictures that the build draws for the two information pages.
class tst_Pictures : public QObject
{
    Q_OBJECT

private slots:
    void sizes_data();
    void sizes();
    void regionsFollowTheSolver();
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

QTEST_GUILESS_MAIN(tst_Pictures)
#include "tst_pictures.moc"
