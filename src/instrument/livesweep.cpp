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

    const std::vector<int> channels {options.referenceChannel, options.vxChannel};
    Channels traces;
    for (int changes = 0;; ++changes) {
        if (options.stopRequested && options.stopRequested()) {
            return Failure {QStringLiteral("stopped")};
        }
        if (const Status acquired = scope.acquire(channels); !acquired) {
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
        traces = {std::move(reference).value(), std::move(vx).value()};

        bool changed = false;
        for (const auto &[channel, trace] :
            {std::pair<int, const Trace *> {options.referenceChannel, &traces.reference},
                {options.vxChannel, &traces.vx}}) {
            const Result<double> perDivision = scope.voltsPerDivision(channel);
            if (!perDivision) {
                return perDivision.failure();
            }
            const std::optional<double> better = betterScale(*trace, *perDivision);
            if (!better) {
                continue;
            }
            const QString why = trace->clipped ? QStringLiteral("it clipped")
                                               : QStringLiteral("it filled %1 % of the screen")
                                                     .arg(std::round(trace->screenFraction * 100));
            if (changes == options.rangeChanges) {
                if (trace->clipped) {
                    return Failure {QStringLiteral("%1: CH%2 still clips at %3 V/div after %4 "
                                                   "changes of its scale%5")
                                        .arg(scope.name())
                                        .arg(channel)
                                        .arg(numberText(*perDivision))
                                        .arg(options.rangeChanges)
                                        .arg(where)};
                }
                point.notes << QStringLiteral("CH%1 at %2 V/div: %3 after %4 changes")
                                   .arg(channel)
                                   .arg(numberText(*perDivision), why)
                                   .arg(options.rangeChanges);
                continue;
            }
            const Result<double> taken = scope.setVoltsPerDivision(channel, *better);
            if (!taken) {
                return taken.failure();
            }
            if (std::abs(*taken - *perDivision) <= 1e-6 * *perDivision) {
                // The scope is at the end of its scales.
                if (trace->clipped) {
                    return Failure {QStringLiteral("%1: CH%2 clips at %3 V/div, its largest "
                                                   "scale")
                                        .arg(scope.name())
                                        .arg(channel)
                                        .arg(numberText(*perDivision))};
                }
                point.notes << QStringLiteral("CH%1 at %2 V/div, its smallest scale: %3")
                                   .arg(channel)
                                   .arg(numberText(*perDivision), why);
                continue;
            }
            point.notes << QStringLiteral("CH%1: %2 → %3 V/div%4 (%5)")
                               .arg(channel)
                               .arg(numberText(*perDivision), numberText(*taken), where, why);
            changed = true;
        }
        if (!changed) {
            break;
        }
    }

    // Both channels from one acquisition share its times.
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
    const double samplesPerPeriod
        = point.frequencyHz > 0 ? 1 / (interval * point.frequencyHz) : kFewestSamplesPerPeriod;
    if (samplesPerPeriod < kFewestSamplesPerPeriod) {
        point.notes << QStringLiteral("%1 samples a period at %2 MHz: a deeper memory gives "
                                      "the fit more")
                           .arg(numberText(samplesPerPeriod),
                               numberText(point.frequencyHz / kHertzPerMegahertz));
    }
    point.capture.time = reference.time;
    point.capture.reference.resize(samples);
    point.capture.vx.resize(samples);
    for (size_t i = 0; i < samples; ++i) {
        point.capture.reference[i] = reference.volts[i] * kMillivoltsPerVolt;
        point.capture.vx[i] = vx.volts[i] * kMillivoltsPerVolt;
    }

    point.settings.emplace_back(
        QStringLiteral("Timebase (s/div)"), numberText(scope.secondsPerDivision()));
    for (const int channel : channels) {
        const Result<double> perDivision = scope.voltsPerDivision(channel);
        if (!perDivision) {
            return perDivision.failure();
        }
        point.settings.emplace_back(
            QStringLiteral("CH%1 (V/div)").arg(channel), numberText(*perDivision));
    }
    point.settings.emplace_back(
        QStringLiteral("Sample interval (s)"), QString::number(interval, 'g', 10));
    point.settings.emplace_back(QStringLiteral("Samples"), QString::number(samples));
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
