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

double numberFromText(const QString &text, const QStringList &units)
{
    const QString trimmed = text.trimmed();
    for (const QString &unit : units) {
        if (trimmed.size() > unit.size() && trimmed.endsWith(unit, Qt::CaseInsensitive)) {
            const QString number = trimmed.left(trimmed.size() - unit.size());
            // Only a whole number before the unit: "2e" of "2ens" is no number.
            bool ok = false;
            number.toDouble(&ok);
            if (!ok && number.count(QLatin1Char(',')) == 1 && !number.contains(QLatin1Char('.'))) {
                QString(number).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
            }
            if (ok) {
                return numberFromText(number);
            }
        }
    }
    return numberFromText(text);
}
