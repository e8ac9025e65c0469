#include "numbertext.h"

QString numberText(double value)
{
    return QString::number(value, 'g', 6);
}

double numberFromText(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    // Many users write the decimal comma. A text that the C locale rejects and that holds
    // exactly one comma and no point reads as the same text written with a point:
    // "27,8" is 27.8 and "-1,5e3" is -1500. Anything else reads as toDouble gives it, so
    // "2,0,0" and letters stay 0.
    if (!ok && text.count(QLatin1Char(',')) == 1 && !text.contains(QLatin1Char('.'))) {
        return QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    }
    return value;
}
