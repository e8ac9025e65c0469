// The calibration of the measuring setup by an open, a short and a load: a known error box
// read through its three standards must give its terms back and correct any load exactly;
// the spread of a corrected impedance must be the one its readings' noise gives; terms
// between calibrated frequencies are interpolated and never extrapolated; standards that
// cannot be told apart, and files that are no calibration, are refused with the reason.

#include "calibration.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <cmath>
#include <complex>
#include <functional>

using Complex = std::complex<double>;
Q_DECLARE_METATYPE(Complex)
Q_DECLARE_METATYPE(std::vector<StandardReading>)

namespace {

const QDateTime kDate = QDateTime::fromString(QStringLiteral("2024-05-04T11:18:10Z"), Qt::ISODate);

// A setup's error box: what it reads for a load of reflection Γ.
struct ErrorBox
{
    Complex e00;
    Complex e01;
    Complex e11;
    Complex reading(Complex gamma) const { return e00 + e01 * gamma / (1.0 - e11 * gamma); }
};

// A box that changes linearly with frequency, so that interpolating its terms is exact.
ErrorBox boxAt(double hertz)
{
    const double f = hertz / 14e6;
    return {Complex(0.48, 0.02 * f), Complex(0.26, -0.05 * f), Complex(0.1 * f, 0.07)};
}

MeasuredRatio exact(Complex g)
{
    return {g, 0, 0, 0};
}

Complex reflection(Complex z, double z0)
{
    return (z - z0) / (z + z0);
}

bool near(Complex a, Complex b, double tolerance)
{
    return std::abs(a - b) <= tolerance * std::max(1.0, std::abs(b));
}

StandardReading standard(double hertz, Complex gamma, const QString &file, double variance = 0)
{
    return {hertz, {boxAt(hertz).reading(gamma), variance, variance, 0}, file};
}

// The standards of an ideal open, short and 50-ohm load at each frequency through boxAt.
Calibration calibrationAt(const std::vector<double> &hertz, double variance = 0)
{
    std::vector<StandardReading> opens, shorts, loads;
    for (const double f : hertz) {
        const QString mhz = QString::number(f / 1e6);
        opens.push_back(standard(f, 1.0, QStringLiteral("open-%1.csv").arg(mhz), variance));
        shorts.push_back(standard(f, -1.0, QStringLiteral("short-%1.csv").arg(mhz), variance));
        loads.push_back(standard(f, 0.0, QStringLiteral("load-%1.csv").arg(mhz), variance));
    }
    return *buildCalibration(opens, shorts, loads, StandardDefinitions(), 50, kDate);
}

} // namespace

class tst_Calibration : public QObject
{
    Q_OBJECT

private slots:
    void errorBoxRecovered_data();
    void errorBoxRecovered();
    void spreadOfEachReading_data();
    void spreadOfEachReading();
    void frequencies_data();
    void frequencies();
    void standardsRefused_data();
    void standardsRefused();
    void jsonRoundTrip();
    void jsonRefused_data();
    void jsonRefused();
};

void tst_Calibration::errorBoxRecovered_data()
{
    QTest::addColumn<Complex>("e00");
    QTest::addColumn<Complex>("e01");
    QTest::addColumn<Complex>("e11");
    QTest::addColumn<double>("openPicofarad");
    QTest::addColumn<double>("shortNanohenry");
    QTest::addColumn<Complex>("load");
    QTest::addColumn<double>("z0");

    QTest::newRow("ideal bench: g = (1 + Γ)/2")
        << Complex(0.5, 0) << Complex(0.5, 0) << Complex(0, 0) << 0.0 << 0.0 << Complex(50, 0)
        << 50.0;
    QTest::newRow("probe capacitance, skew, gain, Z0 off")
        << Complex(0.51, -0.03) << Complex(0.47, -0.06) << Complex(-0.08, 0.12) << 0.0 << 0.0
        << Complex(50, 0) << 50.0;
    QTest::newRow("real standards: open 5 pF, short 3 nH, load 49.5+j0.8, Z0 75")
        << Complex(0.45, 0.1) << Complex(0.5, -0.2) << Complex(0.2, -0.1) << 5.0 << 3.0
        << Complex(49.5, 0.8) << 75.0;
}

