#ifndef SWEEPPLOT_H
#define SWEEPPLOT_H

#include "canvas.h"
#include "measuredsweep.h"
#include "touchstone.h"

#include <QByteArray>
#include <QString>

#include <vector>

// A sweep as its picture draws it: the points as a Touchstone file holds them (S11 referred
// to the sweep's reference), each with its 1-sigma spread where it was measured (`spreads`
// empty where a file gives none), the Z0 that the SWR and the Smith chart refer to, and a
// title that says where the sweep came from.
struct SweepPicture
{
    QString title;
    TouchstoneSweep sweep;
    std::vector<ImpedanceSpread> spreads;
    double z0 = 50;
};

// The picture of a sweep, as antenna analysers show one: the SWR against Z0 across the
// frequencies, 1.5 and 2 marked and the minimum labelled with its frequency; R and X
// against frequency, the resonance labelled where X crosses 0; and a Smith chart of the
// points joined in frequency order, the first and the last labelled. Measured points carry
// their 1 sigma: bars on the SWR, R and X, a cross on the chart. A sweep of more points
// than pixels is drawn as its extremes in each pixel column.
QByteArray sweepPlot(const SweepPicture &picture, PictureFormat format);

#endif // SWEEPPLOT_H
