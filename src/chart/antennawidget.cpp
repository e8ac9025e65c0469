#include "antennawidget.h"

#include "calculationstate.h"

#include <QPainter>

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

namespace {

// Device coordinates are clamped to ±2^22 pixels before they become ints. The raster engine
// keeps coordinates as 26.6 fixed point in places (an int32 of sixty-fourths of a pixel, so
// about ±2^25 pixels), and the arc's rectangle is twice the clamped value wide. The largest
// coordinate that a real antenna gives stays below the bound: at the largest zoom (20 pixels
// per ohm) a load of 2 kΩ lies 40 000 pixels out, and the widest arc, for R just above
// Z0 = 50 Ω and X = 2 kΩ, measures about 3.2 million pixels across.
constexpr double kCoordinateLimit = 4194304.0;

// The slider's range needs at most 21 grid lines across and 9 rounds up and down. Only a
// scale set directly far below that range asks for more; they would stand less than five
// pixels apart with their labels printed over each other, and drawing thousands of them
// would stall the paint.
constexpr int kMaxGridLines = 100;

// One full turn in the sixteenths of a degree that QPainter::drawArc counts in.
constexpr double kFullTurn = 5760.0;

// Radians to sixteenths of a degree, with the shortened π of the angles' history:
// 2880 / 3.1415926.
constexpr double kSixteenthsPerRadian = 916.7324878470874;

// An expression in pixels, clamped to what the rasterizer takes; none for a value that is
// not a finite number, which leaves its shape out of the picture.
std::optional<double> clampedPixels(double value)
{
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    return std::clamp(value, -kCoordinateLimit, kCoordinateLimit);
}

// The same, truncated toward zero to a device coordinate.
std::optional<int> toPixel(double value)
{
    if (const std::optional<double> pixels = clampedPixels(value)) {
        return static_cast<int>(*pixels);
    }
    return std::nullopt;
}

// Whole ohms across a span, truncated toward zero. A scale of zero gives an infinite span
// and a scale that is not a number no span at all.
int wholeOhms(double ohms)
{
    if (std::isnan(ohms)) {
        return 0;
    }
    return static_cast<int>(std::clamp(ohms, double(INT_MIN), double(INT_MAX)));
}

// The grid step in ohms for the resistance span across the width: between five and
// twenty-five lines at every zoom the slider reaches.
int gridStepFor(int spanR)
{
    if (spanR <= 10) {
        return 1;
    }
    if (spanR <= 50) {
        return 2;
    }
    if (spanR <= 100) {
        return 10;
    }
    if (spanR <= 200) {
        return 25;
    }
    if (spanR <= 500) {
        return 50;
    }
    return 100;
}

// Sixteenths of a degree for drawArc from an angle in radians. The start angle is reduced
// by whole turns and the span limited to one turn, which changes nothing on the screen but
// keeps both within an int.
std::optional<int> arcStart(double radians)
{
    const double sixteenths = radians * kSixteenthsPerRadian;
    if (!std::isfinite(sixteenths)) {
        return std::nullopt;
    }
    return static_cast<int>(std::fmod(std::trunc(sixteenths), kFullTurn));
}

std::optional<int> arcSpan(double radians)
{
    const double sixteenths = radians * kSixteenthsPerRadian;
    if (!std::isfinite(sixteenths)) {
        return std::nullopt;
    }
    return static_cast<int>(std::clamp(std::trunc(sixteenths), -kFullTurn, kFullTurn));
}

} // namespace

AntennaWidget::AntennaWidget(int plotWidth, int plotHeight, QWidget *parent)
    : QWidget(parent)
    , plotWidth(plotWidth)
    , plotHeight(plotHeight)
{
    setFixedSize(plotWidth, plotHeight);
    scale = 2.0;
}

void AntennaWidget::setScale(double pixelsPerOhm)
{
    scale = pixelsPerOhm;
    update();
}

void AntennaWidget::redraw()
{
    update();
}

