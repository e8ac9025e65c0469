// The zalvimo-match program as scripts and people use it: options, exit status, the text,
// the JSON and the plot.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

struct MatchRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

class tst_MatchCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void statusAndMessages_data();
    void statusAndMessages();
    void json();
    void plots();
    void bandsAgree();

private:
    MatchRun run(const QStringList &arguments);
    QTemporaryDir folder;
};

void tst_MatchCli::initTestCase()
{
    QVERIFY(folder.isValid());
    // A dipole's sweep as zalvimo-measure writes it, and a VNA's (Hz, RI).
    QFile sweep(folder.filePath(QStringLiteral("dipole.s1p")));
    QVERIFY(sweep.open(QIODevice::WriteOnly));
    sweep.write("! One-port impedance measured by zalvimo-measure\n# MHz S RI R 50\n"
                "13.999942462178936 -0.08447808076486633 -0.04519191404811623\n"
                "14.099938748237687 -0.08659579741989033 -0.015596542906375093\n"
                "14.19989804729919 -0.08668436064127909 0.014224280176565494\n"
                "14.299871917244275 -0.08498503352629067 0.04368734569126907\n");
}

MatchRun tst_MatchCli::run(const QStringList &arguments)
{
    QProcess process;
    process.setWorkingDirectory(folder.path());
    process.start(QStringLiteral(ZALVIMO_MATCH), arguments);
    MatchRun result;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
    }
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

void tst_MatchCli::statusAndMessages_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    QTest::newRow("help") << QStringList {"--help"} << 0 << "Exit status: 0 networks found"
                          << "";
    QTest::newRow("a load with its frequency")
        << QStringList {"--freq", "14.2", "41.97-27.05j"} << 0
        << "2: series coil, coil across the transceiver (the window's D)"
        << "";
    QTest::newRow("decimal commas")
        << QStringList {"--freq", "14,2", "41,97 - j27,05"} << 0 << "4 L-network(s)"
        << "";
    QTest::newRow("a sweep, designed in its middle")
        << QStringList {"dipole.s1p"} << 0 << "at 14.0999 MHz"
        << "";
    QTest::newRow("a sweep at a chosen frequency")
        << QStringList {"--at", "14.2", "dipole.s1p"} << 0 << "at 14.2 MHz"
        << "";
    QTest::newRow("air coils") << QStringList {"--air", "20", "--freq", "7.1", "100+50j"} << 0
                               << "mm across"
                               << "";
    QTest::newRow("a load without resistance")
        << QStringList {"--freq", "14.2", "0-j30"} << 1 << "No L-network"
        << "no L-network for a load without resistance";
    QTest::newRow("no load") << QStringList {"--freq", "14.2"} << 2 << ""
                             << "give one load: R+jX with --freq, or an .s1p file";
    QTest::newRow("an unreadable load") << QStringList {"--freq", "14.2", "fifty"} << 2 << ""
                                        << "'fifty' is no load";
    QTest::newRow("no frequency") << QStringList {"50+10j"} << 2 << ""
                                  << "--freq is needed with an R+jX load";
    QTest::newRow("a frequency of 0") << QStringList {"--freq", "0", "50+10j"} << 2 << ""
                                      << "--freq wants a frequency";
    QTest::newRow("a Z0 of 0") << QStringList {"--z0", "0", "--freq", "7", "50+10j"} << 2 << ""
                               << "--z0 wants an impedance";
    QTest::newRow("an unknown core")
        << QStringList {"--core", "T51-2", "--freq", "7", "50+10j"} << 2 << ""
        << "--core T51-2 is not one of T37-2";
    QTest::newRow("an unknown series")
        << QStringList {"--series", "E7", "--freq", "7", "50+10j"} << 2 << ""
        << "--series wants E6, E12 or E24";
    QTest::newRow("--at outside the sweep") << QStringList {"--at", "21", "dipole.s1p"} << 2 << ""
                                            << "--at wants a frequency within the sweep";
    QTest::newRow("a missing sweep") << QStringList {"nosuch.s1p"} << 1 << ""
                                     << "nosuch.s1p: ";
    // Loads and frequencies the design cannot represent, and parts that cannot be wound.
    QTest::newRow("a resistance beyond 1e9") << QStringList {"--freq", "14.2", "1e40+0j"} << 1 << ""
                                             << "outside the design's range";
    QTest::newRow("a reactance beyond 1e9")
        << QStringList {"--freq", "14.2", "50+1e300j"} << 1 << ""
        << "outside the design's range";
    QTest::newRow("a resistance below 1e-6")
        << QStringList {"--freq", "14.2", "1e-20+1j"} << 1 << ""
        << "outside the design's range";
    QTest::newRow("j without a number") << QStringList {"--freq", "14.2", "50+j"} << 2 << ""
                                        << "'50+j' is no load";
    QTest::newRow("a coil that does not fit its core")
        << QStringList {"--freq", "0.01", "1+5000j"} << 1 << "do not fit in one layer on a T50-2"
        << "no network can be built from these parts";
    QTest::newRow("--freq with a sweep") << QStringList {"--freq", "14", "dipole.s1p"} << 2 << ""
                                         << "give the design frequency with --at";
    QTest::newRow("--at with one load")
        << QStringList {"--at", "14", "--freq", "14", "50+10j"} << 2 << ""
        << "--at is for a sweep";
    QTest::newRow("a plot neither SVG nor PNG")
        << QStringList {"--plot", "swr.jpg", "--freq", "14.2", "50+10j"} << 2 << ""
        << "--plot wants a file ending in .svg or .png, not 'swr.jpg'";
    QTest::newRow("--plot=FILE") << QStringList {"--plot=form.png", "--freq", "14.2", "50+10j"} << 0
                                 << "L-network(s)"
                                 << "";
    QTest::newRow("through a feedline")
        << QStringList {"--line", "RG-213:12.5", "--freq", "14.35", "50.1-82.8j"} << 0
        << "where the load shows 150.0"
        << "";
    QTest::newRow("an unknown cable")
        << QStringList {"--line", "RG-999:1", "--freq", "7", "50"} << 2 << ""
        << "--line: ";
}

