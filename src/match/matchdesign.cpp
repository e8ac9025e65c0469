#include "matchdesign.h"

#include "units.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

// For a single load the band is found on this grid around the design frequency.
constexpr double kLowestRatio = 0.2;
constexpr double kHighestRatio = 5.0;
constexpr int kGridPoints = 1001;

// The part for a reactance at a frequency: a coil of whole turns, or capacitors.
BuiltPart partFor(double reactance, double frequencyHz, const MatchRequest &request, bool pair)
{
    if (reactance > 0) {
        return coilFor(inductanceOf(reactance, frequencyHz), request.coilForm);
    }
    return capacitorFor(capacitanceOf(reactance, frequencyHz), request.series, pair);
}

BuiltNetwork build(const LNetwork &ideal, const MatchRequest &request, bool pair)
{
    BuiltNetwork built;
    built.shuntAcross = ideal.shuntAcross;
    built.coilQ = request.coilQ;
    built.capacitorQ = request.capacitorQ;
    if (ideal.hasSeries) {
        built.series = partFor(ideal.seriesReactance, request.frequencyHz, request, pair);
    }
    if (ideal.hasShunt) {
        built.shunt = partFor(ideal.shuntReactance, request.frequencyHz, request, pair);
    }
    return built;
}

bool hasCapacitor(const BuiltNetwork &n)
{
    return (n.series && !n.series->coil) || (n.shunt && !n.shunt->coil);
}

// The load at a frequency of a sweep: interpolated in S11 between the two points around it.
std::complex<double> loadAt(const TouchstoneSweep &sweep, double hertz)
{
    const auto &p = sweep.points;
    if (p.size() == 1) {
        return impedanceFromReflection(p[0].s11, sweep.referenceOhm);
    }
    std::size_t i = 1;
    while (i + 1 < p.size() && p[i].frequencyHz < hertz) {
        ++i;
    }
    const double t = (hertz - p[i - 1].frequencyHz) / (p[i].frequencyHz - p[i - 1].frequencyHz);
    const std::complex<double> s11
        = p[i - 1].s11 + std::clamp(t, 0.0, 1.0) * (p[i].s11 - p[i - 1].s11);
    return impedanceFromReflection(s11, sweep.referenceOhm);
}

// The sweep's frequency nearest its middle.
double middleFrequency(const TouchstoneSweep &sweep)
{
    const double middle = (sweep.points.front().frequencyHz + sweep.points.back().frequencyHz) / 2;
    double nearest = sweep.points.front().frequencyHz;
    for (const TouchstonePoint &p : sweep.points) {
        if (std::abs(p.frequencyHz - middle) < std::abs(nearest - middle)) {
            nearest = p.frequencyHz;
        }
    }
    return nearest;
}

} // namespace

MatchRequest sweepRequest(
    MatchRequest request, const TouchstoneSweep &sweep, std::optional<double> atHz)
{
    request.frequencyHz = atHz ? *atHz : middleFrequency(sweep);
    request.load = loadAt(sweep, request.frequencyHz);
    request.sweep.clear();
    for (const TouchstonePoint &p : sweep.points) {
        if (p.frequencyHz > 0) {
            request.sweep.emplace_back(
                p.frequencyHz, impedanceFromReflection(p.s11, sweep.referenceOhm));
        }
    }
    return request;
}

// The frequencies of the band for a single load: a grid around the design frequency.
std::vector<std::pair<double, std::complex<double>>> heldConstant(const MatchRequest &request)
{
    std::vector<std::pair<double, std::complex<double>>> sweep;
    for (int i = 0; i < kGridPoints; ++i) {
        const double ratio
            = kLowestRatio * std::pow(kHighestRatio / kLowestRatio, double(i) / (kGridPoints - 1));
        sweep.emplace_back(request.frequencyHz * ratio, request.load);
    }
    return sweep;
}

MatchRequest atNetwork(const MatchRequest &request)
{
    if (!request.line) {
        return request;
    }
    MatchRequest seen = request;
    const Feedline &line = *request.line;
    seen.load = impedanceAtInput(line, request.load, request.frequencyHz);
    seen.sweep = request.sweep.empty() ? heldConstant(request) : request.sweep;
    for (auto &[hertz, load] : seen.sweep) {
        load = impedanceAtInput(line, load, hertz);
    }
    return seen;
}

