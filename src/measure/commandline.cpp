#include "commandline.h"

#include "printabletext.h"

#include <QCoreApplication>

#include <cstdio>

void printError(const QString &message)
{
    std::fprintf(stderr, "%s: %s\n", QCoreApplication::applicationName().toUtf8().constData(),
        printableText(message).toUtf8().constData());
}

bool numberIn(const QString &text, double lowest, double highest, double *value)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    if (!ok && text.count(QLatin1Char(',')) == 1 && !text.contains(QLatin1Char('.'))) {
        *value = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    }
    return ok && *value >= lowest && *value <= highest;
}
