#ifndef UNITS_H
#define UNITS_H

// The constants and unit conversions of the companions, written once. The window keeps its
// own two shortened values of π (3.1415926535897 for the measurement, 3.1415926 for the
// component values and the chart): they are part of the results it shows.

constexpr double kPi = 3.141592653589793;
constexpr double kRadiansPerDegree = kPi / 180;
constexpr double kHertzPerMegahertz = 1e6;
constexpr double kMillivoltsPerVolt = 1000;
constexpr double kNanosecondsPerSecond = 1e9;
constexpr double kSpeedOfLight = 299792458; // m/s
// Decibels of power per neper of amplitude: 20·log10(e).
constexpr double kDecibelsPerNeper = 8.685889638065037;

// ω = 2πf, in rad/s for hertz.
constexpr double angularFrequency(double hertz)
{
    return 2 * kPi * hertz;
}

// A coil's reactance is X = ωL, a capacitor's X = −1/(ωC); and back.
constexpr double reactanceOfInductance(double henry, double hertz)
{
    return angularFrequency(hertz) * henry;
}
constexpr double reactanceOfCapacitance(double farad, double hertz)
{
    return -1 / (angularFrequency(hertz) * farad);
}
constexpr double inductanceOf(double reactance, double hertz)
{
    return reactance / angularFrequency(hertz);
}
constexpr double capacitanceOf(double reactance, double hertz)
{
    return -1 / (angularFrequency(hertz) * reactance);
}

#endif // UNITS_H
