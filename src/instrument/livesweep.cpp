#include "livesweep.h"

#include "generator.h"
#include "replytext.h"
#include "scope.h"
#include "units.h"

#include <cmath>

namespace {

// A trace that fills less of the screen than this wastes the converter's resolution.
constexpr double kLeastScreenFraction = 0.25;
// What a new scale aims at: room for the trace to grow by half before it clips. Rounded up
// to the 1-2-5 steps (a factor of at most 2.5), the trace then fills 28 % to 70 %.
constexpr double kAimedScreenFraction = 0.7;
// A clipped trace says only that it is larger: two steps up.
constexpr double kClippedStep = 2.5;
// A flat trace says nothing of its size: at most a decade down at a time.
constexpr double kLargestStepDown = 10;
// Below this, the fit has too little of each period.
constexpr double kFewestSamplesPerPeriod = 10;

// The scale a channel should have instead of `perDivision`, or none.
std::optional<double> betterScale(const Trace &trace, double perDivision)
{
    if (trace.clipped) {
        return oneTwoFiveAtLeast(perDivision * kClippedStep);
    }
    if (trace.screenFraction < kLeastScreenFraction) {
        const double wanted = std::max(perDivision * trace.screenFraction / kAimedScreenFraction,
            perDivision / kLargestStepDown);
        const double scale = oneTwoFiveAtLeast(wanted);
        if (scale < perDivision * (1 - 1e-6)) {
            return scale;
        }
    }
    return std::nullopt;
}

QString numberText(double value)
{
    return QString::number(value, 'g', 6);
}

struct Channels
{
    Trace reference;
    Trace vx;
};

// One acquisition of both channels, unless the user asked to stop.
Result<Channels> acquireChannels(Scope &scope, const LiveSweepOptions &options)
{
    if (options.stopRequested && options.stopRequested()) {
        return Failure {QStringLiteral("stopped")};
    }
    if (const Status acquired = scope.acquire({options.referenceChannel, options.vxChannel});
        !acquired) {
        return acquired.failure();
    }
    Result<Trace> reference = scope.readChannel(options.referenceChannel);
    if (!reference) {
        return reference.failure();
    }
    Result<Trace> vx = scope.readChannel(options.vxChannel);
    if (!vx) {
        return vx.failure();
    }
    return Channels {std::move(reference).value(), std::move(vx).value()};
}

// What became of a channel's scale after an acquisition: changed (the acquisition is to be
// taken again), or left with a note where it could not be bettered.
struct Rescaling
{
    bool changed = false;
    QString note; // for --verbose; empty for none
};

// The scale of `channel` changed where its trace clipped or filled too little of the
// screen. After `changes` changes already made: at options.rangeChanges the scale stays,
// and a trace that still clips fails; so does one that clips at the scope's largest scale.
// `where` ends the messages (" at 14.1 MHz").
Result<Rescaling> rescale(Scope &scope, int channel, const Trace &trace, int changes,
    const LiveSweepOptions &options, const QString &where)
{
    const Result<double> perDivision = scope.voltsPerDivision(channel);
    if (!perDivision) {
        return perDivision.failure();
    }
    const std::optional<double> better = betterScale(trace, *perDivision);
    if (!better) {
        return Rescaling {};
    }
    const QString why = trace.clipped ? QStringLiteral("it clipped")
                                      : QStringLiteral("it filled %1 % of the screen")
                                            .arg(std::round(trace.screenFraction * 100));
    if (changes == options.rangeChanges) {
        if (trace.clipped) {
            return Failure {QStringLiteral("%1: CH%2 still clips at %3 V/div after %4 changes "
                                           "of its scale%5")
                                .arg(scope.name())
                                .arg(channel)
                                .arg(numberText(*perDivision))
                                .arg(options.rangeChanges)
                                .arg(where)};
        }
        return Rescaling {false,
            QStringLiteral("CH%1 at %2 V/div: %3 after %4 changes")
                .arg(channel)
                .arg(numberText(*perDivision), why)
                .arg(options.rangeChanges)};
    }
    const Result<double> taken = scope.setVoltsPerDivision(channel, *better);
    if (!taken) {
        return taken.failure();
    }
    if (std::abs(*taken - *perDivision) <= 1e-6 * *perDivision) {
        // The scope is at the end of its scales.
        if (trace.clipped) {
            return Failure {QStringLiteral("%1: CH%2 clips at %3 V/div, its largest scale")
                                .arg(scope.name())
                                .arg(channel)
                                .arg(numberText(*perDivision))};
        }
        return Rescaling {false,
            QStringLiteral("CH%1 at %2 V/div, its smallest scale: %3")
                .arg(channel)
                .arg(numberText(*perDivision), why)};
    }
    return Rescaling {true,
        QStringLiteral("CH%1: %2 → %3 V/div%4 (%5)")
            .arg(channel)
            .arg(numberText(*perDivision), numberText(*taken), where, why)};
}

// The sample interval both channels share, being of one acquisition; a failure where their
// times differ.
Result<double> sharedInterval(
    const Scope &scope, const Channels &traces, const LiveSweepOptions &options)
{
    const Trace &reference = traces.reference;
    const Trace &vx = traces.vx;
    const size_t samples = reference.time.size();
    const double interval = samples > 1 ? reference.time[1] - reference.time[0] : 0;
    if (samples < 2 || vx.time.size() != samples || !(interval > 0)
        || std::abs(vx.time.front() - reference.time.front()) > 1e-3 * interval
        || std::abs(vx.time.back() - reference.time.back()) > 1e-3 * interval) {
        return Failure {QStringLiteral("%1: CH%2 and CH%3 do not share their sample times "
                                       "(%4 and %5 samples): not one acquisition")
                            .arg(scope.name())
                            .arg(options.referenceChannel)
                            .arg(options.vxChannel)
                            .arg(samples)
                            .arg(vx.time.size())};
    }
    return interval;
}

// The two channels as a capture: their times, and their volts in millivolts.
Capture captureOf(const Channels &traces)
{
    const size_t samples = traces.reference.time.size();
    Capture capture;
    capture.time = traces.reference.time;
    capture.reference.resize(samples);
    capture.vx.resize(samples);
    for (size_t i = 0; i < samples; ++i) {
        capture.reference[i] = traces.reference.volts[i] * kMillivoltsPerVolt;
        capture.vx[i] = traces.vx.volts[i] * kMillivoltsPerVolt;
    }
    return capture;
}

// The scope's settings the capture was taken with, as the saved capture lists them.
Result<std::vector<std::pair<QString, QString>>> scopeSettings(
    Scope &scope, const std::vector<int> &channels, double interval, size_t samples)
{
    std::vector<std::pair<QString, QString>> settings;
    settings.emplace_back(
        QStringLiteral("Timebase (s/div)"), numberText(scope.secondsPerDivision()));
    for (const int channel : channels) {
        const Result<double> perDivision = scope.voltsPerDivision(channel);
        if (!perDivision) {
            return perDivision.failure();
        }
        settings.emplace_back(
            QStringLiteral("CH%1 (V/div)").arg(channel), numberText(*perDivision));
    }
    settings.emplace_back(
        QStringLiteral("Sample interval (s)"), QString::number(interval, 'g', 10));
    settings.emplace_back(QStringLiteral("Samples"), QString::number(samples));
    return settings;
}

// One acquisition of both channels, the scales changed until neither clips nor fills too
// little of the screen; the timebase set for `frequencyHz` first, or left as it is for 0.
Result<LivePoint> acquirePoint(Scope &scope, double frequencyHz, const LiveSweepOptions &options)
{
    LivePoint point;
    point.frequencyHz = frequencyHz;
    if (frequencyHz > 0) {
        if (const Status prepared = scope.prepare(frequencyHz); !prepared) {
            return prepared.failure();
        }
    }
    const QString where = frequencyHz > 0
        ? QStringLiteral(" at %1 MHz").arg(numberText(frequencyHz / kHertzPerMegahertz))
        : QString();

    // Acquired again after every change of a scale, since a change shows only in the next.
    const std::vector<int> channels {options.referenceChannel, options.vxChannel};
    Channels traces;
    for (int changes = 0;; ++changes) {
        Result<Channels> acquired = acquireChannels(scope, options);
        if (!acquired) {
            return acquired.failure();
        }
        traces = std::move(acquired).value();
        bool changed = false;
        for (const auto &[channel, trace] :
            {std::pair<int, const Trace *> {options.referenceChannel, &traces.reference},
                {options.vxChannel, &traces.vx}}) {
            const Result<Rescaling> rescaled
                = rescale(scope, channel, *trace, changes, options, where);
            if (!rescaled) {
                return rescaled.failure();
            }
            if (!rescaled->note.isEmpty()) {
                point.notes << rescaled->note;
            }
            changed = changed || rescaled->changed;
        }
        if (!changed) {
            break;
        }
    }

    const Result<double> interval = sharedInterval(scope, traces, options);
    if (!interval) {
        return interval.failure();
    }
    const double samplesPerPeriod
        = point.frequencyHz > 0 ? 1 / (*interval * point.frequencyHz) : kFewestSamplesPerPeriod;
    if (samplesPerPeriod < kFewestSamplesPerPeriod) {
        point.notes << QStringLiteral("%1 samples a period at %2 MHz: a deeper memory gives "
                                      "the fit more")
                           .arg(numberText(samplesPerPeriod),
                               numberText(point.frequencyHz / kHertzPerMegahertz));
    }
    point.capture = captureOf(traces);
    Result<std::vector<std::pair<QString, QString>>> settings
        = scopeSettings(scope, channels, *interval, point.capture.time.size());
    if (!settings) {
        return settings.failure();
    }
    point.settings = std::move(settings).value();
    return point;
}

Result<LivePoint> measurePoint(Scope &scope, Generator &generator, double frequencyHz,
    const LiveSweepOptions &options, bool first)
{
    const Result<double> set = generator.setSine(frequencyHz, options.amplitudeVpp);
    if (!set) {
        return set.failure();
    }
    if (first) {
        if (const Status on = generator.outputOn(); !on) {
            return on.failure();
        }
    }
    if (const Status done = generator.waitForCompletion(); !done) {
        return done.failure();
    }
    Result<LivePoint> point = acquirePoint(scope, *set, options);
    if (point) {
        point->settings.insert(point->settings.begin(),
            {QStringLiteral("Amplitude (Vpp)"), numberText(options.amplitudeVpp)});
    }
    return point;
}

// The failure, with what restoring the scope said when that failed too.
Failure withRestore(Scope &scope, Failure failure)
{
    if (const Status restored = scope.restore(); !restored) {
        failure.message += QStringLiteral("; restoring its settings: ") + restored.error();
    }
    return failure;
}

} // namespace

