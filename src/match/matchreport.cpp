#include "matchreport.h"

#include "matchdesign.h"
#include "numbertext.h"
#include "units.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cmath>

namespace {

QString kindOf(double reactance)
{
    return reactance > 0 ? QStringLiteral("coil") : QStringLiteral("capacitor");
}

QString across(const LNetwork &n)
{
    return n.shuntAcross == ShuntAcross::Transceiver ? QStringLiteral("transceiver")
                                                     : QStringLiteral("antenna");
}

QString idealPart(double reactance, double frequencyHz)
{
    return reactance > 0
        ? engineeringText(inductanceOf(reactance, frequencyHz), QStringLiteral("H"))
        : engineeringText(capacitanceOf(reactance, frequencyHz), QStringLiteral("F"));
}

QString passText(Pass pass)
{
    return pass == Pass::LowPass ? QStringLiteral("low-pass: attenuates harmonics")
        : pass == Pass::HighPass ? QStringLiteral("high-pass")
                                 : QStringLiteral("neither low- nor high-pass");
}

QString bandText(const Band &band, std::size_t points)
{
    if (points < 2) {
        return QStringLiteral("not known from one frequency");
    }
    // An edge at the end of the sweep is where the sweep stops, not the band.
    return band.found ? QStringLiteral("%1%2 to %3%4 MHz")
                            .arg(band.openLow ? QStringLiteral("below ") : QString(),
                                QString::number(band.lowHz / kHertzPerMegahertz, 'g', 4),
                                band.openHigh ? QStringLiteral("above ") : QString(),
                                QString::number(band.highHz / kHertzPerMegahertz, 'g', 4))
                      : QStringLiteral("none");
}

// A schematic of text, the transceiver on the left and the antenna on the right:
//     TRX o----+---[series]---o ANT          TRX o---[series]---+---o ANT
//              |                                                |
//              [shunt]                                          [shunt]
//              |                                                |
//     GND o-------------------o GND          GND o--------------------o GND
QString schematic(const MatchedSolution &s)
{
    const QString series = s.built.series ? QStringLiteral("[%1]").arg(s.built.series->text)
                                          : QStringLiteral("------");
    const bool atTransceiver = s.ideal.shuntAcross == ShuntAcross::Transceiver;
    const QString top = atTransceiver ? QStringLiteral("    TRX o----+---%1---o ANT").arg(series)
                                      : QStringLiteral("    TRX o---%1---+---o ANT").arg(series);
    const int junction = int(top.indexOf(QLatin1Char('+')));
    QString text = top + QLatin1Char('\n');
    if (s.built.shunt) {
        const QString pad(junction, QLatin1Char(' '));
        text += pad + QStringLiteral("|\n") + pad
            + QStringLiteral("[%1]\n").arg(s.built.shunt->text) + pad + QStringLiteral("|\n");
    }
    text += QStringLiteral("    GND o") + QString(int(top.size()) - 14, QLatin1Char('-'))
        + QStringLiteral("o GND\n");
    return text;
}

QJsonValue orNull(bool present, double value)
{
    return present && std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

// [low, high] in MHz; an edge where the sweep ends is no edge of the band, and null.
QJsonValue bandJson(const Band &band)
{
    const auto edge = [](bool open, double hertz) {
        return open ? QJsonValue(QJsonValue::Null) : QJsonValue(hertz / kHertzPerMegahertz);
    };
    return band.found
        ? QJsonValue(QJsonArray {edge(band.openLow, band.lowHz), edge(band.openHigh, band.highHz)})
        : QJsonValue(QJsonValue::Null);
}

// The loss in decibels of a fraction lost: finite, as everything the reports give.
double lossDecibel(double lossFraction)
{
    constexpr double kSmallestDelivered = 1e-30; // -300 dB
    return std::max(0.0, -10 * std::log10(std::max(kSmallestDelivered, 1 - lossFraction)));
}

void insertPart(QJsonObject &o, const char *prefix, const std::optional<BuiltPart> &part,
    const PartStress &stress)
{
    const QString p = QLatin1String(prefix);
    const QJsonValue none(QJsonValue::Null);
    o.insert(p + QStringLiteral("Henry"), part && part->coil ? QJsonValue(part->value) : none);
    o.insert(p + QStringLiteral("Farad"), part && !part->coil ? QJsonValue(part->value) : none);
    o.insert(p + QStringLiteral("Part"), part ? QJsonValue(part->text) : none);
    o.insert(p + QStringLiteral("CurrentAmpereRms"), part ? QJsonValue(stress.currentRms) : none);
    o.insert(p + QStringLiteral("VoltagePeakVolt"), part ? QJsonValue(stress.voltagePeak) : none);
    o.insert(p + QStringLiteral("DissipationWatt"), part ? QJsonValue(stress.dissipation) : none);
}

} // namespace

QString solutionName(const MatchResult &result, int index)
{
    const LNetwork &n = result.solutions[std::size_t(index)].ideal;
    QStringList parts;
    if (n.hasSeries) {
        parts.append(QStringLiteral("series %1").arg(kindOf(n.seriesReactance)));
    }
    if (n.hasShunt) {
        parts.append(QStringLiteral("%1 across the %2").arg(kindOf(n.shuntReactance), across(n)));
    }
    if (parts.isEmpty()) {
        parts.append(QStringLiteral("nothing: already matched"));
    }
    return QStringLiteral("%1: %2%3")
        .arg(index + 1)
        .arg(parts.join(QStringLiteral(", ")),
            result.solutions[std::size_t(index)].window
                ? QStringLiteral(" (the window's %1)").arg(result.windowLetter)
                : QString());
}

namespace {

// What the feedline does to the load: where the network sits, what it sees, what the line
// loses at the design frequency.
QString feedlineText(const MatchRequest &request)
{
    const Feedline &line = *request.line;
    const double f = request.frequencyHz;
    const std::complex<double> seen = impedanceAtInput(line, request.load, f);
    return QStringLiteral("Through %1, %2 m of feedline: the network goes at the transceiver's "
                          "end, where the load shows %3 %4 j%5 ohm; the line loses %6 dB "
                          "matched, %7 dB with this antenna\n")
        .arg(line.name, numberText(line.lengthMetre), numberText(seen.real()),
            seen.imag() < 0 ? QStringLiteral("-") : QStringLiteral("+"),
            numberText(std::abs(seen.imag())), QString::number(matchedLossDb(line, f), 'f', 2),
            QString::number(totalLossDb(line, request.load, f), 'f', 2));
}

QJsonValue feedlineJson(const MatchRequest &request)
{
    if (!request.line) {
        return QJsonValue(QJsonValue::Null);
    }
    const Feedline &line = *request.line;
    const double f = request.frequencyHz;
    const std::complex<double> seen = impedanceAtInput(line, request.load, f);
    const double total = totalLossDb(line, request.load, f);
    QJsonObject object;
    object.insert(QStringLiteral("name"), line.name);
    object.insert(QStringLiteral("lengthMetre"), line.lengthMetre);
    object.insert(QStringLiteral("impedanceOhm"), line.impedanceOhm);
    object.insert(QStringLiteral("velocityFactor"), line.velocityFactor);
    object.insert(QStringLiteral("loadAtNetworkROhm"), seen.real());
    object.insert(QStringLiteral("loadAtNetworkXOhm"), seen.imag());
    object.insert(QStringLiteral("matchedLossDecibel"), matchedLossDb(line, f));
    object.insert(QStringLiteral("totalLossDecibel"),
        std::isfinite(total) ? QJsonValue(total) : QJsonValue(QJsonValue::Null));
    return object;
}

} // namespace

QString matchText(const MatchRequest &request, const MatchResult &result)
{
    const double f = request.frequencyHz;
    QString text = QStringLiteral("%1 %2 %3 j%4 ohm at %5 MHz, Z0 %6 ohm\n")
                       .arg(request.line ? QStringLiteral("Antenna") : QStringLiteral("Load"),
                           numberText(request.load.real()),
                           request.load.imag() < 0 ? QStringLiteral("-") : QStringLiteral("+"),
                           numberText(std::abs(request.load.imag())),
                           numberText(f / kHertzPerMegahertz), numberText(request.z0));
    if (request.line) {
        text += feedlineText(request);
    }
    if (result.solutions.empty()) {
        return text
            + QStringLiteral("No L-network: a load without resistance (R <= 0) takes "
                             "no power, and no lossless network can match it.\n");
    }
    text += QStringLiteral("%1 L-network(s); parts with coil Q %2 and capacitor Q %3, at %4 W:\n")
                .arg(result.solutions.size())
                .arg(numberText(request.coilQ), numberText(request.capacitorQ),
                    numberText(request.powerWatt));
    for (std::size_t i = 0; i < result.solutions.size(); ++i) {
        const MatchedSolution &s = result.solutions[i];
        text += QLatin1Char('\n') + solutionName(result, int(i)) + QLatin1Char('\n');
        text += schematic(s);
        text += QStringLiteral("  %1; %2 DC path from the antenna to ground\n")
                    .arg(passText(s.pass), s.dcPath ? QStringLiteral("a") : QStringLiteral("no"));
        const auto line = [&](const char *role, bool present, double reactance,
                              const std::optional<BuiltPart> &part, const PartStress &stress) {
            if (!present) {
                return;
            }
            text += QStringLiteral("  %1 %2 ohm: ideal %3 %4; build %5: %6 A RMS, %7 V peak, "
                                   "%8 W\n")
                        .arg(QLatin1String(role), numberText(reactance), kindOf(reactance),
                            idealPart(reactance, f), part->text,
                            QString::number(stress.currentRms, 'g', 3),
                            QString::number(stress.voltagePeak, 'g', 3),
                            QString::number(stress.dissipation, 'g', 3));
        };
        line("Series", s.ideal.hasSeries, s.ideal.seriesReactance, s.built.series,
            s.response.series);
        line("Shunt ", s.ideal.hasShunt, s.ideal.shuntReactance, s.built.shunt, s.response.shunt);
        text += QStringLiteral("  As built: SWR %1, loss %2 dB (%3 %)\n")
                    .arg(s.response.swr < 1000 ? QString::number(s.response.swr, 'f', 3)
                                               : QString::number(s.response.swr, 'g', 3),
                        QString::number(lossDecibel(s.response.lossFraction), 'f', 3),
                        QString::number(std::max(0.0, 100 * s.response.lossFraction), 'f', 2));
        if (!s.problem.isEmpty()) {
            text += QStringLiteral("  Cannot be built as it stands: %1\n").arg(s.problem);
        }
        if (!(s.response.swr <= 2)) {
            text += QStringLiteral("  Does not match: as built the SWR stays above 2; the parts "
                                   "come out too far from the ideal values\n");
        }
        text
            += QStringLiteral("  SWR below 1.5: %1; below 2: %2%3\n")
                   .arg(bandText(s.band15, s.swrSweep.size()), bandText(s.band2, s.swrSweep.size()),
                       !result.loadConstant ? QString()
                           : request.line
                           ? QStringLiteral(" (the antenna's impedance held constant, through "
                                            "the line)")
                           : QStringLiteral(" (the network alone, the load held constant)"));
    }
    return text;
}

QByteArray matchJson(const MatchRequest &request, const MatchResult &result)
{
    QJsonArray solutions;
    for (std::size_t i = 0; i < result.solutions.size(); ++i) {
        const MatchedSolution &s = result.solutions[i];
        QJsonObject o;
        o.insert(QStringLiteral("name"), solutionName(result, int(i)));
        o.insert(QStringLiteral("shuntAcross"), across(s.ideal));
        o.insert(QStringLiteral("seriesReactanceOhm"),
            orNull(s.ideal.hasSeries, s.ideal.seriesReactance));
        o.insert(
            QStringLiteral("shuntReactanceOhm"), orNull(s.ideal.hasShunt, s.ideal.shuntReactance));
        o.insert(QStringLiteral("window"), s.window);
        o.insert(QStringLiteral("pass"),
            s.pass == Pass::LowPass        ? QStringLiteral("low")
                : s.pass == Pass::HighPass ? QStringLiteral("high")
                                           : QStringLiteral("neither"));
        o.insert(QStringLiteral("dcPathToGround"), s.dcPath);
        QJsonObject built;
        insertPart(built, "series", s.built.series, s.response.series);
        insertPart(built, "shunt", s.built.shunt, s.response.shunt);
        built.insert(QStringLiteral("swr"), orNull(true, s.response.swr));
        built.insert(QStringLiteral("lossDecibel"), lossDecibel(s.response.lossFraction));
        built.insert(QStringLiteral("lossPercent"), 100 * s.response.lossFraction);
        built.insert(QStringLiteral("buildable"), s.problem.isEmpty());
        built.insert(QStringLiteral("problem"),
            s.problem.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(s.problem));
        built.insert(QStringLiteral("matches"), s.response.swr <= 2);
        o.insert(QStringLiteral("built"), built);
        o.insert(QStringLiteral("swr15BandMHz"), bandJson(s.band15));
        o.insert(QStringLiteral("swr15BandOpenLow"), s.band15.found && s.band15.openLow);
        o.insert(QStringLiteral("swr15BandOpenHigh"), s.band15.found && s.band15.openHigh);
        o.insert(QStringLiteral("swr2BandMHz"), bandJson(s.band2));
        o.insert(QStringLiteral("swr2BandOpenLow"), s.band2.found && s.band2.openLow);
        o.insert(QStringLiteral("swr2BandOpenHigh"), s.band2.found && s.band2.openHigh);
        solutions.append(o);
    }
    QJsonObject load;
    load.insert(QStringLiteral("frequencyMHz"), request.frequencyHz / kHertzPerMegahertz);
    load.insert(QStringLiteral("rOhm"), request.load.real());
    load.insert(QStringLiteral("xOhm"), request.load.imag());
    load.insert(QStringLiteral("z0Ohm"), request.z0);
    load.insert(QStringLiteral("powerWatt"), request.powerWatt);
    load.insert(QStringLiteral("loadHeldConstant"), result.loadConstant);
    load.insert(QStringLiteral("feedline"), feedlineJson(request));
    load.insert(QStringLiteral("solutions"), solutions);
    QJsonObject root;
    root.insert(QStringLiteral("version"), 1);
    root.insert(QStringLiteral("loads"), QJsonArray {load});
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
