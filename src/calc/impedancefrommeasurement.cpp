#include "impedancefrommeasurement.h"

#include "calculationstate.h"

#include <cmath>
#include <complex>

namespace {
// The measurement has always used this thirteen-decimal value; it is part of its results.
constexpr double kPi = 3.1415926535897;
constexpr double kNanosecondsPerSecond = 1e9;
constexpr double kHertzPerMegahertz = 1e6;
} // namespace

// CH1 shows the voltage 2·vRef that drives Z0 and the antenna in series, at phase 0; the
// generator's own resistance lies before that point and does not enter. The antenna's
// voltage vX·e^{jφ} leads CH1 by φ = 2π·f·delay, so a positive delay (V_x's crest first) is
// a positive phase. The divider
//     vX·e^{jφ} = 2·vRef · Z / (Z0 + Z)
// solved for Z gives Z = Z0·V / (2·vRef − V) with V = vX·e^{jφ}. A coil leads: for
// Z = 20 + j30 on 50 Ω the divider gives V = 2·vRef · 0.4734∠+0.578 rad, a positive delay.
// Example: Z0 50, vRef 32, vX 27.8, 2 ns at 18.13 MHz: φ ≈ 0.2278 rad, Z ≈ 34.2409 + j14.3275.
std::complex<double> impedanceFrom(
    double sourceImpedance, double vRef, double vX, double delay, double freq)
{
    const double phase = (delay / kNanosecondsPerSecond) * (freq * kHertzPerMegahertz) * 2 * kPi;
    const double vRe = vX * std::cos(phase);
    const double vIm = vX * std::sin(phase);
    const double z0 = sourceImpedance;

    const std::complex<double> numerator(z0 * vRe, z0 * vIm);
    const std::complex<double> denominator(2 * vRef - vRe, 0 - vIm);
    // The conforming complex division: scaled, and a zero denominator gives signed
    // infinities (or NaN for a zero part), never a trap.
    return numerator / denominator;
}

void impedanceFromMeasurement(double vRef, double vX, double delay, double freq)
{
    const std::complex<double> z
        = impedanceFrom(calculationState.sourceImpedance, vRef, vX, delay, freq);
    calculationState.zReal = z.real();
    calculationState.zImag = z.imag();
}
