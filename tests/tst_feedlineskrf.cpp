// The feedline transforms checked by a program that nobody here wrote: scikit-rf (the Python
// RF toolkit, from Debian) builds a line of the same characteristic impedance and
// propagation constant, terminates it with each load and gives the input impedance, and
// takes the line away again from that input. Both must agree with ours, for every cable of
// the table and two lines given by their numbers, on the HF bands.

#include "feedline.h"

#include "units.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <complex>

namespace {

constexpr double kTolerance = 1e-6; // relative
constexpr int kSkipStatus = 77; // the script's status when scikit-rf cannot be imported
const char kPython[] = "/usr/bin/python3"; // Debian's, which has scikit-rf

QJsonArray pair(std::complex<double> z)
{
    return {z.real(), z.imag()};
}

std::complex<double> pairValue(const QJsonValue &value)
{
    const QJsonArray a = value.toArray();
    return {a.at(0).toDouble(), a.at(1).toDouble()};
}

} // namespace

class tst_FeedlineScikitRf : public QObject
{
    Q_OBJECT

private slots:
    void agreesWithScikitRf();
};

void tst_FeedlineScikitRf::agreesWithScikitRf()
{
    if (!QFile::exists(QString::fromLatin1(kPython))) {
        QSKIP("no /usr/bin/python3 (Debian package python3-scikit-rf)");
    }
    QTemporaryDir folder;
    QVERIFY(folder.isValid());

    QStringList texts;
    for (const Cable &cable : cables()) {
        texts.append(cable.name + QStringLiteral(":27.3"));
    }
    texts << QStringLiteral("75,0.66,4.5@30:12.5") << QStringLiteral("450,0.9,0.4@3.6,1.2@30:40");
    // Loads in every part of the chart, a short, and nearly an open.
    const std::complex<double> loads[] = {{50, 0}, {42, -27}, {150, 80}, {300, -200}, {20, 90},
        {3, 120}, {800, -25}, {0, 0}, {1e9, 0}};
    const double megahertz[] = {1.85, 3.6, 7.1, 14.2, 21.2, 28.5};

    struct Case
    {
        Feedline line;
        double hertz;
    };
    std::vector<Case> cases;
    QJsonArray request;
    for (const QString &text : texts) {
        const Result<Feedline> line = parseFeedline(text);
        QVERIFY2(line, qPrintable(line.error()));
        for (const double mhz : megahertz) {
            const double hertz = mhz * kHertzPerMegahertz;
            QJsonArray loadList;
            for (const std::complex<double> load : loads) {
                loadList.append(pair(load));
            }
            request.append(QJsonObject {{QStringLiteral("f"), hertz},
                {QStringLiteral("zc"), pair(characteristicImpedance(*line, hertz))},
                {QStringLiteral("gamma"), pair(propagationConstant(*line, hertz))},
                {QStringLiteral("length"), line->lengthMetre},
                {QStringLiteral("loads"), loadList}});
            cases.push_back({*line, hertz});
        }
    }
    const QString in = folder.filePath(QStringLiteral("lines.json"));
    const QString out = folder.filePath(QStringLiteral("skrf.json"));
    {
        QFile file(in);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(request).toJson());
    }
    QProcess python;
    python.start(QString::fromLatin1(kPython),
        {QStringLiteral(ZALVIMO_SOURCE_DIR "/tests/rf/skrf_feedline.py"), in, out});
    QVERIFY(python.waitForFinished(120000));
    if (python.exitCode() == kSkipStatus) {
        QSKIP(python.readAllStandardError().trimmed().constData());
    }
    QVERIFY2(python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0,
        python.readAllStandardError().constData());
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonArray answers = QJsonDocument::fromJson(file.readAll()).array();
    QCOMPARE(answers.size(), int(cases.size()));

    double worst = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case &c = cases[i];
        const QJsonObject answer = answers.at(int(i)).toObject();
        const QJsonArray zin = answer.value(QLatin1String("zin")).toArray();
        const QJsonArray zload = answer.value(QLatin1String("zload")).toArray();
        QCOMPARE(zin.size(), int(std::size(loads)));
        for (int k = 0; k < zin.size(); ++k) {
            const std::complex<double> skrfInput = pairValue(zin.at(k));
            const std::complex<double> input = impedanceAtInput(c.line, loads[k], c.hertz);
            const std::complex<double> skrfLoad = pairValue(zload.at(k));
            const std::complex<double> load = impedanceAtLoad(c.line, skrfInput, c.hertz);
            const double inputError = std::abs(input - skrfInput) / std::abs(skrfInput);
            // A short is compared on the scale of the line's own impedance.
            const double loadError = std::abs(load - skrfLoad)
                / std::max(std::abs(skrfLoad), std::abs(characteristicImpedance(c.line, c.hertz)));
            worst = std::max({worst, inputError, loadError});
            QVERIFY2(inputError <= kTolerance && loadError <= kTolerance,
                qPrintable(QStringLiteral("%1 at %2 MHz, load (%3, %4): input (%5, %6), "
                                          "scikit-rf (%7, %8); load back (%9, %10), scikit-rf "
                                          "(%11, %12)")
                               .arg(c.line.name)
                               .arg(c.hertz / kHertzPerMegahertz)
                               .arg(loads[k].real())
                               .arg(loads[k].imag())
                               .arg(input.real(), 0, 'g', 12)
                               .arg(input.imag(), 0, 'g', 12)
                               .arg(skrfInput.real(), 0, 'g', 12)
                               .arg(skrfInput.imag(), 0, 'g', 12)
                               .arg(load.real(), 0, 'g', 12)
                               .arg(load.imag(), 0, 'g', 12)
                               .arg(skrfLoad.real(), 0, 'g', 12)
                               .arg(skrfLoad.imag(), 0, 'g', 12)));
        }
    }
    qInfo("%d lines at %zu frequencies, %zu loads each: largest relative difference from "
          "scikit-rf %.2e",
        int(texts.size()), std::size(megahertz), std::size(loads), worst);
}

QTEST_GUILESS_MAIN(tst_FeedlineScikitRf)
#include "tst_feedlineskrf.moc"
