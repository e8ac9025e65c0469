#ifndef DECIMALTEXT_H
#define DECIMALTEXT_H

#include <QString>

// A number as people write it: in the C locale's notation ("-1.5e3"), or with one decimal
// comma in place of the point ("27,8", "-1,5e3"), as many European users type it. A text
// with a comma and a point, or two commas ("2,0,0"), is no number: the comma may separate
// thousands there, and guessing would give a wrong value.
// Like QString::toDouble, `ok` (when given) says whether the text is a number, and what is
// none gives the toolkit's value for it: 0, or an infinity for a number beyond a double
// ("1e999").
double decimalNumber(const QString &text, bool *ok = nullptr);

#endif // DECIMALTEXT_H
