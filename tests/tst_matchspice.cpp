// zalvimo-match against the circuit simulator: each network is built in ngspice in front of
// the load, behind a 1 V source of Z0, and an AC analysis gives what the transceiver would
// see. The ideal networks must match, and the networks of real parts (each with its loss
// resistance) must show the SWR, the loss, the currents and the voltages that the program
// computes, at one frequency and across the sweep of an antenna model.

#include "matchdesign.h"
#include "ngspice.h"

#include <QtTest>

#include <cmath>
#include <complex>

using Complex = std::complex<double>;
Q_DECLARE_METATYPE(Complex)

namespace {

constexpr double kPi = 3.141592653589793;

QString number(double value)
{
    return QString::number(value, 'g', 17);
}

// A part between two nodes with its loss resistance in series, as the program models it;
// an ideal part (a Q beyond 1e100) without one.
QString partElements(const QString &name, const QString &from, const QString &to,
    const BuiltPart &part, double frequencyHz, double coilQ, double capacitorQ)
{
    const double omega = 2 * kPi * frequencyHz;
    const QChar kind = part.coil ? QLatin1Char('L') : QLatin1Char('C');
    const double q = part.coil ? coilQ : capacitorQ;
    if (q > 1e100) {
        return QStringLiteral("%1%2 %3 %4 %5\n").arg(kind).arg(name, from, to, number(part.value));
    }
    const QString inner = name + QStringLiteral("_r");
    const double loss = part.coil ? omega * part.value / q : 1 / (omega * part.value * q);
    return QStringLiteral("%1%2 %3 %4 %5\nR%2 %4 %6 %7\n")
        .arg(kind)
        .arg(name, from, inner, number(part.value), to, number(loss));
}

// The network between node "in" and node "ant", with zero-volt sources that measure the
// currents of the series part (vser) and the shunt part (vsh).
QString networkElements(const BuiltNetwork &n, double frequencyHz)
{
    QString lines;
    if (n.series) {
        lines += QStringLiteral("Vser in s1 0\n")
            + partElements(QStringLiteral("ser"), QStringLiteral("s1"), QStringLiteral("ant"),
                *n.series, frequencyHz, n.coilQ, n.capacitorQ);
    } else {
        lines += QStringLiteral("Vser in s1 0\nVwire s1 ant 0\n");
    }
    if (n.shunt) {
        const QString at = n.shuntAcross == ShuntAcross::Transceiver ? QStringLiteral("in")
                                                                     : QStringLiteral("ant");
        lines += QStringLiteral("Vsh %1 p1 0\n").arg(at)
            + partElements(QStringLiteral("sh"), QStringLiteral("p1"), QStringLiteral("0"),
                *n.shunt, frequencyHz, n.coilQ, n.capacitorQ);
    }
    return lines;
}

// The same network of ideal parts: exact reactances, no loss.
BuiltNetwork idealBuilt(const LNetwork &ideal, double frequencyHz)
{
    const double omega = 2 * kPi * frequencyHz;
    const auto part = [&](double reactance) {
        BuiltPart p;
        p.coil = reactance > 0;
        p.value = p.coil ? reactance / omega : -1 / (omega * reactance);
        return p;
    };
    BuiltNetwork n;
    n.shuntAcross = ideal.shuntAcross;
    n.coilQ = 1e300;
    n.capacitorQ = 1e300;
    if (ideal.hasSeries) {
        n.series = part(ideal.seriesReactance);
    }
    if (ideal.hasShunt) {
        n.shunt = part(ideal.shuntReactance);
    }
    return n;
}

struct Simulated
{
    double swr = 0;
    double loss = 0;
    Complex seriesCurrent; // at the source's 1 V
    Complex shuntCurrent;
    Complex vIn;
    Complex vAnt;
    Complex vS1;
    Complex vP1;
    double powerIn = 0;
};

QString complexVectors(const QString &v)
{
    return QStringLiteral("real(%1) imag(%1)").arg(v);
}

// One AC point or a sweep: rows of frequency then the vectors' real and imaginary parts:
// v(in), v(ant), i(vser), v(s1), and with a shunt part i(vsh), v(p1).
bool simulate(
    const QString &elements, const QString &analysis, bool shunt, SpiceTable *table, QString *error)
{
    QStringList vectors;
    QStringList names {"v(in)", "v(ant)", "i(vser)", "v(s1)"};
    if (shunt) {
        names << QStringLiteral("i(vsh)") << QStringLiteral("v(p1)");
    }
    for (const QString &v : names) {
        vectors += complexVectors(v).split(QLatin1Char(' '));
    }
    return runNgspice(elements, analysis, vectors, table, error);
}

Simulated readRow(const QVector<double> &row, double z0, Complex load, bool hasShunt)
{
    Simulated s;
    const auto c = [&](int i) { return Complex(row[1 + 2 * i], row[2 + 2 * i]); };
    s.vIn = c(0);
    s.vAnt = c(1);
    s.seriesCurrent = c(2);
    s.vS1 = c(3);
    s.shuntCurrent = hasShunt ? c(4) : Complex();
    s.vP1 = hasShunt ? c(5) : Complex();
    const double gamma = std::abs(2.0 * s.vIn - 1.0);
    s.swr = (1 + gamma) / (1 - gamma);
    const Complex inputCurrent = (1.0 - s.vIn) / z0;
    s.powerIn = (s.vIn * std::conj(inputCurrent)).real();
    const Complex loadCurrent = s.vAnt / load;
    s.loss = 1 - std::norm(loadCurrent) * load.real() / s.powerIn;
    return s;
}

bool near(double a, double b, double relative)
{
    return std::abs(a - b) <= relative * std::abs(b);
}

} // namespace

