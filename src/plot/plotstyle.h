#ifndef PLOTSTYLE_H
#define PLOTSTYLE_H

#include <QColor>

#include <iterator>

// The look that every plot of the companions shares: readable at 760 pixels wide, the
// curves in colours that stay apart for most colour-blind readers, grids in light grey.

constexpr int kPlotWidth = 760;

inline QColor curveColour(int index)
{
    static const char *const colours[] = {"#d62728", "#1f77b4", "#2ca02c", "#9467bd", "#ff7f0e"};
    return QColor(QLatin1String(colours[index % int(std::size(colours))]));
}

inline QColor gridColour()
{
    return QColor(0xdd, 0xdd, 0xdd);
}

inline QColor markColour() // the lines that mark a limit, as SWR 2
{
    return QColor(0x80, 0x80, 0x80);
}

#endif // PLOTSTYLE_H
