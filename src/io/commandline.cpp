#include "commandline.h"

#include "decimaltext.h"
#include "printabletext.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

void printError(const QString &message)
{
    std::fprintf(stderr, "%s: %s\n", QCoreApplication::applicationName().toUtf8().constData(),
        printableText(message).toUtf8().constData());
}

bool numberIn(const QString &text, double lowest, double highest, double *value)
{
    bool ok = false;
    *value = decimalNumber(text, &ok);
    return ok && *value >= lowest && *value <= highest;
}

bool writeStandardOutput(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int code = errno;
        printError(QStringLiteral("cannot write the results to standard output: %1")
                       .arg(QString::fromLocal8Bit(std::strerror(code))));
        return false;
    }
    return true;
}

bool standardErrorIsTerminal()
{
#ifdef Q_OS_UNIX
    return isatty(fileno(stderr));
#else
    return false;
#endif
}

bool writeHelp(const QCommandLineParser &parser)
{
    return writeStandardOutput(parser.helpText().toUtf8());
}

bool writeVersion()
{
    return writeStandardOutput(
        QStringLiteral("%1 %2\n")
            .arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion())
            .toUtf8());
}

std::optional<int> parseArguments(QCommandLineParser &parser, int badUsage, int lostOutput)
{
    // Bad options are a usage error like any other: a message and the usage status.
    if (!parser.parse(QCoreApplication::arguments())) {
        printError(parser.errorText());
        return badUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        return writeHelp(parser) ? 0 : lostOutput;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        return writeVersion() ? 0 : lostOutput;
    }
    return std::nullopt;
}
