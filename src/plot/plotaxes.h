#ifndef PLOTAXES_H
#define PLOTAXES_H

#include "canvas.h"

#include <QPointF>
#include <QRectF>
#include <QString>

#include <vector>

// What the companions' plots share beyond the canvas: linear axes with ticks at round
// numbers, and a framed panel with its grid, its tick texts and its units.

// An axis's range and its ticks, at a step of 1, 2 or 5 times a power of ten.
struct Axis
{
    double low = 0;
    double high = 1;
    double step = 1;
    std::vector<double> ticks; // the multiples of step within [low, high]
};

// An axis over [low, high] widened to whole steps, with at most about `most` ticks: the
// samples of −43.2 to 61.7 mV with 6 give −60 to 80 in steps of 20. An empty range (all
// values equal) is widened around its value; values that are not finite give 0 to 1.
Axis roundedAxis(double low, double high, int most);

// The same without widening, for a range that is what it is (a sweep's frequencies): the
// ticks are the round numbers within it.
Axis axisWithin(double low, double high, int most);

// A tick's text with the decimals that its step needs: 14.15 for a step of 0.05, 200 for
// a step of 100, and "0" rather than "-0" or "1e-17" at zero.
QString tickText(double value, double step);

// A plot's panel: a rectangle of the picture and the axes along its edges, x from left to
// right, y upwards.
struct Panel
{
    QRectF area;
    Axis x;
    Axis y;

    double px(double value) const;
    double py(double value) const;
    QPointF at(double x, double y) const { return {px(x), py(y)}; }
};

// The panel's frame, a grid line at every tick, the ticks' texts to the left and (when
// `xTickTexts`) below, the y unit above the frame's left end and the x unit below its right
// end (either may be empty).
void drawPanel(Canvas &canvas, const Panel &panel, const QString &xUnit, const QString &yUnit,
    bool xTickTexts = true);

#endif // PLOTAXES_H
