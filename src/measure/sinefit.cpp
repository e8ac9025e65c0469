#include "sinefit.h"
#include "units.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>

namespace {

constexpr int kMaximumIterations = 40;
constexpr double kSettled = 1e-11; // relative step of the frequency that counts as settled
constexpr double kHysteresis = 0.3; // of the half range, around the mean

// Solves the n×n system a·x = b in place by Gaussian elimination with partial pivoting.
// Returns false for a singular matrix.
template<int n>
bool solve(double (&a)[n][n], double (&b)[n])
{
    for (int column = 0; column < n; ++column) {
        int pivot = column;
        for (int row = column + 1; row < n; ++row) {
            if (std::abs(a[row][column]) > std::abs(a[pivot][column])) {
                pivot = row;
            }
        }
        if (!(std::abs(a[pivot][column]) > 0)) {
            return false;
        }
        std::swap(a[pivot], a[column]);
        std::swap(b[pivot], b[column]);
        for (int row = column + 1; row < n; ++row) {
            const double factor = a[row][column] / a[column][column];
            for (int k = column; k < n; ++k) {
                a[row][k] -= factor * a[column][k];
            }
            b[row] -= factor * b[column];
        }
    }
    for (int row = n - 1; row >= 0; --row) {
        for (int k = row + 1; k < n; ++k) {
            b[row] -= a[row][k] * b[k];
        }
        b[row] /= a[row][row];
    }
    return std::all_of(std::begin(b), std::end(b), [](double v) { return std::isfinite(v); });
}

// The linear fit of a·cos + b·sin + c to the values: a, b, c.
void linearFit(const SineBasis &basis, const std::vector<double> &values, double (&p)[3])
{
    double v[3] = {0, 0, 0};
    for (std::size_t k = 0; k < basis.cosine.size(); ++k) {
        const double y = values[k];
        v[0] += y * basis.cosine[k];
        v[1] += y * basis.sine[k];
        v[2] += y;
    }
    for (int i = 0; i < 3; ++i) {
        p[i] = basis.inverse[i][0] * v[0] + basis.inverse[i][1] * v[1] + basis.inverse[i][2] * v[2];
    }
}

// The times at which the values cross their mean, rising or falling, each between the two
// samples that enclose it. A crossing counts only after the values were beyond the mean by
// a good part of their half range on the other side, so that noise near the mean makes no
// extra crossings.
std::vector<double> meanCrossings(
    const std::vector<double> &time, const std::vector<double> &values)
{
    std::vector<double> crossings;
    if (values.size() < 2) {
        return crossings;
    }
    const double mean = std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    const double threshold = kHysteresis * (*highest - *lowest) / 2;
    int side = 0; // −1 after being well below the mean, +1 after being well above
    for (std::size_t k = 1; k < values.size(); ++k) {
        const double y = values[k] - mean;
        const double previous = values[k - 1] - mean;
        if ((side < 0 && y >= 0) || (side > 0 && y <= 0)) {
            const double fraction = previous != y ? previous / (previous - y) : 0;
            crossings.push_back(time[k - 1] + fraction * (time[k] - time[k - 1]));
            side = 0;
        }
        if (y < -threshold) {
            side = -1;
        } else if (y > threshold) {
            side = 1;
        }
    }
    return crossings;
}

} // namespace

