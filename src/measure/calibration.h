#ifndef CALIBRATION_H
#define CALIBRATION_H

#include "result.h"
#include "sinefit.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <complex>
#include <optional>
#include <vector>

// The measuring setup read as a one-port: the ratio g = V_CH2 / V_CH1 that the fits give
// and the reflection coefficient Γ = (Z − Z0)/(Z + Z0) of the antenna against the typed Z0.
// On an ideal bench g = (1 + Γ)/2, so that Z = Z0·g/(1 − g). On a real one a probe's
// capacitance, the lead from the CH2 point to the antenna, the skew and the gain between
// the channels and a Z0 off its typed value all act linearly on the voltages, and
//     g = e00 + e01·Γ / (1 − e11·Γ)
// holds for any load, with three complex terms that three known loads fix: an open, a
// short and a load resistor at the antenna's terminals.

// What the three standards are. A real open has some capacitance (its connector's, a few
// pF), a real short some inductance (its wire's, a few nH); 0 means an ideal one. The load
// resistor is taken as R + jX at every frequency.
struct StandardDefinitions
{
    double openFarad = 0;
    double shortHenry = 0;
    std::complex<double> loadOhm {50, 0};
};

// The standards' reflection coefficients at a frequency against Z0.
struct StandardReflections
{
    std::complex<double> open;
    std::complex<double> shortCircuit;
    std::complex<double> load;
};
StandardReflections standardReflections(
    const StandardDefinitions &definitions, double z0, double hertz);

// How the three terms move with one reading that went into them: each term changes by
// its coefficient times (du + j·dv) of that reading, whose spread is given.
struct TermSensitivity
{
    std::complex<double> e00;
    std::complex<double> e01;
    std::complex<double> e11;
    double logMagnitudeVariance = 0;
    double phaseVariance = 0;
    double covariance = 0;
};

// The three terms: e00 (what the setup reads for a matched load: its directivity), e01
// (the tracking between the channels) and e11 (the source match, what the setup reflects
// back towards the antenna); and how they move with the standards' readings, whose noise
// every corrected impedance carries.
struct ErrorTerms
{
    std::complex<double> e00;
    std::complex<double> e01;
    std::complex<double> e11;
    std::vector<TermSensitivity> sources;
};

// The terms from the three standards' readings at one frequency. Refuses definitions that
// give two standards the same Γ, readings of two standards that agree within three times
// their combined sigma ("the open and the load give the same reading …": a standard that
// was not connected, or the same capture given twice), a Z0 or frequency not above 0.
Result<ErrorTerms> solveErrorTerms(const MeasuredRatio &open, const MeasuredRatio &shortCircuit,
    const MeasuredRatio &load, const StandardDefinitions &definitions, double z0, double hertz);

// An impedance found through the terms, with the 1-sigma spread of R and X from the
// measurement's noise and from the standards'. `reflection` is Γ against Z0: |Γ| > 1
// (R < 0) is no passive load, and is the caller's to judge.
struct Corrected
{
    std::complex<double> z;
    double rSigma = 0; // ohms
    double xSigma = 0;
    std::complex<double> reflection;
};

// Γ = (g − e00) / (e01 + e11·(g − e00)), Z = Z0·(1 + Γ)/(1 − Γ). Refuses a reading that
// maps to Γ = 1 (an open: no finite impedance) or whose spread comes out infinite.
Result<Corrected> correct(const ErrorTerms &terms, const MeasuredRatio &measured, double z0);

// A standard's capture at a frequency, for a calibration of several frequencies.
struct StandardReading
{
    double frequencyHz = 0;
    MeasuredRatio ratio;
    QString file; // the capture it came from, for the record
};

// One calibrated frequency: the three readings and the terms they give.
struct CalibrationPoint
{
    double frequencyHz = 0;
    StandardReading open;
    StandardReading shortCircuit;
    StandardReading load;
    ErrorTerms terms;
};

// A calibration of the setup at the frequencies where its standards were measured.
struct Calibration
{
    double z0Ohm = 50;
    StandardDefinitions definitions;
    std::vector<CalibrationPoint> points; // ascending in frequency
    QDateTime date; // when the standards were measured
};

// The calibration from each standard's captures: an open, a short and a load whose
// frequencies agree within 0.1 % are one point, at their mean frequency. A frequency with
// a standard missing, or with two captures of one standard, is an error that names it.
Result<Calibration> buildCalibration(const std::vector<StandardReading> &opens,
    const std::vector<StandardReading> &shorts, const std::vector<StandardReading> &loads,
    const StandardDefinitions &definitions, double z0, const QDateTime &date);

// The terms at a frequency: a calibrated frequency's own, between two the linear
// interpolation of each term's real and imaginary parts, within 1 % outside the span the
// nearest end's. Farther outside is refused: a calibration is never extrapolated.
Result<ErrorTerms> termsAt(const Calibration &calibration, double hertz);

// A calibration made for another Z0 than the measurement's: the message that says so.
std::optional<Failure> referenceMismatch(const Calibration &calibration, double z0);

// The calibration as JSON: version 1, z0Ohm, openFarad, shortHenry, loadOhm {r, x}, date
// (ISO 8601), and per point frequencyHz, the terms e00, e01, e11 {re, im} and each
// standard's reading {re, im, logMagnitudeVariance, phaseVariance, covariance, file}.
QByteArray calibrationJson(const Calibration &calibration);

// Reads what calibrationJson writes. Refuses whatever is not such a calibration, with the
// reason: not JSON, another version, a key missing or of the wrong kind, a number that is
// not finite, terms that do not follow from the standards' readings. `fileName` only names
// the file in messages.
Result<Calibration> readCalibration(const QByteArray &content, const QString &fileName);

#endif // CALIBRATION_H
