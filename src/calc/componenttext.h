#ifndef COMPONENTTEXT_H
#define COMPONENTTEXT_H

#include <QString>

// The component that has the given reactance (ohms) at the given frequency (Hz), as the
// panel shows it: "Capacitor of 389.848 pF" for a negative reactance, otherwise
// "Coil of 230.693 nH" (a reactance of zero, or NaN, counts as a coil).
QString componentText(double reactance, double frequencyHz);

// The letter of a circuit variant, 0 to 5, as the panel and the matching-circuits picture
// name it: "A" to "F".
QChar circuitLetter(int variant);

#endif // COMPONENTTEXT_H
