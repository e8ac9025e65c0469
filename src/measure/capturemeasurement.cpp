#include "capturemeasurement.h"

#include "capture.h"
#include "componenttext.h"
#include "impedancefrommeasurement.h"
#include "numbertext.h"
#include "sinefit.h"
#include "solvematching.h"
#include "units.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <optional>
#include <utility>

namespace {

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

// Where a channel ran off the oscilloscope's screen: its highest or lowest value holds for
// runs of samples, and for far more of them than a sine's crest lingers within one
// converter step of its peak, acos(1 − step/A)/π of the time (2.8 % for A = 100 steps).
struct Clipping
{
    double extreme = 0; // mV
    double fraction = 0; // of the samples at it
};

std::optional<Clipping> clipping(const std::vector<double> &values, double amplitude, double step)
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
            return Clipping {value, double(count) / n};
        }
    }
    return std::nullopt;
}

// The phase difference brought into (−π, π].
double wrapped(double angle)
{
    angle = std::remainder(angle, 2 * kPi);
    return angle <= -kPi ? angle + 2 * kPi : angle;
}

QString megahertzText(double hertz)
{
    return numberText(hertz / kHertzPerMegahertz);
}

// ---- The steps: check, frequency, fit, readings, uncertainty, network.

// A capture that can be fitted at all: enough samples, neither channel constant (a channel
// that is off, or a probe that is not connected, shows a constant; a fit would still find
// some sine in it). A standard's V_x may be constant: a short shows nothing there.
Status checked(const Capture &capture, bool standard)
{
    if (capture.time.size() < std::size_t(kMinimumSamples)) {
        return Failure {QStringLiteral("only %1 samples; at least %2 are needed")
                            .arg(capture.time.size())
                            .arg(kMinimumSamples)};
    }
    if (isConstant(capture.reference)) {
        return Failure {QStringLiteral("the reference shows no signal (every sample is the same): "
                                       "is CH1 on, and the probe connected?")};
    }
    if (!standard && isConstant(capture.vx)) {
        return Failure {QStringLiteral("V_x shows no signal (every sample is the same): is CH2 "
                                       "on, and the probe connected?")};
    }
    return success();
}

// The frequency of the fit, in hertz: the one given, or estimated from the capture; with
// enough periods and samples per period to fit.
Result<double> fitFrequency(const Capture &capture, double frequencyMHz)
{
    double frequencyHz = frequencyMHz * kHertzPerMegahertz;
    const bool estimated = !(frequencyMHz > 0);
    if (estimated
        && !estimateFrequency(capture.time, capture.reference, capture.vx, &frequencyHz)) {
        return Failure {QStringLiteral("cannot find the frequency: the reference channel does not "
                                       "show two clean periods of a sine; give it with --freq")};
    }
    if (estimated
        && !(frequencyHz >= kLowestFrequencyMHz * kHertzPerMegahertz
            && frequencyHz <= kHighestFrequencyMHz * kHertzPerMegahertz)) {
        return Failure {QStringLiteral("the capture's frequency comes out %1 MHz, outside 1 kHz "
                                       "to 10 GHz: is the time column's unit right?")
                            .arg(megahertzText(frequencyHz))};
    }
    const double periods = (capture.time.back() - capture.time.front()) * frequencyHz;
    if (!(periods >= kMinimumPeriods)) {
        return Failure {
            QStringLiteral("the capture spans %1 periods of %2 MHz; at least two are needed")
                .arg(numberText(periods), megahertzText(frequencyHz))};
    }
    const double samplesPerPeriod = double(capture.time.size() - 1) / periods;
    if (samplesPerPeriod < kMinimumSamplesPerPeriod) {
        return Failure {QStringLiteral("only %1 samples per period of %2 MHz; at least 3 are "
                                       "needed")
                            .arg(numberText(samplesPerPeriod), megahertzText(frequencyHz))};
    }
    return frequencyHz;
}

// Both channels' sines, each with its converter's step.
struct ChannelFits
{
    SineFit reference;
    SineFit vx;
    double referenceStep = 0;
    double vxStep = 0;
    double origin = 0; // s: the time to which both phases refer
};

