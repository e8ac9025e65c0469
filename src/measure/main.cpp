// zalvimo-measure: the four readings of Zalvimo's measuring method, taken from an
// oscilloscope's CSV capture of the two probes by a least-squares sine fit, with the
// impedance, the matching network and their precision.

#include "commandline.h"
#include "filecontent.h"
#include "livemeasure.h"
#include "loadtext.h"
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

enum ExitCode { Success = 0, BadCapture = 1, BadUsage = 2, Interrupted = 130 };

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
                       "the first column after the time. With --scope its channel: 1, CH1 or "
                       "C1 (default CH1)."),
        QStringLiteral("column")};
    QCommandLineOption vx {QStringLiteral("vx"),
        QStringLiteral("The column of CH2, V_x. Default: the second column after the time. "
                       "With --scope its channel (default CH2)."),
        QStringLiteral("column")};
    QCommandLineOption json {QStringLiteral("json"),
        QStringLiteral("Write JSON for scripts: keys named with their units, full precision.")};
    QCommandLineOption csv {QStringLiteral("csv"),
        QStringLiteral("Write CSV: a header line and one line per capture, full precision.")};
    QCommandLineOption s1p {QStringLiteral("s1p"),
        QStringLiteral("Also write the sweep of all captures as a Touchstone one-port file "
                       "(S11 referred to Z0), for VNA, Smith-chart and matching programs."),
        QStringLiteral("file")};
    QCommandLineOption open {QStringLiteral("open"),
        QStringLiteral("A capture with an open circuit where the antenna connects, for the "
                       "calibration: a file, or two of one channel each as A.CSV,B.CSV; once "
                       "per frequency of a sweep, or a folder of a sweep's captures."),
        QStringLiteral("file")};
    QCommandLineOption shortCircuit {QStringLiteral("short"),
        QStringLiteral("The same with a short circuit (a short wire) there."),
        QStringLiteral("file")};
    QCommandLineOption load {QStringLiteral("load"),
        QStringLiteral("The same with the load resistor there."), QStringLiteral("file")};
    QCommandLineOption loadOhm {QStringLiteral("load-ohm"),
        QStringLiteral("The load resistor as measured with an ohmmeter, R or R+jX in ohms "
                       "(default 50)."),
        QStringLiteral("ohm"), QStringLiteral("50")};
    QCommandLineOption openPf {QStringLiteral("open-pf"),
        QStringLiteral("The open's own capacitance, pF (default 0)."), QStringLiteral("pF"),
        QStringLiteral("0")};
    QCommandLineOption shortNh {QStringLiteral("short-nh"),
        QStringLiteral("The short's own inductance, nH (default 0)."), QStringLiteral("nH"),
        QStringLiteral("0")};
    QCommandLineOption saveCal {QStringLiteral("save-cal"),
        QStringLiteral("Write the calibration that the standards give to a file (JSON), to be "
                       "used later with --cal; without captures, nothing else is measured."),
        QStringLiteral("file")};
    QCommandLineOption cal {QStringLiteral("cal"),
        QStringLiteral("Correct every capture with a calibration written by --save-cal."),
        QStringLiteral("file")};
    QCommandLineOption line {QStringLiteral("line"),
        QStringLiteral("The feedline between the point measured and the antenna, CABLE:METRES "
                       "(RG-213:12.5) or Z0,VF,DB_PER_100M@MHZ:METRES: the antenna's impedance "
                       "at its far end is given."),
        QStringLiteral("line")};
    QCommandLineOption segment {QStringLiteral("segment"),
        QStringLiteral("Of a file of several acquisitions (segments, a history of waveforms), "
                       "the one to measure, from 1. Default: the first."),
        QStringLiteral("N")};
    QCommandLineOption plot {QStringLiteral("plot"),
        QStringLiteral("Also draw the captures as .svg or .png: a sweep's SWR, R and X and Smith "
                       "chart, or each capture's samples and fitted sines (file, file-2, ...). "
                       "With an .s1p file instead of captures, draw its sweep."),
        QStringLiteral("file")};
    QCommandLineOption scope {QStringLiteral("scope"),
        QStringLiteral("Measure one acquisition of the oscilloscope at this LAN address instead "
                       "of captures; without a port, the families' ports are tried. --freq "
                       "sets its timebase for 20 periods."),
        QStringLiteral("host[:port]")};
    QCommandLineOption generator {QStringLiteral("generator"),
        QStringLiteral("With --scope and --sweep: the signal generator that sets each "
                       "frequency, HOST[:PORT] or serial:/dev/ttyUSB0 (FeelTech, JDS6600)."),
        QStringLiteral("address")};
    QCommandLineOption sweep {QStringLiteral("sweep"),
        QStringLiteral("The sweep's frequencies in MHz: from START to STOP in steps of STEP, or "
                       "START:STOP with --points."),
        QStringLiteral("start:stop:step")};
    QCommandLineOption points {QStringLiteral("points"),
        QStringLiteral("The number of frequencies of --sweep START:STOP, evenly spaced."),
        QStringLiteral("n")};
    QCommandLineOption timeout {QStringLiteral("timeout"),
        QStringLiteral("How long to wait for each reply of an instrument, in seconds (default "
                       "10)."),
        QStringLiteral("seconds")};
    QCommandLineOption saveCaptures {QStringLiteral("save-captures"),
        QStringLiteral("Also write every acquisition into this folder as a CSV capture, which "
                       "zalvimo-measure reads back to the same result; never over a file."),
        QStringLiteral("dir")};
    QCommandLineOption keepGoing {QStringLiteral("keep-going"),
        QStringLiteral("When a sweep fails half-way, still write what it measured (the exit "
                       "status stays 1).")};
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
        "Reads CSV as Tektronix, Rigol, Siglent, Keysight (Agilent), LeCroy, Rohde &\n"
        "Schwarz (with the header beside name.Wfm.csv), GW Instek, Owon, Digilent and\n"
        "PicoScope oscilloscopes save it; a channel a file (F0000CH1.CSV F0000CH2.CSV)\n"
        "is given as two files, the reference's first. - reads standard input.\n"
        "\n"
        "Calibration: captures of an open, a short and a load resistor where the\n"
        "antenna connects (--open, --short, --load) take the probes, the leads and the\n"
        "skew out of every capture; --save-cal keeps them for --cal. --line takes a\n"
        "feedline out: the antenna's impedance at its far end is given.\n"
        "\n"
        "Straight off the instruments: --scope measures one acquisition; with\n"
        "--generator and --sweep, each frequency is set, acquired and measured, the\n"
        "scales changed where a channel clips or is small. The scope gets its\n"
        "settings back and runs again at the end and on Ctrl-C.\n"
        "\n"
        "Exit status: 0 every capture measured, 1 a capture could not be read or\n"
        "measured (the others are still written) or an instrument failed, 2 bad\n"
        "options, 130 interrupted.\n"
        "\n"
        "Example: zalvimo-measure --freq 14.2 capture.csv\n"
        "         zalvimo-measure --json --s1p sweep.s1p 14.0.csv 14.1.csv 14.2.csv\n"
        "         zalvimo-measure --open o.csv --short s.csv --load l.csv antenna.csv\n"
        "         zalvimo-measure --plot swr.png sweep.s1p\n"
        "         zalvimo-measure --scope 192.168.1.20 --generator 192.168.1.21 \\\n"
        "                         --sweep 13.9:14.5:0.05 --s1p antenna.s1p"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("captures"),
        QStringLiteral("CSV files, one capture each, or two files of one channel each (the "
                       "reference's, then V_x's); several make a sweep. - reads standard "
                       "input."),
        QStringLiteral("capture.csv..."));
    parser.addOptions({o.frequency, o.source, o.reference, o.vx, o.segment, o.json, o.csv, o.s1p,
        o.plot, o.open, o.shortCircuit, o.load, o.loadOhm, o.openPf, o.shortNh, o.saveCal, o.cal,
        o.line, o.scope, o.generator, o.sweep, o.points, o.timeout, o.saveCaptures, o.keepGoing,
        o.verbose});
}

