// The measuring method on a simulated bench. The circuit simulator ngspice plays the
// generator, the resistor Z0, the antenna and the oscilloscope, wired as the picture
// "Measuring setup" draws them; the readings are taken off its waveforms as the picture and
// the README tell a person to (half the CH1 crest, the CH2 crest, the time from the CH2
// crest to the CH1 crest). The window must give back the simulated antenna's impedance, and
// the L-network built from the component texts it shows must match that antenna to Z0 in
// an AC analysis of the same simulator.

#include "calculationstate.h"
#include "crestreading.h"
#include "impedancefrommeasurement.h"
#include "mainwindow.h"
#include "measuringbench.h"
#include "ngspice.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include <complex>

namespace {

constexpr double kImpedanceTolerance = 1e-4; // relative to |Z|
constexpr double kSwrLimit = 1.002;
constexpr int kCapturedPeriods = 3;
constexpr int kSamplesPerPeriod = 2000;

QString decimal(double value)
{
    return QString::number(value, 'g', 7);
}

// One element of the network as the panel names it: "Capacitor of 389.848 pF" or
// "Coil of 230.693 nH", between nodes a and b. A capacitor of 0 pF is no part (open);
// a coil of 0 nH is a plain wire, here a source of 0 V.
bool elementLine(
    const QString &text, const QString &name, const QString &a, const QString &b, QString *line)
{
    static const QRegularExpression pattern(QStringLiteral("^(Capacitor|Coil) of (\\S+) (pF|nH)$"));
    const QRegularExpressionMatch match = pattern.match(text);
    bool ok = false;
    const double value = match.hasMatch() ? match.captured(2).toDouble(&ok) : 0;
    if (!ok || !std::isfinite(value) || value < 0) {
        return false;
    }
    const bool capacitor = match.captured(1) == QLatin1String("Capacitor");
    if (value == 0) {
        *line = capacitor ? QString() : QStringLiteral("V%1 %2 %3 0\n").arg(name, a, b);
        return true;
    }
    *line = QStringLiteral("%1%2 %3 %4 %5\n")
                .arg(capacitor ? QLatin1Char('C') : QLatin1Char('L'))
                .arg(name, a, b, QString::number(value * (capacitor ? 1e-12 : 1e-9), 'g', 17));
    return true;
}

} // namespace

class tst_SimulatedBench : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void measureAndMatch_data();
    void measureAndMatch();

private:
    QLineEdit *field(const char *name) const
    {
        return window->findChild<QLineEdit *>(QLatin1String(name));
    }
    void press(const char *name)
    {
        QTest::mouseClick(window->findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton);
    }

    MainWindow *window = nullptr;
};

void tst_SimulatedBench::initTestCase()
{
    if (!ngspiceAvailable()) {
        QSKIP("ngspice is not installed (apt-get install ngspice)");
    }
}

void tst_SimulatedBench::init()
{
    calculationState = CalculationState();
    window = new MainWindow;
    window->show();
}

void tst_SimulatedBench::cleanup()
{
    delete window;
    window = nullptr;
}