SineBasis sineBasis(const std::vector<double> &time, double angularFrequency, double origin)
{
    SineBasis basis;
    basis.angularFrequency = angularFrequency;
    basis.origin = origin;
    const std::size_t n = time.size();
    basis.cosine.resize(n);
    basis.sine.resize(n);
    double normal[3][3] = {};
    for (std::size_t k = 0; k < n; ++k) {
        const double angle = angularFrequency * (time[k] - origin);
        const double c = std::cos(angle);
        const double s = std::sin(angle);
        basis.cosine[k] = c;
        basis.sine[k] = s;
        normal[0][0] += c * c;
        normal[0][1] += c * s;
        normal[0][2] += c;
        normal[1][1] += s * s;
        normal[1][2] += s;
    }
    normal[1][0] = normal[0][1];
    normal[2][0] = normal[0][2];
    normal[2][1] = normal[1][2];
    normal[2][2] = double(n);

    // The inverse, column by column; a nearly singular matrix (a frequency that aliases to
    // zero at this sampling) counts as no basis.
    for (int column = 0; column < 3; ++column) {
        double a[3][3];
        std::copy(&normal[0][0], &normal[0][0] + 9, &a[0][0]);
        double unit[3] = {0, 0, 0};
        unit[column] = 1;
        if (!solve(a, unit)) {
            return basis;
        }
        for (int row = 0; row < 3; ++row) {
            basis.inverse[row][column] = unit[row];
        }
    }
    // cos and sin each carry about half of the samples' weight; a diagonal of the inverse
    // far above 2/n means that they are almost the same column.
    basis.valid = n > 3 && basis.inverse[0][0] * double(n) < 1e6
        && basis.inverse[1][1] * double(n) < 1e6 && basis.inverse[2][2] * double(n) < 1e6;
    return basis;
}

SineFit fitSine(const SineBasis &basis, const std::vector<double> &values, double noiseFloorRms)
{
    double p[3];
    linearFit(basis, values, p);
    const double a = p[0];
    const double b = p[1];
    SineFit fit;
    fit.offset = p[2];
    // a·cos x + b·sin x = amplitude·cos(x + phase) with a = amplitude·cos(phase) and
    // b = −amplitude·sin(phase).
    fit.amplitude = std::hypot(a, b);
    fit.phase = std::atan2(-b, a);

    double squares = 0;
    const std::size_t n = basis.cosine.size();
    for (std::size_t k = 0; k < n; ++k) {
        const double residual = values[k] - (a * basis.cosine[k] + b * basis.sine[k] + fit.offset);
        squares += residual * residual;
    }
    fit.residualRms = std::sqrt(squares / double(n));

    // Covariance of (a, b): the residual's variance times the inverse normal matrix; then
    // to amplitude and phase through d amplitude = (a·da + b·db) / amplitude and
    // d phase = (b·da − a·db) / amplitude².
    // The noise is never below the floor: a residual of exactly 0 (samples that a coarse
    // converter happened to hit exactly) does not make the fit exact.
    const double variance = std::max(squares / double(n - 3), noiseFloorRms * noiseFloorRms);
    const double caa = variance * basis.inverse[0][0];
    const double cab = variance * basis.inverse[0][1];
    const double cbb = variance * basis.inverse[1][1];
    const double m2 = fit.amplitude * fit.amplitude;
    if (m2 > 0) {
        const double ga = a / fit.amplitude, gb = b / fit.amplitude;
        const double ha = b / m2, hb = -a / m2;
        fit.amplitudeSigma
            = std::sqrt(std::max(0.0, ga * ga * caa + 2 * ga * gb * cab + gb * gb * cbb));
        fit.phaseSigma
            = std::sqrt(std::max(0.0, ha * ha * caa + 2 * ha * hb * cab + hb * hb * cbb));
        fit.amplitudePhaseCovariance = ga * ha * caa + (ga * hb + gb * ha) * cab + gb * hb * cbb;
    } else {
        fit.amplitudeSigma = std::sqrt(std::max(caa, cbb));
        fit.phaseSigma = kPi;
    }
    return fit;
}

