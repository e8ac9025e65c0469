// Touchstone files checked by a reader and a writer that nobody here wrote: scikit-rf (the
// Python RF toolkit, from Debian) reads what zalvimo-measure writes and must find the same
// impedances, and what scikit-rf writes, in every form, Zalvimo's reader must read as
// scikit-rf itself does.

#include "touchstone.h"

#include "externaltools.h"
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <QtTest>

#include <cmath>
#include <complex>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTolerance = 1e-9; // relative

// A capture of the measuring setup for a load Z through Z0: CH1 at the generator's
// terminal, V_x = CH1·Z/(Z0 + Z), 50 samples a period over 8 periods.
QByteArray capture(double megahertz, std::complex<double> z, double z0)
{
    const double f = megahertz * 1e6;
    const std::complex<double> vx = 200.0 * z / (z0 + z);
    QByteArray csv = "Time (s),CH1 (mV),CH2 (mV)\n";
    for (int k = 0; k < 400; ++k) {
        const double t = k / (50 * f);
        const double angle = 2 * kPi * f * t;
        csv += QByteArray::number(t, 'g', 17) + ','
            + QByteArray::number(200 * std::cos(angle), 'g', 17) + ','
            + QByteArray::number(std::abs(vx) * std::cos(angle + std::arg(vx)), 'g', 17) + '\n';
    }
    return csv;
}

std::complex<double> pair(const QJsonValue &value)
{
    const QJsonArray a = value.toArray();
    return {a.at(0).toDouble(), a.at(1).toDouble()};
}

bool near(std::complex<double> a, std::complex<double> b)
{
    return std::abs(a - b) <= kTolerance * std::abs(b);
}

} // namespace

class tst_TouchstoneScikitRf : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void scikitRfReadsWhatZalvimoWrites();
    void zalvimoReadsWhatScikitRfWrites();

private:
    QJsonObject python(const QStringList &arguments);

    QTemporaryDir folder;
};

void tst_TouchstoneScikitRf::initTestCase()
{
    if (!scikitRfAvailable()) {
        QSKIP(scikitRfMissing());
    }
    QVERIFY(folder.isValid());
}

// Runs the helper script with Debian's Python and returns what it wrote.
QJsonObject tst_TouchstoneScikitRf::python(const QStringList &arguments)
{
    const QString out = folder.filePath(QStringLiteral("skrf.json"));
    QProcess process;
    process.start(QStringLiteral("/usr/bin/python3"),
        QStringList {QStringLiteral(ZALVIMO_SOURCE_DIR "/tests/touchstone/skrf_touchstone.py"),
            arguments.first(), out}
            + arguments.mid(1));
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        qWarning("%s", process.readAllStandardError().constData());
        return {};
    }
    QFile file(out);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QJsonDocument::fromJson(file.readAll()).object();
}

