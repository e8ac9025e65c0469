#include "loadtext.h"

#include "decimaltext.h"

#include <QRegularExpression>

#include <cmath>

bool parseLoad(const QString &text, std::complex<double> *load)
{
    // R, then an optional signed imaginary part with j before or after its number.
    static const QRegularExpression pattern(QStringLiteral(
        "^\\s*([+-]?\\d+(?:[.,]\\d*)?(?:[eE][+-]?\\d+)?)?\\s*(?:([+-])\\s*(?:[jJiI]\\s*)?"
        "(\\d+(?:[.,]\\d*)?(?:[eE][+-]?\\d+)?)?\\s*(?:[jJiI])?)?\\s*(?:ohm|Ohm|\\x{03a9})?\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch() || text.trimmed().isEmpty()) {
        return false;
    }
    const auto number = [](const QString &t, double *value) {
        bool ok = false;
        *value = decimalNumber(t, &ok);
        return ok && std::isfinite(*value);
    };
    double r = 0;
    double x = 0;
    const QString real = match.captured(1);
    const QString sign = match.captured(2);
    const QString imaginary = match.captured(3);
    const bool hasJ = text.contains(QRegularExpression(QStringLiteral("[jJiI]")));
    if (!real.isEmpty() && !number(real, &r)) {
        return false;
    }
    if (!sign.isEmpty()) {
        if (!hasJ
            || (imaginary.isEmpty()
                && !text.contains(QRegularExpression(QStringLiteral("[+-]\\s*[jJiI]\\s*$"))))) {
            return false;
        }
        // "50+j" has no imaginary part to read: j alone is no number, not j1.
        if (imaginary.isEmpty() || !number(imaginary, &x)) {
            return false;
        }
        x = sign == QLatin1String("-") ? -x : x;
    } else if (real.isEmpty() || hasJ) {
        return false;
    }
    *load = {r, x};
    return true;
}
