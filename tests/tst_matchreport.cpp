// zalvimo-match's band and plot: where the SWR stays below a limit (and where the sweep
// stops, which is no edge of the band), and the picture of every solution's SWR.

#include "builtnetwork.h"
#include "matchdesign.h"
#include "picturefile.h"
#include "swrplot.h"

#include <QImage>
#include <QXmlStreamReader>
#include <QtTest>

#include <cmath>

using Sweep = std::vector<std::pair<double, double>>;

class tst_MatchReport : public QObject
{
    Q_OBJECT

private slots:
    void bands_data();
    void bands();
    void plot_data();
    void plot();
    void decimation();
};

void tst_MatchReport::bands_data()
{
    QTest::addColumn<QVector<double>>("swr"); // at 1, 2, 3, … MHz
    QTest::addColumn<double>("design"); // MHz
    QTest::addColumn<bool>("found");
    QTest::addColumn<double>("low"); // MHz; the edges are interpolated
    QTest::addColumn<double>("high");
    QTest::addColumn<bool>("openLow");
    QTest::addColumn<bool>("openHigh");

    // SWR 2 lies a third of the way from 1.5 to 3.
    QTest::newRow("closed on both sides") << QVector<double> {3, 1.5, 1, 1.5, 3} << 3.0 << true
                                          << 5 / 3.0 << 13 / 3.0 << false << false;
    QTest::newRow("runs past the sweep's low end")
        << QVector<double> {1.2, 1, 1.5, 3} << 2.0 << true << 1.0 << 10 / 3.0 << true << false;
    QTest::newRow("runs past both ends")
        << QVector<double> {1.5, 1, 1.5} << 2.0 << true << 1.0 << 3.0 << true << true;
    QTest::newRow("above the limit at the design frequency")
        << QVector<double> {1, 1.5, 3} << 3.0 << false << 0.0 << 0.0 << false << false;
    QTest::newRow("one frequency: no band")
        << QVector<double> {1.1} << 1.0 << false << 0.0 << 0.0 << false << false;
}

void tst_MatchReport::bands()
{
    QFETCH(QVector<double>, swr);
    QFETCH(double, design);
    QFETCH(bool, found);
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(bool, openLow);
    QFETCH(bool, openHigh);
    Sweep sweep;
    for (int i = 0; i < swr.size(); ++i) {
        sweep.emplace_back((i + 1) * 1e6, swr[i]);
    }
    const Band band = bandBelow(sweep, design * 1e6, 2);
    QCOMPARE(band.found, found);
    if (found) {
        QCOMPARE(band.lowHz, low * 1e6);
        QCOMPARE(band.highHz, high * 1e6);
        QCOMPARE(band.openLow, openLow);
        QCOMPARE(band.openHigh, openHigh);
    }
}

void tst_MatchReport::plot_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("SVG") << int(PictureFormat::Svg);
    QTest::newRow("PNG") << int(PictureFormat::Png);
}

// The picture is 760 pixels wide with a line of legend per solution below the plot; the
// SVG is well-formed and names every solution as the text does.
void tst_MatchReport::plot()
{
    QFETCH(int, format);
    MatchRequest request;
    request.frequencyHz = 14.2e6;
    request.load = {41.97, -27.05};
    request.coilForm.core = findCore(QStringLiteral("T50-2"));
    const MatchResult result = designMatches(request);
    QCOMPARE(int(result.solutions.size()), 4);
    const QByteArray picture = swrPlot(request, result, PictureFormat(format));
    if (PictureFormat(format) == PictureFormat::Png) {
        const QImage image = QImage::fromData(picture, "PNG");
        QCOMPARE(image.width(), 760);
        QCOMPARE(image.height(), 420 + 18 * 4 + 10);
        return;
    }
    QXmlStreamReader xml(picture);
    int polylines = 0;
    QStringList texts;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement) {
            polylines += xml.name() == QLatin1String("polyline");
            if (xml.name() == QLatin1String("text")) {
                texts.append(xml.readElementText());
            }
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(polylines, 4);
    QVERIFY(texts.contains(QStringLiteral("2: series coil, coil across the transceiver (the "
                                          "window's D)")));
}

// A million points of a line cut to what 760 columns show: the first, the lowest, the
// highest and the last of each column, the extremes kept.
void tst_MatchReport::decimation()
{
    QPolygonF points;
    for (int i = 0; i < 1000000; ++i) {
        points << QPointF(i * 760.0 / 1000000, std::sin(i * 0.001) + (i == 500000 ? 7 : 0));
    }
    const QPolygonF kept = decimated(points);
    QVERIFY2(kept.size() <= 4 * 760, qPrintable(QString::number(kept.size())));
    QCOMPARE(kept.front(), points.front());
    QCOMPARE(kept.back(), points.back());
    double highest = -1e9;
    for (const QPointF &p : kept) {
        highest = std::max(highest, p.y());
    }
    QCOMPARE(highest, points[500000].y());
}

QTEST_MAIN(tst_MatchReport)
#include "tst_matchreport.moc"