void tst_Calibration::errorBoxRecovered()
{
    QFETCH(Complex, e00);
    QFETCH(Complex, e01);
    QFETCH(Complex, e11);
    QFETCH(double, openPicofarad);
    QFETCH(double, shortNanohenry);
    QFETCH(Complex, load);
    QFETCH(double, z0);
    const ErrorBox box {e00, e01, e11};
    const double hertz = 28.5e6;
    const StandardDefinitions definitions {openPicofarad * 1e-12, shortNanohenry * 1e-9, load};
    const StandardReflections gamma = standardReflections(definitions, z0, hertz);
    if (openPicofarad == 0 && shortNanohenry == 0) {
        QCOMPARE(gamma.open, Complex(1, 0));
        QCOMPARE(gamma.shortCircuit, Complex(-1, 0));
    }
    const Result<ErrorTerms> terms
        = solveErrorTerms(exact(box.reading(gamma.open)), exact(box.reading(gamma.shortCircuit)),
            exact(box.reading(gamma.load)), definitions, z0, hertz);
    QVERIFY2(terms, qPrintable(terms.error()));
    QVERIFY(near(terms->e00, e00, 1e-13));
    QVERIFY(near(terms->e01, e01, 1e-13));
    QVERIFY(near(terms->e11, e11, 1e-13));
    for (const Complex z : {Complex(50, 0), Complex(42, -27), Complex(300, -200), Complex(3, 120),
             Complex(0.2, 0), Complex(2000, 900)}) {
        const Result<Corrected> corrected
            = correct(*terms, exact(box.reading(reflection(z, z0))), z0);
        QVERIFY2(corrected, qPrintable(corrected.error()));
        QVERIFY2(near(corrected->z, z, 1e-9),
            qPrintable(
                QStringLiteral("(%1, %2)").arg(corrected->z.real()).arg(corrected->z.imag())));
        QCOMPARE(corrected->rSigma, 0.0);
    }
    // The reading of an open (Γ = 1) has no finite impedance, or one beyond any antenna's
    // where the rounding leaves Γ a hair from 1.
    const Result<Corrected> open = correct(*terms, exact(box.reading(1.0)), z0);
    QVERIFY(!open || std::abs(open->z) > 1e9);
}

// Each reading's noise reaches Z as its derivative says: moving one reading by a small δ in
// ln|g| or in arg g moves Z by what the sigma of that reading alone predicts.
void tst_Calibration::spreadOfEachReading_data()
{
    QTest::addColumn<int>("which"); // 0 the measurement, 1 the open, 2 the short, 3 the load
    QTest::addColumn<bool>("phase"); // moved in arg g, else in ln|g|

    const char *names[] = {"measurement", "open", "short", "load"};
    for (int which = 0; which < 4; ++which) {
        QTest::addRow("%s, magnitude", names[which]) << which << false;
        QTest::addRow("%s, phase", names[which]) << which << true;
    }
}

