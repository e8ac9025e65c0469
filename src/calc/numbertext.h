#ifndef NUMBERTEXT_H
#define NUMBERTEXT_H

#include <QString>

// The text of a number as every field of the program shows it: at most six significant
// digits, trailing zeros dropped, exponent form for very large or small magnitudes
// ("1e+06"), and "inf", "-inf" or "nan" as the toolkit spells them.
QString numberText(double value);

// A field's text as a number. Text that is not a number (empty, letters, a decimal comma)
// reads as 0: the program never rejects input.
double numberFromText(const QString &text);

#endif // NUMBERTEXT_H
