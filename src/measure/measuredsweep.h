#ifndef MEASUREDSWEEP_H
#define MEASUREDSWEEP_H

#include "measurementreport.h"

#include <QStringList>
#include <QVector>

struct TouchstoneSweep;

// The measured impedances of several captures as one sweep over frequency, S11 referred to
// their Z0, for a Touchstone file. The points are sorted by frequency. Captures at the same
// frequency (equal to the six digits that the reports show) are one point: their mean,
// when their R and X agree within three times their combined sigma (`notes` then says
// which were averaged), or an error that names them. Captures measured with different Z0
// are an error too: one file has one reference.
bool measuredSweep(const QVector<MeasuredFile> &measured, TouchstoneSweep *sweep,
    QStringList *notes, QString *error);

#endif // MEASUREDSWEEP_H
