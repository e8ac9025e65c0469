#ifndef PARTS_H
#define PARTS_H

#include <QString>

#include <vector>

// Parts that a radio amateur can buy or wind, for a reactance at a frequency.

// The E series of preferred values, E6, E12 or E24: the values of one decade.
std::vector<double> eSeries(int series);

// An iron-powder toroid: its name ("T50-2") and its inductance index AL in nH per turn²,
// the maker's "µH per 100 turns" (L = AL·N²).
struct ToroidCore
{
    const char *name;
    double alNanohenry;
    double insideDiameterMetre; // the hole the turns go through
};
const std::vector<ToroidCore> &toroidCores();
const ToroidCore *findCore(const QString &name); // any case; nullptr when unknown

// Wheeler's formula for a single-layer air coil, L = d²·N² / (18·d + 40·l) microhenries
// with the diameter d and the length l in inches; here in metres and henries.
double wheelerInductance(double diameterMetre, double lengthMetre, int turns);

// How the coils are made: on a toroid, or as air coils of a diameter wound at a pitch.
struct CoilForm
{
    const ToroidCore *core = nullptr; // a toroid, or nullptr for an air coil
    double airDiameterMetre = 0;
    double airPitchMetre = 0.001; // the length each turn takes
};

// A part as built: a coil of whole turns, or one or two capacitors of preferred values in
// parallel; its value in henries or farads and a text a person can buy or wind it by.
struct BuiltPart
{
    bool coil = true;
    double value = 0; // H or F
    int turns = 0; // of a coil
    std::vector<double> capacitors; // F, in parallel
    QString text; // "12 turns on T50-2 (706 nH)", "470 pF + 56 pF in parallel"
};

// The coil of whole turns whose inductance is nearest `henry` (at least one turn). A coil
// that needs more turns than any coil of the form can have gets the most it can have.
BuiltPart coilFor(double henry, const CoilForm &form);

// The copper wire that carries `currentRms` amperes of RF: 5 A per square millimetre of its
// section, at least 0.3 mm (thinner wire is hard to wind and easy to break).
double wireDiameterMetre(double currentRms);

// The turns of that wire that fit in one layer around the inside of the core: its inside
// circumference, less a wire's width for the gap, in wire widths.
int turnsInOneLayer(const ToroidCore &core, double wireDiameterMetre);

// Why a coil cannot be wound as it is, with what would work instead: more turns than fit
// in one layer on its core (with the smallest core of the table that holds them, or the
// advice to wind it in air), or more than the most turns an air coil may have. Empty for
// a coil that can be wound, and for a capacitor.
QString windingProblem(const BuiltPart &part, const CoilForm &form, double currentRms);

// The capacitor of the series nearest `farad` (in ratio), or, with `pair`, the two in
// parallel whose sum comes nearest.
BuiltPart capacitorFor(double farad, int series, bool pair);

// A value in sensible units: "119 pF", "4.7 nF", "78.1 nH", "1.28 µH", to `digits`
// significant digits.
QString engineeringText(double value, const QString &unit, int digits = 3);

#endif // PARTS_H
