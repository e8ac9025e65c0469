#ifndef MEASUREDSWEEP_H
#define MEASUREDSWEEP_H

#include "measurementreport.h"
#include "result.h"
#include "touchstone.h"

#include <QStringList>

#include <vector>

// The 1-sigma spread of a measured impedance's R and X, ohms.
struct ImpedanceSpread
{
    double r = 0;
    double x = 0;
};

// The measured impedances of several captures as one sweep over frequency, S11 referred to
// their Z0, for a Touchstone file, with each point's spread (of the mean where captures at
// one frequency were averaged); `notes` says which captures were averaged.
struct MeasuredSweep
{
    TouchstoneSweep sweep;
    std::vector<ImpedanceSpread> spreads; // one a point
    QStringList notes;
};

// The points are sorted by frequency. Captures at one frequency (equal to the six digits
// that the reports show, or estimated frequencies within five times their combined sigma)
// are one point: their mean, when their R and X agree within
// three times their combined sigma, or a failure that names them. Captures measured with
// different Z0 fail too: one file has one reference.
Result<MeasuredSweep> measuredSweep(const std::vector<MeasuredCapture> &measured);

// Whether the captures were taken at more than one frequency, as measuredSweep groups them:
// a sweep, rather than one capture or several of one frequency.
bool atSeveralFrequencies(const std::vector<MeasuredCapture> &measured);

#endif // MEASUREDSWEEP_H