Result<LivePoint> liveAcquisition(Scope &scope, double frequencyHz, const LiveSweepOptions &options)
{
    if (options.referenceChannel < 1 || options.vxChannel < 1
        || options.referenceChannel == options.vxChannel) {
        return Failure {QStringLiteral("the reference and V_x channels must be two channels, "
                                       "not CH%1 and CH%2")
                            .arg(options.referenceChannel)
                            .arg(options.vxChannel)};
    }
    Result<LivePoint> point = acquirePoint(scope, frequencyHz, options);
    if (!point) {
        return withRestore(scope, point.failure());
    }
    if (const Status restored = scope.restore(); !restored) {
        return restored.failure();
    }
    return point;
}

Status restoreScope(Scope &scope)
{
    return scope.restore();
}

Result<LiveSweep> liveSweep(Scope &scope, Generator &generator,
    const std::vector<double> &frequenciesHz, const LiveSweepOptions &options,
    const LiveSweepProgress &progress)
{
    if (options.referenceChannel < 1 || options.vxChannel < 1
        || options.referenceChannel == options.vxChannel) {
        return Failure {QStringLiteral("the reference and V_x channels must be two channels, "
                                       "not CH%1 and CH%2")
                            .arg(options.referenceChannel)
                            .arg(options.vxChannel)};
    }
    LiveSweep sweep;
    sweep.scopeFamily = scope.family();
    sweep.scopeIdentification = scope.identification();
    sweep.generatorFamily = generator.family();
    sweep.generatorIdentification = generator.identification();
    const int total = int(frequenciesHz.size());
    for (int i = 0; i < total; ++i) {
        Result<LivePoint> point
            = measurePoint(scope, generator, frequenciesHz[size_t(i)], options, i == 0);
        if (!point) {
            const Failure failure = withRestore(scope, point.failure());
            if (options.keepGoing && !sweep.points.empty()) {
                sweep.stoppedBy = failure;
                return sweep;
            }
            return failure;
        }
        sweep.points.push_back(std::move(point).value());
        if (progress) {
            progress(i + 1, total, sweep.points.back().frequencyHz);
        }
    }
    if (const Status restored = scope.restore(); !restored) {
        if (options.keepGoing) {
            sweep.stoppedBy = restored.failure();
            return sweep;
        }
        return restored.failure();
    }
    return sweep;
}
