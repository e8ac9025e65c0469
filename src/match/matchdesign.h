#ifndef MATCHDESIGN_H
#define MATCHDESIGN_H

#include "builtnetwork.h"
#include "lnetwork.h"
#include "parts.h"
#include "touchstone.h"

#include <QChar>

#include <complex>
#include <optional>
#include <vector>

// What to match and with what: the load at the design frequency, the sweep around it (a
// measured one, or the load held constant), and how the parts are made.
struct MatchRequest
{
    double z0 = 50;
    double frequencyHz = 0;
    std::complex<double> load;
    // (frequency, load) in ascending frequency; empty: the load held constant.
    std::vector<std::pair<double, std::complex<double>>> sweep;
    int series = 12; // E series of the capacitors
    CoilForm coilForm;
    double coilQ = 100;
    double capacitorQ = 1000;
    double powerWatt = 100;
};

struct MatchedSolution
{
    LNetwork ideal;
    bool window = false; // the one the window shows
    Pass pass = Pass::Neither;
    bool dcPath = false;
    BuiltNetwork built;
    NetworkResponse response; // at the design frequency, with the parts' losses
    std::vector<std::pair<double, double>> swrSweep; // (Hz, SWR) of the built network
    Band band15;
    Band band2;
};

struct MatchResult
{
    bool loadConstant = true; // the band is the network's alone
    QChar windowLetter;
    std::vector<MatchedSolution> solutions;
};

// Every L-network for the load, its parts, its response and its band.
MatchResult designMatches(const MatchRequest &request);

// The request for a measured sweep: designed at `atHz`, or by default at the sweep's
// frequency nearest its middle, for the load there (interpolated in S11 between the two
// points around it); the band follows the sweep's loads. `atHz` must lie within the sweep.
MatchRequest sweepRequest(
    MatchRequest request, const TouchstoneSweep &sweep, std::optional<double> atHz = std::nullopt);

// The SWR above which one capacitor of the series is not good enough and a pair in
// parallel is tried.
constexpr double kPairSwr = 1.2;

#endif // MATCHDESIGN_H