void tst_SimulatedBench::measureAndMatch_data()
{
    QTest::addColumn<double>("source"); // Z0, ohms
    QTest::addColumn<double>("generator"); // the generator's own resistance, ohms
    QTest::addColumn<double>("megahertz");
    QTest::addColumn<double>("r");
    QTest::addColumn<double>("x");
    QTest::addColumn<QString>("circuit");

    // Each variant on several bands, at 50 and 75 ohm, with a stiff generator (0.5 ohm)
    // and a common 50 ohm one: its resistance lies before the CH1 probe and must not count.
    QTest::newRow("A: 3 + j120, a few ohms, 160 m") << 50.0 << 50.0 << 1.85 << 3.0 << 120.0 << "A";
    QTest::newRow("A: 20 + j30, 40 m, stiff generator")
        << 50.0 << 0.5 << 7.1 << 20.0 << 30.0 << "A";
    QTest::newRow("A: 10 + j60 on 75 ohm, 10 m") << 75.0 << 50.0 << 28.5 << 10.0 << 60.0 << "A";
    QTest::newRow("B: 20 + j10, 20 m") << 50.0 << 50.0 << 14.2 << 20.0 << 10.0 << "B";
    QTest::newRow("B: the default reading's load, 17 m")
        << 50.0 << 0.5 << 18.13 << 34.2409 << 14.3275 << "B";
    QTest::newRow("B: 60 + j20 on 75 ohm, 6 m") << 75.0 << 50.0 << 50.1 << 60.0 << 20.0 << "B";
    QTest::newRow("C: 20 - j10, 80 m") << 50.0 << 50.0 << 3.6 << 20.0 << -10.0 << "C";
    QTest::newRow("C: 4 - j8, a few ohms, 15 m") << 50.0 << 0.5 << 21.2 << 4.0 << -8.0 << "C";
    QTest::newRow("C: 50 - j30 on 75 ohm, 54 MHz") << 75.0 << 50.0 << 54.0 << 50.0 << -30.0 << "C";
    QTest::newRow("D: 2 - j450, a few ohms, large X, 40 m")
        << 50.0 << 50.0 << 7.1 << 2.0 << -450.0 << "D";
    QTest::newRow("D: 30 - j60 on 75 ohm, 12 m") << 75.0 << 0.5 << 24.9 << 30.0 << -60.0 << "D";
    QTest::newRow("D: 20 - j30, 6 m") << 50.0 << 50.0 << 50.1 << 20.0 << -30.0 << "D";
    QTest::newRow("E: 800 + j350, several hundred ohms, 160 m")
        << 50.0 << 50.0 << 1.85 << 800.0 << 350.0 << "E";
    QTest::newRow("E: 100 + j50, 30 m") << 50.0 << 0.5 << 10.1 << 100.0 << 50.0 << "E";
    QTest::newRow("E: 300 + j900 on 75 ohm, 20 m") << 75.0 << 50.0 << 14.2 << 300.0 << 900.0 << "E";
    QTest::newRow("F: 800 - j25, several hundred ohms, 80 m")
        << 50.0 << 50.0 << 3.6 << 800.0 << -25.0 << "F";
    QTest::newRow("F: 120 - j75 on 75 ohm, 10 m") << 75.0 << 0.5 << 28.5 << 120.0 << -75.0 << "F";
    QTest::newRow("F: 450 - j1200, large X, 6 m")
        << 50.0 << 50.0 << 54.0 << 450.0 << -1200.0 << "F";
}

