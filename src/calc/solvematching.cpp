#include "solvematching.h"

#include "calculationstate.h"
#include "conductancearc.h"

#include <cmath>
#include <complex>
#include <limits>

namespace {

enum Variant : int { A, B, C, D, E, F };

// The source's conductance circle has centre and radius Z0/2. A load strictly inside it has
// a conductance above 1/Z0 and needs series inductance first (B) or series capacitance (C);
// one on or outside it needs the opposite (A, D). Loads above Z0 cannot reach the source's
// circle with a series element and go through their own circle first (E, F).
// Exact equalities (on the circle, R equal to Z0, X of zero) fall to the first case named.
int variantFor(double source, double r, double x)
{
    const double half = source * 0.5;
    const double distance = std::sqrt((r - half) * (r - half) + x * x);
    const bool inside = distance < half;
    const bool beyond = r > source;
    if (x >= 0) {
        return beyond ? E : (inside ? B : A);
    }
    return beyond ? F : (inside ? C : D);
}

} // namespace

MatchingSolution matchingSolution(double sourceImpedance, double r, double x)
{
    const double s = sourceImpedance;
    const int variant = variantFor(s, r, x);
    MatchingSolution result;
    ConductanceArc &arc = result.arc;

    if (variant <= D) {
        // Series element first: straight up or down from Z to the turn point T on the
        // source's circle, on Z's side of the real axis. Then the shunt element that puts
        // S in parallel with T's admittance: jXp ∥ T = S, so jXp = S·T / (T − S).
        arc.setCenter(s * 0.5);
        double o = arc.ordinateAt(r);
        if (x < 0) {
            o = -o;
        }
        result.turnReal = r;
        result.turnImag = o;
        result.reactanceOne = o - x;
        const std::complex<double> divisor(r - s, o);
        if (divisor == std::complex<double>(0, 0)) {
            // T is Z0 itself (R equal to Z0): the series element alone matches, and the
            // shunt element is an open circuit, an infinite reactance. −∞ reads as a
            // capacitor of 0 pF, that is no part at all; the division would give NaN.
            result.reactanceTwo = -std::numeric_limits<double>::infinity();
        } else {
            const std::complex<double> product
                = std::complex<double>(s, 0) * std::complex<double>(r, o);
            result.reactanceTwo = (product / divisor).imag();
        }
        arc.setStartAngle(s, 0);
        arc.setEndAngle(result.turnReal, result.turnImag);
    } else {
        // Shunt element first: along Z's own conductance circle to the point T whose real
        // part is Z0, then a series element from T down (or up) to Z0.
        // jXp ∥ Z = T gives jXp = Z·T / (Z − T).
        arc.setCenterThrough(r, x);
        double h = arc.ordinateAt(s);
        if (x < 0) {
            h = -h;
        }
        result.turnReal = s;
        result.turnImag = h;
        const std::complex<double> z(r, x);
        const std::complex<double> turn(s, h);
        result.reactanceOne = (z * turn / std::complex<double>(r - s, x - h)).imag();
        result.reactanceTwo = -h;
        arc.setStartAngle(r, x);
        arc.setEndAngle(result.turnReal, result.turnImag);
    }
    result.circuitVariant = variant;
    result.shuntAcrossSource = variant <= D;
    return result;
}

void solveMatching()
{
    CalculationState &state = calculationState;
    const MatchingSolution solution
        = matchingSolution(state.sourceImpedance, state.zReal, state.zImag);
    state.turnReal = solution.turnReal;
    state.turnImag = solution.turnImag;
    state.reactanceOne = solution.reactanceOne;
    state.reactanceTwo = solution.reactanceTwo;
    state.circuitVariant = solution.circuitVariant;
    state.arcCenter = solution.arc.center;
    state.arcStartAngle = solution.arc.startAngle;
    state.arcEndAngle = solution.arc.endAngle;
}