void tst_MatchCli::statusAndMessages()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);

    const MatchRun result = run(arguments);
    QCOMPARE(result.exitCode, exitCode);
    QVERIFY2(
        out.isEmpty() ? result.out.isEmpty() : result.out.contains(out), qPrintable(result.out));
    QVERIFY2(
        err.isEmpty() ? result.err.isEmpty() : result.err.contains(err), qPrintable(result.err));
    // An 80-column terminal; the usage line names the program by the path it was started with.
    for (const QString &line : result.out.split(QLatin1Char('\n'))) {
        QVERIFY2(arguments != QStringList {QStringLiteral("--help")} || line.size() <= 80
                || line.startsWith(QLatin1String("Usage: ")),
            qPrintable(line));
    }
}

// The keys that scripts rely on, with their units, and the window's network among them.
void tst_MatchCli::json()
{
    const MatchRun result = run({"--json", "--freq", "14.2", "41.97-27.05j"});
    QCOMPARE(result.exitCode, 0);
    const QJsonObject root = QJsonDocument::fromJson(result.out.toUtf8()).object();
    QCOMPARE(root.value(QLatin1String("version")).toInt(), 1);
    const QJsonObject load = root.value(QLatin1String("loads")).toArray().first().toObject();
    QCOMPARE(load.value(QLatin1String("frequencyMHz")).toDouble(), 14.2);
    QCOMPARE(load.value(QLatin1String("rOhm")).toDouble(), 41.97);
    QCOMPARE(load.value(QLatin1String("xOhm")).toDouble(), -27.05);
    QCOMPARE(load.value(QLatin1String("z0Ohm")).toDouble(), 50.0);
    const QJsonArray solutions = load.value(QLatin1String("solutions")).toArray();
    QCOMPARE(solutions.size(), 4);
    int windows = 0;
    for (const QJsonValue &value : solutions) {
        const QJsonObject s = value.toObject();
        const QString across = s.value(QLatin1String("shuntAcross")).toString();
        QVERIFY(across == QLatin1String("transceiver") || across == QLatin1String("antenna"));
        QVERIFY(s.value(QLatin1String("seriesReactanceOhm")).isDouble());
        QVERIFY(s.value(QLatin1String("shuntReactanceOhm")).isDouble());
        windows += s.value(QLatin1String("window")).toBool();
        const QJsonObject built = s.value(QLatin1String("built")).toObject();
        const bool seriesCoil = s.value(QLatin1String("seriesReactanceOhm")).toDouble() > 0;
        QCOMPARE(built.value(QLatin1String("seriesHenry")).isDouble(), seriesCoil);
        QCOMPARE(built.value(QLatin1String("seriesFarad")).isDouble(), !seriesCoil);
        QVERIFY(built.value(QLatin1String("swr")).toDouble() >= 1);
        // An edge where the searched grid ends is no edge of the band: null, and open.
        const QJsonArray band = s.value(QLatin1String("swr2BandMHz")).toArray();
        QCOMPARE(band.size(), 2);
        QVERIFY(s.value(QLatin1String("swr2BandOpenLow")).toBool() ? band[0].isNull()
                                                                   : band[0].toDouble() < 14.2);
        QVERIFY(s.value(QLatin1String("swr2BandOpenHigh")).toBool() ? band[1].isNull()
                                                                    : band[1].toDouble() > 14.2);
    }
    QCOMPARE(windows, 1);
}

