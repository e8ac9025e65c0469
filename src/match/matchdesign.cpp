#include "matchdesign.h"

#include "units.h"

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

MatchResult designMatches(const MatchRequest &request)
{
    MatchResult result;
    result.loadConstant = request.sweep.empty();
    const std::vector<LNetwork> networks = lNetworks(request.z0, request.load);
    const int window = windowsNetwork(networks, request.z0, request.load, &result.windowLetter);

    // The frequencies and loads of the band: the sweep's, or a grid with the load constant.
    std::vector<std::pair<double, std::complex<double>>> sweep = request.sweep;
    if (sweep.empty()) {
        for (int i = 0; i < kGridPoints; ++i) {
            const double ratio = kLowestRatio
                * std::pow(kHighestRatio / kLowestRatio, double(i) / (kGridPoints - 1));
            sweep.emplace_back(request.frequencyHz * ratio, request.load);
        }
    }

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
        result.solutions.push_back(std::move(s));
    }
    return result;
}