// zalvimo-measure measures a sweep of captures (given in no order) and writes it as .s1p;
// scikit-rf reads the file and must find each capture's Z as the JSON report gives it.
void tst_TouchstoneScikitRf::scikitRfReadsWhatZalvimoWrites()
{
    struct Load
    {
        double megahertz;
        std::complex<double> z;
    };
    const Load loads[] = {{14.2, {34.24, 14.33}}, {3.6, {3, 120}}, {28.5, {800, -25}},
        {7.1, {20, -30}}, {50.1, {120, -75}}};
    for (const double z0 : {50.0, 75.0}) {
        QStringList arguments {QStringLiteral("--json"), QStringLiteral("--z0"),
            QString::number(z0), QStringLiteral("--s1p"), folder.filePath(QStringLiteral("z.s1p"))};
        for (const Load &load : loads) {
            const QString path
                = folder.filePath(QStringLiteral("capture-%1.csv").arg(load.megahertz));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(capture(load.megahertz, load.z, z0));
            arguments.append(path);
        }
        QProcess measure;
        measure.start(QStringLiteral(ZALVIMO_MEASURE), arguments);
        QVERIFY(measure.waitForFinished(60000));
        QCOMPARE(measure.exitCode(), 0);
        const QJsonArray captures = QJsonDocument::fromJson(measure.readAllStandardOutput())
                                        .object()
                                        .value(QLatin1String("captures"))
                                        .toArray();
        QCOMPARE(captures.size(), 5);

        const QJsonObject read
            = python({QStringLiteral("read"), folder.filePath(QStringLiteral("z.s1p"))});
        const QJsonObject network = read.begin()->toObject();
        QCOMPARE(network.value(QLatin1String("z0")).toDouble(), z0);
        const QJsonArray frequencies = network.value(QLatin1String("f")).toArray();
        const QJsonArray impedances = network.value(QLatin1String("z")).toArray();
        QCOMPARE(frequencies.size(), 5);
        for (const QJsonValue &value : captures) {
            const QJsonObject c = value.toObject();
            const double hertz = c.value(QLatin1String("frequencyMHz")).toDouble() * 1e6;
            const std::complex<double> z(c.value(QLatin1String("rOhm")).toDouble(),
                c.value(QLatin1String("xOhm")).toDouble());
            int found = -1;
            for (int i = 0; i < frequencies.size(); ++i) {
                if (std::abs(frequencies.at(i).toDouble() - hertz) <= kTolerance * hertz) {
                    found = i;
                }
            }
            QVERIFY2(found >= 0, qPrintable(QString::number(hertz)));
            const std::complex<double> skrf = pair(impedances.at(found));
            QVERIFY2(near(skrf, z),
                qPrintable(QStringLiteral("%1 MHz: scikit-rf (%2, %3), zalvimo (%4, %5)")
                               .arg(hertz / 1e6)
                               .arg(skrf.real(), 0, 'g', 12)
                               .arg(skrf.imag(), 0, 'g', 12)
                               .arg(z.real(), 0, 'g', 12)
                               .arg(z.imag(), 0, 'g', 12)));
            // And the sweep is written in ascending order.
            QVERIFY(found == 0
                || frequencies.at(found).toDouble() > frequencies.at(found - 1).toDouble());
        }
    }
}

// scikit-rf writes files in RI, MA and DB, in Hz and GHz, with R 50 and 75; the reader
// must give the impedances that scikit-rf computes from them.
void tst_TouchstoneScikitRf::zalvimoReadsWhatScikitRfWrites()
{
    const QJsonObject written = python({QStringLiteral("write"), folder.path()});
    QCOMPARE(written.size(), 12);
    for (auto it = written.begin(); it != written.end(); ++it) {
        const Result<TouchstoneSweep> read = readTouchstoneFile(it.key());
        QVERIFY2(read, qPrintable(read.error()));
        const TouchstoneSweep &sweep = *read;
        const QJsonObject expected = it->toObject();
        const double z0 = expected.value(QLatin1String("z0")).toDouble();
        QCOMPARE(sweep.referenceOhm, z0);
        const QJsonArray frequencies = expected.value(QLatin1String("f")).toArray();
        const QJsonArray impedances = expected.value(QLatin1String("z")).toArray();
        QCOMPARE(int(sweep.points.size()), frequencies.size());
        for (int i = 0; i < frequencies.size(); ++i) {
            const double hertz = frequencies.at(i).toDouble();
            QVERIFY(
                std::abs(sweep.points[std::size_t(i)].frequencyHz - hertz) <= kTolerance * hertz);
            const std::complex<double> z
                = impedanceFromReflection(sweep.points[std::size_t(i)].s11, z0);
            QVERIFY2(near(z, pair(impedances.at(i))), qPrintable(it.key()));
        }
    }
}

QTEST_GUILESS_MAIN(tst_TouchstoneScikitRf)
#include "tst_touchstoneskrf.moc"
