// zalvimo-match: every L-network that matches a load to a transceiver, built from parts one
// can buy or wind, with their losses, the stress at a power, and the band it matches.

#include "commandline.h"
#include "matchdesign.h"
#include "matchreport.h"
#include "printabletext.h"
#include "touchstone.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

enum ExitCode { Success = 0, NoMatch = 1, BadUsage = 2 };
constexpr double kHertzPerMegahertz = 1e6;

// The load at a frequency of a sweep: interpolated in S11 between the two points around it.
std::complex<double> loadAt(const TouchstoneSweep &sweep, double hertz)
{
    const auto &p = sweep.points;
    std::size_t i = 1;
    while (i + 1 < p.size() && p[i].frequencyHz < hertz) {
        ++i;
    }
    if (p.size() == 1) {
        return impedanceFromReflection(p[0].s11, sweep.referenceOhm);
    }
    const double t = (hertz - p[i - 1].frequencyHz) / (p[i].frequencyHz - p[i - 1].frequencyHz);
    const std::complex<double> s11
        = p[i - 1].s11 + std::clamp(t, 0.0, 1.0) * (p[i].s11 - p[i - 1].s11);
    return impedanceFromReflection(s11, sweep.referenceOhm);
}

} // namespace

int main(int argc, char *argv[])
{
    // A PNG plot draws text, which needs the toolkit's fonts (on no display); everything
    // else needs only the core.
    bool png = false;
    for (int i = 1; i + 1 < argc; ++i) {
        png = png
            || (std::strcmp(argv[i], "--plot") == 0
                && !QByteArray(argv[i + 1]).toLower().endsWith(".svg"));
    }
    if (png && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const std::unique_ptr<QCoreApplication> application(
        png ? new QGuiApplication(argc, argv) : new QCoreApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("zalvimo-match"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZALVIMO_VERSION));

    QCommandLineParser parser;
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
    const QCommandLineOption freqOption({QStringLiteral("f"), QStringLiteral("freq")},
        QStringLiteral("The frequency of an R+jX load, MHz."), QStringLiteral("MHz"));
    const QCommandLineOption atOption(QStringLiteral("at"),
        QStringLiteral("The design frequency within a sweep, MHz (default: the sweep's "
                       "frequency nearest its middle)."),
        QStringLiteral("MHz"));
    const QCommandLineOption z0Option({QStringLiteral("z"), QStringLiteral("z0")},
        QStringLiteral("The transceiver's impedance, ohms (default 50)."), QStringLiteral("ohm"),
        QStringLiteral("50"));
    const QCommandLineOption seriesOption(QStringLiteral("series"),
        QStringLiteral("The capacitors' series: E6, E12 or E24 (default E12)."),
        QStringLiteral("E12"), QStringLiteral("E12"));
    const QCommandLineOption coreOption(QStringLiteral("core"),
        QStringLiteral("The coils' iron-powder toroid, T37-2 to T200-6 (default T50-2)."),
        QStringLiteral("core"), QStringLiteral("T50-2"));
    const QCommandLineOption airOption(QStringLiteral("air"),
        QStringLiteral("Air-core coils of this diameter instead, mm (Wheeler's formula)."),
        QStringLiteral("mm"));
    const QCommandLineOption pitchOption(QStringLiteral("pitch"),
        QStringLiteral("The length each turn of an air coil takes, mm (default 1)."),
        QStringLiteral("mm"), QStringLiteral("1"));
    const QCommandLineOption qCoilOption(QStringLiteral("q-coil"),
        QStringLiteral("The coils' Q (default 100)."), QStringLiteral("Q"), QStringLiteral("100"));
    const QCommandLineOption qCapOption(QStringLiteral("q-cap"),
        QStringLiteral("The capacitors' Q (default 1000)."), QStringLiteral("Q"),
        QStringLiteral("1000"));
    const QCommandLineOption powerOption(QStringLiteral("power"),
        QStringLiteral("The transmitter's power into the network, W (default 100)."),
        QStringLiteral("W"), QStringLiteral("100"));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
        QStringLiteral("Write JSON for scripts, keys named with their units."));
    const QCommandLineOption plotOption(QStringLiteral("plot"),
        QStringLiteral("Also draw the SWR of every solution across the band, as .svg or .png."),
        QStringLiteral("file"));
    parser.addOptions({freqOption, atOption, z0Option, seriesOption, coreOption, airOption,
        pitchOption, qCoilOption, qCapOption, powerOption, jsonOption, plotOption});
    if (!parser.parse(QCoreApplication::arguments())) {
        printError(parser.errorText());
        return BadUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        parser.showHelp(Success);
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parser.showVersion();
    }

    MatchRequest request;
    const auto option = [&](const QCommandLineOption &o, double lowest, double highest,
                            double *value, const char *what) {
        if (numberIn(parser.value(o), lowest, highest, value)) {
            return true;
        }
        printError(QStringLiteral("--%1 wants %2, not '%3'")
                       .arg(o.names().last(), QLatin1String(what), parser.value(o)));
        return false;
    };
    double pitchMm = 1;
    double airMm = 0;
    if (!option(z0Option, 0.1, 10000, &request.z0, "an impedance from 0.1 to 10000 ohm")
        || !option(qCoilOption, 1, 1e6, &request.coilQ, "a Q from 1 to 1000000")
        || !option(qCapOption, 1, 1e6, &request.capacitorQ, "a Q from 1 to 1000000")
        || !option(powerOption, 1e-6, 1e6, &request.powerWatt, "a power from 1 uW to 1 MW")
        || !option(pitchOption, 0.01, 100, &pitchMm, "a pitch from 0.01 to 100 mm")
        || (parser.isSet(airOption)
            && !option(airOption, 0.5, 1000, &airMm, "a diameter from 0.5 to 1000 mm"))) {
        return BadUsage;
    }
    const QString series = parser.value(seriesOption).toUpper();
    if (series != QLatin1String("E6") && series != QLatin1String("E12")
        && series != QLatin1String("E24")) {
        printError(QStringLiteral("--series wants E6, E12 or E24, not '%1'")
                       .arg(parser.value(seriesOption)));
        return BadUsage;
    }
    request.series = series.mid(1).toInt();
    if (parser.isSet(airOption)) {
        request.coilForm.airDiameterMetre = airMm * 1e-3;
        request.coilForm.airPitchMetre = pitchMm * 1e-3;
    } else {
        request.coilForm.core = findCore(parser.value(coreOption));
        if (!request.coilForm.core) {
            QStringList names;
            for (const ToroidCore &core : toroidCores()) {
                names.append(QLatin1String(core.name));
            }
            printError(QStringLiteral("--core %1 is not one of %2")
                           .arg(parser.value(coreOption), names.join(QStringLiteral(", "))));
            return BadUsage;
        }
    }

    const QStringList loads = parser.positionalArguments();
    if (loads.size() != 1) {
        printError(QStringLiteral("give one load: R+jX with --freq, or an .s1p file; see --help"));
        return BadUsage;
    }
    const QString load = loads.first();
    if (load.endsWith(QLatin1String(".s1p"), Qt::CaseInsensitive) || QFileInfo(load).isFile()) {
        const Result<TouchstoneSweep> read = readTouchstoneFile(load);
        if (!read) {
            printError(read.error());
            return NoMatch;
        }
        const TouchstoneSweep &sweep = *read;
        const double low = sweep.points.front().frequencyHz;
        const double high = sweep.points.back().frequencyHz;
        double atMHz = 0;
        if (parser.isSet(atOption)) {
            if (!numberIn(parser.value(atOption), low / kHertzPerMegahertz,
                    high / kHertzPerMegahertz, &atMHz)) {
                printError(QStringLiteral(
                    "--at wants a frequency within the sweep, %1 to %2 MHz, not '%3'")
                               .arg(low / kHertzPerMegahertz)
                               .arg(high / kHertzPerMegahertz)
                               .arg(parser.value(atOption)));
                return BadUsage;
            }
            request.frequencyHz = atMHz * kHertzPerMegahertz;
        } else {
            const double middle = (low + high) / 2;
            request.frequencyHz = low;
            for (const TouchstonePoint &p : sweep.points) {
                if (std::abs(p.frequencyHz - middle) < std::abs(request.frequencyHz - middle)) {
                    request.frequencyHz = p.frequencyHz;
                }
            }
        }
        if (!(request.frequencyHz > 0)) {
            printError(QStringLiteral("%1: the design frequency must be above 0 Hz").arg(load));
            return BadUsage;
        }
        request.load = loadAt(sweep, request.frequencyHz);
        for (const TouchstonePoint &p : sweep.points) {
            if (p.frequencyHz > 0) {
                request.sweep.emplace_back(
                    p.frequencyHz, impedanceFromReflection(p.s11, sweep.referenceOhm));
            }
        }
    } else {
        if (!parseLoad(load, &request.load)) {
            printError(QStringLiteral("'%1' is no load: write R+jX in ohms, as 41.97-27.05j, "
                                      "or name an .s1p file")
                           .arg(load));
            return BadUsage;
        }
        double freqMHz = 0;
        if (!parser.isSet(freqOption)) {
            printError(QStringLiteral("--freq is needed with an R+jX load"));
            return BadUsage;
        }
        if (!option(freqOption, 0.001, 10000, &freqMHz, "a frequency from 0.001 to 10000 MHz")) {
            return BadUsage;
        }
        request.frequencyHz = freqMHz * kHertzPerMegahertz;
    }
    if (!std::isfinite(request.load.real()) || !std::isfinite(request.load.imag())) {
        printError(QStringLiteral("the load is not finite at %1 MHz")
                       .arg(request.frequencyHz / kHertzPerMegahertz));
        return NoMatch;
    }

    const MatchResult result = designMatches(request);
    const QByteArray output = parser.isSet(jsonOption) ? matchJson(request, result)
                                                       : matchText(request, result).toUtf8();
    int status = result.solutions.empty() ? NoMatch : Success;
    if (parser.isSet(plotOption) && !result.solutions.empty()) {
        QString error;
        if (!writePlot(parser.value(plotOption), request, result, &error)) {
            printError(error);
            status = NoMatch;
        }
    }
    if (result.solutions.empty()) {
        printError(QStringLiteral("no L-network for a load without resistance"));
    }
    std::fwrite(output.constData(), 1, std::size_t(output.size()), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        printError(QStringLiteral("cannot write the results to standard output: %1")
                       .arg(QString::fromLocal8Bit(std::strerror(errno))));
        return NoMatch;
    }
    return status;
}
