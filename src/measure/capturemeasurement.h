#ifndef CAPTUREMEASUREMENT_H
#define CAPTUREMEASUREMENT_H

#include <QString>

struct Capture;

// The four readings of a capture as the window's fields want them, the impedance and the
// matching network the window would show for them, and how precise they are.
struct CaptureMeasurement
{
    double frequencyMHz = 0;
    bool frequencyEstimated = false;
    double vReference = 0; // mV: half the reference channel's amplitude
    double vx = 0; // mV: the V_x channel's amplitude
    double delay = 0; // ns: how far V_x leads the reference; positive for an inductive load
    double sourceImpedance = 0; // Z0, ohms
    double r = 0; // ohms
    double x = 0; // ohms
    double rSigma = 0; // 1 sigma, ohms, from the fits' residuals
    double xSigma = 0;
    int circuitVariant = 0; // 0 to 5, "A" to "F"
    QString elementOne; // the component texts the panel shows
    QString elementTwo;
    double referenceResidualRms = 0; // mV
    double vxResidualRms = 0; // mV
    int samples = 0;
};

// Fits a sine to each channel at the frequency (estimated from the capture when
// frequencyMHz is 0), turns the fits into the four readings, and computes Z, the circuit
// variant and both component texts with the program's own calculations, as the window does
// from the same readings. Returns false, with a message that says why, when the capture
// cannot give a sound result: fewer than two periods, too few samples per period, a
// reference channel that holds no sine at that frequency, an impedance that is not finite.
bool measureCapture(const Capture &capture, double frequencyMHz, double sourceImpedance,
    CaptureMeasurement *result, QString *error);

#endif // CAPTUREMEASUREMENT_H
