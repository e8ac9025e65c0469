#include "measuredsweep.h"

#include "capturemeasurement.h"
#include "numbertext.h"
#include "units.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSameFrequency = 1e-6; // relative: what six significant digits can tell
constexpr double kAgreeingSigmas = 3;

using Group = std::vector<const MeasuredCapture *>;

QString impedanceText(const CaptureMeasurement &m)
{
    return numberText(m.r) + (m.x < 0 ? QStringLiteral("-j") : QStringLiteral("+j"))
        + numberText(std::abs(m.x));
}

// Whether two captures were taken at one frequency: equal to the six digits the reports
// show, or, for estimated frequencies, within what the estimates can tell apart (five
// times their combined sigma: two captures of one generator setting differ by a few ppm).
bool sameFrequency(const CaptureMeasurement &a, const CaptureMeasurement &b)
{
    const double apart = std::abs(b.frequencyMHz - a.frequencyMHz);
    return apart <= kSameFrequency * a.frequencyMHz
        || apart <= kAgreeingFrequencySigmas * std::hypot(a.frequencySigmaMHz, b.frequencySigmaMHz);
}

// The captures sorted by frequency, in groups of one frequency each.
std::vector<Group> groupsByFrequency(const std::vector<MeasuredCapture> &measured)
{
    Group sorted;
    for (const MeasuredCapture &m : measured) {
        sorted.push_back(&m);
    }
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto *a, const auto *b) {
        return a->measurement.frequencyMHz < b->measurement.frequencyMHz;
    });
    std::vector<Group> groups;
    for (const MeasuredCapture *m : sorted) {
        if (groups.empty() || !sameFrequency(groups.back().front()->measurement, m->measurement)) {
            groups.emplace_back();
        }
        groups.back().push_back(m);
    }
    return groups;
}

struct SweepPoint
{
    TouchstonePoint point;
    ImpedanceSpread spread;
};

// One frequency's point: the mean of its captures, which must agree with the first, and
// its spread: the captures' noise is independent, so the mean of n has σ = √(Σσ²)/n.
Result<SweepPoint> pointOf(const Group &group, double z0, QStringList *notes)
{
    const CaptureMeasurement &first = group.front()->measurement;
    double frequency = 0;
    double r = 0;
    double x = 0;
    double rVariance = 0;
    double xVariance = 0;
    QStringList files;
    for (const MeasuredCapture *capture : group) {
        const CaptureMeasurement &m = capture->measurement;
        const double rLimit = kAgreeingSigmas * std::hypot(m.rSigma, first.rSigma);
        const double xLimit = kAgreeingSigmas * std::hypot(m.xSigma, first.xSigma);
        if (!(std::abs(m.r - first.r) <= rLimit && std::abs(m.x - first.x) <= xLimit)) {
            return Failure {
                QStringLiteral("%1 and %2 are both at %3 MHz but disagree: %4 and %5 "
                               "ohm, more than three sigma apart")
                    .arg(group.front()->name, capture->name, numberText(first.frequencyMHz),
                        impedanceText(first), impedanceText(m))};
        }
        frequency += m.frequencyMHz;
        r += m.r;
        x += m.x;
        rVariance += m.rSigma * m.rSigma;
        xVariance += m.xSigma * m.xSigma;
        files.append(capture->name);
    }
    const double count = double(group.size());
    if (group.size() > 1) {
        notes->append(QStringLiteral("%1 are at the same frequency, %2 MHz, and agree; the sweep "
                                     "holds their mean")
                          .arg(files.join(QStringLiteral(", ")), numberText(frequency / count)));
    }
    const std::complex<double> s11 = reflectionFromImpedance({r / count, x / count}, z0);
    if (!(std::isfinite(s11.real()) && std::isfinite(s11.imag()))) {
        return Failure {QStringLiteral("%1 gives no finite S11 at %2 MHz")
                            .arg(files.join(QStringLiteral(", ")), numberText(frequency / count))};
    }
    return SweepPoint {{frequency / count * kHertzPerMegahertz, s11},
        {std::sqrt(rVariance) / count, std::sqrt(xVariance) / count}};
}

} // namespace

Result<MeasuredSweep> measuredSweep(const std::vector<MeasuredCapture> &measured)
{
    if (measured.empty()) {
        return Failure {QStringLiteral("no capture was measured")};
    }
    const std::vector<Group> groups = groupsByFrequency(measured);
    const MeasuredCapture &lowest = *groups.front().front();
    const double z0 = lowest.measurement.sourceImpedance;
    MeasuredSweep result;
    result.sweep.referenceOhm = z0;
    for (const Group &group : groups) {
        for (const MeasuredCapture *m : group) {
            if (m->measurement.sourceImpedance != z0) {
                return Failure {QStringLiteral("%1 was measured with Z0 %2 and %3 with Z0 %4; one "
                                               "sweep has one Z0")
                                    .arg(lowest.name, numberText(z0), m->name,
                                        numberText(m->measurement.sourceImpedance))};
            }
        }
        const Result<SweepPoint> point = pointOf(group, z0, &result.notes);
        if (!point) {
            return point.failure();
        }
        result.sweep.points.push_back(point->point);
        result.spreads.push_back(point->spread);
    }
    return result;
}

bool atSeveralFrequencies(const std::vector<MeasuredCapture> &measured)
{
    return groupsByFrequency(measured).size() > 1;
}
