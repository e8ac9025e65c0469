#ifndef LIVESWEEP_H
#define LIVESWEEP_H

#include "capture.h"
#include "result.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class Generator;
class Scope;

struct LiveSweepOptions
{
    int referenceChannel = 1; // the probe at the generator's terminal
    int vxChannel = 2; // the probe at the antenna
    double amplitudeVpp = 1; // the generator's sine, volts peak to peak
    // A failure half-way gives the points measured before it with the failure, rather than
    // the failure alone.
    bool keepGoing = false;
    // How often a point's acquisition is repeated with a channel's volts per division
    // changed, because it clipped or filled less than a quarter of the screen.
    int rangeChanges = 3;
    // Asked between steps; true ends the sweep as a failure ("stopped").
    std::function<bool()> stopRequested;
};

// One frequency of a sweep: the two channels of one acquisition and how they were taken.
struct LivePoint
{
    double frequencyHz = 0; // as the generator reports it has set it; 0 where none was set
    Capture capture; // time in seconds, both channels in millivolts
    // The instrument settings the capture was taken with, as (name, value) in the units the
    // names give: "Amplitude (Vpp)" (the generator's), "Timebase (s/div)", "CH1 (V/div)", …
    std::vector<std::pair<QString, QString>> settings;
    // What was changed to take it (a channel's volts per division), for --verbose.
    QStringList notes;
};

struct LiveSweep
{
    QString scopeFamily;
    QString scopeIdentification;
    QString generatorFamily;
    QString generatorIdentification;
    std::vector<LivePoint> points;
    // With keepGoing: what ended the sweep before its last frequency.
    std::optional<Failure> stoppedBy;
};

// Called after each point: points done, points in all, the point's frequency.
using LiveSweepProgress = std::function<void(int done, int total, double frequencyHz)>;

// At each frequency: sets the generator's sine (and its output on, at the first), waits for
// it, sets the scope's timebase, takes one acquisition and reads both channels from it; a
// channel that clipped or filled less than a quarter of the screen gets its volts per
// division changed and the acquisition is repeated, at most options.rangeChanges times. At
// the end, and on a failure, the scope gets its settings back and is left running.
Result<LiveSweep> liveSweep(Scope &scope, Generator &generator,
    const std::vector<double> &frequenciesHz, const LiveSweepOptions &options,
    const LiveSweepProgress &progress = {});

// One acquisition of the scope alone, as a sweep takes each of its points but without a
// generator: the timebase set for `frequencyHz` (left as the user set it for 0), the
// channels' scales changed where they clip or fill too little of the screen, and the scope
// given back at the end as liveSweep gives it back. The point's frequencyHz is the one given.
Result<LivePoint> liveAcquisition(
    Scope &scope, double frequencyHz, const LiveSweepOptions &options);

// What liveSweep does at its end, for a caller that ends a sweep early (Ctrl-C): the scope's
// timebase and volts per division as they were, and the scope running.
Status restoreScope(Scope &scope);

#endif // LIVESWEEP_H