void AntennaWidget::paintEvent(QPaintEvent *event)
{
    if (!event) {
        return;
    }
    const CalculationState &state = calculationState;
    const int w = plotWidth;
    const int h = plotHeight;
    const int y0 = h / 2; // the real axis
    const double s = scale;

    QPainter painter(this);
    painter.fillRect(QRect(0, 0, w, h), QBrush(Qt::black, Qt::SolidPattern));

    // Grid, aliased so that its lines stay one crisp pixel wide.
    painter.setPen(QPen(QColor(Qt::gray)));
    const int spanR = wholeOhms(w / s);
    const int halfSpanX = wholeOhms(h / s * 0.5);
    const int gridStep = gridStepFor(spanR);
    if (spanR > 0) {
        qint64 a = 0;
        for (int line = 0; a < spanR && line < kMaxGridLines; a += gridStep, ++line) {
            const int x = static_cast<int>(a * s);
            painter.drawLine(x, 0, x, h);
            painter.drawText(QPointF(static_cast<int>(a * s + 3), y0 - 3), QString::number(a));
        }
    }
    if (halfSpanX > 0) {
        qint64 b = 0;
        for (int round = 0; b < halfSpanX && round < kMaxGridLines; b += gridStep, ++round) {
            const int yAbove = static_cast<int>(y0 - b * s);
            painter.drawLine(0, yAbove, w, yAbove);
            painter.drawText(QPointF(3, static_cast<int>(y0 - b * s - 3)), QString::number(b));
            const int yBelow = static_cast<int>(y0 + b * s);
            painter.drawLine(0, yBelow, w, yBelow);
            painter.drawText(QPointF(3, static_cast<int>(y0 + b * s - 3)), QString::number(-b));
        }
    }

    painter.setPen(QPen(QColor(Qt::green)));
    painter.setRenderHint(QPainter::Antialiasing);

    // The source's conductance circle stands on the real axis from 0 to Z0. The diameter in
    // pixels is clamped before both the size and the top edge are taken from it, so that a
    // clamped circle still touches the origin.
    if (const std::optional<double> diameter = clampedPixels(s * state.sourceImpedance)) {
        const int d = static_cast<int>(*diameter);
        painter.drawEllipse(QRect(0, static_cast<int>(y0 - *diameter * 0.5), d, d));
    }
    painter.drawLine(0, y0, w, y0);
    painter.drawLine(0, 0, 0, h);

    painter.setPen(QPen(QColor(Qt::red)));

    // A 4 by 4 pixel square around the antenna impedance.
    const std::optional<int> markerLeft = toPixel(s * state.zReal - 2);
    const std::optional<int> markerTop = toPixel(y0 - s * state.zImag - 2);
    if (markerLeft && markerTop) {
        painter.drawRect(QRect(*markerLeft, *markerTop, 4, 4));
    }

    if (state.turnImag != 0) {
        // The arc lies on a circle through the origin with its centre on the real axis, so
        // its bounding square is 2·c wide and its top is c above the axis.
        const std::optional<double> radius = clampedPixels(s * state.arcCenter);
        const std::optional<int> start = arcStart(state.arcStartAngle);
        const std::optional<int> span = arcSpan(state.arcEndAngle - state.arcStartAngle);
        if (radius && start && span) {
            const int diameter = static_cast<int>(2 * *radius + 0.5);
            const int top = static_cast<int>(y0 - *radius + 0.5);
            painter.drawArc(QRectF(0, top, diameter, diameter), *start, *span);
        }

        const auto drawSegment = [&painter](std::optional<int> x1, std::optional<int> y1,
                                     std::optional<int> x2, std::optional<int> y2) {
            if (x1 && y1 && x2 && y2) {
                painter.drawLine(*x1, *y1, *x2, *y2);
            }
        };
        switch (state.circuitVariant) {
        case 0:
        case 1:
        case 2:
        case 3:
            // The series element: from Z to the turn point.
            drawSegment(toPixel(s * state.zReal + 0.5), toPixel(y0 - s * state.zImag + 0.5),
                toPixel(s * state.turnReal + 0.5), toPixel(y0 - s * state.turnImag + 0.5));
            break;
        case 4:
        case 5: {
            // The series element: from Z0 on the real axis up or down to the turn point.
            const std::optional<int> x = toPixel(s * state.sourceImpedance);
            drawSegment(x, y0, x, toPixel(y0 - s * state.turnImag));
            break;
        }
        default:
            break;
        }
    }
}
