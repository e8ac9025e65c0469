#include "measuredsweep.h"

#include "capturemeasurement.h"
#include "numbertext.h"
#include "touchstone.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSameFrequency = 1e-6; // relative: what six significant digits can tell
constexpr double kAgreeingSigmas = 3;
constexpr double kHertzPerMegahertz = 1e6;

} // namespace

bool measuredSweep(const QVector<MeasuredFile> &measured, TouchstoneSweep *sweep,
    QStringList *notes, QString *error)
{
    if (measured.isEmpty()) {
        *error = QStringLiteral("no capture was measured");
        return false;
    }
    QVector<MeasuredFile> sorted = measured;
    std::stable_sort(
        sorted.begin(), sorted.end(), [](const MeasuredFile &a, const MeasuredFile &b) {
            return a.measurement->frequencyMHz < b.measurement->frequencyMHz;
        });
    const double z0 = sorted.first().measurement->sourceImpedance;
    TouchstoneSweep result;
    result.referenceOhm = z0;
    for (int i = 0; i < sorted.size();) {
        const CaptureMeasurement &first = *sorted[i].measurement;
        if (first.sourceImpedance != z0) {
            *error = QStringLiteral("%1 was measured with Z0 %2 and %3 with Z0 %4; one sweep "
                                    "has one Z0")
                         .arg(sorted.first().file, numberText(z0), sorted[i].file,
                             numberText(first.sourceImpedance));
            return false;
        }
        // The captures at this frequency.
        int end = i + 1;
        while (end < sorted.size()
            && sorted[end].measurement->frequencyMHz - first.frequencyMHz
                <= kSameFrequency * first.frequencyMHz) {
            ++end;
        }
        double frequency = 0;
        double r = 0;
        double x = 0;
        QStringList files;
        for (int k = i; k < end; ++k) {
            const CaptureMeasurement &m = *sorted[k].measurement;
            const double rLimit = kAgreeingSigmas * std::hypot(m.rSigma, first.rSigma);
            const double xLimit = kAgreeingSigmas * std::hypot(m.xSigma, first.xSigma);
            if (!(std::abs(m.r - first.r) <= rLimit && std::abs(m.x - first.x) <= xLimit)) {
                *error = QStringLiteral("%1 and %2 are both at %3 MHz but disagree: %4%5j%6 "
                                        "and %7%8j%9 ohm, more than three sigma apart")
                             .arg(sorted[i].file, sorted[k].file, numberText(first.frequencyMHz),
                                 numberText(first.r), first.x < 0 ? "-" : "+",
                                 numberText(std::abs(first.x)), numberText(m.r),
                                 m.x < 0 ? "-" : "+", numberText(std::abs(m.x)));
                return false;
            }
            frequency += m.frequencyMHz;
            r += m.r;
            x += m.x;
            files.append(sorted[k].file);
        }
        const double count = end - i;
        if (end - i > 1) {
            notes->append(
                QStringLiteral("%1 are at the same frequency, %2 MHz, and agree; the "
                               "sweep holds their mean")
                    .arg(files.join(QStringLiteral(", ")), numberText(frequency / count)));
        }
        const std::complex<double> s11 = reflectionFromImpedance({r / count, x / count}, z0);
        if (!(std::isfinite(s11.real()) && std::isfinite(s11.imag()))) {
            *error = QStringLiteral("%1 gives no finite S11 at %2 MHz")
                         .arg(files.join(QStringLiteral(", ")), numberText(frequency / count));
            return false;
        }
        result.points.push_back({frequency / count * kHertzPerMegahertz, s11});
        i = end;
    }
    *sweep = std::move(result);
    return true;
}
