// zalvimo-match: every L-network that matches a load to a transceiver, built from parts one
// can buy or wind, with their losses, the stress at a power, and the band it matches.

#include "commandline.h"
#include "loadtext.h"
#include "matchdesign.h"
#include "matchreport.h"
#include "outputfile.h"
#include "picturefile.h"
#include "plotapplication.h"
#include "swrplot.h"
#include "touchstone.h"
#include "units.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

enum ExitCode { Success = 0, NoMatch = 1, BadUsage = 2 };

struct Options
{
    QCommandLineOption freq {{QStringLiteral("f"), QStringLiteral("freq")},
        QStringLiteral("The frequency of an R+jX load, MHz."), QStringLiteral("MHz")};
    QCommandLineOption at {QStringLiteral("at"),
        QStringLiteral("The design frequency within a sweep, MHz (default: the sweep's "
                       "frequency nearest its middle)."),
        QStringLiteral("MHz")};
    QCommandLineOption z0 {{QStringLiteral("z"), QStringLiteral("z0")},
        QStringLiteral("The transceiver's impedance, ohms (default 50)."), QStringLiteral("ohm"),
        QStringLiteral("50")};
    QCommandLineOption series {QStringLiteral("series"),
        QStringLiteral("The capacitors' series: E6, E12 or E24 (default E12)."),
        QStringLiteral("E12"), QStringLiteral("E12")};
    QCommandLineOption core {QStringLiteral("core"),
        QStringLiteral("The coils' iron-powder toroid, T37-2 to T200-6 (default T50-2)."),
        QStringLiteral("core"), QStringLiteral("T50-2")};
    QCommandLineOption air {QStringLiteral("air"),
        QStringLiteral("Air-core coils of this diameter instead, mm (Wheeler's formula)."),
        QStringLiteral("mm")};
    QCommandLineOption pitch {QStringLiteral("pitch"),
        QStringLiteral("The length each turn of an air coil takes, mm (default 1)."),
        QStringLiteral("mm"), QStringLiteral("1")};
    QCommandLineOption qCoil {QStringLiteral("q-coil"),
        QStringLiteral("The coils' Q (default 100)."), QStringLiteral("Q"), QStringLiteral("100")};
    QCommandLineOption qCap {QStringLiteral("q-cap"),
        QStringLiteral("The capacitors' Q (default 1000)."), QStringLiteral("Q"),
        QStringLiteral("1000")};
    QCommandLineOption power {QStringLiteral("power"),
        QStringLiteral("The transmitter's power into the network, W (default 100)."),
        QStringLiteral("W"), QStringLiteral("100")};
    QCommandLineOption line {QStringLiteral("line"),
        QStringLiteral("The feedline from the network to the antenna, CABLE:METRES "
                       "(RG-213:12.5) or Z0,VF,DB_PER_100M@MHZ:METRES; the load is then the "
                       "antenna's, and the network sits at the transceiver's end."),
        QStringLiteral("line")};
    QCommandLineOption json {QStringLiteral("json"),
        QStringLiteral("Write JSON for scripts, keys named with their units.")};
    QCommandLineOption plot {QStringLiteral("plot"),
        QStringLiteral("Also draw the SWR of every solution across the band, as .svg or .png."),
        QStringLiteral("file")};
};