void tst_Calibration::spreadOfEachReading()
{
    QFETCH(int, which);
    QFETCH(bool, phase);
    const double delta = 1e-7;
    const ErrorBox box {Complex(0.51, -0.03), Complex(0.47, -0.06), Complex(-0.08, 0.12)};
    const double z0 = 50;
    std::array<MeasuredRatio, 4> readings = {exact(box.reading(reflection({42, -27}, z0))),
        exact(box.reading(1.0)), exact(box.reading(-1.0)), exact(box.reading(0.0))};
    const auto impedance = [&](const std::array<MeasuredRatio, 4> &r) {
        const ErrorTerms terms
            = *solveErrorTerms(r[1], r[2], r[3], StandardDefinitions(), z0, 14.2e6);
        return *correct(terms, r[0], z0);
    };
    const Complex before = impedance(readings).z;
    std::array<MeasuredRatio, 4> moved = readings;
    moved[which].value *= std::exp(phase ? Complex(0, delta) : Complex(delta, 0));
    const Complex change = impedance(moved).z - before;

    (phase ? readings[which].phaseVariance : readings[which].logMagnitudeVariance) = delta * delta;
    const Corrected spread = impedance(readings);
    QVERIFY2(std::abs(spread.rSigma - std::abs(change.real())) <= 1e-5 * std::abs(change)
            && std::abs(spread.xSigma - std::abs(change.imag())) <= 1e-5 * std::abs(change),
        qPrintable(QStringLiteral("sigma %1, %2; change %3, %4")
                       .arg(spread.rSigma)
                       .arg(spread.xSigma)
                       .arg(change.real())
                       .arg(change.imag())));
}

// Calibrated at 13.9, 14.2 and 14.5 MHz: exact there, exact between them for a box that is
// linear in frequency, the ends' terms within 1 % outside, refused beyond.
void tst_Calibration::frequencies_data()
{
    QTest::addColumn<double>("megahertz");
    QTest::addColumn<double>("termsOfMegahertz"); // 0: refused
    QTest::addColumn<QString>("message");

    QTest::newRow("calibrated") << 14.2 << 14.2 << QString();
    QTest::newRow("between two") << 14.05 << 14.05 << QString();
    QTest::newRow("0.9 % below: the lowest's") << 13.9 / 1.009 << 13.9 << QString();
    QTest::newRow("0.9 % above: the highest's") << 14.5 * 1.009 << 14.5 << QString();
    QTest::newRow("below by 2 %")
        << 13.6 << 0.0
        << "13.6 MHz is outside the calibrated span, 13.9 to 14.5 MHz: calibrate there too (a "
           "calibration is not extrapolated)";
}

void tst_Calibration::frequencies()
{
    QFETCH(double, megahertz);
    QFETCH(double, termsOfMegahertz);
    QFETCH(QString, message);
    const Calibration calibration = calibrationAt({14.5e6, 13.9e6, 14.2e6});
    QCOMPARE(calibration.points.size(), std::size_t(3));
    QCOMPARE(calibration.points.front().frequencyHz, 13.9e6);
    const Result<ErrorTerms> terms = termsAt(calibration, megahertz * 1e6);
    if (termsOfMegahertz == 0) {
        QVERIFY(!terms);
        QCOMPARE(terms.error(), message);
        return;
    }
    QVERIFY2(terms, qPrintable(terms.error()));
    const ErrorBox box = boxAt(termsOfMegahertz * 1e6);
    QVERIFY(near(terms->e00, box.e00, 1e-12));
    QVERIFY(near(terms->e01, box.e01, 1e-12));
    QVERIFY(near(terms->e11, box.e11, 1e-12));
}