QString clippedText(const QString &channel, const Clipping &clipped)
{
    return QStringLiteral("%1 is clipped: %2 % of its samples sit at %3 mV, its %4 value; the "
                          "trace ran off the screen: give the channel a larger volts per "
                          "division")
        .arg(channel)
        .arg(std::round(clipped.fraction * 1000) / 10)
        .arg(numberText(clipped.extreme))
        .arg(clipped.extreme > 0 ? QStringLiteral("highest") : QStringLiteral("lowest"));
}

// Fits both channels at the frequency and judges what the fits show: a reference that is
// a clean sine, neither channel clipped, and a signal in each above its resolution and
// noise (V_x of a standard excepted).
Result<ChannelFits> fitChannels(const Capture &capture, double frequencyHz, bool standard)
{
    const SineBasis basis = sineBasis(capture.time, angularFrequency(frequencyHz),
        (capture.time.front() + capture.time.back()) / 2);
    if (!basis.valid) {
        return Failure {QStringLiteral("the samples cannot tell a sine of %1 MHz from a constant")
                            .arg(megahertzText(frequencyHz))};
    }
    // A converter's step is noise of step/√12 RMS that no fit can remove; and however fine
    // the record, its numbers carry the rounding of their last digit.
    ChannelFits fits;
    fits.origin = basis.origin;
    fits.referenceStep = converterStep(capture.reference);
    fits.vxStep = converterStep(capture.vx);
    fits.reference
        = fitSine(basis, capture.reference, noiseFloor(capture.reference, fits.referenceStep));
    fits.vx = fitSine(basis, capture.vx, noiseFloor(capture.vx, fits.vxStep));
    const SineFit &reference = fits.reference;
    const SineFit &vx = fits.vx;
    if (!(reference.residualRms <= kReferenceResidualLimit * reference.amplitude)) {
        return Failure {QStringLiteral("the reference channel is no clean sine of %1 MHz "
                                       "(amplitude %2 mV, residual %3 mV RMS): check the "
                                       "frequency and the columns")
                            .arg(megahertzText(frequencyHz), numberText(reference.amplitude),
                                numberText(reference.residualRms))};
    }
    if (const auto clipped = clipping(capture.reference, reference.amplitude, fits.referenceStep)) {
        return Failure {clippedText(QStringLiteral("the reference (CH1)"), *clipped)};
    }
    if (const auto clipped = clipping(capture.vx, vx.amplitude, fits.vxStep)) {
        return Failure {clippedText(QStringLiteral("V_x (CH2)"), *clipped)};
    }
    const auto noSignal = [&](const SineFit &fit, double step) {
        return !(fit.amplitude >= kLeastStepsOfSignal * step
            && fit.amplitude >= kLeastSigmasOfSignal * fit.amplitudeSigma);
    };
    if (noSignal(reference, fits.referenceStep)) {
        return Failure {QStringLiteral("the reference shows no signal at %1 MHz (amplitude %2 mV, "
                                       "steps of %3 mV, residual %4 mV RMS): is CH1 on, and the "
                                       "probe connected?")
                            .arg(megahertzText(frequencyHz), numberText(reference.amplitude),
                                numberText(fits.referenceStep), numberText(reference.residualRms))};
    }
    if (standard) {
        return fits;
    }
    if (noSignal(vx, fits.vxStep)) {
        return Failure {QStringLiteral("V_x shows no signal at %1 MHz (amplitude %2 mV, steps of "
                                       "%3 mV, residual %4 mV RMS): is CH2 on, and the probe "
                                       "connected?")
                            .arg(megahertzText(frequencyHz), numberText(vx.amplitude),
                                numberText(fits.vxStep), numberText(vx.residualRms))};
    }
    if (!(vx.residualRms <= vx.amplitude)) {
        return Failure {QStringLiteral("the V_x channel holds no sine of %1 MHz above its noise "
                                       "(amplitude %2 mV, residual %3 mV RMS)")
                            .arg(megahertzText(frequencyHz), numberText(vx.amplitude),
                                numberText(vx.residualRms))};
    }
    return fits;
}

