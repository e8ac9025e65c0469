#ifndef SINEFIT_H
#define SINEFIT_H

#include <complex>
#include <vector>

// The cosine and sine of ω·(t − origin) at every sample time, and the inverse of the fit's
// normal matrix: computed once, shared by the fits of all channels sampled at those times.
struct SineBasis
{
    double angularFrequency = 0; // rad/s
    double origin = 0; // seconds; phases refer to this time
    std::vector<double> cosine;
    std::vector<double> sine;
    double inverse[3][3] = {}; // of the normal matrix of the columns cos, sin, 1
    bool valid = false; // false when the columns do not tell cos, sin and 1 apart
};

SineBasis sineBasis(const std::vector<double> &time, double angularFrequency, double origin);

// A sine of the basis's frequency fitted to samples by linear least squares,
//     y(t) ≈ amplitude · cos(ω·(t − origin) + phase) + offset,
// with the spread of amplitude and phase that the residual implies for independent noise.
// A channel that leads has the larger phase: its crests come earlier.
struct SineFit
{
    double amplitude = 0;
    double phase = 0; // radians at the basis's origin, in (−π, π]
    double offset = 0;
    double residualRms = 0; // in the samples' unit
    double amplitudeSigma = 0; // 1 sigma, in the samples' unit
    double phaseSigma = 0; // 1 sigma, radians
    double amplitudePhaseCovariance = 0;
};

// Needs a valid basis and more than three samples. `noiseFloorRms` is the least noise the
// samples carry whatever their residual (a converter's step/√12), in the samples' unit.
SineFit fitSine(
    const SineBasis &basis, const std::vector<double> &values, double noiseFloorRms = 0);

// The resolution of the converter that sampled the values: the smallest difference between
// two successive samples that differ, when every difference is a whole number of it (the
// samples lie on the converter's grid, as an 8-bit oscilloscope's do). 0 when they do not
// (a record finer than any step that the samples show) or when all samples are equal.
double converterStep(const std::vector<double> &values);

bool isConstant(const std::vector<double> &values);

// The frequency, in hertz, of the sine that both channels carry: first from the times at
// which `first` crosses its mean, then refined by least squares with one frequency shared by both
// channels (a four-parameter sine fit of each, Gauss-Newton). Returns false when `first`
// does not cross its mean at least three times or the refinement does not settle.
bool estimateFrequency(const std::vector<double> &time, const std::vector<double> &first,
    const std::vector<double> &second, double *frequencyHz);

// A ratio g as a measurement gives it, with the 1-sigma spread of u = ln|g| and of
// v = arg g (a small change is dg = g·(du + j·dv)).
struct MeasuredRatio
{
    std::complex<double> value;
    double logMagnitudeVariance = 0;
    double phaseVariance = 0; // rad²
    double covariance = 0; // of u and v
};

// The ratio CH2/CH1 of two sine fits of one capture, and its spread from both fits' noise
// (the two channels' noise independent): u = ln A2 − ln A1, v = φ2 − φ1.
MeasuredRatio ratioOfFits(const SineFit &ch1, const SineFit &ch2);

#endif // SINEFIT_H
