#ifndef CAPTUREMEASUREMENT_H
#define CAPTUREMEASUREMENT_H

#include "calibration.h"
#include "feedline.h"
#include "result.h"
#include "sinefit.h"

#include <QString>

#include <complex>
#include <optional>

struct Capture;

// The L-network that the window would show for a load: its circuit variant, both
// reactances and both component texts.
struct MatchingNetwork
{
    int circuitVariant = 0; // 0 to 5, "A" to "F"
    double reactanceOne = 0; // ohms, as the panel shows them; −∞ is an open circuit
    double reactanceTwo = 0;
    QString elementOne; // the component texts the panel shows
    QString elementTwo;
};

// The four readings of a capture as the window's fields want them, the impedance and the
// matching network the window would show for them, and how precise they are.
struct CaptureMeasurement
{
    double frequencyMHz = 0;
    bool frequencyEstimated = false;
    double frequencySigmaMHz = 0; // 1 sigma of an estimated frequency; 0 for a given one
    double vReference = 0; // mV: half the reference channel's amplitude
    double vx = 0; // mV: the V_x channel's amplitude
    double delay = 0; // ns: how far V_x leads the reference; positive for an inductive load
    double sourceImpedance = 0; // Z0, ohms
    MeasuredRatio ratio; // V_x / V_CH1, whose angle is how far V_x leads
    // Z as the readings give it by the window's formula: what the bench shows, uncorrected.
    double rawR = 0; // ohms
    double rawX = 0;
    // Z, corrected by the calibration and taken through the feedline where they are given.
    double r = 0; // ohms
    double x = 0; // ohms
    double rSigma = 0; // 1 sigma, ohms, from the fits' residuals (and the standards')
    double xSigma = 0;
    bool calibrated = false;
    // Z at the feedline's input, where it was measured, when r and x are the antenna's at its
    // far end.
    std::optional<std::complex<double>> lineInput;
    // The matching network, when the load has a resistance that the fit can tell from 0.
    std::optional<MatchingNetwork> network;
    QString warning; // what a person should know about the result; empty for none
    double referenceResidualRms = 0; // mV
    double vxResidualRms = 0; // mV
    long long samples = 0;
};

// A part of the network as a number: henries for a coil (X ≥ 0, L = X/ω), farads for a
// capacitor (C = −1/(ω·X)); an open circuit (X = −∞) is a capacitor of 0 F.
struct ComponentValue
{
    bool coil = true;
    double value = 0; // H or F
};
ComponentValue componentValue(double reactance, double frequencyHz);

// The range of frequencies and source resistances that the method is meant for; outside
// it the readings of an oscilloscope cannot give a sound result.
constexpr double kLowestFrequencyMHz = 0.001; // 1 kHz
constexpr double kHighestFrequencyMHz = 10000; // 10 GHz
constexpr double kLowestSourceImpedance = 0.1; // ohms
constexpr double kHighestSourceImpedance = 10000;

// What the measured impedance goes through before it is reported: the calibration of the
// bench (its error terms at the capture's frequency), then the feedline between the point
// measured and the antenna. Either may be absent.
struct Corrections
{
    const Calibration *calibration = nullptr;
    const Feedline *line = nullptr;
};

// Fits a sine to each channel at the frequency (estimated from the capture when
// frequencyMHz is 0), turns the fits into the four readings, and computes Z, the circuit
// variant and both component texts with the program's own calculations, as the window does
// from the same readings; through the corrections where they are given (a frequency
// outside the calibrated span fails). Fails, with a message that says why, when the capture cannot
// give a sound result: fewer than two periods, too few samples per period, a channel that shows no
// signal above its resolution and noise, a reference channel that holds no sine at that frequency,
// an impedance that is not finite, a resistance below zero by more than three sigma (no passive
// antenna gives that). A resistance within three sigma of zero gives Z with a warning and no
// network: no lossless L-network matches a load without resistance.
Result<CaptureMeasurement> measureCapture(const Capture &capture, double frequencyMHz,
    double sourceImpedance, const Corrections &corrections = {});

// The sines fitted to both channels, as a picture draws them over the samples: each channel
// is amplitude·cos(2π·frequency·(t − origin) + phase) + offset, in mV, t in seconds.
struct FittedSines
{
    double frequencyHz = 0;
    double origin = 0; // s
    SineFit reference;
    SineFit vx;
};

// The same measurement with the sines it was taken from.
struct FittedMeasurement
{
    CaptureMeasurement measurement;
    FittedSines sines;
};
Result<FittedMeasurement> measureCaptureWithSines(const Capture &capture, double frequencyMHz,
    double sourceImpedance, const Corrections &corrections = {});

// How far apart, in their combined sigmas, two estimates of one frequency may lie. Over
// many simulated captures the estimates scatter about 1.2 times their predicted sigma, with
// an occasional one near 4 sigma: five leaves room for that, and is still a few ppm.
constexpr double kAgreeingFrequencySigmas = 5;

// Whether the two channels carry one frequency, as two files of one acquisition do: each
// channel's frequency is estimated alone, and they must agree within five times their
// combined sigma. A channel whose frequency cannot be estimated (no clean sine, as V_x of a
// short) is no evidence either way.
Status channelsShareFrequency(const Capture &capture);

// The same for a calibration standard: a short shows next to nothing at V_x, and that is
// its information, so V_x is never refused for showing no signal; only the readings and the
// ratio are given (no impedance, no network).
Result<CaptureMeasurement> measureStandard(
    const Capture &capture, double frequencyMHz, double sourceImpedance);

// What a measured (or corrected) impedance allows: the network that matches it, or a
// warning why there is none. R below zero by more than three sigma is refused (no passive
// antenna gives that); R within three sigma of zero gets a warning and no network.
struct ImpedanceVerdict
{
    std::optional<MatchingNetwork> network;
    QString warning;
};
Result<ImpedanceVerdict> judgeImpedance(
    std::complex<double> z, double rSigma, double sourceImpedance, double frequencyHz);

#endif // CAPTUREMEASUREMENT_H