class tst_MatchSpice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void networks_data();
    void networks();
    void antennaSweep_data();
    void antennaSweep();
};

void tst_MatchSpice::initTestCase()
{
    if (!ngspiceAvailable()) {
        QSKIP("ngspice is not installed (apt-get install ngspice)");
    }
}

void tst_MatchSpice::networks_data()
{
    QTest::addColumn<double>("z0");
    QTest::addColumn<double>("megahertz");
    QTest::addColumn<Complex>("load");

    QTest::newRow("A: 3 + j120, 160 m") << 50.0 << 1.85 << Complex(3, 120);
    QTest::newRow("B: 34.2 + j14.3, 17 m") << 50.0 << 18.13 << Complex(34.24, 14.33);
    QTest::newRow("C: 20 - j10, 80 m") << 50.0 << 3.6 << Complex(20, -10);
    QTest::newRow("D: 41.97 - j27.05, 20 m") << 50.0 << 14.2 << Complex(41.97, -27.05);
    QTest::newRow("on the circle: 25 + j25, 40 m") << 50.0 << 7.1 << Complex(25, 25);
    QTest::newRow("E: 500 + j250, 160 m") << 50.0 << 1.85 << Complex(500, 250);
    QTest::newRow("F: 120 - j75 on 75 ohm, 10 m") << 75.0 << 28.5 << Complex(120, -75);
    QTest::newRow("a few ohms: 4 - j8 on 75 ohm, 6 m") << 75.0 << 54.0 << Complex(4, -8);
    QTest::newRow("hundreds of ohms: 800 - j25, 30 m") << 50.0 << 10.1 << Complex(800, -25);
}

// Every solution matches as ideal parts (SWR ≤ 1.001); built from its parts with their Q
// the SWR and the loss agree with ngspice's to 1e-3, and at 100 W every part's current and
// peak voltage to 1 %.
void tst_MatchSpice::networks()
{
    QFETCH(double, z0);
    QFETCH(double, megahertz);
    QFETCH(Complex, load);

    MatchRequest request;
    request.z0 = z0;
    request.frequencyHz = megahertz * 1e6;
    request.load = load;
    request.coilForm.core = findCore(QStringLiteral("T50-2"));
    const MatchResult result = designMatches(request);
    QVERIFY(!result.solutions.empty());

    const double f = request.frequencyHz;
    const QString analysis = QStringLiteral("ac lin 1 %1 %1").arg(number(f));
    const QString source = QStringLiteral("V1 src 0 AC 1\nRsrc src in %1\n").arg(number(z0));
    for (const MatchedSolution &s : result.solutions) {
        const QString loadLines = QStringLiteral("Rload ant lx %1\n").arg(number(load.real()))
            + (load.imag() > 0
                    ? QStringLiteral("Lload lx 0 %1\n").arg(number(load.imag() / (2 * kPi * f)))
                    : QStringLiteral("Cload lx 0 %1\n")
                          .arg(number(-1 / (2 * kPi * f * load.imag()))));
        SpiceTable table;
        QString error;
        QVERIFY2(simulate(source + networkElements(idealBuilt(s.ideal, f), f) + loadLines, analysis,
                     s.ideal.hasShunt, &table, &error),
            qPrintable(error));
        const Simulated ideal = readRow(table.first(), z0, load, s.ideal.hasShunt);
        QVERIFY2(ideal.swr <= 1.001, qPrintable(QString::number(ideal.swr)));

        QVERIFY2(simulate(source + networkElements(s.built, f) + loadLines, analysis,
                     bool(s.built.shunt), &table, &error),
            qPrintable(error));
        const Simulated built = readRow(table.first(), z0, load, bool(s.built.shunt));
        qInfo("%s, %s: SWR %.4f (ngspice %.4f), loss %.4f %% (ngspice %.4f %%)",
            QTest::currentDataTag(), qPrintable(s.built.series ? s.built.series->text : QString()),
            s.response.swr, built.swr, 100 * s.response.lossFraction, 100 * built.loss);
        QVERIFY2(near(s.response.swr, built.swr, 1e-3), qPrintable(QString::number(built.swr)));
        QVERIFY2(
            std::abs(s.response.lossFraction - built.loss) <= 1e-3 * std::max(built.loss, 1e-3),
            qPrintable(QString::number(built.loss)));

        // At the power: scale the 1 V run to put request.powerWatt into the network.
        const double k = std::sqrt(request.powerWatt / built.powerIn);
        if (s.built.series) {
            QVERIFY(near(s.response.series.currentRms, k * std::abs(built.seriesCurrent), 0.01));
            QVERIFY(near(s.response.series.voltagePeak,
                std::sqrt(2.0) * k * std::abs(built.vS1 - built.vAnt), 0.01));
        }
        if (s.built.shunt) {
            QVERIFY(near(s.response.shunt.currentRms, k * std::abs(built.shuntCurrent), 0.01));
            QVERIFY(
                near(s.response.shunt.voltagePeak, std::sqrt(2.0) * k * std::abs(built.vP1), 0.01));
        }
    }
}

