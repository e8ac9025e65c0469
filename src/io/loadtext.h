#ifndef LOADTEXT_H
#define LOADTEXT_H

#include <QString>

#include <complex>

// An impedance written as people write it: "41.97-27.05j", "41,97 - j27,05", "50", "-j30",
// "75 + j10 Ohm" (j or i before or after the number, a decimal comma, the unit). True
// when the text reads; "50+j" (j without a number) does not.
bool parseLoad(const QString &text, std::complex<double> *load);

#endif // LOADTEXT_H
