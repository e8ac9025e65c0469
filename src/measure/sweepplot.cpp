#include "sweepplot.h"

#include "numbertext.h"
#include "picturefile.h"
#include "plotaxes.h"
#include "plotstyle.h"
#include "printabletext.h"
#include "units.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <optional>
#include <tuple>

namespace {

using Complex = std::complex<double>;

// The picture in pixels, from the top: the title's two lines, the SWR, R and X under one
// frequency axis each, then the Smith chart with the sweep's summary beside it.
constexpr int kLeft = 64;
constexpr int kRight = 20;
constexpr double kPanelWidth = kPlotWidth - kLeft - kRight;
constexpr QRectF kSwrArea {kLeft, 70, kPanelWidth, 200};
constexpr QRectF kImpedanceArea {kLeft, 330, kPanelWidth, 200};
constexpr double kSmithRadius = 160;
constexpr QPointF kSmithCentre {kLeft + kSmithRadius, 595 + kSmithRadius};
constexpr int kHeight = 940;
// Points up to this many are marked one by one, with their spread; more make a line.
constexpr std::size_t kMarkedPoints = 60;
// The Smith chart draws at most this many points of a sweep: beyond it every n-th, which
// on a chart of 320 pixels shows the same locus.
constexpr std::size_t kSmithPoints = 20000;
// Crossings of X = 0 closer than this many pixels are one resonance (noise near it).
constexpr double kSameResonance = 40;
constexpr int kMostResonances = 3;
constexpr double kMarkRadius = 2.5;

QColor swrColour()
{
    return curveColour(0);
}
QColor resistanceColour()
{
    return curveColour(1);
}
QColor reactanceColour()
{
    return curveColour(2);
}

bool isFinite(Complex value)
{
    return std::isfinite(value.real()) && std::isfinite(value.imag());
}

// The SWR of a reflection coefficient; infinite where |Γ| ≥ 1 or Γ is not finite.
double swrOf(Complex gamma)
{
    const double magnitude = std::abs(gamma);
    return magnitude < 1 ? (1 + magnitude) / (1 - magnitude)
                         : std::numeric_limits<double>::infinity();
}

// One point as a label or a mark needs it: its impedance, its reflection against Z0, its
// SWR and its spread (where it was measured).
struct PlotPoint
{
    double megahertz = 0;
    Complex z;
    Complex gamma;
    double swr = 0;
    std::optional<ImpedanceSpread> spread;
};

// The sweep's points as the panels read them, each quantity computed when it is read rather
// than kept, so that a million points take no more memory than the file's sweep.
class Points
{
public:
    explicit Points(const SweepPicture &picture)
        : m_picture(picture)
    { }
    std::size_t size() const { return m_picture.sweep.points.size(); }
    PlotPoint operator[](std::size_t i) const
    {
        PlotPoint point;
        point.megahertz = megahertz(i);
        point.z = impedance(i);
        point.gamma = gamma(i);
        point.swr = swrOf(point.gamma);
        if (i < m_picture.spreads.size()) {
            point.spread = m_picture.spreads[i];
        }
        return point;
    }
    // Each quantity alone, for the curves through a million points.
    double megahertz(std::size_t i) const
    {
        return m_picture.sweep.points[i].frequencyHz / kHertzPerMegahertz;
    }
    Complex impedance(std::size_t i) const
    {
        return impedanceFromReflection(m_picture.sweep.points[i].s11, m_picture.sweep.referenceOhm);
    }
    Complex gamma(std::size_t i) const
    {
        return m_picture.sweep.referenceOhm == m_picture.z0 ? m_picture.sweep.points[i].s11
                                                            : gammaOf(impedance(i));
    }
    double swr(std::size_t i) const { return swrOf(gamma(i)); }
    Complex gammaOf(Complex z) const { return reflectionFromImpedance(z, m_picture.z0); }