void tst_SimulatedBench::measureAndMatch()
{
    QFETCH(double, source);
    QFETCH(double, generator);
    QFETCH(double, megahertz);
    QFETCH(double, r);
    QFETCH(double, x);
    QFETCH(QString, circuit);
    const std::complex<double> load(r, x);
    const double frequencyHz = megahertz * 1e6;

    // The bench: the generator's open-circuit amplitude is 2 V; what reaches CH1 depends on
    // the generator's own resistance and does not matter.
    MeasuringBench bench;
    bench.sourceImpedance = source;
    bench.generatorResistance = generator;
    bench.frequencyHz = frequencyHz;
    bench.amplitude = 2;
    bench.loadResistance = r;
    bench.loadReactance = x;
    ScopeCapture capture;
    QString error;
    QVERIFY2(simulateBench(bench, 1 / (frequencyHz * kSamplesPerPeriod),
                 kCapturedPeriods * kSamplesPerPeriod + 1, &capture, &error),
        qPrintable(error));
    CrestReading reading;
    QVERIFY(readCrests(capture, frequencyHz, &reading));

    // The readings in the panel's units: V_reference is half the CH1 crest, in mV like V_x;
    // the delay in ns, positive when V_x's crest comes first.
    const double vRef = reading.ch1Amplitude / 2 * 1e3;
    const double vX = reading.ch2Amplitude * 1e3;
    const double delay = reading.delay * 1e9;

    calculationState.sourceImpedance = source;
    impedanceFromMeasurement(vRef, vX, delay, megahertz);
    const std::complex<double> measured(calculationState.zReal, calculationState.zImag);
    const double zError = std::abs(measured - load) / std::abs(load);
    QVERIFY2(zError < kImpedanceTolerance,
        qPrintable(QStringLiteral("measured %1 %2 j%3, relative error %4")
                       .arg(measured.real())
                       .arg(measured.imag() < 0 ? '-' : '+')
                       .arg(std::abs(measured.imag()))
                       .arg(zError)));

    // The same readings typed into the panel with seven digits, then both buttons.
    field("lineEditSourceImpedance")->setText(decimal(source));
    field("lineEditVRef")->setText(decimal(vRef));
    field("lineEditVX")->setText(decimal(vX));
    field("lineEditDelay")->setText(decimal(delay));
    field("lineEditFreq")->setText(decimal(megahertz));
    press("pushButtonCalculateImpedance");
    const std::complex<double> shown(
        field("lineEditReal")->text().toDouble(), field("lineEditJ")->text().toDouble());
    QVERIFY2(std::abs(shown - load) / std::abs(load) < kImpedanceTolerance,
        qPrintable(field("lineEditReal")->text() + QLatin1Char(' ') + field("lineEditJ")->text()));
    press("pushButtonCompensate");
    QCOMPARE(field("lineEditCircuitN")->text(), QStringLiteral("Circuit: ") + circuit);

    // The network from the panel's texts, in front of the simulated antenna: in variants A to
    // D element 1 is in series with the antenna and element 2 across the source's terminals;
    // in E and F element 1 is across the antenna and element 2 in series towards the source.
    const QString one = field("lineEditReactanceOne")->text();
    const QString two = field("lineEditReactanceTwo")->text();
    const bool seriesFirst = circuit < QLatin1String("E");
    QString lineOne;
    QString lineTwo;
    QVERIFY2(elementLine(one, QStringLiteral("one"),
                 seriesFirst ? QStringLiteral("in") : QStringLiteral("ant"),
                 seriesFirst ? QStringLiteral("ant") : QStringLiteral("0"), &lineOne),
        qPrintable(one));
    QVERIFY2(elementLine(two, QStringLiteral("two"), QStringLiteral("in"),
                 seriesFirst ? QStringLiteral("0") : QStringLiteral("ant"), &lineTwo),
        qPrintable(two));
    // The transceiver: a source of 1 V behind Z0. Then V(in) = Zin / (Z0 + Zin) and the
    // reflection coefficient (Zin − Z0) / (Zin + Z0) is 2·V(in) − 1.
    const QString elements = QStringLiteral("Vtx tx 0 AC 1\nRtx tx in %1\n").arg(source) + lineOne
        + lineTwo
        + seriesLoadElements(QStringLiteral("ant"), QStringLiteral("ant"), r, x, frequencyHz);
    SpiceTable table;
    QVERIFY2(runNgspice(elements,
                 QStringLiteral("ac lin 1 %1 %1").arg(QString::number(frequencyHz, 'g', 17)),
                 {QStringLiteral("vr(in)"), QStringLiteral("vi(in)")}, &table, &error),
        qPrintable(error));
    const std::complex<double> vIn(table[0][1], table[0][2]);
    const double gamma = std::abs(2.0 * vIn - 1.0);
    const double swr = (1 + gamma) / (1 - gamma);
    qInfo("%s: Z error %.2e, %s, %s, SWR %.6f", QTest::currentDataTag(), zError, qPrintable(one),
        qPrintable(two), swr);
    QVERIFY2(swr < kSwrLimit, qPrintable(QStringLiteral("SWR %1").arg(swr, 0, 'f', 6)));
}

QTEST_MAIN(tst_SimulatedBench)
#include "tst_simulatedbench.moc"
