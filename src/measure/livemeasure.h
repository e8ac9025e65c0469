#ifndef LIVEMEASURE_H
#define LIVEMEASURE_H

#include "measurementreport.h"
#include "measurerun.h"
#include "result.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// zalvimo-measure straight off the instruments: one acquisition of the scope, or a sweep
// in which a generator sets each frequency, measured as captures are measured, each
// acquisition saved as a capture file where asked.

// Where the scope is: a host and a port, 0 for the ports of the families in turn.
struct ScopeAddress
{
    QString host;
    quint16 port = 0;
};

struct LiveRequest
{
    ScopeAddress scope;
    // "host", "host:port" or "serial:/dev/ttyUSB0"; empty for the scope alone.
    QString generator;
    // The sweep's frequencies. For the scope alone none (its timebase as the user set it,
    // the frequency estimated from the capture) or the one --freq gives.
    std::vector<double> frequenciesHz;
    int referenceChannel = 1;
    int vxChannel = 2;
    std::chrono::milliseconds timeout {10000}; // for every reply
    bool keepGoing = false; // a sweep that fails half-way still gives what it measured
    QString captureDirectory; // every acquisition saved there; empty for nowhere
};

// The live options as the command line gives them, std::nullopt for one not given.
struct LiveArguments
{
    std::optional<QString> scope;
    std::optional<QString> generator;
    std::optional<QString> sweep;
    std::optional<QString> points;
    std::optional<QString> timeout;
    std::optional<QString> saveCaptures;
    std::optional<QString> reference; // with --scope a channel: "2", "CH2", "C2"
    std::optional<QString> vx;
    bool keepGoing = false;
    double frequencyMHz = 0; // --freq; 0 when not given
    bool captures = false; // capture files were given too
};

// The request the live options make; none where no live option is given. A Failure is a
// usage error that says which option is wrong and what it wants: --sweep or --generator
// without what they need, captures beside --scope, a --sweep text that is none (START not
// below STOP, STEP not above 0, more than 10 000 points, a frequency outside 1 kHz–10 GHz),
// a --timeout that is no positive number, a channel that is none.
Result<std::optional<LiveRequest>> liveRequestFrom(const LiveArguments &arguments);

// The sweep's frequencies in hertz from "START:STOP:STEP" in MHz (STOP included where a
// whole number of steps reaches it), or "START:STOP" with `points` points evenly spaced.
Result<std::vector<double>> sweepFrequencies(
    const QString &text, const std::optional<QString> &points);

// What happens while the instruments measure: the progress line (for a terminal), each
// message (an error or a warning for everyone, a note for --verbose), and whether the user
// asked to stop (Ctrl-C), asked between the steps of the sweep.
struct LiveObserver
{
    std::function<void(const QString &line)> progress;
    std::function<void(const QString &message, bool note)> message;
    std::function<bool()> stopRequested;
};

struct LiveOutcome
{
    std::vector<MeasuredCapture> measured;
    int failures = 0; // acquisitions that could not be measured or saved
    // With keepGoing: what ended the sweep before its last frequency.
    std::optional<Failure> stoppedBy;
};

// Connects to the scope (and the generator), takes the acquisition or the sweep, gives the
// scope its settings back and leaves it running, and measures each acquisition with the
// request's Z0, frequency and corrections as measureFiles measures a capture. Every
// acquisition is saved first where asked, and then named in the reports by its file. A
// failure of the instruments (connecting, a reply, the sweep half-way without keepGoing, a
// stop asked for) gives the Failure alone: nothing measured is given then.
Result<LiveOutcome> measureLive(
    const LiveRequest &live, const MeasureRequest &request, const LiveObserver &observer);

// The progress line after `done` of `total` points: "14.175 MHz, point 2 of 3, 4 s left".
QString progressText(int done, int total, double frequencyHz, qint64 elapsedMs);

// While an object of this lives, SIGINT (Ctrl-C) and SIGTERM only set a flag that a sweep
// asks between its steps, so that it gives the scope its settings back before the program
// ends; the wait it is in ends within the instruments' timeout. A signal that was ignored
// stays ignored. The handlers before it come back when it ends.
class StopOnSignals
{
public:
    StopOnSignals();
    ~StopOnSignals();
    StopOnSignals(const StopOnSignals &) = delete;
    StopOnSignals &operator=(const StopOnSignals &) = delete;
    bool requested() const;

private:
    struct Saved; // the handlers before
    std::unique_ptr<Saved> m_saved;
};

#endif // LIVEMEASURE_H