    // The impedances one sigma away from a point's: R ± σR and X ± σX.
    static std::vector<Complex> spreadAround(const PlotPoint &p)
    {
        const ImpedanceSpread &s = *p.spread;
        return {p.z - s.r, p.z + s.r, p.z - Complex(0, s.x), p.z + Complex(0, s.x)};
    }

private:
    const SweepPicture &m_picture;
};

// Where a sweep's SWR is lowest.
struct SwrMinimum
{
    std::size_t index = 0;
    double swr = 0;
};

std::optional<SwrMinimum> minimumOf(const Points &points)
{
    std::optional<SwrMinimum> minimum;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double swr = points.swr(i);
        if (std::isfinite(swr) && (!minimum || swr < minimum->swr)) {
            minimum = SwrMinimum {i, swr};
        }
    }
    return minimum;
}

// "SWR < 2 from 13.0237 to 15.3385 MHz": the frequencies where the SWR around its minimum
// crosses the limit, interpolated between the points; the sweep's own end where it does
// not cross before it.
QString bandText(const Points &points, const SwrMinimum &minimum, double limit)
{
    const QString name = QStringLiteral("SWR < %1").arg(limit);
    if (!(minimum.swr < limit)) {
        return QStringLiteral("%1 nowhere in the sweep").arg(name);
    }
    const auto edge = [&](int direction) -> QString {
        std::size_t inside = minimum.index;
        double insideSwr = minimum.swr;
        while ((direction < 0 && inside > 0) || (direction > 0 && inside + 1 < points.size())) {
            const std::size_t outside = direction < 0 ? inside - 1 : inside + 1;
            const double outsideSwr = points.swr(outside);
            if (!(outsideSwr < limit)) {
                const double part = std::isfinite(outsideSwr)
                    ? (limit - insideSwr) / (outsideSwr - insideSwr)
                    : 0.5;
                const double from = points.megahertz(inside);
                return numberText(from + (points.megahertz(outside) - from) * part);
            }
            inside = outside;
            insideSwr = outsideSwr;
        }
        return QStringLiteral("%1 (the sweep's %2)")
            .arg(numberText(points.megahertz(inside)),
                direction < 0 ? QStringLiteral("start") : QStringLiteral("end"));
    };
    return QStringLiteral("%1 from %2 to %3 MHz").arg(name, edge(-1), edge(1));
}

// The frequencies where X crosses 0, interpolated between the points; crossings closer
// than a few pixels (noise around one resonance) as their mean.
std::vector<double> resonances(const Points &points, const Panel &panel)
{
    std::vector<std::vector<double>> groups;
    double previousMHz = points.megahertz(0);
    double previousX = points.impedance(0).imag();
    for (std::size_t i = 1; i < points.size(); ++i) {
        const double megahertz = points.megahertz(i);
        const double x = points.impedance(i).imag();
        const double a = previousX;
        if (std::isfinite(a) && std::isfinite(x) && ((a < 0 && x >= 0) || (a > 0 && x <= 0))) {
            const double f = previousMHz + (megahertz - previousMHz) * a / (a - x);
            if (groups.empty() || panel.px(f) - panel.px(groups.back().back()) > kSameResonance) {
                groups.emplace_back();
            }
            groups.back().push_back(f);
        }
        previousMHz = megahertz;
        previousX = x;
    }
    std::vector<double> result;
    for (const std::vector<double> &group : groups) {
        double sum = 0;
        for (const double f : group) {
            sum += f;
        }
        result.push_back(sum / double(group.size()));
    }
    return result;
}

// R interpolated at a frequency between the points around it.
double resistanceAt(const Points &points, double megahertz)
{
    std::size_t high = 1;
    while (high + 1 < points.size() && points.megahertz(high) < megahertz) {
        ++high;
    }
    const double fa = points.megahertz(high - 1);
    const double fb = points.megahertz(high);
    const double ra = points.impedance(high - 1).real();
    const double rb = points.impedance(high).real();
    return ra + (rb - ra) * (megahertz - fa) / (fb - fa);
}

