#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include <QString>

// What the companions share on the command line.

// A message on standard error, "zalvimo-measure: …" with the application's name, made
// safe for the terminal: whatever a file or an argument brings into it is escaped.
void printError(const QString &message);

// An option's number in a range, written with a decimal point or one decimal comma.
bool numberIn(const QString &text, double lowest, double highest, double *value);

#endif // COMMANDLINE_H
