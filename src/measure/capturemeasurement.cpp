#include "capturemeasurement.h"

#include "calculationstate.h"
#include "capture.h"
#include "componenttext.h"
#include "impedancefrommeasurement.h"
#include "numbertext.h"
#include "sinefit.h"
#include "solvematching.h"

#include <cmath>
#include <complex>

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

// The phase difference brought into (−π, π].
double wrapped(double angle)
{
    angle = std::remainder(angle, 2 * kPi);
    return angle <= -kPi ? angle + 2 * kPi : angle;
}

} // namespace

bool measureCapture(const Capture &capture, double frequencyMHz, double sourceImpedance,
    CaptureMeasurement *result, QString *error)
{
    const int n = int(capture.time.size());
    if (n < kMinimumSamples) {
        *error
            = QStringLiteral("only %1 samples; at least %2 are needed").arg(n).arg(kMinimumSamples);
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
    const double periods = span * frequencyHz;
    if (!(periods >= kMinimumPeriods)) {
        *error = QStringLiteral("the capture spans %1 periods of %2 MHz; at least two are needed")
                     .arg(numberText(periods), numberText(frequencyHz / kHertzPerMegahertz));
        return false;
    }
    const double samplesPerPeriod = (n - 1) / periods;
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
    const SineFit reference = fitSine(basis, capture.reference);
    const SineFit vx = fitSine(basis, capture.vx);
    if (!(reference.residualRms <= kReferenceResidualLimit * reference.amplitude)) {
        *error = QStringLiteral("the reference channel is no clean sine of %1 MHz (amplitude "
                                "%2 mV, residual %3 mV RMS): check the frequency and the columns")
                     .arg(numberText(frequencyHz / kHertzPerMegahertz),
                         numberText(reference.amplitude), numberText(reference.residualRms));
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
    result->samples = n;

    calculationState.sourceImpedance = sourceImpedance;
    impedanceFromMeasurement(result->vReference, result->vx, result->delay, result->frequencyMHz);
    result->r = calculationState.zReal;
    result->x = calculationState.zImag;
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

    // The network as the window shows it: its compensation reads R and X back from the six
    // digits of the result fields.
    calculationState.zReal = numberFromText(numberText(result->r));
    calculationState.zImag = numberFromText(numberText(result->x));
    solveMatching();
    result->circuitVariant = calculationState.circuitVariant;
    result->elementOne = componentText(calculationState.reactanceOne, frequencyHz);
    result->elementTwo = componentText(calculationState.reactanceTwo, frequencyHz);
    return true;
}
