#include "lnetwork.h"

#include "componenttext.h"
#include "solvematching.h"

#include <cmath>

namespace {

// Relative size below which a reactance counts as no part: the arithmetic leaves
// residues of about 1e-16 of the load.
constexpr double kNoPart = 1e-12;

bool isPart(double reactance, double scale)
{
    return std::isfinite(reactance) && std::abs(reactance) > kNoPart * scale;
}

} // namespace

std::vector<LNetwork> lNetworks(double z0, std::complex<double> load)
{
    std::vector<LNetwork> networks;
    const double r = load.real();
    const double x = load.imag();
    if (!(r > 0) || !(z0 > 0) || !std::isfinite(r) || !std::isfinite(x)) {
        return networks;
    }
    const double scale = std::max({z0, std::abs(load)});
    const auto add = [&](const LNetwork &network) {
        if (!network.hasSeries && !network.hasShunt) {
            // Already matched: one network of no parts, said once.
            if (networks.empty()) {
                networks.push_back(network);
            }
            return;
        }
        for (const LNetwork &other : networks) {
            const bool sameParts = other.hasSeries == network.hasSeries
                && other.hasShunt == network.hasShunt
                && (!network.hasSeries
                    || std::abs(other.seriesReactance - network.seriesReactance) <= 1e-9 * scale)
                && (!network.hasShunt
                    || std::abs(other.shuntReactance - network.shuntReactance)
                        <= 1e-9 * std::abs(network.shuntReactance));
            // One element alone is the same network whichever side it is counted on.
            const bool oneElement = !(network.hasSeries && network.hasShunt);
            if (sameParts && (oneElement || other.shuntAcross == network.shuntAcross)) {
                return;
            }
        }
        networks.push_back(network);
    };

    // Shunt across the transceiver: series to R + jX' on the transceiver's conductance
    // circle, then the shunt element cancels the susceptance there.
    if (r <= z0) {
        const double root = std::sqrt(std::max(0.0, r * z0 - r * r));
        for (const double turned : {root, -root}) {
            LNetwork n;
            n.shuntAcross = ShuntAcross::Transceiver;
            n.seriesReactance = turned - x;
            n.hasSeries = isPart(n.seriesReactance, scale);
            // Y = 1/(R + jX') has B = −X'/(R² + X'²); the shunt adds −B, a reactance of
            // −1/(−B) = −(R² + X'²)/X'.
            n.hasShunt = isPart(turned, scale);
            n.shuntReactance = n.hasShunt ? -(r * r + turned * turned) / turned : 0;
            add(n);
        }
    }
    // Shunt across the antenna: to G + jB' on the circle of resistance Z0, then the
    // series element cancels the reactance there.
    const std::complex<double> y = 1.0 / load;
    const double g = y.real();
    const double b = y.imag();
    if (g * z0 <= 1) {
        const double root = std::sqrt(std::max(0.0, g / z0 - g * g));
        for (const double turned : {root, -root}) {
            LNetwork n;
            n.shuntAcross = ShuntAcross::Antenna;
            const double added = turned - b; // susceptance of the shunt element
            n.hasShunt = isPart(added * scale * scale, scale);
            n.shuntReactance = n.hasShunt ? -1 / added : 0;
            // Z' = 1/(G + jB') has X' = −B'/(G² + B'²); the series element adds −X'.
            n.seriesReactance = turned / (g * g + turned * turned);
            n.hasSeries = isPart(n.seriesReactance, scale);
            add(n);
        }
    }
    return networks;
}

Pass passOf(const LNetwork &n)
{
    const bool lowSeries = !n.hasSeries || n.seriesReactance > 0;
    const bool lowShunt = !n.hasShunt || n.shuntReactance < 0;
    const bool highSeries = !n.hasSeries || n.seriesReactance < 0;
    const bool highShunt = !n.hasShunt || n.shuntReactance > 0;
    if (!n.hasSeries && !n.hasShunt) {
        return Pass::Neither;
    }
    return lowSeries && lowShunt  ? Pass::LowPass
        : highSeries && highShunt ? Pass::HighPass
                                  : Pass::Neither;
}

bool dcPathToGround(const LNetwork &n)
{
    const bool shuntCoil = n.hasShunt && n.shuntReactance > 0;
    if (n.shuntAcross == ShuntAcross::Antenna) {
        return shuntCoil;
    }
    return shuntCoil && (!n.hasSeries || n.seriesReactance > 0);
}

int windowsNetwork(
    const std::vector<LNetwork> &networks, double z0, std::complex<double> load, QChar *letter)
{
    const MatchingSolution s = matchingSolution(z0, load.real(), load.imag());
    // The window names element one next to the load: in series for "A" to "D", across the
    // antenna for "E" and "F".
    const double series = s.shuntAcrossSource ? s.reactanceOne : s.reactanceTwo;
    const double shunt = s.shuntAcrossSource ? s.reactanceTwo : s.reactanceOne;
    const ShuntAcross across
        = s.shuntAcrossSource ? ShuntAcross::Transceiver : ShuntAcross::Antenna;
    const double scale = std::max(z0, std::abs(load));
    *letter = circuitLetter(s.circuitVariant);
    for (std::size_t i = 0; i < networks.size(); ++i) {
        const LNetwork &n = networks[i];
        const double nSeries = n.hasSeries ? n.seriesReactance : 0;
        const bool shuntMatches = n.hasShunt
            ? std::abs(n.shuntReactance - shunt) <= 1e-6 * std::abs(shunt)
            : !std::isfinite(shunt) || std::abs(shunt) > 1e12 * scale;
        const bool placementMatters = n.hasSeries && n.hasShunt;
        if ((!placementMatters || n.shuntAcross == across)
            && std::abs(nSeries - series) <= 1e-6 * scale && shuntMatches) {
            return int(i);
        }
    }
    return -1;
}
