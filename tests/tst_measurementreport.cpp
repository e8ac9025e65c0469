// The reports of zalvimo-measure and its sweep, from measurements made by hand: what the
// text says, which keys the JSON has (scripts rely on them), and which captures the sweep
// takes as one frequency.

#include "measuredsweep.h"
#include "measurementreport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

CaptureMeasurement measurement(double megahertz, double r, double x, double sigma = 0.05)
{
    CaptureMeasurement m;
    m.frequencyMHz = megahertz;
    m.vReference = 32;
    m.vx = 27.8;
    m.delay = 2;
    m.sourceImpedance = 50;
    m.r = m.rawR = r;
    m.x = m.rawX = x;
    m.rSigma = m.xSigma = sigma;
    m.samples = 400;
    return m;
}

MatchingNetwork networkB()
{
    return {1, 8.90192, -73.7025, QStringLiteral("Coil of 78.1458 nH"),
        QStringLiteral("Capacitor of 119.109 pF")};
}

Calibration oneFrequency()
{
    Calibration calibration;
    calibration.definitions.loadOhm = {49.9, 0};
    CalibrationPoint point;
    point.frequencyHz = 18.13e6;
    calibration.points = {point};
    return calibration;
}

} // namespace

class tst_MeasurementReport : public QObject
{
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void jsonKeys();
    void sweep_data();
    void sweep();
};

void tst_MeasurementReport::text_data()
{
    QTest::addColumn<bool>("network");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<bool>("calibrated");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("a network, as the window shows it")
        << true << QString() << false
        << QStringList {
               "  Z (Ohm)             34.2409 + j14.3275  (1 sigma: R 0.05, X 0.05; Z0 50)",
               "  Circuit             B", "  Component 1         Coil of 78.1458 nH"};
    QTest::newRow("no network, and why")
        << false << "R is 0.01 ohm" << false
        << QStringList {"  Circuit             none", "  Warning             R is 0.01 ohm"};
    QTest::newRow("calibrated: how, and Z uncorrected beside it")
        << true << QString() << true
        << QStringList {"  Calibrated          open, short, load 49.9 \u03a9 at 18.13 MHz",
               "  Z uncorrected       34.2409 + j14.3275"};
}

void tst_MeasurementReport::text()
{
    QFETCH(bool, network);
    QFETCH(QString, warning);
    QFETCH(bool, calibrated);
    QFETCH(QStringList, lines);
    MeasuredCapture captured {QStringLiteral("good.csv"), measurement(18.13, 34.2409, 14.3275), {}};
    if (network) {
        captured.measurement.network = networkB();
    }
    captured.measurement.warning = warning;
    const Calibration calibration = oneFrequency();
    const QString report = textReport(captured, {calibrated ? &calibration : nullptr, nullptr});
    for (const QString &line : lines) {
        QVERIFY2(report.contains(line + QLatin1Char('\n')), qPrintable(report));
    }
}

// The keys a capture has in the JSON, with a network and without: the same list, so that a
// script finds every one (null where there is nothing).
void tst_MeasurementReport::jsonKeys()
{
    const QStringList keys {"circuit", "componentOne", "componentOneFarad", "componentOneHenry",
        "componentTwo", "componentTwoFarad", "componentTwoHenry", "delayNanosecond", "file",
        "frequencyEstimated", "frequencyMHz", "frequencySigmaMHz", "rOhm", "rSigmaOhm", "rawROhm",
        "rawXOhm", "reactanceOneOhm", "reactanceTwoOhm", "referenceResidualMillivoltRms", "samples",
        "sourceImpedanceOhm", "vReferenceMillivolt", "vxMillivolt", "vxResidualMillivoltRms",
        "warning", "xOhm", "xSigmaOhm"};
    std::vector<MeasuredCapture> captures {
        {QStringLiteral("a.csv"), measurement(18.13, 34, 14), {}},
        {QStringLiteral("b.csv"), measurement(18.13, 0.01, -30), {}}};
    captures[0].measurement.network = networkB();
    const QJsonObject root = QJsonDocument::fromJson(jsonReport(captures)).object();
    QCOMPARE(root.keys(), QStringList({"calibration", "captures", "feedline", "version"}));
    QVERIFY(root.value("calibration").isNull() && root.value("feedline").isNull());
    for (const QJsonValue &capture : root.value("captures").toArray()) {
        QCOMPARE(capture.toObject().keys(), keys);
    }
    QCOMPARE(root.value("captures").toArray()[1].toObject().value("circuit"), QJsonValue());
}

void tst_MeasurementReport::sweep_data()
{
    // Each capture: MHz, R, X, sigma of R and X, sigma of an estimated frequency (0: given).
    QTest::addColumn<QVector<QVector<double>>>("captures");
    QTest::addColumn<int>("points"); // -1: refused
    QTest::addColumn<QString>("message");

    QTest::newRow("three frequencies in any order") << QVector<QVector<double>> {
        {14.2, 40, 0, 0.1, 0}, {14.0, 45, -5, 0.1, 0},
        {14.1, 42, -2, 0.1, 0}} << 3 << QString();
    QTest::newRow("one frequency twice, agreeing: their mean") << QVector<QVector<double>> {
        {14.2, 40, 0, 0.1, 0}, {14.2, 40.1, 0.1, 0.1, 0}} << 1 << QString();
    QTest::newRow("one frequency twice, disagreeing: refused")
        << QVector<QVector<double>> {{14.2, 41.9, -27.1, 0.04, 0}, {14.2, 100, 49.9, 0.2, 0}} << -1
        << "are both at 14.2 MHz but disagree";
    // Two estimates of one generator setting 2.3 ppm apart, each good to 2 ppm: one point.
    QTest::newRow("estimated frequencies within their spread: one point")
        << QVector<QVector<double>> {{14.2, 41.9, -27.1, 0.04, 28e-6},
               {14.2000327, 100, 49.9, 0.2, 28e-6}}
        << -1 << "but disagree";
    QTest::newRow("estimated frequencies far apart: two points")
        << QVector<QVector<double>> {{14.2, 40, 0, 0.1, 28e-6}, {14.21, 41, 1, 0.1, 28e-6}} << 2
        << QString();
}

void tst_MeasurementReport::sweep()
{
    QFETCH(QVector<QVector<double>>, captures);
    QFETCH(int, points);
    QFETCH(QString, message);
    std::vector<MeasuredCapture> measured;
    for (const QVector<double> &c : captures) {
        CaptureMeasurement m = measurement(c[0], c[1], c[2], c[3]);
        m.frequencyEstimated = c[4] > 0;
        m.frequencySigmaMHz = c[4];
        measured.push_back({QStringLiteral("f%1.csv").arg(measured.size()), m, {}});
    }
    const Result<MeasuredSweep> sweep = measuredSweep(measured);
    QCOMPARE(sweep.ok(), points >= 0);
    if (!sweep) {
        QVERIFY2(sweep.error().contains(message), qPrintable(sweep.error()));
        return;
    }
    QCOMPARE(int(sweep->sweep.points.size()), points);
    for (std::size_t i = 1; i < sweep->sweep.points.size(); ++i) {
        QVERIFY(sweep->sweep.points[i].frequencyHz > sweep->sweep.points[i - 1].frequencyHz);
    }
}

QTEST_GUILESS_MAIN(tst_MeasurementReport)
#include "tst_measurementreport.moc"