// The request the options make, or the message that says what is wrong with them.
Result<MeasureRequest> requestFrom(const QCommandLineParser &parser, const Options &o)
{
    MeasureRequest request;
    request.files = parser.positionalArguments();
    if (request.files.isEmpty() && !parser.isSet(o.saveCal) && !parser.isSet(o.scope)
        && !parser.isSet(o.generator)) {
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
    if (parser.isSet(o.line)) {
        const Result<Feedline> line = parseFeedline(parser.value(o.line));
        if (!line) {
            return Failure {QStringLiteral("--line: %1").arg(line.error())};
        }
        request.line = *line;
    }
    if (parser.isSet(o.segment)) {
        bool whole = false;
        request.segment = parser.value(o.segment).toInt(&whole);
        if (!whole || request.segment < 1) {
            return Failure {QStringLiteral("--segment wants a segment's number from 1, not '%1'")
                                .arg(parser.value(o.segment))};
        }
    }
    request.keepTraces = parser.isSet(o.plot);
    return request;
}

// The live options as given, for liveRequestFrom to judge.
LiveArguments liveArguments(
    const QCommandLineParser &parser, const Options &o, const MeasureRequest &request)
{
    const auto given = [&parser](const QCommandLineOption &option) {
        return parser.isSet(option) ? std::optional<QString>(parser.value(option)) : std::nullopt;
    };
    return {given(o.scope), given(o.generator), given(o.sweep), given(o.points), given(o.timeout),
        given(o.saveCaptures), given(o.reference), given(o.vx), parser.isSet(o.keepGoing),
        request.frequencyMHz, !request.files.isEmpty()};
}

// The standards' definitions the options give, or what is wrong with them.
Result<StandardDefinitions> definitionsFrom(const QCommandLineParser &parser, const Options &o)
{
    StandardDefinitions definitions;
    double picofarad = 0;
    double nanohenry = 0;
    if (!numberIn(parser.value(o.openPf), 0, 1e6, &picofarad)) {
        return Failure {QStringLiteral("--open-pf wants a capacitance from 0 to 1e6 pF, not '%1'")
                            .arg(parser.value(o.openPf))};
    }
    if (!numberIn(parser.value(o.shortNh), 0, 1e6, &nanohenry)) {
        return Failure {QStringLiteral("--short-nh wants an inductance from 0 to 1e6 nH, not '%1'")
                            .arg(parser.value(o.shortNh))};
    }
    if (!parseLoad(parser.value(o.loadOhm), &definitions.loadOhm)
        || !(definitions.loadOhm.real() > 0 && definitions.loadOhm.real() <= 1e6
            && std::abs(definitions.loadOhm.imag()) <= 1e6)) {
        return Failure {QStringLiteral("--load-ohm wants the load's resistance, R or R+jX in "
                                       "ohms with R from above 0 to 1e6, not '%1'")
                            .arg(parser.value(o.loadOhm))};
    }
    definitions.openFarad = picofarad * 1e-12;
    definitions.shortHenry = nanohenry * 1e-9;
    return definitions;
}

// Why the run stops before any capture is measured: the message and the exit status.
struct Stop
{
    QString message;
    ExitCode status;
};

// The calibration: measured from the standards' captures (and written with --save-cal),
// or read from --cal; none without either. Checked against the run's Z0.
std::optional<Stop> addCalibration(const QCommandLineParser &parser, const Options &o,
    const MeasureObserver &observer, MeasureRequest *request)
{
    const StandardFiles standards {
        parser.values(o.open), parser.values(o.shortCircuit), parser.values(o.load)};
    if (!standards.isEmpty() && parser.isSet(o.cal)) {
        return Stop {QStringLiteral("--cal and the standards (--open, --short, --load) exclude "
                                    "each other: calibrate once, or use a calibration"),
            BadUsage};
    }
    if (parser.isSet(o.saveCal) && standards.isEmpty()) {
        return Stop {QStringLiteral("--save-cal needs the standards' captures: --open, --short "
                                    "and --load"),
            BadUsage};
    }
    if (!standards.isEmpty()) {
        const Result<StandardDefinitions> definitions = definitionsFrom(parser, o);
        if (!definitions) {
            return Stop {definitions.error(), BadUsage};
        }
        Result<Calibration> calibration
            = calibrationFromFiles(standards, *definitions, *request, observer);
        if (!calibration) {
            return Stop {calibration.error(), BadCapture};
        }
        if (parser.isSet(o.saveCal)) {
            const Status written
                = writeOutputFile(parser.value(o.saveCal), calibrationJson(*calibration),
                    QStringLiteral("--save-cal"), request->files + standards.all());
            if (!written) {
                return Stop {written.error(), BadCapture};
            }
        }
        request->calibration = std::move(*calibration);
    } else if (parser.isSet(o.cal)) {
        constexpr qint64 kLargestCalibration = qint64(64) << 20;
        const QString path = parser.value(o.cal);
        const Result<QByteArray> content
            = readFileContent(path, kLargestCalibration, QStringLiteral("not a calibration"));
        if (!content) {
            return Stop {content.error(), BadCapture};
        }
        Result<Calibration> calibration = readCalibration(*content, displayName(path));
        if (!calibration) {
            return Stop {calibration.error(), BadCapture};
        }
        if (const std::optional<Failure> mismatch
            = referenceMismatch(*calibration, request->sourceImpedance)) {
            return Stop {QStringLiteral("%1: %2").arg(path, mismatch->message), BadCapture};
        }
        request->calibration = std::move(*calibration);
    }
    return std::nullopt;
}

// The Touchstone file of every measured capture, with comments that say where it came from.
Result<QByteArray> touchstoneFile(
    const std::vector<MeasuredCapture> &measured, const MeasureRequest &request)
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
        QStringLiteral("through Z0 = %1 ohm").arg(numberText(sweep->sweep.referenceOhm))};
    ;
    if (request.calibration) {
        comments.append(
            QStringLiteral("calibrated: %1").arg(calibrationSummary(*request.calibration)));
    }
    if (request.line) {
        comments.append(QStringLiteral("the antenna's impedance at the far end of %1")
                            .arg(feedlineSummary(*request.line)));
    }
    comments.append(QStringLiteral("from the oscilloscope captures:"));
    for (const MeasuredCapture &capture : measured) {
        const CaptureMeasurement &m = capture.measurement;
        comments.append(QStringLiteral("  %1 (%2 MHz%3)")
                            .arg(capture.name, numberText(m.frequencyMHz),
                                m.frequencyEstimated ? QStringLiteral(", estimated") : QString()));
    }
    return writeTouchstone(sweep->sweep, comments);
}

