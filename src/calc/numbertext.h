#ifndef NUMBERTEXT_H
#define NUMBERTEXT_H

#include <QString>
#include <QStringList>

// The text of a number as every field of the program shows it: at most six significant
// digits, trailing zeros dropped, exponent form for very large or small magnitudes
// ("1e+06"), and "inf", "-inf" or "nan" as the toolkit spells them.
QString numberText(double value);

// A field's text as a number, in the C locale's notation or with one decimal comma instead
// of the point ("27,8"). Any other text that is not a number (empty, letters, "2,0,0")
// reads as 0: the program never rejects input.
double numberFromText(const QString &text);

// The same for a field with a unit: a number followed by one of the field's units, with
// or without a blank, in any case ("27.8 mV", "2ns", "18.13 MHZ", "50 Ω"), reads as the
// number. Any other text reads as numberFromText reads it.
double numberFromText(const QString &text, const QStringList &units);

#endif // NUMBERTEXT_H
