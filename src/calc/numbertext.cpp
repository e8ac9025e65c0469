#include "numbertext.h"

QString numberText(double value)
{
    return QString::number(value, 'g', 6);
}

double numberFromText(const QString &text)
{
    return text.toDouble();
}
