#include "componenttext.h"

#include "numbertext.h"

namespace {
// The component values have always been computed with this shortened π; the capacitor
// factor is 1 / (2 × 3.1415926) as a double, not 1 / (2π).
constexpr double kPi = 3.1415926;
constexpr double kCapacitorFactor = 0.15915494580678602;
constexpr double kPicofaradsPerFarad = 1e12;
constexpr double kNanohenriesPerHenry = 1e9;
} // namespace

QChar circuitLetter(int variant)
{
    return QLatin1String("ABCDEF").at(variant);
}

QString componentText(double reactance, double frequencyHz)
{
    if (reactance < 0) {
        // X = −1 / (2π·f·C), so C = 1 / (2π·f·|X|). Example: −10 Ω at 10 MHz is 1591.55 pF.
        const double picofarads
            = kCapacitorFactor / (-reactance) / frequencyHz * kPicofaradsPerFarad;
        return QStringLiteral("Capacitor of ") + numberText(picofarads) + QStringLiteral(" pF");
    }
    // X = 2π·f·L, so L = X / (2π·f). Example: +10 Ω at 10 MHz is 159.155 nH.
    const double nanohenries = reactance * 0.5 / kPi / frequencyHz * kNanohenriesPerHenry;
    return QStringLiteral("Coil of ") + numberText(nanohenries) + QStringLiteral(" nH");
}
