#include "printabletext.h"

#include <algorithm>

QString printableText(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u <= 0x9f)) {
            result += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        } else {
            result += c;
        }
    }
    return result;
}

QString quotedField(std::string_view bytes, int maxCharacters)
{
    const QString text = QString::fromUtf8(
        bytes.data(), int(std::min<std::size_t>(bytes.size(), 4 * std::size_t(maxCharacters))));
    return QLatin1Char('\'') + printableText(text.left(maxCharacters)) + QLatin1Char('\'');
}
