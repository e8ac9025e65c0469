#ifndef NGSPICE_H
#define NGSPICE_H

#include <QString>
#include <QStringList>
#include <QVector>

// What ngspice's wrdata writes: one row per point of the analysis, the scale (time in
// seconds or frequency in hertz) first, then one column per vector asked for.
using SpiceTable = QVector<QVector<double>>;

// Runs the circuit simulator ngspice in batch mode on a circuit given as element lines.
// `analysis` is one command of its control language ("tran 1n 10u 9u 1n",
// "ac lin 1 7.1e6 7.1e6") and `vectors` are what to write ("v(ch1)", "vr(in)").
// The program is $ZALVIMO_NGSPICE, or ngspice from the PATH. Returns false, with a message
// that says what went wrong, when ngspice is missing, fails, or writes no proper table.
bool runNgspice(const QString &elements, const QString &analysis, const QStringList &vectors,
    SpiceTable *table, QString *error);

// Whether that program is there to run: the tests that need it skip where it is not.
bool ngspiceAvailable();

#endif // NGSPICE_H