QByteArray report(const QCommandLineParser &parser, const Options &o,
    const std::vector<MeasuredCapture> &measured, const Corrections &corrections)
{
    if (parser.isSet(o.json)) {
        return jsonReport(measured, corrections);
    }
    if (parser.isSet(o.csv)) {
        return csvReport(measured).toUtf8();
    }
    if (measured.size() == 1) {
        return textReport(measured.front(), corrections).toUtf8();
    }
    return measured.empty() ? QByteArray() : textTable(measured, corrections).toUtf8();
}

// Messages on standard error (notes only with --verbose), and a progress line on a terminal
// only, rewritten in place.
MeasureObserver observer(bool verbose, bool progress)
{
    MeasureObserver observer;
    if (progress) {
        observer.progress = [](int index, int count, const QString &file) {
            std::fprintf(stderr, "\r[%d/%d] %s\x1b[K", index + 1, count,
                printableText(QFileInfo(file).fileName()).toUtf8().constData());
        };
    }
    observer.message = [verbose](const QString &message, bool note) {
        if (!note || verbose) {
            printError(message);
        }
    };
    return observer;
}

// The Touchstone file, where asked: false when it cannot be written.
bool writeTouchstoneFile(const QCommandLineParser &parser, const Options &o,
    const MeasureRequest &request, const std::vector<MeasuredCapture> &measured)
{
    if (!parser.isSet(o.s1p) || measured.empty()) {
        return true;
    }
    const QString path = parser.value(o.s1p);
    const Result<QByteArray> touchstone = touchstoneFile(measured, request);
    const Status written = touchstone
        ? writeOutputFile(path, *touchstone, QStringLiteral("--s1p"),
            request.files
                + StandardFiles {parser.values(o.open), parser.values(o.shortCircuit),
                    parser.values(o.load)}
                      .all())
        : Status(Failure {QStringLiteral("%1 is not written: %2").arg(path, touchstone.error())});
    if (!written) {
        printError(written.error());
    }
    return written.ok();
}

