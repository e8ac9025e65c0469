// zalvimo-measure: the four readings of Zalvimo's measuring method, taken from an
// oscilloscope's CSV capture of the two probes by a least-squares sine fit, with the
// impedance, the matching network and their precision.

#include "commandline.h"
#include "measuredsweep.h"
#include "measurementreport.h"
#include "measurepictures.h"
#include "measurerun.h"
#include "numbertext.h"
#include "outputfile.h"
#include "picturefile.h"
#include "plotapplication.h"
#include "printabletext.h"
#include "touchstone.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

#include <cstdio>

namespace {

enum ExitCode { Success = 0, BadCapture = 1, BadUsage = 2 };

struct Options
{
    QCommandLineOption frequency {{QStringLiteral("f"), QStringLiteral("freq")},
        QStringLiteral("The measuring frequency in MHz; estimated from each capture when not "
                       "given."),
        QStringLiteral("MHz")};
    QCommandLineOption source {{QStringLiteral("z"), QStringLiteral("z0")},
        QStringLiteral("The resistor Z0 between the two probes, in ohms (default 50)."),
        QStringLiteral("ohm"), QStringLiteral("50")};
    QCommandLineOption reference {QStringLiteral("ref"),
        QStringLiteral("The column of CH1, the reference: its number (the first column is 1) "
                       "or its name; col=N or name=X where a number is also a name. Default: "
                       "the first column after the time."),
        QStringLiteral("column")};
    QCommandLineOption vx {QStringLiteral("vx"),
        QStringLiteral("The column of CH2, V_x. Default: the second column after the time."),
        QStringLiteral("column")};
    QCommandLineOption json {QStringLiteral("json"),
        QStringLiteral("Write JSON for scripts: keys named with their units, full precision.")};
    QCommandLineOption csv {QStringLiteral("csv"),
        QStringLiteral("Write CSV: a header line and one line per capture, full precision.")};
    QCommandLineOption s1p {QStringLiteral("s1p"),
        QStringLiteral("Also write the sweep of all captures as a Touchstone one-port file "
                       "(S11 referred to Z0), for VNA, Smith-chart and matching programs."),
        QStringLiteral("file")};
    QCommandLineOption plot {QStringLiteral("plot"),
        QStringLiteral("Also draw the captures as .svg or .png: a sweep's SWR, R and X and Smith "
                       "chart, or each capture's samples and fitted sines (file, file-2, ...). "
                       "With an .s1p file instead of captures, draw its sweep."),
        QStringLiteral("file")};
    QCommandLineOption verbose {QStringLiteral("verbose"),
        QStringLiteral("Say on standard error how each file was read: which lines were "
                       "settings, which column was taken as the time and as each channel, in "
                       "which unit, how many samples.")};
};

void describe(QCommandLineParser &parser, const Options &o)
{
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
        "         zalvimo-measure --json --s1p sweep.s1p 14.0.csv 14.1.csv 14.2.csv\n"
        "         zalvimo-measure --plot swr.png sweep.s1p"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("captures"),
        QStringLiteral("CSV files, one capture each, or two files of one channel each (the "
                       "reference's, then V_x's); several make a sweep. - reads standard "
                       "input."),
        QStringLiteral("capture.csv..."));
    parser.addOptions(
        {o.frequency, o.source, o.reference, o.vx, o.json, o.csv, o.s1p, o.plot, o.verbose});
}

// The request the options make, or the message that says what is wrong with them.
Result<MeasureRequest> requestFrom(const QCommandLineParser &parser, const Options &o)
{
    MeasureRequest request;
    request.files = parser.positionalArguments();
    if (request.files.isEmpty()) {
        return Failure {QStringLiteral("no capture given; see --help")};
    }
    if (parser.isSet(o.json) && parser.isSet(o.csv)) {
        return Failure {QStringLiteral("--json and --csv exclude each other")};
    }
    if (parser.isSet(o.frequency)
        && !numberIn(parser.value(o.frequency), kLowestFrequencyMHz, kHighestFrequencyMHz,
            &request.frequencyMHz)) {
        return Failure {QStringLiteral("--freq wants a frequency in MHz from 0.001 (1 kHz) to "
                                       "10000 (10 GHz), not '%1'")
                            .arg(parser.value(o.frequency))};
    }
    if (!numberIn(parser.value(o.source), kLowestSourceImpedance, kHighestSourceImpedance,
            &request.sourceImpedance)) {
        return Failure {
            QStringLiteral("--z0 wants a resistance in ohms from 0.1 to 10000, not '%1'")
                .arg(parser.value(o.source))};
    }
    request.columns = {parser.value(o.reference), parser.value(o.vx)};
    request.keepTraces = parser.isSet(o.plot);
    return request;
}

