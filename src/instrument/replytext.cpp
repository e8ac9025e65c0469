#include "replytext.h"

#include "printabletext.h"

#include <QList>

#include <cmath>

QString quotedReply(const QByteArray &bytes, int maxCharacters)
{
    QString text;
    const qsizetype shown = std::min<qsizetype>(bytes.size(), maxCharacters);
    for (qsizetype i = 0; i < shown; ++i) {
        const auto byte = static_cast<unsigned char>(bytes.constData()[i]);
        if (byte >= 0x20 && byte < 0x7f) {
            text += QLatin1Char(char(byte));
        } else {
            text += QStringLiteral("\\x%1").arg(uint(byte), 2, 16, QLatin1Char('0'));
        }
    }
    if (bytes.size() > shown) {
        text += QStringLiteral("…");
    }
    // The escaping above leaves nothing for printableText to change; it stays as the one
    // rule for text shown on a terminal.
    return QLatin1Char('\'') + printableText(text) + QLatin1Char('\'');
}

std::optional<double> replyNumber(const QByteArray &text)
{
    const QByteArray trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    for (const char c : trimmed) {
        // QByteArray::toDouble also reads "inf" and "nan"; an instrument's number never is.
        if (!((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E')) {
            return std::nullopt;
        }
    }
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> replyQuantity(const QByteArray &reply, const QByteArray &unit)
{
    QByteArray text = reply.trimmed();
    // The header ("C1:VDIV", "TRDL") ends at the first blank; a reply without one is the
    // number alone.
    const qsizetype blank = text.indexOf(' ');
    if (blank >= 0) {
        text = text.mid(blank + 1).trimmed();
    }
    if (text.size() >= unit.size() && text.right(unit.size()).toLower() == unit.toLower()) {
        text.chop(unit.size());
    }
    double scale = 1;
    if (!text.isEmpty()) {
        struct Prefix
        {
            char letter;
            double scale;
        };
        static constexpr Prefix kPrefixes[] = {{'G', 1e9}, {'M', 1e6}, {'k', 1e3}, {'K', 1e3},
            {'m', 1e-3}, {'u', 1e-6}, {'n', 1e-9}, {'p', 1e-12}};
        for (const Prefix &prefix : kPrefixes) {
            if (text.endsWith(prefix.letter)) {
                scale = prefix.scale;
                text.chop(1);
                break;
            }
        }
    }
    const std::optional<double> number = replyNumber(text);
    if (!number) {
        return std::nullopt;
    }
    return *number * scale;
}

QList<QByteArray> replyFields(const QByteArray &reply)
{
    QList<QByteArray> fields = reply.trimmed().split(',');
    for (QByteArray &field : fields) {
        field = field.trimmed();
    }
    return fields;
}

double oneTwoFiveAtLeast(double value)
{
    if (!(value > 0) || !std::isfinite(value)) {
        return value;
    }
    double decade = std::pow(10.0, std::floor(std::log10(value)));
    for (;;) {
        for (const double step : {1.0, 2.0, 5.0}) {
            if (step * decade >= value * (1 - 1e-6)) {
                return step * decade;
            }
        }
        decade *= 10;
    }
}

QString secondsText(long long milliseconds)
{
    return QStringLiteral("%1 s").arg(double(milliseconds) / 1000, 0, 'g', 3);
}

QString identificationText(const QByteArray &reply)
{
    const QString quoted = quotedReply(reply, 200);
    return quoted.mid(1, quoted.size() - 2);
}