// The readings as a person would type them: V_reference is half the reference's amplitude,
// the delay is how far V_x leads, in ns; and the ratio of the channels with its spread,
// the two channels' noise being independent.
CaptureMeasurement readings(
    const ChannelFits &fits, double frequencyHz, double sourceImpedance, std::size_t samples)
{
    const SineFit &reference = fits.reference;
    const SineFit &vx = fits.vx;
    const double lead = wrapped(vx.phase - reference.phase);
    CaptureMeasurement m;
    m.frequencyMHz = frequencyHz / kHertzPerMegahertz;
    m.vReference = reference.amplitude / 2;
    m.vx = vx.amplitude;
    m.delay = lead / angularFrequency(frequencyHz) * kNanosecondsPerSecond;
    m.sourceImpedance = sourceImpedance;
    m.referenceResidualRms = reference.residualRms;
    m.vxResidualRms = vx.residualRms;
    m.samples = static_cast<long long>(samples);
    m.ratio = ratioOfFits(reference, vx);
    return m;
}

// The spread of an estimated frequency. A least-squares sine over a record of span T fixes
// its angular frequency with σ_ω = √12·σ_φ/T, σ_φ the spread of its phase at the record's
// middle (the Cramér-Rao bound for a sine in white noise); channels that share the
// frequency add their information, 1/σ² = Σ 1/σ_i².
double frequencySigmaHz(std::initializer_list<SineFit> fits, double span)
{
    double information = 0;
    for (const SineFit &fit : fits) {
        if (fit.phaseSigma > 0) {
            information += 1 / (fit.phaseSigma * fit.phaseSigma);
        }
    }
    return information > 0 ? std::sqrt(12 / information) / (2 * kPi * span)
                           : std::numeric_limits<double>::infinity();
}

// The spread of Z = Z0·g/(1 − g): dZ = Z0·g/(1 − g)² · (du + j·dv).
struct ImpedanceSigma
{
    double r = 0;
    double x = 0;
};

ImpedanceSigma impedanceSigma(const MeasuredRatio &ratio, double sourceImpedance)
{
    const std::complex<double> g = ratio.value;
    const std::complex<double> w = sourceImpedance * g / ((1.0 - g) * (1.0 - g));
    const double a = w.real();
    const double b = w.imag();
    const double varU = ratio.logMagnitudeVariance;
    const double varV = ratio.phaseVariance;
    const double covUV = ratio.covariance;
    return {std::sqrt(std::max(0.0, a * a * varU + b * b * varV - 2 * a * b * covUV)),
        std::sqrt(std::max(0.0, b * b * varU + a * a * varV + 2 * a * b * covUV))};
}

// Z as the readings give it, with the spread of the fits.
Result<Corrected> uncorrected(
    std::complex<double> z, const MeasuredRatio &ratio, double sourceImpedance)
{
    if (!std::isfinite(z.real()) || !std::isfinite(z.imag())) {
        return Failure {QStringLiteral("the readings give no finite impedance (V_x is twice "
                                       "V_reference with no delay: an open circuit?)")};
    }
    const ImpedanceSigma sigma = impedanceSigma(ratio, sourceImpedance);
    if (!(std::isfinite(sigma.r) && std::isfinite(sigma.x))) {
        return Failure {QStringLiteral("the uncertainty of Z comes out infinite: the readings are "
                                       "too close to an open circuit")};
    }
    Corrected result;
    result.z = z;
    result.rSigma = sigma.r;
    result.xSigma = sigma.x;
    return result;
}

// Z from the ratio through the calibration's terms at the frequency.
Result<Corrected> calibrated(const Calibration &calibration, const MeasuredRatio &ratio,
    double sourceImpedance, double frequencyHz)
{
    const Result<ErrorTerms> terms = termsAt(calibration, frequencyHz);
    if (!terms) {
        return terms.failure();
    }
    return correct(*terms, ratio, sourceImpedance);
}

