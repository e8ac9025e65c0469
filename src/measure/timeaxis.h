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
    // The seconds, finite and strictly increasing; or, for a time column, none here but
    // the column itself times `columnScale` (seconds per unit): the table's owner moves it
    // out rather than have a copy of the largest column made.
    std::vector<double> seconds;
    double columnScale = 0;
    QStringList notes; // what was taken for the time (--verbose)
    QStringList warnings; // what a person must know
};

// The seconds of an axis whose time column is `column`, taken over.
std::vector<double> axisSeconds(TimeAxis &&axis, std::vector<double> &&column);

Result<TimeAxis> timeAxis(const Table &table, const std::vector<Column> &columns,
    const TimeSettings &settings, const QString &fileName);

#endif // TIMEAXIS_H
