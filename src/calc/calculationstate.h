#ifndef CALCULATIONSTATE_H
#define CALCULATIONSTATE_H

#include <cstdint>

// What the two calculating actions, the matching solver and the chart share. Impedances and
// reactances are in ohms; angles in radians as atan2 gives them, measured at arcCenter from
// the positive real direction, positive towards positive reactance.
struct CalculationState
{
    double sourceImpedance = 50.0; // Z0, the transceiver's resistance
    double zReal = 0.0; // R of the antenna impedance Z
    double zImag = 0.0; // X of Z; above zero is inductive
    double turnReal = 0.0; // where the matching path passes from one element to the other
    double turnImag = 0.0; // zero (either sign) means there is no path to draw
    std::int32_t circuitVariant = 0; // 0 to 5, shown as "A" to "F"
    double reactanceOne = 0.0; // the element next to the load
    double reactanceTwo = 0.0; // the element on the source side
    double arcCenter = 0.0; // centre, and radius, of the curved stretch's conductance circle
    double arcStartAngle = 0.0;
    double arcEndAngle = 0.0; // always the turn point
};

// The one instance of the process. It lives as long as the process and is never reset.
extern CalculationState calculationState;

#endif // CALCULATIONSTATE_H