void tst_Calibration::standardsRefused_data()
{
    QTest::addColumn<std::vector<StandardReading>>("opens");
    QTest::addColumn<std::vector<StandardReading>>("shorts");
    QTest::addColumn<std::vector<StandardReading>>("loads");
    QTest::addColumn<Complex>("loadOhm");
    QTest::addColumn<QString>("message");

    const double f = 14.2e6;
    const std::vector<StandardReading> open = {standard(f, 1.0, QStringLiteral("open.csv"))};
    const std::vector<StandardReading> shorted = {standard(f, -1.0, QStringLiteral("short.csv"))};
    const std::vector<StandardReading> load = {standard(f, 0.0, QStringLiteral("load.csv"))};
    QTest::newRow("the open's capture given as the load's")
        << open << shorted << std::vector<StandardReading> {open.front()} << Complex(50, 0)
        << "at 14.2 MHz: the open and the load give the same reading (0.7721\u2220-1.00\u00b0 "
           "and 0.7721\u2220-1.00\u00b0, 1 sigma 0): was the load connected, or the same "
           "capture given twice?";
    // The short reads 1e-3 from the load, and each reading has a sigma of 0.7e-3.
    QTest::newRow("short and load within three sigma")
        << open
        << std::vector<StandardReading> {{f, {boxAt(f).reading(0.0) + 1e-3, 1e-6, 1e-6, 0}, {}}}
        << std::vector<StandardReading> {{f, {boxAt(f).reading(0.0), 1e-6, 1e-6, 0}, {}}}
        << Complex(50, 0)
        << "at 14.2 MHz: the short and the load give the same reading (0.4814\u22202.41\u00b0 "
           "and 0.4804\u22202.42\u00b0, 1 sigma 0.00096): was the load connected, or the same "
           "capture given twice?";
    QTest::newRow("a load defined as a short")
        << open << shorted << load << Complex(1e-12, 0)
        << "at 14.2 MHz: the short and the load are defined alike (both reflect "
           "1\u2220180.00\u00b0): give standards that differ";
    QTest::newRow("no short")
        << open << std::vector<StandardReading>() << load << Complex(50, 0)
        << "at 14.2 MHz the short is missing: there is only the open (open.csv) and the load "
           "(load.csv)";
    QTest::newRow("a short at another frequency")
        << open << std::vector<StandardReading> {standard(14.25e6, -1.0, "short.csv")} << load
        << Complex(50, 0)
        << "at 14.2 MHz the short is missing: there is only the open (open.csv) and the load "
           "(load.csv)";
    QTest::newRow("two loads at one frequency")
        << open << shorted
        << std::vector<StandardReading> {load.front(), standard(f * 1.0005, 0.0, "load2.csv")}
        << Complex(50, 0) << "2 captures of the load at 14.2 MHz (load.csv, load2.csv): give one";
}

void tst_Calibration::standardsRefused()
{
    QFETCH(std::vector<StandardReading>, opens);
    QFETCH(std::vector<StandardReading>, shorts);
    QFETCH(std::vector<StandardReading>, loads);
    QFETCH(Complex, loadOhm);
    QFETCH(QString, message);
    StandardDefinitions definitions;
    definitions.loadOhm = loadOhm;
    const Result<Calibration> calibration
        = buildCalibration(opens, shorts, loads, definitions, 50, kDate);
    QVERIFY(!calibration);
    QCOMPARE(calibration.error(), message);
}

// Saved and read back, a calibration gives the same terms and the same corrected
// impedance with the same spread; it serves its own Z0 alone.
void tst_Calibration::jsonRoundTrip()
{
    Calibration saved = calibrationAt({7.1e6, 14.2e6}, 1e-8);
    saved.definitions = {4.5e-12, 2.5e-9, {49.9, 0.3}};
    saved = *buildCalibration({saved.points[0].open, saved.points[1].open},
        {saved.points[0].shortCircuit, saved.points[1].shortCircuit},
        {saved.points[0].load, saved.points[1].load}, saved.definitions, 50, kDate);
    const Result<Calibration> read
        = readCalibration(calibrationJson(saved), QStringLiteral("cal.json"));
    QVERIFY2(read, qPrintable(read.error()));
    QCOMPARE(read->z0Ohm, 50.0);
    QCOMPARE(read->date, kDate);
    QCOMPARE(read->definitions.openFarad, 4.5e-12);
    QCOMPARE(read->definitions.shortHenry, 2.5e-9);
    QCOMPARE(read->definitions.loadOhm, Complex(49.9, 0.3));
    QCOMPARE(read->points.size(), std::size_t(2));
    QCOMPARE(read->points[1].load.file, QStringLiteral("load-14.2.csv"));
    QCOMPARE(read->points[1].shortCircuit.ratio.phaseVariance, 1e-8);

    const MeasuredRatio measured {boxAt(10e6).reading(0.3), 1e-8, 2e-8, 1e-9};
    const Corrected before = *correct(*termsAt(saved, 10e6), measured, 50);
    const Corrected after = *correct(*termsAt(*read, 10e6), measured, 50);
    QCOMPARE(after.z, before.z);
    QCOMPARE(after.rSigma, before.rSigma);
    QCOMPARE(after.xSigma, before.xSigma);

    QVERIFY(!referenceMismatch(*read, 50));
    QCOMPARE(referenceMismatch(*read, 75)->message,
        QStringLiteral("the calibration was made for Z0 = 50 ohms, not 75: measure with the Z0 "
                       "it was made for, or calibrate anew"));
}