// A curve of one quantity across the frequencies, `value(i)` at point i, decimated per
// pixel column as it is made and broken where a point has no value (an open circuit has no
// X); its points marked with their spread, `spread(point)`, where the sweep is short enough
// to show them.
template<typename ValueOf, typename SpreadOf>
void drawCurve(Canvas &canvas, const Panel &panel, const Points &points, ValueOf value,
    SpreadOf spread, const QColor &colour)
{
    const double top = panel.area.top() - 2;
    const double bottom = panel.area.bottom() + 2;
    const auto pixel = [&](double megahertz, double v) {
        // A value off the panel, or infinite, sits just beyond its edge.
        const double y
            = std::isfinite(v) ? std::clamp(panel.py(v), top, bottom) : (v > 0 ? top : bottom);
        return QPointF(panel.px(megahertz), y);
    };
    constexpr int slice = 16384;
    QPolygonF line; // decimated
    QPolygonF pending; // not yet
    const auto flush = [&](bool end) {
        line += decimated(pending);
        pending.clear();
        if (end && !line.isEmpty()) {
            canvas.polyline(line, {colour, 1.5, false});
            line.clear();
        }
    };
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double v = value(i);
        if (std::isnan(v)) {
            flush(true);
            continue;
        }
        pending << pixel(points.megahertz(i), v);
        if (pending.size() == slice) {
            flush(false);
        }
    }
    flush(true);
    if (points.size() > kMarkedPoints) {
        return;
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        const PlotPoint p = points[i];
        if (std::isnan(value(i))) {
            continue;
        }
        if (p.spread) {
            const auto [low, high] = spread(p);
            if (low <= high) {
                canvas.line(pixel(p.megahertz, low), pixel(p.megahertz, high), {colour, 1, false});
            }
        }
        canvas.circle(pixel(p.megahertz, value(i)), kMarkRadius, {colour, 0, false}, colour);
    }
}

// The lowest and highest of a quantity over values one sigma away.
template<typename ValueOf>
std::pair<double, double> extremes(const std::vector<Complex> &around, ValueOf value)
{
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const Complex &z : around) {
        low = std::min(low, value(z));
        high = std::max(high, value(z));
    }
    return {low, high};
}

void drawSwr(Canvas &canvas, const Points &points, const Axis &frequencies,
    const std::optional<SwrMinimum> &minimum)
{
    // The SWR from 1 up to 3, 5 or 10, whichever holds the sweep's highest finite SWR.
    double highest = 1;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double swr = points.swr(i);
        highest = std::isfinite(swr) ? std::max(highest, swr) : highest;
    }
    Axis swrAxis;
    swrAxis.low = 1;
    swrAxis.high = highest <= 3 ? 3 : highest <= 5 ? 5 : 10;
    swrAxis.step = swrAxis.high <= 5 ? 0.5 : 1;
    for (double tick = 1; tick <= swrAxis.high; tick += swrAxis.high <= 5 ? 0.5 : 1) {
        swrAxis.ticks.push_back(tick);
    }
    const Panel panel {kSwrArea, frequencies, swrAxis};
    drawPanel(canvas, panel, QString(), QStringLiteral("SWR"));
    for (const double limit : {1.5, 2.0}) {
        canvas.line(panel.at(frequencies.low, limit), panel.at(frequencies.high, limit),
            {markColour(), 1, true});
    }
    canvas.text({kSwrArea.right(), kSwrArea.top() - 7},
        QStringLiteral("SWR against Z0; 1.5 and 2 dashed"), Qt::black, TextAnchor::End);
    canvas.clip(kSwrArea.adjusted(-4, -4, 4, 4));
    drawCurve(
        canvas, panel, points, [&](std::size_t i) { return points.swr(i); },
        [&](const PlotPoint &p) {
            return extremes(
                Points::spreadAround(p), [&](Complex z) { return swrOf(points.gammaOf(z)); });
        },
        swrColour());
    canvas.unclip();
    if (!minimum) {
        return;
    }
    // The minimum labelled above its point, towards the middle of the panel.
    const PlotPoint p = points[minimum->index];
    const QPointF at = panel.at(p.megahertz, std::min(p.swr, swrAxis.high));
    canvas.circle(at, kMarkRadius + 2, {Qt::black, 1.5, false}, Qt::transparent);
    const bool leftHalf = at.x() < kSwrArea.center().x();
    canvas.text({at.x() + (leftHalf ? -6 : 6), at.y() - 12},
        QStringLiteral("SWR %1 at %2 MHz")
            .arg(QString::number(p.swr, 'f', 2), numberText(p.megahertz)),
        Qt::black, leftHalf ? TextAnchor::Start : TextAnchor::End, true);
}