void tst_MatchSpice::antennaSweep_data()
{
    QTest::addColumn<QString>("model"); // "series" or "parallel"
    QTest::newRow("a dipole: series R-L-C") << "series";
    QTest::newRow("near a parallel resonance") << "parallel";
}

// Across a sweep of an antenna model the SWR of each built network at each frequency agrees
// with ngspice's, the model's impedance computed at each frequency from its elements.
void tst_MatchSpice::antennaSweep()
{
    QFETCH(QString, model);
    const bool series = model == QLatin1String("series");
    const double r = series ? 42 : 2000;
    const double l = series ? 2e-6 : 1.2e-6;
    const double c = series ? 63.25e-12 : 105e-12;
    const auto impedance = [&](double hertz) {
        const double omega = 2 * kPi * hertz;
        if (series) {
            return Complex(r, omega * l - 1 / (omega * c));
        }
        return 1.0 / (1.0 / r + 1.0 / Complex(0, omega * l) + Complex(0, omega * c));
    };
    MatchRequest request;
    request.frequencyHz = series ? 14.15e6 : 14.0e6;
    request.load = impedance(request.frequencyHz);
    request.coilForm.core = findCore(QStringLiteral("T68-6"));
    const int points = 41;
    const double low = request.frequencyHz * 0.9;
    const double high = request.frequencyHz * 1.1;
    for (int i = 0; i < points; ++i) {
        const double hertz = low + (high - low) * i / (points - 1);
        request.sweep.emplace_back(hertz, impedance(hertz));
    }
    const MatchResult result = designMatches(request);
    QVERIFY(!result.solutions.empty());

    const QString loadLines = series
        ? QStringLiteral("Rload ant a1 %1\nLload a1 a2 %2\nCload a2 0 %3\n")
              .arg(number(r), number(l), number(c))
        : QStringLiteral("Rload ant 0 %1\nLload ant 0 %2\nCload ant 0 %3\n")
              .arg(number(r), number(l), number(c));
    const QString source = QStringLiteral("V1 src 0 AC 1\nRsrc src in 50\n");
    // Each frequency its own run: the parts' loss resistances follow the frequency, as a
    // constant Q has them.
    for (const MatchedSolution &s : result.solutions) {
        QCOMPARE(int(s.swrSweep.size()), points);
        for (int i = 0; i < points; i += 4) {
            const double hertz = s.swrSweep[std::size_t(i)].first;
            SpiceTable table;
            QString error;
            QVERIFY2(simulate(source + networkElements(s.built, hertz) + loadLines,
                         QStringLiteral("ac lin 1 %1 %1").arg(number(hertz)), bool(s.built.shunt),
                         &table, &error),
                qPrintable(error));
            const Simulated sim = readRow(table.first(), 50, impedance(hertz), bool(s.built.shunt));
            const double swr = s.swrSweep[std::size_t(i)].second;
            QVERIFY2(near(swr, sim.swr, 1e-3),
                qPrintable(QStringLiteral("%1 MHz: %2, ngspice %3")
                               .arg(hertz / 1e6)
                               .arg(swr)
                               .arg(sim.swr)));
        }
    }
}

QTEST_GUILESS_MAIN(tst_MatchSpice)
#include "tst_matchspice.moc"
