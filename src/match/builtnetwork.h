#ifndef BUILTNETWORK_H
#define BUILTNETWORK_H

#include "lnetwork.h"
#include "parts.h"

#include <complex>
#include <optional>
#include <vector>

// An L-network as built from real parts with their losses, and what it does to a load.
// A coil is L in series with ωL/Q, a capacitor C in series with 1/(ωC·Q).
struct BuiltNetwork
{
    ShuntAcross shuntAcross = ShuntAcross::Transceiver;
    std::optional<BuiltPart> series;
    std::optional<BuiltPart> shunt;
    double coilQ = 100;
    double capacitorQ = 1000;
};

// A part's impedance at a frequency, its loss resistance included.
std::complex<double> partImpedance(
    const BuiltPart &part, double frequencyHz, double coilQ, double capacitorQ);

// What flows in one part at the power given: RMS current, peak voltage, watts lost in it.
struct PartStress
{
    double currentRms = 0; // A
    double voltagePeak = 0; // V
    double dissipation = 0; // W
};

struct NetworkResponse
{
    std::complex<double> inputImpedance; // what the transceiver sees, ohms
    double swr = 0;
    double lossFraction = 0; // of the power put in, lost in the parts
    PartStress series;
    PartStress shunt;
};

// The network between a transceiver of Z0 and the load at one frequency, with `powerWatt`
// going into the network.
NetworkResponse respond(const BuiltNetwork &network, std::complex<double> load, double z0,
    double frequencyHz, double powerWatt);

// The same network with lossless parts of the exact reactances of `network` at its design
// frequency: for checking that a solution matches.
double idealSwr(const LNetwork &network, std::complex<double> load, double z0);

// The range of frequencies around the design frequency where the SWR stays below the
// limit, from a sweep of (frequency, SWR) in ascending frequency; edges interpolated
// between points. Empty when the SWR at the design frequency is not below the limit, and
// for a sweep of fewer than two points.
struct Band
{
    bool found = false;
    double lowHz = 0;
    double highHz = 0;
    bool openLow = false; // the SWR is still below the limit at the sweep's lowest point
    bool openHigh = false;
};
Band bandBelow(
    const std::vector<std::pair<double, double>> &swrSweep, double designHz, double limit);

#endif // BUILTNETWORK_H