void drawImpedance(Canvas &canvas, const Points &points,
    const std::vector<ImpedanceSpread> &spreads, const Axis &frequencies,
    const std::vector<double> &resonanceMHz)
{
    double low = 0;
    double high = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Complex z = points.impedance(i);
        const ImpedanceSpread spread = i < spreads.size() ? spreads[i] : ImpedanceSpread();
        for (const double v :
            {z.real() - spread.r, z.real() + spread.r, z.imag() - spread.x, z.imag() + spread.x}) {
            if (std::isfinite(v)) {
                low = std::min(low, v);
                high = std::max(high, v);
            }
        }
    }
    const Panel panel {kImpedanceArea, frequencies, roundedAxis(low, high, 6)};
    drawPanel(canvas, panel, QStringLiteral("MHz"), QStringLiteral("\u03a9"));
    canvas.line(panel.at(frequencies.low, 0), panel.at(frequencies.high, 0), {Qt::black, 1, false});
    // The legend: a stroke of each curve's colour before its name.
    const double legendY = kImpedanceArea.top() - 11;
    for (const auto &[x, name, colour] :
        {std::tuple(kImpedanceArea.left() + 4, "R", resistanceColour()),
            std::tuple(kImpedanceArea.left() + 54, "X", reactanceColour())}) {
        canvas.line({x, legendY}, {x + 20, legendY}, {colour, 1.5, false});
        canvas.text({x + 25, legendY + 4}, QLatin1String(name), Qt::black, TextAnchor::Start, true);
    }
    canvas.text({kImpedanceArea.right(), kImpedanceArea.top() - 7},
        QStringLiteral("R and X of the antenna; resonance where X crosses 0"), Qt::black,
        TextAnchor::End);
    canvas.clip(kImpedanceArea.adjusted(-4, -4, 4, 4));
    drawCurve(
        canvas, panel, points, [&](std::size_t i) { return points.impedance(i).real(); },
        [](const PlotPoint &p) {
            return std::pair(p.z.real() - p.spread->r, p.z.real() + p.spread->r);
        },
        resistanceColour());
    drawCurve(
        canvas, panel, points, [&](std::size_t i) { return points.impedance(i).imag(); },
        [](const PlotPoint &p) {
            return std::pair(p.z.imag() - p.spread->x, p.z.imag() + p.spread->x);
        },
        reactanceColour());
    canvas.unclip();
    for (std::size_t i = 0; i < resonanceMHz.size() && i < std::size_t(kMostResonances); ++i) {
        const double f = resonanceMHz[i];
        const double x = panel.px(f);
        canvas.line({x, kImpedanceArea.top()}, {x, kImpedanceArea.bottom()}, {Qt::black, 1, true});
        const bool leftHalf = x < kImpedanceArea.center().x();
        canvas.text({x + (leftHalf ? 5 : -5), kImpedanceArea.top() + 16 + 16 * double(i)},
            QStringLiteral("X = 0 at %1 MHz, R %2 \u03a9")
                .arg(numberText(f), numberText(resistanceAt(points, f))),
            Qt::black, leftHalf ? TextAnchor::Start : TextAnchor::End, true);
    }
}

// A reflection's place on the chart. Beyond |Γ| = 1 (a negative resistance, as a noisy or
// active measurement may give) it lies off the chart, which is clipped; a few radii away it
// is held, so that a file's 1e300 stays a number a painter can draw.
QPointF smithPoint(Complex gamma)
{
    constexpr double farthest = 4;
    return {kSmithCentre.x() + kSmithRadius * std::clamp(gamma.real(), -farthest, farthest),
        kSmithCentre.y() - kSmithRadius * std::clamp(gamma.imag(), -farthest, farthest)};
}

