#include "capturemeasurement.h"

#include "capture.h"
#include "componenttext.h"
#include "impedancefrommeasurement.h"
#include "numbertext.h"
#include "sinefit.h"
#include "solvematching.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kHertzPerMegahertz = 1e6;
constexpr double kNanosecondsPerSecond = 1e9;
constexpr int kMinimumSamples = 8;
constexpr double kMinimumPeriods = 2;
constexpr double kMinimumSamplesPerPeriod = 3;
// The reference must be a clean sine: its residual may be at most this part of its
// amplitude (a wrong frequency leaves nearly all of the signal in the residual).
constexpr double kReferenceResidualLimit = 0.25;
// A channel shows a signal when its fitted amplitude is at least this many steps of its
// converter and this many of its own sigmas (a fit of pure noise gives an amplitude of
// about one sigma).
constexpr double kLeastStepsOfSignal = 2;
constexpr double kLeastSigmasOfSignal = 5;
constexpr double kQuantisationVariance = 12; // a uniform step's variance is step²/12
// A channel is clipped when more of its samples than this share its highest or lowest value,
// beyond twice what an unclipped sine's crest gives.
constexpr double kClippedShare = 0.01;
constexpr std::size_t kLeastClippedRun = 3; // samples in a row at the extreme value
// How far below zero R may lie, in its sigmas, and still be a load without resistance.
constexpr double kSigmasOfNegativeResistance = 3;

// The least noise, RMS, that sampled values carry: a converter's step is uniform noise of
// step/√12; a record of unknown resolution still rounds each value in its last bit.
double noiseFloor(const std::vector<double> &values, double step)
{
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    const double largest = std::max(std::abs(*lowest), std::abs(*highest));
    return std::max(
        step / std::sqrt(kQuantisationVariance), largest * std::numeric_limits<double>::epsilon());
}

// Whether a channel ran off the oscilloscope's screen: its highest or lowest value holds
// for runs of samples, and for far more of them than a sine's crest lingers within one
// converter step of its peak, acos(1 − step/A)/π of the time (2.8 % for A = 100 steps).
// `extreme` gets the value.
bool isClipped(const std::vector<double> &values, double amplitude, double step, double *extreme,
    double *fraction)
{
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    const double n = double(values.size());
    const double expected
        = amplitude > 0 ? std::acos(std::max(-1.0, 1 - step / amplitude)) / kPi : 1;
    for (const double value : {*highest, *lowest}) {
        // A clipped crest is a run of samples at one value; a sampled sine may hit its
        // crest exactly, once a period.
        std::size_t count = 0;
        std::size_t run = 0;
        std::size_t longest = 0;
        for (const double v : values) {
            run = v == value ? run + 1 : 0;
            count += v == value;
            longest = std::max(longest, run);
        }
        if (longest >= kLeastClippedRun && double(count) / n > 2 * expected + kClippedShare) {
            *extreme = value;
            *fraction = double(count) / n;
            return true;
        }
    }
    return false;
}

// The phase difference brought into (−π, π].
double wrapped(double angle)
{
    angle = std::remainder(angle, 2 * kPi);
    return angle <= -kPi ? angle + 2 * kPi : angle;
}

} // namespace

ComponentValue componentValue(double reactance, double frequencyHz)
{
    const double omega = 2 * kPi * frequencyHz;
    if (reactance >= 0) {
        return {true, reactance / omega};
    }
    return {false, -1 / (omega * reactance)};
}

