#ifndef IMPEDANCEFROMMEASUREMENT_H
#define IMPEDANCEFROMMEASUREMENT_H

// Computes the antenna impedance Z from an oscilloscope measurement and stores it in
// calculationState.zReal and zImag. The source resistance Z0 is taken from
// calculationState.sourceImpedance, which the caller sets first.
//
// vRef:  amplitude of the reference voltage (generator side of Z0), mV
// vX:    amplitude of the voltage across the antenna, mV (only vX / vRef matters)
// delay: delay of the antenna voltage against the reference, ns
// freq:  measuring frequency, MHz
void impedanceFromMeasurement(double vRef, double vX, double delay, double freq);

#endif // IMPEDANCEFROMMEASUREMENT_H
