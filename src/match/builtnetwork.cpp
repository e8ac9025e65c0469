#include "builtnetwork.h"

#include "units.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const double kSqrt2 = std::sqrt(2.0);

// SWR = (1 + |Γ|)/(1 − |Γ|) with |Γ| = |z − z0|/|z + z0|, written without the difference
// 1 − |Γ| that cancels for loads far from z0: since |z + z0|² − |z − z0|² = 4·R·z0, it is
// (|z + z0| + |z − z0|)² / (4·R·z0), finite for every load that takes power (R > 0).
double swrOf(std::complex<double> z, double z0)
{
    const double sum = std::abs(z + z0) + std::abs(z - z0);
    const double swr = sum * sum / (4 * z.real() * z0);
    return z.real() > 0 && std::isfinite(swr) ? std::max(1.0, swr)
                                              : std::numeric_limits<double>::infinity();
}

std::complex<double> parallel(std::complex<double> a, std::complex<double> b)
{
    return a * b / (a + b);
}

PartStress stress(std::complex<double> current, std::complex<double> impedance)
{
    PartStress s;
    s.currentRms = std::abs(current);
    s.voltagePeak = kSqrt2 * std::abs(current * impedance);
    s.dissipation = std::norm(current) * impedance.real();
    return s;
}

} // namespace

std::complex<double> partImpedance(
    const BuiltPart &part, double frequencyHz, double coilQ, double capacitorQ)
{
    if (part.coil) {
        const double x = reactanceOfInductance(part.value, frequencyHz);
        return {x / coilQ, x};
    }
    const double x = reactanceOfCapacitance(part.value, frequencyHz);
    return {-x / capacitorQ, x};
}

NetworkResponse respond(const BuiltNetwork &network, std::complex<double> load, double z0,
    double frequencyHz, double powerWatt)
{
    const auto impedance = [&](const std::optional<BuiltPart> &part) {
        return part ? partImpedance(*part, frequencyHz, network.coilQ, network.capacitorQ)
                    : std::complex<double>(0, 0);
    };
    const std::complex<double> zs = impedance(network.series);
    const std::complex<double> zp = impedance(network.shunt);
    NetworkResponse response;
    // RMS phasors: the input voltage that puts `powerWatt` into the network, then the
    // currents through each branch.
    std::complex<double> seriesCurrent;
    std::complex<double> shuntCurrent;
    std::complex<double> loadCurrent;
    if (network.shuntAcross == ShuntAcross::Transceiver) {
        const std::complex<double> branch = load + zs;
        response.inputImpedance = network.shunt ? parallel(branch, zp) : branch;
        const double vIn = std::sqrt(powerWatt / (1.0 / response.inputImpedance).real());
        seriesCurrent = vIn / branch;
        shuntCurrent = network.shunt ? vIn / zp : 0.0;
        loadCurrent = seriesCurrent;
    } else {
        const std::complex<double> branch = network.shunt ? parallel(load, zp) : load;
        response.inputImpedance = branch + zs;
        const double vIn = std::sqrt(powerWatt / (1.0 / response.inputImpedance).real());
        seriesCurrent = vIn / response.inputImpedance;
        const std::complex<double> across = seriesCurrent * branch;
        shuntCurrent = network.shunt ? across / zp : 0.0;
        loadCurrent = across / load;
    }
    response.swr = swrOf(response.inputImpedance, z0);
    const double delivered = std::norm(loadCurrent) * load.real();
    response.lossFraction = 1 - delivered / powerWatt;
    if (network.series) {
        response.series = stress(seriesCurrent, zs);
    }
    if (network.shunt) {
        response.shunt = stress(shuntCurrent, zp);
    }
    return response;
}

double idealSwr(const LNetwork &network, std::complex<double> load, double z0)
{
    const std::complex<double> zs(0, network.hasSeries ? network.seriesReactance : 0);
    const std::complex<double> zp(0, network.shuntReactance);
    std::complex<double> z;
    if (network.shuntAcross == ShuntAcross::Transceiver) {
        z = load + zs;
        if (network.hasShunt) {
            z = parallel(z, zp);
        }
    } else {
        z = network.hasShunt ? parallel(load, zp) : load;
        z += zs;
    }
    return swrOf(z, z0);
}

Band bandBelow(const std::vector<std::pair<double, double>> &sweep, double designHz, double limit)
{
    // One frequency says nothing of a band.
    Band band;
    if (sweep.size() < 2) {
        return band;
    }
    // The point nearest the design frequency, then outwards while below the limit.
    std::size_t centre = 0;
    for (std::size_t i = 1; i < sweep.size(); ++i) {
        if (std::abs(sweep[i].first - designHz) < std::abs(sweep[centre].first - designHz)) {
            centre = i;
        }
    }
    if (!(sweep[centre].second < limit)) {
        return band;
    }
    const auto edge = [&](std::size_t inside, std::size_t outside) {
        const auto &[f1, s1] = sweep[inside];
        const auto &[f2, s2] = sweep[outside];
        const double t = std::isfinite(s2) && s2 != s1 ? (limit - s1) / (s2 - s1) : 0;
        return f1 + std::clamp(t, 0.0, 1.0) * (f2 - f1);
    };
    std::size_t low = centre;
    while (low > 0 && sweep[low - 1].second < limit) {
        --low;
    }
    std::size_t high = centre;
    while (high + 1 < sweep.size() && sweep[high + 1].second < limit) {
        ++high;
    }
    band.found = true;
    band.lowHz = low > 0 ? edge(low, low - 1) : sweep[low].first;
    band.highHz = high + 1 < sweep.size() ? edge(high, high + 1) : sweep[high].first;
    band.openLow = low == 0;
    band.openHigh = high + 1 == sweep.size();
    return band;
}
