#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include <QByteArray>
#include <QString>

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

#endif // COMMANDLINE_H
