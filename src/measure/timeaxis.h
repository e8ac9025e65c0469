#ifndef TIMEAXIS_H
#define TIMEAXIS_H

#include "capturetable.h"
#include "result.h"

#include <QStringList>

#include <vector>

// The times of a capture's samples, as its file gives them: a time column in its unit,
// sample numbers times the settings' interval, stamps printed with too few digits that
// repeat, or no time column and the settings' interval alone.
struct TimeAxis
{
    bool fromColumn = false; // the first data column is time or sample numbers
    std::vector<double> seconds; // finite and strictly increasing
    QStringList notes; // what was taken for the time (--verbose)
    QStringList warnings; // what a person must know
};

Result<TimeAxis> timeAxis(const Table &table, const std::vector<Column> &columns,
    const TimeSettings &settings, const QString &fileName);

#endif // TIMEAXIS_H
