#ifndef SOLVEMATCHING_H
#define SOLVEMATCHING_H

#include "conductancearc.h"

// The L-network that the solver finds for a load, as values: what solveMatching writes
// into calculationState, for callers that keep no shared record (the companions, the
// pictures, the tests).
struct MatchingSolution
{
    int circuitVariant = 0; // 0 to 5, "A" to "F"
    double reactanceOne = 0; // ohms; the element next to the load
    double reactanceTwo = 0; // ohms; the element on the source side
    // Variants "A" to "D": element one in series with the load, element two across the
    // source's terminals. "E" and "F": element one across the load, element two in series.
    bool shuntAcrossSource = true;
    double turnReal = 0; // where the path passes from one element to the other
    double turnImag = 0;
    ConductanceArc arc;
};

// The solver itself: the same arithmetic, bit for bit, as solveMatching, which calls it.
MatchingSolution matchingSolution(double sourceImpedance, double r, double x);

// Finds the L-network of two pure reactances that transforms the antenna impedance
// Z = zReal + j·zImag into the source resistance Z0 = sourceImpedance, all read from
// calculationState. Writes the circuit variant, both reactances and the geometry of the
// matching path (turn point and arc) back into calculationState.
//
// Variants 0 to 3 ("A" to "D", R ≤ Z0): reactanceOne in series with the load carries Z
// vertically onto the source's conductance circle; reactanceTwo across the source's
// terminals carries it along that circle to Z0.
// Variants 4 and 5 ("E", "F", R > Z0): reactanceOne across the load carries Z along its own
// conductance circle to real part Z0; reactanceTwo in series carries it down to Z0.
//
// R exactly equal to Z0 needs no shunt element: reactanceTwo is then −∞, an open circuit.
// Never fails: degenerate input gives NaN or infinite results, stored as they come.
void solveMatching();

#endif // SOLVEMATCHING_H