// The chart's grid: circles of constant R and arcs of constant X at 0.2, 0.5, 1, 2 and 5
// times Z0, each drawn as the Γ of R + jX with the other part running from 0 to ∞
// (tan θ for θ up to π/2), labelled in ohms.
void drawSmithGrid(Canvas &canvas, double z0)
{
    const QColor black(Qt::black);
    constexpr int steps = 90;
    const auto curve = [&](auto impedanceAt, double from, double to) {
        QPolygonF line;
        for (int i = 0; i <= steps; ++i) {
            const double angle = from + (to - from) * i / steps;
            line << smithPoint(
                (impedanceAt(std::tan(angle)) - 1.0) / (impedanceAt(std::tan(angle)) + 1.0));
        }
        return line;
    };
    constexpr double quarter = kPi / 2 * 0.999;
    for (const double n : {0.2, 0.5, 1.0, 2.0, 5.0}) {
        canvas.polyline(curve([&](double x) { return Complex(n, x); }, -quarter, quarter),
            {gridColour(), 1, false});
        for (const double sign : {1.0, -1.0}) {
            canvas.polyline(curve([&](double r) { return Complex(r, sign * n); }, 0, quarter),
                {gridColour(), 1, false});
            // X labelled at the rim, just outside the circle.
            const Complex rim = (Complex(0, sign * n) - 1.0) / (Complex(0, sign * n) + 1.0);
            const QPointF at = smithPoint(rim * 1.08);
            canvas.text({at.x(), at.y() + 4},
                QStringLiteral("%1j%2").arg(
                    sign > 0 ? QStringLiteral("+") : QStringLiteral("-"), numberText(n * z0)),
                markColour(), TextAnchor::Middle);
        }
        // R labelled where its circle meets the real axis on the left.
        const QPointF at = smithPoint((n - 1) / (n + 1));
        canvas.text({at.x() + 2, at.y() - 3}, numberText(n * z0), markColour());
    }
    canvas.line(smithPoint(-1), smithPoint(1), {gridColour(), 1, false});
    canvas.circle(kSmithCentre, kSmithRadius, {black, 1, false}, Qt::transparent);
    canvas.text({kSmithCentre.x() - kSmithRadius - 54, kSmithCentre.y() - kSmithRadius - 14},
        QStringLiteral("Smith chart, Z0 %1 \u03a9").arg(numberText(z0)), black);
}

// The points joined in frequency order (every n-th of a very long sweep, and none closer
// than half a pixel to the last), the measured ones marked with a cross of ±1 sigma of R
// and X, the first and the last labelled with their frequency.
void drawSmith(Canvas &canvas, const Points &points, double z0)
{
    drawSmithGrid(canvas, z0);
    const QColor colour = swrColour();
    const std::size_t stride = std::max<std::size_t>(1, points.size() / kSmithPoints);
    QPolygonF locus;
    for (std::size_t i = 0; i < points.size(); i += stride) {
        const Complex gamma = points.gamma(i);
        if (!isFinite(gamma)) {
            continue;
        }
        const QPointF at = smithPoint(gamma);
        if (locus.isEmpty()
            || std::hypot(at.x() - locus.last().x(), at.y() - locus.last().y()) >= 0.5) {
            locus << at;
        }
    }
    const QRectF square(kSmithCentre.x() - kSmithRadius - 12, kSmithCentre.y() - kSmithRadius - 12,
        2 * kSmithRadius + 24, 2 * kSmithRadius + 24);
    canvas.clip(square);
    canvas.polyline(locus, {colour, 1.5, false});
    if (points.size() <= kMarkedPoints) {
        for (std::size_t i = 0; i < points.size(); ++i) {
            const PlotPoint p = points[i];
            if (!isFinite(p.gamma)) {
                continue;
            }
            if (p.spread) {
                const std::vector<Complex> around = Points::spreadAround(p);
                for (const std::size_t end : {0, 2}) {
                    const Complex from = points.gammaOf(around[end]);
                    const Complex to = points.gammaOf(around[end + 1]);
                    if (isFinite(from) && isFinite(to)) {
                        canvas.line(smithPoint(from), smithPoint(to), {Qt::black, 1, false});
                    }
                }
            }
            canvas.circle(smithPoint(p.gamma), kMarkRadius, {colour, 0, false}, colour);
        }
    }
    canvas.unclip();
    // The first and the last point labelled away from the chart's centre.
    for (const std::size_t i : {std::size_t(0), points.size() - 1}) {
        const PlotPoint p = points[i];
        if (!isFinite(p.gamma)) {
            continue;
        }
        const QPointF at = smithPoint(p.gamma);
        canvas.circle(at, kMarkRadius + 2, {Qt::black, 1.5, false}, Qt::transparent);
        const double dx = at.x() - kSmithCentre.x();
        const double dy = at.y() - kSmithCentre.y();
        const double length = std::max(1.0, std::hypot(dx, dy));
        const bool right = dx >= 0;
        canvas.text({at.x() + 10 * dx / length + (right ? 4 : -4), at.y() + 12 * dy / length + 4},
            QStringLiteral("%1 %2 MHz")
                .arg(i == 0 ? QStringLiteral("first") : QStringLiteral("last"),
                    numberText(p.megahertz)),
            Qt::black, right ? TextAnchor::Start : TextAnchor::End, true);
    }
}