MatchResult designMatches(const MatchRequest &asked)
{
    MatchResult result;
    result.loadConstant = asked.sweep.empty();
    const MatchRequest request = atNetwork(asked);
    const std::vector<LNetwork> networks = lNetworks(request.z0, request.load);
    const int window = windowsNetwork(networks, request.z0, request.load, &result.windowLetter);

    // The frequencies and loads of the band: the sweep's, or a grid with the load constant.
    const std::vector<std::pair<double, std::complex<double>>> sweep
        = request.sweep.empty() ? heldConstant(request) : request.sweep;

    for (std::size_t i = 0; i < networks.size(); ++i) {
        MatchedSolution s;
        s.ideal = networks[i];
        s.window = int(i) == window;
        s.pass = passOf(s.ideal);
        s.dcPath = dcPathToGround(s.ideal);
        s.built = build(s.ideal, request, false);
        s.response
            = respond(s.built, request.load, request.z0, request.frequencyHz, request.powerWatt);
        if (s.response.swr > kPairSwr && hasCapacitor(s.built)) {
            const BuiltNetwork paired = build(s.ideal, request, true);
            const NetworkResponse response
                = respond(paired, request.load, request.z0, request.frequencyHz, request.powerWatt);
            if (response.swr < s.response.swr) {
                s.built = paired;
                s.response = response;
            }
        }
        for (const auto &[hertz, load] : sweep) {
            s.swrSweep.emplace_back(
                hertz, respond(s.built, load, request.z0, hertz, request.powerWatt).swr);
        }
        s.band15 = bandBelow(s.swrSweep, request.frequencyHz, 1.5);
        s.band2 = bandBelow(s.swrSweep, request.frequencyHz, 2.0);
        QStringList problems;
        for (const auto &[part, stress] : {std::pair(s.built.series, s.response.series),
                 std::pair(s.built.shunt, s.response.shunt)}) {
            if (part) {
                const QString problem = windingProblem(*part, request.coilForm, stress.currentRms);
                if (!problem.isEmpty()) {
                    problems.append(problem);
                }
            }
        }
        s.problem = problems.join(QStringLiteral("; "));
        result.solutions.push_back(std::move(s));
    }
    return result;
}

Status checkedRequest(const MatchRequest &request)
{
    const auto frequencyOk
        = [](double hertz) { return hertz >= kLowestFrequencyHz && hertz <= kHighestFrequencyHz; };
    const auto loadOk = [](std::complex<double> z) {
        return std::isfinite(z.real()) && std::isfinite(z.imag())
            && (z.real() <= 0 || (z.real() >= kLeastResistance && z.real() <= kGreatestImpedance))
            && std::abs(z.imag()) <= kGreatestImpedance;
    };
    const auto loadText = [](std::complex<double> z) {
        return QStringLiteral("%1%2j%3 ohm")
            .arg(z.real(), 0, 'g', 6)
            .arg(z.imag() < 0 ? QStringLiteral("-") : QStringLiteral("+"))
            .arg(std::abs(z.imag()), 0, 'g', 6);
    };
    const QString ranges = QStringLiteral("the design's range (frequencies from 1 kHz to 10 "
                                          "GHz, R from 1e-06 to 1e+09 ohm, X within "
                                          "\u00b11e+09 ohm)");
    // The loads given, at their frequencies; and, through a feedline, the loads the network
    // sees (also over the grid of a single load).
    const auto points = [](const MatchRequest &r) {
        std::vector<std::pair<double, std::complex<double>>> all = r.sweep;
        all.emplace(all.begin(), r.frequencyHz, r.load);
        return all;
    };
    for (const auto &[hertz, load] : points(request)) {
        if (!frequencyOk(hertz)) {
            return Failure {QStringLiteral("a frequency of %1 MHz is outside %2")
                                .arg(hertz / kHertzPerMegahertz, 0, 'g', 6)
                                .arg(ranges)};
        }
        if (!loadOk(load)) {
            return Failure {QStringLiteral("the load %1 at %2 MHz is outside %3")
                                .arg(loadText(load))
                                .arg(hertz / kHertzPerMegahertz, 0, 'g', 6)
                                .arg(ranges)};
        }
    }
    if (request.line) {
        for (const auto &[hertz, load] : points(atNetwork(request))) {
            if (!loadOk(load)) {
                return Failure {QStringLiteral("through %1 the load shows %2 at %3 MHz, outside %4")
                                    .arg(request.line->name, loadText(load))
                                    .arg(hertz / kHertzPerMegahertz, 0, 'g', 6)
                                    .arg(ranges)};
            }
        }
    }
    return success();
}

bool isUsable(const MatchedSolution &solution)
{
    return solution.problem.isEmpty() && solution.response.swr <= 2;
}