// The picture's format from its name, checked before anything is measured or written; an
// .s1p file instead of captures is only drawn, and only with --plot. A stop ends the run:
// with its message, or with none for a picture drawn.
std::optional<Stop> pictureOnly(const QCommandLineParser &parser, const Options &o,
    const MeasureRequest &request, std::optional<PictureFormat> *format)
{
    if (parser.isSet(o.plot)) {
        *format = pictureFormatOf(parser.value(o.plot));
        if (!*format) {
            return Stop {QStringLiteral("--plot wants a file ending in .svg or .png, not '%1'")
                             .arg(parser.value(o.plot)),
                BadUsage};
        }
    }
    const Result<bool> touchstone = drawsTouchstone(request.files, parser.isSet(o.plot),
        parser.isSet(o.json) || parser.isSet(o.csv) || parser.isSet(o.s1p));
    if (!touchstone) {
        return Stop {touchstone.error(), BadUsage};
    }
    if (!*touchstone) {
        return std::nullopt;
    }
    const Status drawn
        = writeTouchstonePicture(parser.value(o.plot), **format, request.files.first(),
            parser.isSet(o.source) ? std::optional(request.sourceImpedance) : std::nullopt);
    return drawn ? Stop {QString(), Success} : Stop {drawn.error(), BadCapture};
}

