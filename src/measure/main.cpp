// zalvimo-measure: the four readings of Zalvimo's measuring method, taken from an
// oscilloscope's CSV capture of the two probes by a least-squares sine fit, with the
// impedance, the matching network and their precision.

#include "capture.h"
#include "capturemeasurement.h"
#include "capturereader.h"
#include "commandline.h"
#include "measuredsweep.h"
#include "measurementreport.h"
#include "numbertext.h"
#include "printabletext.h"
#include "touchstone.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

enum ExitCode { Success = 0, BadCapture = 1, BadUsage = 2 };

// Writes the sweep of every measured capture as a Touchstone file, whole or not at all.
bool writeSweep(const QString &path, const QVector<MeasuredFile> &measured)
{
    TouchstoneSweep sweep;
    QStringList notes;
    QString error;
    if (!measuredSweep(measured, &sweep, &notes, &error)) {
        printError(QStringLiteral("%1 is not written: %2").arg(path, error));
        return false;
    }
    for (const QString &note : notes) {
        printError(note);
    }
    QStringList comments {QStringLiteral("One-port impedance measured by zalvimo-measure %1 "
                                         "on %2")
                              .arg(QCoreApplication::applicationVersion(),
                                  QDateTime::currentDateTimeUtc().toString(Qt::ISODate)),
        QStringLiteral("through Z0 = %1 ohm, from the oscilloscope captures:")
            .arg(numberText(sweep.referenceOhm))};
    for (const MeasuredFile &file : measured) {
        comments.append(QStringLiteral("  %1 (%2 MHz%3)")
                            .arg(file.file, numberText(file.measurement->frequencyMHz),
                                file.measurement->frequencyEstimated ? QStringLiteral(", estimated")
                                                                     : QString()));
    }
    QSaveFile file(path);
    const QByteArray content = writeTouchstone(sweep, comments);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()
        || !file.commit()) {
        printError(QStringLiteral("%1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
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
        "Takes the readings of Zalvimo's measuring method from oscilloscope captures:\n"
        "CH1 at the generator's terminal, CH2 at the antenna. It fits a sine to each\n"
        "channel and prints V_reference, V_x, the delay and the frequency, the\n"
        "antenna's impedance with its 1-sigma uncertainty, the circuit variant and\n"
        "both matching components, as the window shows them.\n"
        "\n"
        "Reads CSV as Tektronix, Rigol, Siglent, Keysight, LeCroy, Rohde & Schwarz,\n"
        "Owon and PicoScope oscilloscopes save it; a channel a file (F0000CH1.CSV\n"
        "F0000CH2.CSV) is given as two files, the reference's first. - reads standard\n"
        "input.\n"
        "\n"
        "Exit status: 0 every capture measured, 1 a capture could not be read or\n"
        "measured (the others are still written), 2 bad options.\n"
        "\n"
        "Example: zalvimo-measure --freq 14.2 capture.csv\n"
        "         zalvimo-measure --json --s1p sweep.s1p 14.0.csv 14.1.csv 14.2.csv"));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("captures"),
        QStringLiteral("CSV files, one capture each, or two files of one channel each (the "
                       "reference's, then V_x's); several make a sweep. - reads standard "
                       "input."),
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
                       "or its name; col=N or name=X where a number is also a name. Default: "
                       "the first column after the time."),
        QStringLiteral("column"));
    const QCommandLineOption vxOption(QStringLiteral("vx"),
        QStringLiteral("The column of CH2, V_x. Default: the second column after the time."),
        QStringLiteral("column"));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
        QStringLiteral("Write JSON for scripts: keys named with their units, full precision."));
    const QCommandLineOption csvOption(QStringLiteral("csv"),
        QStringLiteral("Write CSV: a header line and one line per capture, full precision."));
    const QCommandLineOption s1pOption(QStringLiteral("s1p"),
        QStringLiteral("Also write the sweep of all captures as a Touchstone one-port file "
                       "(S11 referred to Z0), for VNA, Smith-chart and matching programs."),
        QStringLiteral("file"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
        QStringLiteral("Say on standard error how each file was read: which lines were "
                       "settings, which column was taken as the time and as each channel, in "
                       "which unit, how many samples."));
    parser.addOptions({frequencyOption, sourceOption, referenceOption, vxOption, jsonOption,
        csvOption, s1pOption, verboseOption});
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
        && !numberIn(parser.value(frequencyOption), kLowestFrequencyMHz, kHighestFrequencyMHz,
            &frequencyMHz)) {
        printError(QStringLiteral("--freq wants a frequency in MHz from 0.001 (1 kHz) to 10000 "
                                  "(10 GHz), not '%1'")
                       .arg(parser.value(frequencyOption)));
        return BadUsage;
    }
    double sourceImpedance = 0;
    if (!numberIn(parser.value(sourceOption), kLowestSourceImpedance, kHighestSourceImpedance,
            &sourceImpedance)) {
        printError(QStringLiteral("--z0 wants a resistance in ohms from 0.1 to 10000, not '%1'")
                       .arg(parser.value(sourceOption)));
        return BadUsage;
    }
    const ColumnChoice columns {parser.value(referenceOption), parser.value(vxOption)};

    // Every capture is measured; the bad ones are reported and make the exit status 1, the
    // good ones are still written. A file of one channel takes the next file as its
    // partner, the other channel of the same acquisition.
    const bool verbose = parser.isSet(verboseOption);
    const auto tell = [&](const QString &file, const QStringList &lines) {
        for (const QString &line : lines) {
            printError(file + QStringLiteral(": ") + line);
        }
    };
    const auto readOne = [&](const QString &file, CaptureRead *read, QString *error) {
        if (!readCaptureFile(file, columns, read, error)) {
            return false;
        }
        for (const QString &warning : read->warnings) {
            printError(warning);
        }
        if (verbose) {
            tell(file, read->notes);
        }
        return true;
    };
    const bool progress = files.size() > 1 && stderrIsTerminal();
    QVector<CaptureMeasurement> measurements;
    QStringList measuredFiles;
    int failures = 0;
    for (int i = 0; i < files.size();) {
        if (progress) {
            std::fprintf(stderr, "\r[%d/%d] %s\x1b[K", i + 1, int(files.size()),
                printableText(QFileInfo(files[i]).fileName()).toUtf8().constData());
        }
        QString name = files[i];
        int consumed = 1;
        CaptureMeasurement measurement;
        QString error;
        // A file too large for the memory there is fails alone; the others are measured.
        try {
            Capture capture;
            CaptureRead read;
            if (!readOne(files[i], &read, &error)) {
                printError(error);
                ++failures;
                i += consumed;
                continue;
            }
            if (read.channels.size() == 1) {
                CaptureRead partner;
                if (i + 1 >= files.size()) {
                    error = QStringLiteral("%1 holds one channel; give the file of the other "
                                           "channel after it")
                                .arg(files[i]);
                } else if (consumed = 2; !readOne(files[i + 1], &partner, &error)) {
                    // error says why
                } else if (partner.channels.size() != 1) {
                    error = QStringLiteral("%1 holds one channel but %2 holds two; give the "
                                           "files of one channel in pairs")
                                .arg(files[i], files[i + 1]);
                } else {
                    QStringList notes;
                    if (pairChannels(
                            read, files[i], partner, files[i + 1], &capture, &notes, &error)) {
                        name = files[i] + QStringLiteral(" + ") + files[i + 1];
                        if (verbose) {
                            tell(name, notes);
                        }
                        error.clear();
                    } else if (error.isEmpty()) {
                        error = QStringLiteral("%1 and %2 cannot be paired")
                                    .arg(files[i], files[i + 1]);
                    }
                }
                if (!error.isEmpty()) {
                    printError(error);
                    ++failures;
                    i += consumed;
                    continue;
                }
            } else {
                capture.time = std::move(read.time);
                capture.reference = std::move(read.channels[0].millivolts);
                capture.vx = std::move(read.channels[1].millivolts);
            }
            if (!measureCapture(capture, frequencyMHz, sourceImpedance, &measurement, &error)) {
                printError(name + QStringLiteral(": ") + error);
                ++failures;
                i += consumed;
                continue;
            }
        } catch (const std::bad_alloc &) {
            printError(name + QStringLiteral(": not enough memory to read and fit it"));
            ++failures;
            i += consumed;
            continue;
        }
        if (!measurement.warning.isEmpty()) {
            printError(name + QStringLiteral(": ") + measurement.warning);
        }
        measurements.append(measurement);
        measuredFiles.append(name);
        i += consumed;
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
    if (parser.isSet(s1pOption) && !measured.isEmpty()
        && !writeSweep(parser.value(s1pOption), measured)) {
        ++failures;
    }
    // A full disk or a closed standard output loses the results: that is no success.
    std::fwrite(output.constData(), 1, std::size_t(output.size()), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int code = errno;
        printError(QStringLiteral("cannot write the results to standard output: %1")
                       .arg(QString::fromLocal8Bit(std::strerror(code))));
        return BadCapture;
    }
    return failures > 0 ? BadCapture : Success;
}
