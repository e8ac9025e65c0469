#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include <QByteArray>
#include <QString>

#include <optional>

// What the companions share on the command line.

// A message on standard error, "zalvimo-measure: …" with the application's name, made
// safe for the terminal: whatever a file or an argument brings into it is escaped.
void printError(const QString &message);

// An option's number in a range, written with a decimal point or one decimal comma.
bool numberIn(const QString &text, double lowest, double highest, double *value);

// Writes the results to standard output and flushes it. A full disk or a closed standard
// output loses them: that is no success, so it says so on standard error and gives false.
bool writeStandardOutput(const QByteArray &bytes);

// Whether standard error is a terminal, where a long job may show its progress.
bool standardErrorIsTerminal();

class QCommandLineParser;

// What --help and --version print, written and checked like any result: true when it
// reached standard output, false (with a message) when a full disk or a closed pipe lost it.
bool writeHelp(const QCommandLineParser &parser);
bool writeVersion();

// Parses the process's arguments. Where the run ends here, the exit status: `badUsage` for
// options that do not parse (with the message), 0 after --help or --version, `lostOutput`
// when their text could not be written; nothing where the run goes on.
std::optional<int> parseArguments(QCommandLineParser &parser, int badUsage, int lostOutput);

#endif // COMMANDLINE_H