void tst_Calibration::jsonRefused_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");

    const QJsonObject good
        = QJsonDocument::fromJson(calibrationJson(calibrationAt({7.1e6, 14.2e6}, 1e-8))).object();
    const auto edited = [&](const std::function<void(QJsonObject &)> &edit) {
        QJsonObject root = good;
        edit(root);
        return QJsonDocument(root).toJson();
    };
    const auto editPoint = [&](int index, const std::function<void(QJsonObject &)> &edit) {
        return edited([&](QJsonObject &root) {
            QJsonArray points = root.value(QLatin1String("points")).toArray();
            QJsonObject point = points.at(index).toObject();
            edit(point);
            points[index] = point;
            root.insert(QStringLiteral("points"), points);
        });
    };

    QTest::newRow("not JSON") << QByteArray("Time (s),CH1 (V),CH2 (V)\n")
                              << "cal.json: not a calibration: no JSON (illegal value at byte 1)";
    QTest::newRow("a measurement report") << QByteArray("{\"version\": 1, \"captures\": []}")
                                          << "cal.json: not a calibration: it has no 'points' list";
    QTest::newRow("version 2") << edited([](QJsonObject &r) { r.insert("version", 2); })
                               << "cal.json: a calibration of version 2, which this program "
                                  "does not read (it reads version 1)";
    QTest::newRow("no Z0") << edited([](QJsonObject &r) { r.remove("z0Ohm"); })
                           << "cal.json: 'z0Ohm' is missing or not a finite number";
    QTest::newRow("Z0 0") << edited([](QJsonObject &r) { r.insert("z0Ohm", 0); })
                          << "cal.json: 'z0Ohm' must be above 0";
    QTest::newRow("no date") << edited([](QJsonObject &r) { r.remove("date"); })
                             << "cal.json: 'date' is missing or not a date and time";
    // Qt writes a number that is not finite as null.
    QTest::newRow("a term not finite") << editPoint(1, [](QJsonObject &p) {
        p.insert("e01", QJsonObject {{"re", qInf()}, {"im", 0}});
    }) << "cal.json: points[1].e01: 're' is missing or not a finite number";
    QTest::newRow("a negative variance") << editPoint(0, [](QJsonObject &p) {
        QJsonObject open = p.value("open").toObject();
        open.insert("phaseVariance", -1e-8);
        p.insert("open", open);
    }) << "cal.json: points[0].open: 'phaseVariance' is below 0";
    QTest::newRow("a standard missing")
        << editPoint(0, [](QJsonObject &p) { p.remove("short"); })
        << "cal.json: points[0]: 'short' is missing or not an object";
    QTest::newRow("frequencies descending")
        << editPoint(1, [](QJsonObject &p) { p.insert("frequencyHz", 7e6); })
        << "cal.json: points[1]: the frequencies must be above 0 and ascend";
    QTest::newRow("a term edited")
        << editPoint(1,
               [](QJsonObject &p) {
                   p.insert("e00", QJsonObject {{"re", 0.5}, {"im", 0}});
               })
        << "cal.json: points[1]: the terms at 14.2 MHz do not follow from the standards' "
           "readings: was the file edited?";
}

void tst_Calibration::jsonRefused()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    const Result<Calibration> read = readCalibration(content, QStringLiteral("cal.json"));
    QVERIFY(!read);
    QCOMPARE(read.error(), message);
}

QTEST_GUILESS_MAIN(tst_Calibration)
#include "tst_calibration.moc"