// The pictures of the measured captures; the number that could not be written.
int writePictures(const QString &path, PictureFormat format,
    const std::vector<MeasuredCapture> &measured, const QStringList &inputs)
{
    const QStringList unwritten = writeMeasurePictures(path, format, measured, inputs);
    for (const QString &message : unwritten) {
        printError(message);
    }
    return int(unwritten.size());
}

// A measurement off the instruments, reported and written as captures are. Ctrl-C stops it
// with the scope given back (exit 130); what a sweep measured before a failure is written
// only with --keep-going.
int measureWithInstruments(const QCommandLineParser &parser, const Options &o,
    const LiveRequest &live, const MeasureRequest &request, std::optional<PictureFormat> plotFormat)
{
    const StopOnSignals stop;
    const bool progress = standardErrorIsTerminal();
    LiveObserver watch;
    // A message takes the progress line's place; the next point writes it again.
    watch.message
        = [verbose = parser.isSet(o.verbose), progress](const QString &message, bool note) {
              if (!note || verbose) {
                  if (progress) {
                      std::fprintf(stderr, "\r\x1b[K");
                  }
                  printError(message);
              }
          };
    watch.stopRequested = [&stop] { return stop.requested(); };
    if (progress) {
        watch.progress = [](const QString &line) {
            std::fprintf(stderr, "\r%s\x1b[K", printableText(line).toUtf8().constData());
        };
    }
    const Result<LiveOutcome> outcome = measureLive(live, request, watch);
    if (progress) {
        std::fprintf(stderr, "\r\x1b[K");
    }
    if (!outcome) {
        printError(outcome.error());
        return stop.requested() ? Interrupted : BadCapture;
    }
    if (outcome->stoppedBy) {
        printError(outcome->stoppedBy->message);
    }
    const int failures = outcome->failures + bool(outcome->stoppedBy)
        + !writeTouchstoneFile(parser, o, request, outcome->measured)
        + (plotFormat ? writePictures(parser.value(o.plot), *plotFormat, outcome->measured, {})
                      : 0);
    const Corrections corrections {request.calibration ? &*request.calibration : nullptr,
        request.line ? &*request.line : nullptr};
    if (!writeStandardOutput(report(parser, o, outcome->measured, corrections))) {
        return BadCapture;
    }
    return stop.requested() ? Interrupted : failures > 0 ? BadCapture : Success;
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
    if (const std::optional<int> status = parseArguments(parser, BadUsage, BadCapture)) {
        return *status;
    }
    Result<MeasureRequest> request = requestFrom(parser, o);
    if (!request) {
        printError(request.error());
        return BadUsage;
    }
    std::optional<PictureFormat> plotFormat;
    if (const std::optional<Stop> stop = pictureOnly(parser, o, *request, &plotFormat)) {
        if (!stop->message.isEmpty()) {
            printError(stop->message);
        }
        return stop->status;
    }
    const Result<std::optional<LiveRequest>> live
        = liveRequestFrom(liveArguments(parser, o, *request));
    if (!live) {
        printError(live.error());
        return BadUsage;
    }
    const bool progress = request->files.size() > 1 && standardErrorIsTerminal();
    const MeasureObserver watch = observer(parser.isSet(o.verbose), progress);
    if (const std::optional<Stop> stop = addCalibration(parser, o, watch, &*request)) {
        printError(stop->message);
        return stop->status;
    }
    if (*live) {
        return measureWithInstruments(parser, o, **live, *request, plotFormat);
    }
    if (request->files.isEmpty()) {
        return Success; // the standards alone, for --save-cal
    }

    const MeasureOutcome outcome = measureFiles(*request, watch);
    if (progress) {
        std::fprintf(stderr, "\r\x1b[K");
    }
    const int failures = outcome.failures
        + !writeTouchstoneFile(parser, o, *request, outcome.measured)
        + (plotFormat
                ? writePictures(parser.value(o.plot), *plotFormat, outcome.measured, request->files)
                : 0);
    const Corrections corrections {request->calibration ? &*request->calibration : nullptr,
        request->line ? &*request->line : nullptr};
    if (!writeStandardOutput(report(parser, o, outcome.measured, corrections))) {
        return BadCapture;
    }
    return failures > 0 ? BadCapture : Success;
}