void describe(QCommandLineParser &parser, const Options &o)
{
    parser.setApplicationDescription(QStringLiteral(
        "Every L-network that matches a load to a transceiver: which part goes in series\n"
        "and which across, low-pass or high-pass, a DC path to ground or not, the\n"
        "capacitors of an E series and the coils' turns on a toroid or in air, the SWR\n"
        "and the loss as built with the parts' Q, the current and the voltage each part\n"
        "takes at the power, and the band where the SWR stays below 1.5 and 2.\n"
        "\n"
        "The load is R+jX with --freq, or a Touchstone one-port file (.s1p) from\n"
        "zalvimo-measure or a VNA, designed at --at or the middle of its sweep.\n"
        "\n"
        "Exit status: 0 networks found, 1 none (a load without resistance) or a file\n"
        "that cannot be read or written, 2 bad options.\n"
        "\n"
        "Example: zalvimo-match --freq 14.2 41.97-27.05j\n"
        "         zalvimo-match --core T68-6 --power 400 --plot swr.svg dipole.s1p"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("load"),
        QStringLiteral("R+jX in ohms (41.97-27.05j), or a Touchstone .s1p file."),
        QStringLiteral("load"));
    parser.addOptions({o.freq, o.at, o.z0, o.series, o.core, o.air, o.pitch, o.qCoil, o.qCap,
        o.power, o.line, o.json, o.plot});
}

// An option's number in its range, or the message that says what it wants.
Result<double> optionNumber(const QCommandLineParser &parser, const QCommandLineOption &option,
    double lowest, double highest, const char *what)
{
    double value = 0;
    if (numberIn(parser.value(option), lowest, highest, &value)) {
        return value;
    }
    return Failure {QStringLiteral("--%1 wants %2, not '%3'")
                        .arg(option.names().last(), QLatin1String(what), parser.value(option))};
}

// How the parts are made and rated: everything but the load.
Result<MatchRequest> partsRequest(const QCommandLineParser &parser, const Options &o)
{
    MatchRequest request;
    const Result<double> numbers[]
        = {optionNumber(parser, o.z0, 0.1, 10000, "an impedance from 0.1 to 10000 ohm"),
            optionNumber(parser, o.qCoil, 1, 1e6, "a Q from 1 to 1000000"),
            optionNumber(parser, o.qCap, 1, 1e6, "a Q from 1 to 1000000"),
            optionNumber(parser, o.power, 1e-6, 1e6, "a power from 1 uW to 1 MW"),
            optionNumber(parser, o.pitch, 0.01, 100, "a pitch from 0.01 to 100 mm"),
            parser.isSet(o.air)
                ? optionNumber(parser, o.air, 0.5, 1000, "a diameter from 0.5 to 1000 mm")
                : Result<double>(0.0)};
    for (const Result<double> &number : numbers) {
        if (!number) {
            return number.failure();
        }
    }
    request.z0 = *numbers[0];
    request.coilQ = *numbers[1];
    request.capacitorQ = *numbers[2];
    request.powerWatt = *numbers[3];
    const QString series = parser.value(o.series).toUpper();
    if (series != QLatin1String("E6") && series != QLatin1String("E12")
        && series != QLatin1String("E24")) {
        return Failure {
            QStringLiteral("--series wants E6, E12 or E24, not '%1'").arg(parser.value(o.series))};
    }
    request.series = series.mid(1).toInt();
    if (parser.isSet(o.line)) {
        const Result<Feedline> line = parseFeedline(parser.value(o.line));
        if (!line) {
            return Failure {QStringLiteral("--line: %1").arg(line.error())};
        }
        request.line = *line;
    }
    if (parser.isSet(o.air)) {
        request.coilForm.airDiameterMetre = *numbers[5] * 1e-3;
        request.coilForm.airPitchMetre = *numbers[4] * 1e-3;
        return request;
    }
    request.coilForm.core = findCore(parser.value(o.core));
    if (!request.coilForm.core) {
        QStringList names;
        for (const ToroidCore &core : toroidCores()) {
            names.append(QLatin1String(core.name));
        }
        return Failure {QStringLiteral("--core %1 is not one of %2")
                            .arg(parser.value(o.core), names.join(QStringLiteral(", ")))};
    }
    return request;
}

struct Usage
{
    QString message;
    ExitCode status;
};

// The load: a Touchstone sweep with its design frequency, or R+jX at --freq.
std::optional<Usage> addLoad(
    const QCommandLineParser &parser, const Options &o, MatchRequest *request)
{
    const QStringList loads = parser.positionalArguments();
    if (loads.size() != 1) {
        return Usage {
            QStringLiteral("give one load: R+jX with --freq, or an .s1p file; see --help"),
            BadUsage};
    }
    const QString load = loads.first();
    if (load.endsWith(QLatin1String(".s1p"), Qt::CaseInsensitive) || QFileInfo(load).isFile()) {
        if (parser.isSet(o.freq)) {
            return Usage {QStringLiteral("--freq is for an R+jX load; a sweep's frequencies are "
                                         "in its file: give the design frequency with --at"),
                BadUsage};
        }
        const Result<TouchstoneSweep> read = readTouchstoneFile(load);
        if (!read) {
            return Usage {read.error(), NoMatch};
        }
        std::optional<double> atHz;
        if (parser.isSet(o.at)) {
            const double low = read->points.front().frequencyHz / kHertzPerMegahertz;
            const double high = read->points.back().frequencyHz / kHertzPerMegahertz;
            double atMHz = 0;
            if (!numberIn(parser.value(o.at), low, high, &atMHz)) {
                return Usage {QStringLiteral(
                                  "--at wants a frequency within the sweep, %1 to %2 MHz, not '%3'")
                                  .arg(low)
                                  .arg(high)
                                  .arg(parser.value(o.at)),
                    BadUsage};
            }
            atHz = atMHz * kHertzPerMegahertz;
        }
        *request = sweepRequest(*request, *read, atHz);
        if (!(request->frequencyHz > 0)) {
            return Usage {
                QStringLiteral("%1: the design frequency must be above 0 Hz").arg(load), BadUsage};
        }
        return std::nullopt;
    }
    if (!parseLoad(load, &request->load)) {
        return Usage {QStringLiteral("'%1' is no load: write R+jX in ohms, as 41.97-27.05j, or "
                                     "name an .s1p file")
                          .arg(load),
            BadUsage};
    }
    if (!parser.isSet(o.freq)) {
        return Usage {QStringLiteral("--freq is needed with an R+jX load"), BadUsage};
    }
    if (parser.isSet(o.at)) {
        return Usage {QStringLiteral("--at is for a sweep (an .s1p file); an R+jX load is "
                                     "designed at --freq"),
            BadUsage};
    }
    const Result<double> freqMHz
        = optionNumber(parser, o.freq, 0.001, 10000, "a frequency from 0.001 to 10000 MHz");
    if (!freqMHz) {
        return Usage {freqMHz.error(), BadUsage};
    }
    request->frequencyHz = *freqMHz * kHertzPerMegahertz;
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::unique_ptr<QCoreApplication> application = companionApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zalvimo-match"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZALVIMO_VERSION));

    QCommandLineParser parser;
    const Options o;
    describe(parser, o);
    if (const std::optional<int> status = parseArguments(parser, BadUsage, NoMatch)) {
        return *status;
    }
    Result<MatchRequest> request = partsRequest(parser, o);
    if (!request) {
        printError(request.error());
        return BadUsage;
    }
    // The picture's format from its name, before anything is computed or written.
    std::optional<PictureFormat> plotFormat;
    if (parser.isSet(o.plot)) {
        plotFormat = pictureFormatOf(parser.value(o.plot));
        if (!plotFormat) {
            printError(QStringLiteral("--plot wants a file ending in .svg or .png, not '%1'")
                           .arg(parser.value(o.plot)));
            return BadUsage;
        }
    }
    if (const std::optional<Usage> usage = addLoad(parser, o, &*request)) {
        printError(usage->message);
        return usage->status;
    }
    if (const Status checked = checkedRequest(*request); !checked) {
        printError(checked.error());
        return NoMatch;
    }

    const MatchResult result = designMatches(*request);
    const QByteArray output
        = parser.isSet(o.json) ? matchJson(*request, result) : matchText(*request, result).toUtf8();
    const bool usable = std::any_of(result.solutions.begin(), result.solutions.end(), isUsable);
    int status = usable ? Success : NoMatch;
    if (plotFormat && !result.solutions.empty()) {
        const Status written
            = writeOutputFile(parser.value(o.plot), swrPlot(*request, result, *plotFormat),
                QStringLiteral("--plot"), parser.positionalArguments());
        if (!written) {
            printError(written.error());
            status = NoMatch;
        }
    }
    if (result.solutions.empty()) {
        printError(QStringLiteral("no L-network for a load without resistance"));
    } else if (!usable) {
        printError(QStringLiteral("no network can be built from these parts to match within SWR "
                                  "2; see each network's problem"));
    }
    return writeStandardOutput(output) ? status : NoMatch;
}
