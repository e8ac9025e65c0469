#ifndef NUMBERTEXT_H
#define NUMBERTEXT_H

#include <QString>

// The text of a number as every field of the program shows it: at most six significant
// digits, trailing zeros dropped, exponent form for very large or small magnitudes
// ("1e+06"), and "inf", "-inf" or "nan" as the toolkit spells them.
QString numberText(double value);

// A field's text as a number, in the C locale's notation or with one decimal comma instead
// of the point ("27,8"). Any other text that is not a number (empty, letters, "2,0,0")
// reads as 0: the program never rejects input.
double numberFromText(const QString &text);

#endif // NUMBERTEXT_H