// The antenna's Z at the far end of the line, from Z at its input, with the spread carried
// through: the transform is analytic, dZ_far = f'(Z)·dZ, so R and X (taken as independent)
// turn and scale by the derivative, found by a central difference in the complex plane.
Result<Corrected> throughLine(const Feedline &line, const Corrected &input, double frequencyHz)
{
    const std::complex<double> z = input.z;
    const double step = 1e-6 * std::max(1.0, std::abs(z));
    const std::complex<double> derivative = (impedanceAtLoad(line, z + step, frequencyHz)
                                                - impedanceAtLoad(line, z - step, frequencyHz))
        / (2 * step);
    const double a = derivative.real();
    const double b = derivative.imag();
    Corrected result;
    result.z = impedanceAtLoad(line, z, frequencyHz);
    result.rSigma = std::hypot(a * input.rSigma, b * input.xSigma);
    result.xSigma = std::hypot(b * input.rSigma, a * input.xSigma);
    if (!(std::isfinite(result.z.real()) && std::isfinite(result.z.imag())
            && std::isfinite(result.rSigma) && std::isfinite(result.xSigma))) {
        return Failure {QStringLiteral("through %1 the antenna's impedance comes out without a "
                                       "finite value: at its input the line shows its own "
                                       "impedance, whatever is at its far end")
                            .arg(line.name)};
    }
    return result;
}

} // namespace

ComponentValue componentValue(double reactance, double frequencyHz)
{
    if (reactance >= 0) {
        return {true, inductanceOf(reactance, frequencyHz)};
    }
    return {false, capacitanceOf(reactance, frequencyHz)};
}

Result<ImpedanceVerdict> judgeImpedance(
    std::complex<double> z, double rSigma, double sourceImpedance, double frequencyHz)
{
    // A passive load has R ≥ 0. Far below zero, the probes' columns are almost always
    // exchanged; within the noise of zero, the load has no resistance to speak of, and no
    // network of two lossless parts can turn it into Z0.
    if (z.real() < -kSigmasOfNegativeResistance * rSigma) {
        return Failure {QStringLiteral("R comes out %1 \u03a9 (1 sigma %2): a passive antenna "
                                       "cannot give that; the reference and V_x are probably "
                                       "exchanged: try --ref/--vx")
                            .arg(numberText(z.real()), QString::number(rSigma, 'g', 2))};
    }
    ImpedanceVerdict verdict;
    if (std::abs(z.real()) <= kSigmasOfNegativeResistance * rSigma) {
        verdict.warning = QStringLiteral("R is %1 \u03a9 with 1 sigma %2: no resistance that the "
                                         "capture can tell from 0, so no L-network can match "
                                         "this load and none is given")
                              .arg(numberText(z.real()), QString::number(rSigma, 'g', 2));
        return verdict;
    }
    // The network as the window shows it: its compensation reads R and X back from the six
    // digits of the result fields.
    const MatchingSolution solution = matchingSolution(sourceImpedance,
        numberFromText(numberText(z.real())), numberFromText(numberText(z.imag())));
    const ComponentValue one = componentValue(solution.reactanceOne, frequencyHz);
    const ComponentValue two = componentValue(solution.reactanceTwo, frequencyHz);
    if (std::isnan(solution.reactanceOne) || std::isnan(solution.reactanceTwo)
        || !std::isfinite(one.value) || !std::isfinite(two.value)) {
        verdict.warning = QStringLiteral("the network's parts come out infinite or undefined for "
                                         "this load; none is given");
        return verdict;
    }
    verdict.network = MatchingNetwork {solution.circuitVariant, solution.reactanceOne,
        solution.reactanceTwo, componentText(solution.reactanceOne, frequencyHz),
        componentText(solution.reactanceTwo, frequencyHz)};
    return verdict;
}

Result<CaptureMeasurement> measureCapture(const Capture &capture, double frequencyMHz,
    double sourceImpedance, const Corrections &corrections)
{
    Result<FittedMeasurement> fitted
        = measureCaptureWithSines(capture, frequencyMHz, sourceImpedance, corrections);
    if (!fitted) {
        return fitted.failure();
    }
    return std::move(fitted->measurement);
}