// The Touchstone file of every measured capture, with comments that say where it came from.
Result<QByteArray> touchstoneFile(const std::vector<MeasuredCapture> &measured)
{
    const Result<MeasuredSweep> sweep = measuredSweep(measured);
    if (!sweep) {
        return sweep.failure();
    }
    for (const QString &note : sweep->notes) {
        printError(note);
    }
    QStringList comments {QStringLiteral("One-port impedance measured by zalvimo-measure %1 "
                                         "on %2")
                              .arg(QCoreApplication::applicationVersion(),
                                  QDateTime::currentDateTimeUtc().toString(Qt::ISODate)),
        QStringLiteral("through Z0 = %1 ohm, from the oscilloscope captures:")
            .arg(numberText(sweep->sweep.referenceOhm))};
    for (const MeasuredCapture &capture : measured) {
        const CaptureMeasurement &m = capture.measurement;
        comments.append(QStringLiteral("  %1 (%2 MHz%3)")
                            .arg(capture.name, numberText(m.frequencyMHz),
                                m.frequencyEstimated ? QStringLiteral(", estimated") : QString()));
    }
    return writeTouchstone(sweep->sweep, comments);
}

QByteArray report(const QCommandLineParser &parser, const Options &o,
    const std::vector<MeasuredCapture> &measured)
{
    if (parser.isSet(o.json)) {
        return jsonReport(measured);
    }
    if (parser.isSet(o.csv)) {
        return csvReport(measured).toUtf8();
    }
    if (measured.size() == 1) {
        return textReport(measured.front()).toUtf8();
    }
    return measured.empty() ? QByteArray() : textTable(measured).toUtf8();
}

} // namespace

int main(int argc, char *argv[])
{
    const std::unique_ptr<QCoreApplication> application = companionApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zalvimo-measure"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZALVIMO_VERSION));

    QCommandLineParser parser;
    const Options o;
    describe(parser, o);
    // Bad options are a usage error like any other: a message and status 2.
    if (!parser.parse(QCoreApplication::arguments())) {
        printError(parser.errorText());
        return BadUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        return writeHelp(parser) ? Success : BadCapture;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        return writeVersion() ? Success : BadCapture;
    }
    const Result<MeasureRequest> request = requestFrom(parser, o);
    if (!request) {
        printError(request.error());
        return BadUsage;
    }
    // The picture's format from its name, before anything is measured or written; an .s1p
    // file instead of captures is only drawn.
    const std::optional<PictureFormat> plotFormat = parser.isSet(o.plot)
        ? pictureFormatOf(parser.value(o.plot))
        : std::optional<PictureFormat>();
    if (parser.isSet(o.plot) && !plotFormat) {
        printError(QStringLiteral("--plot wants a file ending in .svg or .png, not '%1'")
                       .arg(parser.value(o.plot)));
        return BadUsage;
    }
    const Result<bool> touchstone = drawsTouchstone(request->files, parser.isSet(o.plot),
        parser.isSet(o.json) || parser.isSet(o.csv) || parser.isSet(o.s1p));
    if (!touchstone) {
        printError(touchstone.error());
        return BadUsage;
    }
    if (*touchstone) {
        const Status drawn
            = writeTouchstonePicture(parser.value(o.plot), *plotFormat, request->files.first(),
                parser.isSet(o.source) ? std::optional(request->sourceImpedance) : std::nullopt);
        if (!drawn) {
            printError(drawn.error());
            return BadCapture;
        }
        return Success;
    }

    // A progress line on a terminal only, rewritten in place and cleared at the end.
    const bool verbose = parser.isSet(o.verbose);
    const bool progress = request->files.size() > 1 && standardErrorIsTerminal();
    MeasureObserver observer;
    if (progress) {
        observer.progress = [](int index, int count, const QString &file) {
            std::fprintf(stderr, "\r[%d/%d] %s\x1b[K", index + 1, count,
                printableText(QFileInfo(file).fileName()).toUtf8().constData());
        };
    }
    observer.message = [&](const QString &message, bool note) {
        if (!note || verbose) {
            printError(message);
        }
    };
    const MeasureOutcome outcome = measureFiles(*request, observer);
    if (progress) {
        std::fprintf(stderr, "\r\x1b[K");
    }

    int failures = outcome.failures;
    if (parser.isSet(o.s1p) && !outcome.measured.empty()) {
        const QString path = parser.value(o.s1p);
        const Result<QByteArray> touchstone = touchstoneFile(outcome.measured);
        const Status written = touchstone
            ? writeOutputFile(path, *touchstone, QStringLiteral("--s1p"), request->files)
            : Status(
                Failure {QStringLiteral("%1 is not written: %2").arg(path, touchstone.error())});
        if (!written) {
            printError(written.error());
            ++failures;
        }
    }
    if (plotFormat) {
        const QStringList unwritten = writeMeasurePictures(
            parser.value(o.plot), *plotFormat, outcome.measured, request->files);
        for (const QString &message : unwritten) {
            printError(message);
        }
        failures += int(unwritten.size());
    }
    if (!writeStandardOutput(report(parser, o, outcome.measured))) {
        return BadCapture;
    }
    return failures > 0 ? BadCapture : Success;
}
