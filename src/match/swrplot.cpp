#include "swrplot.h"

#include "matchdesign.h"
#include "matchreport.h"
#include "numbertext.h"
#include "picturefile.h"
#include "plotstyle.h"
#include "units.h"

#include <algorithm>
#include <cmath>

namespace {

// The plot in pixels: the SWR from 1 to 5 upwards, the frequency along on a logarithmic
// scale, the legend below, a line of it per solution.
struct SwrAxes
{
    static constexpr int plotHeight = 420;
    static constexpr int left = 60;
    static constexpr int right = 30;
    static constexpr int top = 30;
    static constexpr int bottom = 50;
    static constexpr int legendLine = 18;
    static constexpr double topSwr = 5;
    double lowHz = 0;
    double highHz = 0;

    double x(double hertz) const
    {
        return left
            + std::log(hertz / lowHz) / std::log(highHz / lowHz) * (kPlotWidth - left - right);
    }
    double y(double swr) const
    {
        const double clipped = std::isfinite(swr) ? std::min(swr, topSwr) : topSwr;
        return top + (topSwr - clipped) / (topSwr - 1) * (plotHeight - top - bottom);
    }
};

// The grid, the SWR limits 1.5 and 2 marked, the frequency scale, the design frequency.
void drawAxes(Canvas &canvas, const SwrAxes &axes, double designHz)
{
    const QColor black(Qt::black);
    const double right = kPlotWidth - SwrAxes::right;
    canvas.line({SwrAxes::left, axes.y(1)}, {right, axes.y(1)}, {});
    canvas.line({SwrAxes::left, axes.y(1)}, {SwrAxes::left, axes.y(SwrAxes::topSwr)}, {});
    for (const double swr : {1.5, 2.0, 3.0, 4.0, 5.0}) {
        const bool marked = swr == 1.5 || swr == 2.0;
        canvas.line({SwrAxes::left, axes.y(swr)}, {right, axes.y(swr)},
            {marked ? markColour() : gridColour(), 1, marked});
        canvas.text({SwrAxes::left - 30, axes.y(swr) + 4}, QString::number(swr), black);
    }
    for (int i = 0; i <= 4; ++i) {
        const double hertz = axes.lowHz * std::pow(axes.highHz / axes.lowHz, i / 4.0);
        canvas.text({axes.x(hertz) - 14, axes.y(1) + 18},
            QString::number(hertz / kHertzPerMegahertz, 'g', 3), black);
    }
    canvas.text({right - 40, axes.y(1) + 36}, QStringLiteral("MHz"), black);
    canvas.text({8, SwrAxes::top - 10}, QStringLiteral("SWR"), black);
    canvas.line({axes.x(designHz), axes.y(1)}, {axes.x(designHz), axes.y(SwrAxes::topSwr)},
        {black, 1, true});
    canvas.text({axes.x(designHz) + 4, SwrAxes::top + 12},
        numberText(designHz / kHertzPerMegahertz) + QStringLiteral(" MHz"), black);
}

} // namespace

QByteArray swrPlot(const MatchRequest &request, const MatchResult &result, PictureFormat format)
{
    // The sweep's frequencies; around the design frequency where there is no sweep to show.
    SwrAxes axes;
    axes.lowHz = request.frequencyHz * 0.9;
    axes.highHz = request.frequencyHz * 1.1;
    if (!result.solutions.empty() && result.solutions.front().swrSweep.size() > 1) {
        axes.lowHz = result.solutions.front().swrSweep.front().first;
        axes.highHz = result.solutions.front().swrSweep.back().first;
    }
    const int height
        = SwrAxes::plotHeight + SwrAxes::legendLine * int(result.solutions.size()) + 10;
    const std::unique_ptr<Canvas> canvas = makeCanvas(format, kPlotWidth, height);
    drawAxes(*canvas, axes, request.frequencyHz);
    for (std::size_t i = 0; i < result.solutions.size(); ++i) {
        const QColor colour = curveColour(int(i));
        QPolygonF curve;
        for (const auto &[hertz, swr] : result.solutions[i].swrSweep) {
            curve << QPointF(axes.x(hertz), axes.y(swr));
        }
        canvas->polyline(decimated(curve), {colour, 2, false});
        const double y = SwrAxes::plotHeight + 14 + SwrAxes::legendLine * double(i);
        canvas->line({SwrAxes::left, y - 4}, {SwrAxes::left + 20, y - 4}, {colour, 2, false});
        canvas->text({SwrAxes::left + 26, y}, solutionName(result, int(i)), Qt::black);
    }
    return canvas->bytes();
}
