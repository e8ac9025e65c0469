#ifndef IMPEDANCEFROMMEASUREMENT_H
#define IMPEDANCEFROMMEASUREMENT_H

#include <complex>

// Computes the antenna impedance Z from an oscilloscope measurement and stores it in
// calculationState.zReal and zImag. The source resistance Z0 is taken from
// calculationState.sourceImpedance, which the caller sets first.
//
// The bench: a generator drives Z0 and the antenna in series. CH1 probes the generator's
// terminal, before Z0; CH2 probes the antenna, after Z0.
//
// vRef:  V_reference, half the amplitude that CH1 shows, mV. Twice it is the voltage that
//        drives Z0 and the antenna; CH1 is the phase reference.
// vX:    V_x, the amplitude that CH2 shows across the antenna, mV (only vX / vRef matters,
//        so both may be peak, peak-to-peak or RMS, as long as they are read alike)
// delay: how far V_x is ahead of CH1, ns: the time of a CH1 crest minus the time of the
//        nearest CH2 crest. Positive when V_x's crest comes first (an inductive antenna),
//        negative when it comes later (a capacitive one).
// freq:  measuring frequency, MHz
void impedanceFromMeasurement(double vRef, double vX, double delay, double freq);

// The same computation with Z0 given, returning Z: what impedanceFromMeasurement stores,
// bit for bit, for callers that keep no shared record.
std::complex<double> impedanceFrom(
    double sourceImpedance, double vRef, double vX, double delay, double freq);

#endif // IMPEDANCEFROMMEASUREMENT_H