// The plot as SVG and as PNG: a file with a curve per solution and a legend.
void tst_MatchCli::plots()
{
    for (const char *name : {"swr.svg", "swr.png"}) {
        const MatchRun result
            = run({"--plot", QLatin1String(name), "--freq", "14.2", "41.97-27.05j"});
        QCOMPARE(result.exitCode, 0);
        QFile file(folder.filePath(QLatin1String(name)));
        QVERIFY2(file.open(QIODevice::ReadOnly), name);
        const QByteArray content = file.readAll();
        if (content.startsWith("<svg")) {
            QCOMPARE(content.count("<polyline"), 4);
            QVERIFY(
                content.contains("(the window&#39;s D)") || content.contains("(the window's D)"));
        } else {
            QVERIFY(content.startsWith("\x89PNG"));
            const QImage image = QImage::fromData(content);
            QCOMPARE(image.width(), 760);
        }
    }
}

// The band as the text says it and as the JSON gives it: an open edge is "below"/"above"
// in the text and null in the JSON, a closed one the same number in both.
void tst_MatchCli::bandsAgree()
{
    for (const QStringList &load :
        {QStringList {"--freq", "14.2", "41.97-27.05j"}, QStringList {"dipole.s1p"}}) {
        const MatchRun text = run(load);
        const MatchRun json = run(QStringList {"--json"} + load);
        const QJsonArray solutions = QJsonDocument::fromJson(json.out.toUtf8())
                                         .object()
                                         .value("loads")
                                         .toArray()
                                         .first()
                                         .toObject()
                                         .value("solutions")
                                         .toArray();
        const QStringList lines = text.out.split(QLatin1Char('\n')).filter("SWR below 1.5:");
        QCOMPARE(lines.size(), solutions.size());
        for (int i = 0; i < lines.size(); ++i) {
            const QJsonObject s = solutions[i].toObject();
            const QJsonValue band = s.value("swr2BandMHz");
            const QString said = lines[i].mid(lines[i].indexOf("below 2: ") + 9);
            if (band.isNull()) {
                QVERIFY2(said.startsWith("none") || said.startsWith("not known"), qPrintable(said));
                continue;
            }
            const QJsonArray edges = band.toArray();
            const QString low = edges[0].isNull() ? QStringLiteral("below ")
                                                  : QString::number(edges[0].toDouble(), 'g', 4);
            QVERIFY2(said.startsWith(low), qPrintable(said));
            QCOMPARE(edges[0].isNull(), s.value("swr2BandOpenLow").toBool());
            QCOMPARE(edges[1].isNull(), s.value("swr2BandOpenHigh").toBool());
        }
    }
}

QTEST_GUILESS_MAIN(tst_MatchCli)
#include "tst_matchcli.moc"