bool estimateFrequency(const std::vector<double> &time, const std::vector<double> &first,
    const std::vector<double> &second, double *frequencyHz)
{
    // Crossings are half a period apart; three of them span a whole period.
    const std::vector<double> crossings = meanCrossings(time, first);
    if (crossings.size() < 3 || !(crossings.back() > crossings.front())) {
        return false;
    }
    const double start
        = kPi * double(crossings.size() - 1) / (crossings.back() - crossings.front());

    // Gauss-Newton on y = a·cos(ωτ) + b·sin(ωτ) + c for both channels with one ω, τ the
    // time from the capture's middle. The step of ω is taken in units of 1/halfSpan, so
    // that all seven columns of the linearised problem have a similar scale.
    const double origin = (time.front() + time.back()) / 2;
    const double halfSpan = (time.back() - time.front()) / 2;
    double omega = start;
    for (int iteration = 0; iteration < kMaximumIterations; ++iteration) {
        const SineBasis basis = sineBasis(time, omega, origin);
        if (!basis.valid) {
            return false;
        }
        double p[2][3];
        linearFit(basis, first, p[0]);
        linearFit(basis, second, p[1]);

        double normal[7][7] = {};
        double rhs[7] = {};
        const std::vector<double> *channels[2] = {&first, &second};
        for (int channel = 0; channel < 2; ++channel) {
            const double a = p[channel][0], b = p[channel][1], c = p[channel][2];
            const int o = 3 * channel;
            for (std::size_t k = 0; k < basis.cosine.size(); ++k) {
                const double cs = basis.cosine[k], sn = basis.sine[k];
                const double tau = (time[k] - origin) / halfSpan;
                const double row[4] = {cs, sn, 1, tau * (b * cs - a * sn)};
                const double residual = (*channels[channel])[k] - (a * cs + b * sn + c);
                const int index[4] = {o, o + 1, o + 2, 6};
                for (int i = 0; i < 4; ++i) {
                    rhs[index[i]] += row[i] * residual;
                    for (int j = 0; j < 4; ++j) {
                        normal[index[i]][index[j]] += row[i] * row[j];
                    }
                }
            }
        }
        if (!solve(normal, rhs)) {
            return false;
        }
        const double step = rhs[6] / halfSpan;
        omega += step;
        if (!std::isfinite(omega) || omega < 0.8 * start || omega > 1.25 * start) {
            return false;
        }
        if (std::abs(step) < kSettled * omega) {
            *frequencyHz = omega / (2 * kPi);
            return true;
        }
    }
    return false;
}

double converterStep(const std::vector<double> &values)
{
    // Within this part of a step a difference counts as a whole number of steps: the
    // decimal text of a sample rounds it by far less.
    constexpr double kTolerance = 1e-6;
    double step = 0;
    for (std::size_t k = 1; k < values.size(); ++k) {
        const double difference = std::abs(values[k] - values[k - 1]);
        if (difference > 0 && (step == 0 || difference < step)) {
            step = difference;
        }
    }
    if (!(step > 0)) {
        return 0;
    }
    for (std::size_t k = 1; k < values.size(); ++k) {
        const double steps = std::abs(values[k] - values[k - 1]) / step;
        if (!(std::abs(steps - std::round(steps)) <= kTolerance * std::max(1.0, steps))) {
            return 0;
        }
    }
    return step;
}

bool isConstant(const std::vector<double> &values)
{
    return std::adjacent_find(values.begin(), values.end(), std::not_equal_to<double>())
        == values.end();
}

MeasuredRatio ratioOfFits(const SineFit &ch1, const SineFit &ch2)
{
    MeasuredRatio ratio;
    ratio.value = std::polar(ch2.amplitude / ch1.amplitude, ch2.phase - ch1.phase);
    ratio.logMagnitudeVariance = std::pow(ch2.amplitudeSigma / ch2.amplitude, 2)
        + std::pow(ch1.amplitudeSigma / ch1.amplitude, 2);
    ratio.phaseVariance = ch2.phaseSigma * ch2.phaseSigma + ch1.phaseSigma * ch1.phaseSigma;
    // cov(ln A, φ) = cov(A, φ)/A for each channel; u and v are differences of the two.
    ratio.covariance = ch2.amplitudePhaseCovariance / ch2.amplitude
        + ch1.amplitudePhaseCovariance / ch1.amplitude;
    return ratio;
}