// Beside the chart, what the pictures show, in words.
void drawSummary(Canvas &canvas, const Points &points, const std::optional<SwrMinimum> &minimum,
    const std::vector<double> &resonanceMHz, const std::vector<ImpedanceSpread> &spreads)
{
    QStringList lines;
    if (minimum) {
        const PlotPoint p = points[minimum->index];
        lines << QStringLiteral("Lowest SWR %1 at %2 MHz")
                     .arg(QString::number(p.swr, 'f', 2), numberText(p.megahertz))
              << QStringLiteral("  Z = %1 %2 j%3 \u03a9")
                     .arg(numberText(p.z.real()),
                         p.z.imag() < 0 ? QStringLiteral("-") : QStringLiteral("+"),
                         numberText(std::abs(p.z.imag())))
              << bandText(points, *minimum, 1.5) << bandText(points, *minimum, 2);
    } else {
        lines << QStringLiteral("No point with a finite SWR");
    }
    if (resonanceMHz.empty()) {
        lines << QStringLiteral("X does not cross 0 in the sweep");
    }
    for (std::size_t i = 0; i < resonanceMHz.size() && i < std::size_t(kMostResonances); ++i) {
        lines << QStringLiteral("Resonance (X = 0) at %1 MHz").arg(numberText(resonanceMHz[i]));
    }
    lines << QString();
    if (spreads.empty()) {
        lines << QStringLiteral("No spread: the file gives none");
    } else {
        // The largest spread, so that bars too short to see are still read as measured.
        double r = 0;
        double x = 0;
        for (const ImpedanceSpread &spread : spreads) {
            r = std::max(r, spread.r);
            x = std::max(x, spread.x);
        }
        lines << QStringLiteral("Bars and crosses: 1 sigma of R and X,")
              << QStringLiteral("  at most %1 and %2 \u03a9")
                     .arg(QString::number(r, 'g', 2), QString::number(x, 'g', 2));
    }
    const double x = kSmithCentre.x() + kSmithRadius + 40;
    double y = kSmithCentre.y() - kSmithRadius + 30;
    for (const QString &line : lines) {
        canvas.text({x, y}, line, Qt::black);
        y += 20;
    }
}

} // namespace

QByteArray sweepPlot(const SweepPicture &picture, PictureFormat format)
{
    const std::unique_ptr<Canvas> canvas = makeCanvas(format, kPlotWidth, kHeight);
    const Points points(picture);
    canvas->text({8, 18}, printableText(picture.title), Qt::black, TextAnchor::Start, true);
    if (points.size() == 0) {
        return canvas->bytes();
    }
    const double lowMHz = points[0].megahertz;
    const double highMHz = points[points.size() - 1].megahertz;
    canvas->text({8, 38},
        QStringLiteral("%1 points from %2 to %3 MHz, Z0 %4 \u03a9")
            .arg(points.size())
            .arg(numberText(lowMHz), numberText(highMHz), numberText(picture.z0)),
        Qt::black);
    const Axis frequencies = axisWithin(lowMHz, highMHz, 8);
    const std::optional<SwrMinimum> minimum = minimumOf(points);
    const std::vector<double> resonanceMHz
        = resonances(points, Panel {kImpedanceArea, frequencies, Axis()});
    drawSwr(*canvas, points, frequencies, minimum);
    drawImpedance(*canvas, points, picture.spreads, frequencies, resonanceMHz);
    drawSmith(*canvas, points, picture.z0);
    drawSummary(*canvas, points, minimum, resonanceMHz, picture.spreads);
    return canvas->bytes();
}
