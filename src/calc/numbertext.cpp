#include "numbertext.h"

#include "decimaltext.h"

QString numberText(double value)
{
    return QString::number(value, 'g', 6);
}

double numberFromText(const QString &text)
{
    // Many users write the decimal comma: "27,8" is 27.8 and "-1,5e3" is -1500. Any other
    // text that is no number reads as toDouble gives it, so "2,0,0" and letters are 0.
    return decimalNumber(text);
}

double numberFromText(const QString &text, const QStringList &units)
{
    const QString trimmed = text.trimmed();
    for (const QString &unit : units) {
        if (trimmed.size() > unit.size() && trimmed.endsWith(unit, Qt::CaseInsensitive)) {
            const QString number = trimmed.left(trimmed.size() - unit.size());
            // Only a whole number before the unit: "2e" of "2ens" is no number.
            bool ok = false;
            const double value = decimalNumber(number, &ok);
            if (ok) {
                return value;
            }
        }
    }
    return numberFromText(text);
}