bool measureCapture(const Capture &capture, double frequencyMHz, double sourceImpedance,
    CaptureMeasurement *result, QString *error)
{
    const std::size_t n = capture.time.size();
    if (n < std::size_t(kMinimumSamples)) {
        *error
            = QStringLiteral("only %1 samples; at least %2 are needed").arg(n).arg(kMinimumSamples);
        return false;
    }
    // A channel that is off, or a probe that is not connected, shows a constant or only
    // the converter's last bit; a fit would still find some sine in it.
    if (isConstant(capture.reference)) {
        *error = QStringLiteral("the reference shows no signal (every sample is the same): is "
                                "CH1 on, and the probe connected?");
        return false;
    }
    if (isConstant(capture.vx)) {
        *error = QStringLiteral("V_x shows no signal (every sample is the same): is CH2 on, and "
                                "the probe connected?");
        return false;
    }

    const double span = capture.time.back() - capture.time.front();
    double frequencyHz = frequencyMHz * kHertzPerMegahertz;
    result->frequencyEstimated = !(frequencyMHz > 0);
    if (result->frequencyEstimated
        && !estimateFrequency(capture.time, capture.reference, capture.vx, &frequencyHz)) {
        *error = QStringLiteral("cannot find the frequency: the reference channel does not "
                                "show two clean periods of a sine; give it with --freq");
        return false;
    }
    if (result->frequencyEstimated
        && !(frequencyHz >= kLowestFrequencyMHz * kHertzPerMegahertz
            && frequencyHz <= kHighestFrequencyMHz * kHertzPerMegahertz)) {
        *error = QStringLiteral("the capture's frequency comes out %1 MHz, outside 1 kHz to "
                                "10 GHz: is the time column's unit right?")
                     .arg(numberText(frequencyHz / kHertzPerMegahertz));
        return false;
    }
    const double periods = span * frequencyHz;
    if (!(periods >= kMinimumPeriods)) {
        *error = QStringLiteral("the capture spans %1 periods of %2 MHz; at least two are needed")
                     .arg(numberText(periods), numberText(frequencyHz / kHertzPerMegahertz));
        return false;
    }
    const double samplesPerPeriod = double(n - 1) / periods;
    if (samplesPerPeriod < kMinimumSamplesPerPeriod) {
        *error
            = QStringLiteral("only %1 samples per period of %2 MHz; at least 3 are needed")
                  .arg(numberText(samplesPerPeriod), numberText(frequencyHz / kHertzPerMegahertz));
        return false;
    }

    const SineBasis basis = sineBasis(
        capture.time, 2 * kPi * frequencyHz, (capture.time.front() + capture.time.back()) / 2);
    if (!basis.valid) {
        *error = QStringLiteral("the samples cannot tell a sine of %1 MHz from a constant")
                     .arg(numberText(frequencyHz / kHertzPerMegahertz));
        return false;
    }
    // A converter's step is noise of step/√12 RMS that no fit can remove; and however fine
    // the record, its numbers carry the rounding of their last digit.
    const double referenceStep = converterStep(capture.reference);
    const double vxStep = converterStep(capture.vx);
    const SineFit reference
        = fitSine(basis, capture.reference, noiseFloor(capture.reference, referenceStep));
    const SineFit vx = fitSine(basis, capture.vx, noiseFloor(capture.vx, vxStep));
    const auto noSignal = [&](const SineFit &fit, double step) {
        return !(fit.amplitude >= kLeastStepsOfSignal * step
            && fit.amplitude >= kLeastSigmasOfSignal * fit.amplitudeSigma);
    };
    if (!(reference.residualRms <= kReferenceResidualLimit * reference.amplitude)) {
        *error = QStringLiteral("the reference channel is no clean sine of %1 MHz (amplitude "
                                "%2 mV, residual %3 mV RMS): check the frequency and the columns")
                     .arg(numberText(frequencyHz / kHertzPerMegahertz),
                         numberText(reference.amplitude), numberText(reference.residualRms));
        return false;
    }
    double extreme = 0;
    double fraction = 0;
    if (isClipped(capture.reference, reference.amplitude, referenceStep, &extreme, &fraction)
        || isClipped(capture.vx, vx.amplitude, vxStep, &extreme, &fraction)) {
        const bool isReference
            = isClipped(capture.reference, reference.amplitude, referenceStep, &extreme, &fraction);
        *error = QStringLiteral("%1 is clipped: %2 % of its samples sit at %3 mV, its %4 value; "
                                "the trace ran off the screen: give the channel a larger volts "
                                "per division")
                     .arg(isReference ? QStringLiteral("the reference (CH1)")
                                      : QStringLiteral("V_x (CH2)"))
                     .arg(std::round(fraction * 1000) / 10)
                     .arg(numberText(extreme))
                     .arg(extreme > 0 ? QStringLiteral("highest") : QStringLiteral("lowest"));
        return false;
    }
    if (noSignal(reference, referenceStep)) {
        *error = QStringLiteral("the reference shows no signal at %1 MHz (amplitude %2 mV, "
                                "steps of %3 mV, residual %4 mV RMS): is CH1 on, and the "
                                "probe connected?")
                     .arg(numberText(frequencyHz / kHertzPerMegahertz),
                         numberText(reference.amplitude), numberText(referenceStep),
                         numberText(reference.residualRms));
        return false;
    }
    if (noSignal(vx, vxStep)) {
        *error = QStringLiteral("V_x shows no signal at %1 MHz (amplitude %2 mV, steps of %3 "
                                "mV, residual %4 mV RMS): is CH2 on, and the probe connected?")
                     .arg(numberText(frequencyHz / kHertzPerMegahertz), numberText(vx.amplitude),
                         numberText(vxStep), numberText(vx.residualRms));
        return false;
    }
    if (!(vx.residualRms <= vx.amplitude)) {
        *error = QStringLiteral("the V_x channel holds no sine of %1 MHz above its noise "
                                "(amplitude %2 mV, residual %3 mV RMS)")
                     .arg(numberText(frequencyHz / kHertzPerMegahertz), numberText(vx.amplitude),
                         numberText(vx.residualRms));
        return false;
    }

    // The readings as a person would type them: V_reference is half the reference's
    // amplitude, the delay is how far V_x leads, in ns.
    const double lead = wrapped(vx.phase - reference.phase);
    result->frequencyMHz = frequencyHz / kHertzPerMegahertz;
    result->vReference = reference.amplitude / 2;
    result->vx = vx.amplitude;
    result->delay = lead / (2 * kPi * frequencyHz) * kNanosecondsPerSecond;
    result->sourceImpedance = sourceImpedance;
    result->referenceResidualRms = reference.residualRms;
    result->vxResidualRms = vx.residualRms;
    result->samples = static_cast<long long>(n);

    const std::complex<double> z = impedanceFrom(
        sourceImpedance, result->vReference, result->vx, result->delay, result->frequencyMHz);
    result->r = z.real();
    result->x = z.imag();
    if (!std::isfinite(result->r) || !std::isfinite(result->x)) {
        *error = QStringLiteral("the readings give no finite impedance (V_x is twice "
                                "V_reference with no delay: an open circuit?)");
        return false;
    }

    // Z = Z0·g / (1 − g) with g = (V_x / CH1)·e^{jφ}, so dZ = Z0·g / (1 − g)² · (du + j·dv)
    // with du = dA_x/A_x − dA_ref/A_ref and dv = dφ_x − dφ_ref, the two channels' noise
    // being independent.
    const std::complex<double> g = std::polar(vx.amplitude / reference.amplitude, lead);
    const std::complex<double> w = sourceImpedance * g / ((1.0 - g) * (1.0 - g));
    const double varU = std::pow(vx.amplitudeSigma / vx.amplitude, 2)
        + std::pow(reference.amplitudeSigma / reference.amplitude, 2);
    const double varV = vx.phaseSigma * vx.phaseSigma + reference.phaseSigma * reference.phaseSigma;
    const double covUV = vx.amplitudePhaseCovariance / vx.amplitude
        + reference.amplitudePhaseCovariance / reference.amplitude;
    const double a = w.real();
    const double b = w.imag();
    result->rSigma = std::sqrt(std::max(0.0, a * a * varU + b * b * varV - 2 * a * b * covUV));
    result->xSigma = std::sqrt(std::max(0.0, b * b * varU + a * a * varV + 2 * a * b * covUV));
    if (!(std::isfinite(result->rSigma) && std::isfinite(result->xSigma))) {
        *error = QStringLiteral("the uncertainty of Z comes out infinite: the readings are too "
                                "close to an open circuit");
        return false;
    }

    // A passive load has R ≥ 0. Far below zero, the probes' columns are almost always
    // exchanged; within the noise of zero, the load has no resistance to speak of, and no
    // network of two lossless parts can turn it into Z0.
    if (result->r < -kSigmasOfNegativeResistance * result->rSigma) {
        *error = QStringLiteral("R comes out %1 \u03a9 (1 sigma %2): a passive antenna cannot "
                                "give that; the reference and V_x are probably exchanged: try "
                                "--ref/--vx")
                     .arg(numberText(result->r), QString::number(result->rSigma, 'g', 2));
        return false;
    }
    result->hasNetwork = false;
    if (std::abs(result->r) <= kSigmasOfNegativeResistance * result->rSigma) {
        result->warning = QStringLiteral("R is %1 \u03a9 with 1 sigma %2: no resistance that the "
                                         "capture can tell from 0, so no L-network can match "
                                         "this load and none is given")
                              .arg(numberText(result->r), QString::number(result->rSigma, 'g', 2));
        return true;
    }

    // The network as the window shows it: its compensation reads R and X back from the six
    // digits of the result fields.
    const MatchingSolution solution = matchingSolution(sourceImpedance,
        numberFromText(numberText(result->r)), numberFromText(numberText(result->x)));
    const ComponentValue one = componentValue(solution.reactanceOne, frequencyHz);
    const ComponentValue two = componentValue(solution.reactanceTwo, frequencyHz);
    if (std::isnan(solution.reactanceOne) || std::isnan(solution.reactanceTwo)
        || !std::isfinite(one.value) || !std::isfinite(two.value)) {
        result->warning = QStringLiteral("the network's parts come out infinite or undefined "
                                         "for this load; none is given");
        return true;
    }
    result->hasNetwork = true;
    result->circuitVariant = solution.circuitVariant;
    result->reactanceOne = solution.reactanceOne;
    result->reactanceTwo = solution.reactanceTwo;
    result->elementOne = componentText(solution.reactanceOne, frequencyHz);
    result->elementTwo = componentText(solution.reactanceTwo, frequencyHz);
    return true;
}
