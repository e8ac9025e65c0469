// zalvimo-measure: the four readings of Zalvimo's measuring method, taken from an
// oscilloscope's CSV capture of the two probes by a least-squares sine fit, with the
// impedance, the matching network and their precision.

#include "capture.h"
#include "capturemeasurement.h"
#include "capturereader.h"
#include "measurementreport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cmath>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

enum ExitCode { Success = 0, BadCapture = 1, BadUsage = 2 };

void printError(const QString &message)
{
    std::fprintf(stderr, "zalvimo-measure: %s\n", qPrintable(message));
}

// A positive number, written with a decimal point or one decimal comma.
bool positiveNumber(const QString &text, double *value)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    if (!ok && text.count(QLatin1Char(',')) == 1 && !text.contains(QLatin1Char('.'))) {
        *value = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    }
    return ok && std::isfinite(*value) && *value > 0;
}

bool stderrIsTerminal()
{
#ifdef Q_OS_UNIX
    return isatty(fileno(stderr));
#else
    return false;
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zalvimo-measure"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZALVIMO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Takes the readings of Zalvimo's measuring method from oscilloscope captures (CSV) of "
        "CH1 at the generator's terminal and CH2 at the antenna, by fitting a sine to each "
        "channel, and prints V_reference, V_x, the delay, the frequency, the antenna's "
        "impedance with its 1-sigma uncertainty, the circuit variant and both matching "
        "components, as the window shows them."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("captures"),
        QStringLiteral("CSV files, one capture each; several make a sweep, one row each."),
        QStringLiteral("capture.csv..."));
    const QCommandLineOption frequencyOption({QStringLiteral("f"), QStringLiteral("freq")},
        QStringLiteral("The measuring frequency in MHz; estimated from each capture when not "
                       "given."),
        QStringLiteral("MHz"));
    const QCommandLineOption sourceOption({QStringLiteral("z"), QStringLiteral("z0")},
        QStringLiteral("The resistor Z0 between the two probes, in ohms (default 50)."),
        QStringLiteral("ohm"), QStringLiteral("50"));
    const QCommandLineOption referenceOption(QStringLiteral("ref"),
        QStringLiteral("The column of CH1, the reference: its number (the first column is 1) "
                       "or its name. Default: the first column after the time."),
        QStringLiteral("column"));
    const QCommandLineOption vxOption(QStringLiteral("vx"),
        QStringLiteral("The column of CH2, V_x. Default: the second column after the time."),
        QStringLiteral("column"));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
        QStringLiteral("Write JSON for scripts: keys named with their units, full precision."));
    const QCommandLineOption csvOption(QStringLiteral("csv"),
        QStringLiteral("Write CSV: a header line and one line per capture, full precision."));
    parser.addOptions(
        {frequencyOption, sourceOption, referenceOption, vxOption, jsonOption, csvOption});
    // Bad options are a usage error like any other: a message and status 2.
    if (!parser.parse(QCoreApplication::arguments())) {
        printError(parser.errorText());
        return BadUsage;
    }
    if (parser.isSet(helpOption)) {
        parser.showHelp(Success);
    }
    if (parser.isSet(versionOption)) {
        parser.showVersion();
    }

    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) {
        printError(QStringLiteral("no capture given; see --help"));
        return BadUsage;
    }
    if (parser.isSet(jsonOption) && parser.isSet(csvOption)) {
        printError(QStringLiteral("--json and --csv exclude each other"));
        return BadUsage;
    }
    double frequencyMHz = 0;
    if (parser.isSet(frequencyOption)
        && !positiveNumber(parser.value(frequencyOption), &frequencyMHz)) {
        printError(QStringLiteral("--freq wants a frequency in MHz above 0, not '%1'")
                       .arg(parser.value(frequencyOption)));
        return BadUsage;
    }
    double sourceImpedance = 0;
    if (!positiveNumber(parser.value(sourceOption), &sourceImpedance)) {
        printError(QStringLiteral("--z0 wants a resistance in ohms above 0, not '%1'")
                       .arg(parser.value(sourceOption)));
        return BadUsage;
    }
    const ColumnChoice columns {parser.value(referenceOption), parser.value(vxOption)};

    // Every capture is measured; the bad ones are reported and make the exit status 1, the
    // good ones are still written.
    const bool progress = files.size() > 1 && stderrIsTerminal();
    QVector<CaptureMeasurement> measurements;
    QStringList measuredFiles;
    int failures = 0;
    for (int i = 0; i < files.size(); ++i) {
        if (progress) {
            std::fprintf(stderr, "\r[%d/%d] %s\x1b[K", i + 1, int(files.size()),
                qPrintable(QFileInfo(files[i]).fileName()));
        }
        Capture capture;
        CaptureMeasurement measurement;
        QString error;
        if (!readCaptureFile(files[i], columns, &capture, &error)) {
            printError(error);
            ++failures;
            continue;
        }
        if (!measureCapture(capture, frequencyMHz, sourceImpedance, &measurement, &error)) {
            printError(files[i] + QStringLiteral(": ") + error);
            ++failures;
            continue;
        }
        measurements.append(measurement);
        measuredFiles.append(files[i]);
    }
    if (progress) {
        std::fprintf(stderr, "\r\x1b[K");
    }

    QVector<MeasuredFile> measured;
    for (int i = 0; i < measurements.size(); ++i) {
        measured.append({measuredFiles[i], &measurements[i]});
    }
    QByteArray output;
    if (parser.isSet(jsonOption)) {
        output = jsonReport(measured);
    } else if (parser.isSet(csvOption)) {
        output = csvReport(measured).toUtf8();
    } else if (measured.size() == 1) {
        output = textReport(measured.first()).toUtf8();
    } else if (!measured.isEmpty()) {
        output = textTable(measured).toUtf8();
    }
    std::fwrite(output.constData(), 1, std::size_t(output.size()), stdout);
    return failures > 0 ? BadCapture : Success;
}