Result<FittedMeasurement> measureCaptureWithSines(const Capture &capture, double frequencyMHz,
    double sourceImpedance, const Corrections &corrections)
{
    if (const Status check = checked(capture, false); !check) {
        return check.failure();
    }
    const Result<double> frequencyHz = fitFrequency(capture, frequencyMHz);
    if (!frequencyHz) {
        return frequencyHz.failure();
    }
    const Result<ChannelFits> fits = fitChannels(capture, *frequencyHz, false);
    if (!fits) {
        return fits.failure();
    }
    CaptureMeasurement m = readings(*fits, *frequencyHz, sourceImpedance, capture.time.size());
    m.frequencyEstimated = !(frequencyMHz > 0);
    if (m.frequencyEstimated) {
        m.frequencySigmaMHz = frequencySigmaHz({fits->reference, fits->vx},
                                  capture.time.back() - capture.time.front())
            / kHertzPerMegahertz;
    }

    // Z from the readings by the window's own formula, as a person who typed them would get.
    const std::complex<double> raw
        = impedanceFrom(sourceImpedance, m.vReference, m.vx, m.delay, m.frequencyMHz);
    m.rawR = raw.real();
    m.rawX = raw.imag();
    Result<Corrected> z = corrections.calibration
        ? calibrated(*corrections.calibration, m.ratio, sourceImpedance, *frequencyHz)
        : uncorrected(raw, m.ratio, sourceImpedance);
    if (!z) {
        return z.failure();
    }
    m.calibrated = corrections.calibration != nullptr;
    if (corrections.line) {
        m.lineInput = z->z;
        z = throughLine(*corrections.line, *z, *frequencyHz);
    }
    m.r = z->z.real();
    m.x = z->z.imag();
    m.rSigma = z->rSigma;
    m.xSigma = z->xSigma;
    const Result<ImpedanceVerdict> verdict
        = judgeImpedance(z->z, m.rSigma, sourceImpedance, *frequencyHz);
    if (!verdict) {
        return verdict.failure();
    }
    m.network = verdict->network;
    m.warning = verdict->warning;
    return FittedMeasurement {
        std::move(m), FittedSines {*frequencyHz, fits->origin, fits->reference, fits->vx}};
}

Result<CaptureMeasurement> measureStandard(
    const Capture &capture, double frequencyMHz, double sourceImpedance)
{
    if (const Status check = checked(capture, true); !check) {
        return check.failure();
    }
    const Result<double> frequencyHz = fitFrequency(capture, frequencyMHz);
    if (!frequencyHz) {
        return frequencyHz.failure();
    }
    const Result<ChannelFits> fits = fitChannels(capture, *frequencyHz, true);
    if (!fits) {
        return fits.failure();
    }
    CaptureMeasurement m = readings(*fits, *frequencyHz, sourceImpedance, capture.time.size());
    m.frequencyEstimated = !(frequencyMHz > 0);
    if (m.frequencyEstimated) {
        // The reference alone: a standard's V_x may show next to nothing.
        m.frequencySigmaMHz
            = frequencySigmaHz({fits->reference}, capture.time.back() - capture.time.front())
            / kHertzPerMegahertz;
    }
    return m;
}

Status channelsShareFrequency(const Capture &capture)
{
    struct Estimate
    {
        double hertz = 0;
        double sigma = 0;
    };
    const double span = capture.time.back() - capture.time.front();
    const auto estimate = [&](const std::vector<double> &channel) -> std::optional<Estimate> {
        double hertz = 0;
        if (channel.size() < std::size_t(kMinimumSamples)
            || !estimateFrequency(capture.time, channel, channel, &hertz)) {
            return std::nullopt;
        }
        const SineBasis basis
            = sineBasis(capture.time, angularFrequency(hertz), capture.time.front() + span / 2);
        if (!basis.valid) {
            return std::nullopt;
        }
        const SineFit fit = fitSine(basis, channel, noiseFloor(channel, converterStep(channel)));
        return Estimate {hertz, frequencySigmaHz({fit}, span)};
    };
    const std::optional<Estimate> reference = estimate(capture.reference);
    const std::optional<Estimate> vx = estimate(capture.vx);
    if (!reference || !vx) {
        return success();
    }
    const double apart = std::abs(reference->hertz - vx->hertz);
    if (apart <= kAgreeingFrequencySigmas * std::hypot(reference->sigma, vx->sigma)) {
        return success();
    }
    return Failure {
        QStringLiteral("the reference's sine is at %1 MHz and V_x's at %2 MHz, %3 "
                       "sigma apart")
            .arg(QString::number(reference->hertz / kHertzPerMegahertz, 'g', 9),
                QString::number(vx->hertz / kHertzPerMegahertz, 'g', 9),
                QString::number(apart / std::hypot(reference->sigma, vx->sigma), 'g', 2))};
}
