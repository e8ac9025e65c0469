#ifndef TOUCHSTONE_H
#define TOUCHSTONE_H

#include "result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <complex>
#include <vector>

// A one-port sweep as Touchstone files carry it: the reflection coefficient S11 at each
// frequency, referred to one real reference resistance.
struct TouchstonePoint
{
    double frequencyHz = 0;
    std::complex<double> s11;
};

struct TouchstoneSweep
{
    double referenceOhm = 50;
    std::vector<TouchstonePoint> points; // frequencies strictly ascending
};

// Z = R·(1 + Γ)/(1 − Γ) and back, Γ = (Z − R)/(Z + R). Γ = 1 (an open circuit) gives an
// infinite Z; Z = −R gives an infinite Γ.
std::complex<double> impedanceFromReflection(std::complex<double> s11, double referenceOhm);
std::complex<double> reflectionFromImpedance(std::complex<double> z, double referenceOhm);

// A version 1.1 one-port file: the comment lines (each written after "! "), the option
// line "# MHz S RI R <reference>", then one line per frequency with the real and imaginary
// parts of S11, all numbers at full precision, lines ending in "\n".
QByteArray writeTouchstone(const TouchstoneSweep &sweep, const QStringList &comments);

// Reads a version 1 one-port file (.s1p), as VNA programs, simulators and scikit-rf write
// it. The option line "# <unit> <parameter> <format> R <n>" may give its tokens in any
// order and case; missing tokens, or a missing line, take the format's defaults
// (GHz S MA R 50). Units Hz, kHz, MHz and GHz; parameters S, and Z or Y normalised to R;
// formats RI (real, imaginary), MA (magnitude, angle) and DB (20·log10 of the magnitude,
// angle), angles in degrees. Comments ("!") may stand anywhere, also after the numbers.
// Whatever else is in the file (more than one port, frequencies that do not ascend, a
// missing value, text among the numbers, a reference that is not above 0, a number that
// is not finite) is an error naming the file and the line: "sweep.s1p:12: expected a
// number, found 'abc'". `fileName` only names the file in messages.
Result<TouchstoneSweep> readTouchstone(const QByteArray &content, const QString &fileName);

// The same for a file on disk, at most 256 MiB; "-" reads standard input.
Result<TouchstoneSweep> readTouchstoneFile(const QString &path);

#endif // TOUCHSTONE_H
