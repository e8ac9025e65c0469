#ifndef MATCHDESIGN_H
#define MATCHDESIGN_H

#include "builtnetwork.h"
#include "feedline.h"
#include "lnetwork.h"
#include "parts.h"
#include "result.h"
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
    // A feedline between the network, at the transceiver's end, and the antenna, whose
    // impedance `load` and `sweep` then are.
    std::optional<Feedline> line;
};

struct MatchedSolution
{
    LNetwork ideal;
    bool window = false; // the one the window shows
    Pass pass = Pass::Neither;
    bool dcPath = false;
    BuiltNetwork built;
    NetworkResponse response; // at the design frequency, with the parts' losses
    // Why this network cannot be built as it stands (a coil that does not fit its core);
    // empty when it can.
    QString problem;
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

// Every L-network for the load, its parts, its response and its band; through the
// feedline where there is one.
MatchResult designMatches(const MatchRequest &request);

// The request as the network sees it: with a feedline, the loads at the line's input,
// where the network sits, at each frequency (a load held constant at the antenna is then a
// sweep over the band's grid); without one, the request as it is.
MatchRequest atNetwork(const MatchRequest &request);

// What the design can represent: resistances and reactances in ohms, frequencies in hertz.
// Beyond them the parts, currents and losses are not numbers that mean anything (a coil of
// 1e16 turns, a current of 1e150 A) or not numbers at all.
constexpr double kLeastResistance = 1e-6;
constexpr double kGreatestImpedance = 1e9;
constexpr double kLowestFrequencyHz = 1e3;
constexpr double kHighestFrequencyHz = 1e10;

// Whether the request lies within those ranges: the design frequency and load, and every
// point of its sweep. A load without resistance (R ≤ 0) passes: it has no network, which
// the design says.
Status checkedRequest(const MatchRequest &request);

// Whether a solution is one to build: it can be wound and, as built, matches within SWR 2.
bool isUsable(const MatchedSolution &solution);

// The request for a measured sweep: designed at `atHz`, or by default at the sweep's
// frequency nearest its middle, for the load there (interpolated in S11 between the two
// points around it); the band follows the sweep's loads. `atHz` must lie within the sweep.
MatchRequest sweepRequest(
    MatchRequest request, const TouchstoneSweep &sweep, std::optional<double> atHz = std::nullopt);

// The SWR above which one capacitor of the series is not good enough and a pair in
// parallel is tried.
constexpr double kPairSwr = 1.2;

#endif // MATCHDESIGN_H
