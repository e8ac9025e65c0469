#include "plotaxes.h"

#include "plotstyle.h"

#include <algorithm>
#include <cmath>

namespace {

// The round step, 1, 2 or 5 times a power of ten, that cuts `span` into at most about
// `most` parts: 104.9 into 6 parts is a step of 20.
double roundStep(double span, int most)
{
    const double raw = span / std::max(1, most);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= raw * (1 - 1e-9)) {
            return factor * power;
        }
    }
    return 10 * power;
}

// The multiples of the step within [low, high], the ends included where they are ones up
// to rounding.
std::vector<double> ticksOf(double low, double high, double step)
{
    std::vector<double> ticks;
    if (!(step > 0)) {
        return ticks;
    }
    const double first = std::ceil(low / step - 1e-9) * step;
    // A step is at least span/(most + 1) long: a few dozen ticks at the most.
    for (int i = 0; i < 1000; ++i) {
        const double tick = first + i * step;
        if (tick > high + step * 1e-9) {
            break;
        }
        ticks.push_back(std::abs(tick) < step * 1e-9 ? 0.0 : tick);
    }
    return ticks;
}

bool usable(double low, double high)
{
    return std::isfinite(low) && std::isfinite(high) && low <= high && std::isfinite(high - low);
}

} // namespace

Axis roundedAxis(double low, double high, int most)
{
    if (!usable(low, high)) {
        return axisWithin(0, 1, most);
    }
    if (!(high - low > std::abs(low) * 1e-12)) {
        const double half = low == 0 ? 1 : std::abs(low) * 0.1;
        low -= half;
        high += half;
    }
    Axis axis;
    axis.step = roundStep(high - low, most);
    axis.low = std::floor(low / axis.step + 1e-9) * axis.step;
    axis.high = std::ceil(high / axis.step - 1e-9) * axis.step;
    axis.ticks = ticksOf(axis.low, axis.high, axis.step);
    return axis;
}

Axis axisWithin(double low, double high, int most)
{
    if (!usable(low, high) || !(high - low > std::abs(low) * 1e-12)) {
        return roundedAxis(low, high, most);
    }
    Axis axis;
    axis.low = low;
    axis.high = high;
    axis.step = roundStep(high - low, most);
    axis.ticks = ticksOf(low, high, axis.step);
    return axis;
}

QString tickText(double value, double step)
{
    // Decimals enough for the step: 0.05 needs 2, 20 needs none.
    const double wanted = std::isfinite(step) && step > 0 ? -std::floor(std::log10(step)) : 0;
    const int decimals = int(std::clamp(wanted, 0.0, 12.0));
    const QString text = QString::number(value, 'f', decimals);
    return text.startsWith(QLatin1Char('-')) && text.toDouble() == 0 ? text.mid(1) : text;
}

double Panel::px(double value) const
{
    return area.left() + (value - x.low) / (x.high - x.low) * area.width();
}

double Panel::py(double value) const
{
    return area.bottom() - (value - y.low) / (y.high - y.low) * area.height();
}

void drawPanel(
    Canvas &canvas, const Panel &panel, const QString &xUnit, const QString &yUnit, bool xTickTexts)
{
    const QColor black(Qt::black);
    const QRectF &a = panel.area;
    for (const double tick : panel.x.ticks) {
        const double x = panel.px(tick);
        canvas.line({x, a.top()}, {x, a.bottom()}, {gridColour(), 1, false});
        if (xTickTexts) {
            canvas.text(
                {x, a.bottom() + 15}, tickText(tick, panel.x.step), black, TextAnchor::Middle);
        }
    }
    for (const double tick : panel.y.ticks) {
        const double y = panel.py(tick);
        canvas.line({a.left(), y}, {a.right(), y}, {gridColour(), 1, false});
        canvas.text({a.left() - 6, y + 4}, tickText(tick, panel.y.step), black, TextAnchor::End);
    }
    canvas.polyline(
        QPolygonF({a.topLeft(), a.topRight(), a.bottomRight(), a.bottomLeft(), a.topLeft()}), {});
    if (!yUnit.isEmpty()) {
        canvas.text({a.left() - 6, a.top() - 7}, yUnit, black, TextAnchor::End);
    }
    if (!xUnit.isEmpty()) {
        canvas.text(
            {a.right(), a.bottom() + (xTickTexts ? 30 : 15)}, xUnit, black, TextAnchor::End);
    }
}
