#include "decimaltext.h"

double decimalNumber(const QString &text, bool *ok)
{
    bool isNumber = false;
    double value = text.toDouble(&isNumber);
    if (!isNumber && text.count(QLatin1Char(',')) == 1 && !text.contains(QLatin1Char('.'))) {
        value = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&isNumber);
    }
    if (ok) {
        *ok = isNumber;
    }
    return value;
}
