#include "captureplot.h"

#include "measurementreport.h"
#include "numbertext.h"
#include "picturefile.h"
#include "plotaxes.h"
#include "plotstyle.h"
#include "printabletext.h"
#include "units.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The picture in pixels, from the top: the title's three lines, the legend, the periods
// around the middle, the whole record, and the two channels' residuals under one time axis.
constexpr int kLeft = 64;
constexpr int kRight = 20;
constexpr double kPanelWidth = kPlotWidth - kLeft - kRight;
constexpr QRectF kPeriodsArea {kLeft, 106, kPanelWidth, 200};
constexpr QRectF kRecordArea {kLeft, 370, kPanelWidth, 90};
constexpr QRectF kReferenceResidualArea {kLeft, 500, kPanelWidth, 60};
constexpr QRectF kVxResidualArea {kLeft, 582, kPanelWidth, 60};
constexpr int kHeight = 682;
constexpr double kPeriodsShown = 3; // around the middle of the record
constexpr double kDotRadius = 1.8; // pixels
constexpr double kFitPointsPerPixel = 2;

// A fitted sine's value at a time, in mV.
double sineAt(const SineFit &fit, double omega, double origin, double seconds)
{
    return fit.amplitude * std::cos(omega * (seconds - origin) + fit.phase) + fit.offset;
}

// One channel as the picture needs it: its samples, its sine and its colour.
struct Channel
{
    const std::vector<double> &millivolts;
    const SineFit &fit;
    QColor colour;
};

QColor fitColour(const QColor &channel)
{
    return channel.darker(170);
}

// The samples from index `first` to `last` (not included) of one channel as `value` gives
// them (the samples themselves, or their residual): a dot each where they are no more than
// the panel's pixel columns, else their lowest and highest in each column.
template<typename ValueOf>
void drawSamples(Canvas &canvas, const Panel &panel, const std::vector<double> &time,
    std::size_t first, std::size_t last, ValueOf value, const QColor &colour)
{
    const auto point
        = [&](std::size_t k) { return panel.at(time[k] * kNanosecondsPerSecond, value(k)); };
    if (double(last - first) <= panel.area.width()) {
        for (std::size_t k = first; k < last; ++k) {
            canvas.circle(point(k), kDotRadius, {colour, 0, false}, colour);
        }
        return;
    }
    canvas.polyline(decimatedLine(last - first, [&](std::size_t i) { return point(first + i); }),
        {colour, 1, false});
}

// The title: the file; the frequency and Z with its spread; the fit.
void drawTitle(Canvas &canvas, const QString &name, const CaptureMeasurement &m)
{
    const QColor black(Qt::black);
    canvas.text({8, 18}, printableText(name), black, TextAnchor::Start, true);
    const QString sigma
        = QStringLiteral("1\u03c3 R %1, X %2")
              .arg(QString::number(m.rSigma, 'g', 2), QString::number(m.xSigma, 'g', 2));
    canvas.text({8, 38},
        QStringLiteral("%1 MHz%2    Z = %3 %4 j%5 \u03a9 (%6; Z0 %7 \u03a9)")
            .arg(numberText(m.frequencyMHz),
                m.frequencyEstimated ? QStringLiteral(" (estimated)") : QString(), numberText(m.r),
                m.x < 0 ? QStringLiteral("-") : QStringLiteral("+"), numberText(std::abs(m.x)),
                sigma, numberText(m.sourceImpedance)),
        black);
    canvas.text({8, 56},
        QStringLiteral("%1 samples; fit residual CH1 %2, CH2 %3 mV RMS; V_reference %4 mV, "
                       "V_x %5 mV, delay %6 ns")
            .arg(m.samples)
            .arg(QString::number(m.referenceResidualRms, 'g', 2),
                QString::number(m.vxResidualRms, 'g', 2), numberText(m.vReference),
                numberText(m.vx), numberText(m.delay)),
        black);
}

void drawLegend(Canvas &canvas, const Channel (&channels)[2])
{
    const char *names[] = {"CH1, the reference", "CH2, V_x"};
    double x = kLeft;
    for (int i = 0; i < 2; ++i) {
        const QColor &colour = channels[i].colour;
        canvas.circle({x + 4, 77}, kDotRadius + 0.7, {colour, 0, false}, colour);
        canvas.text(
            {x + 12, 81}, QStringLiteral("%1: samples").arg(QLatin1String(names[i])), Qt::black);
        canvas.line({x + 190, 77}, {x + 214, 77}, {fitColour(colour), 1.5, false});
        canvas.text({x + 220, 81}, QStringLiteral("fitted sine"), Qt::black);
        x += 340;
    }
}

// Both channels' lowest and highest sample in mV, 0 included: one scale for both, wide
// enough for every sample.
std::pair<double, double> millivoltRange(const Channel (&channels)[2])
{
    double lowest = 0;
    double highest = 0;
    for (const Channel &channel : channels) {
        const auto [low, high]
            = std::minmax_element(channel.millivolts.begin(), channel.millivolts.end());
        lowest = std::min(lowest, *low);
        highest = std::max(highest, *high);
    }
    return {lowest, highest};
}

// A few periods around the middle of the record, in seconds, and the samples within them
// (from `first` to `last`, not included).
struct Span
{
    double from = 0;
    double to = 0;
    std::size_t first = 0;
    std::size_t last = 0;
};

Span middlePeriods(const std::vector<double> &time, double frequencyHz)
{
    const double period = 1 / frequencyHz;
    const double middle = (time.front() + time.back()) / 2;
    Span span;
    span.from = std::max(time.front(), middle - kPeriodsShown / 2 * period);
    span.to = std::min(time.back(), middle + kPeriodsShown / 2 * period);
    span.first = std::size_t(std::lower_bound(time.begin(), time.end(), span.from) - time.begin());
    span.last = std::size_t(std::upper_bound(time.begin(), time.end(), span.to) - time.begin());
    return span;
}

// The samples of the span and the sines over it, on the range of mV from millivoltRange().
void drawPeriods(Canvas &canvas, const Channel (&channels)[2], const std::vector<double> &time,
    const FittedSines &sines, const Span &span, std::pair<double, double> range)
{
    const double omega = angularFrequency(sines.frequencyHz);
    const Panel periods {kPeriodsArea,
        axisWithin(span.from * kNanosecondsPerSecond, span.to * kNanosecondsPerSecond, 8),
        roundedAxis(range.first, range.second, 6)};
    drawPanel(canvas, periods, QStringLiteral("ns"), QStringLiteral("mV"));
    canvas.text({kPeriodsArea.right(), kPeriodsArea.top() - 7},
        QStringLiteral("%1 periods around the middle of the record")
            .arg(numberText(
                std::min(kPeriodsShown, (time.back() - time.front()) * sines.frequencyHz))),
        Qt::black, TextAnchor::End);
    canvas.clip(kPeriodsArea);
    const int fitPoints = int(kPanelWidth * kFitPointsPerPixel);
    for (const Channel &channel : channels) {
        QPolygonF sine;
        for (int i = 0; i <= fitPoints; ++i) {
            const double t = span.from + (span.to - span.from) * i / fitPoints;
            sine << periods.at(
                t * kNanosecondsPerSecond, sineAt(channel.fit, omega, sines.origin, t));
        }
        drawSamples(
            canvas, periods, time, span.first, span.last,
            [&](std::size_t k) { return channel.millivolts[k]; }, channel.colour);
        canvas.polyline(sine, {fitColour(channel.colour), 1.5, false});
    }
    canvas.unclip();
}

// The whole record, the span above between dashed lines; its panel, whose time axis the
// residuals below share.
Panel drawRecord(Canvas &canvas, const Channel (&channels)[2], const std::vector<double> &time,
    const Span &span, std::pair<double, double> range)
{
    const Panel record {kRecordArea,
        axisWithin(time.front() * kNanosecondsPerSecond, time.back() * kNanosecondsPerSecond, 8),
        roundedAxis(range.first, range.second, 3)};
    drawPanel(canvas, record, QString(), QStringLiteral("mV"));
    canvas.text({kRecordArea.right(), kRecordArea.top() - 7},
        QStringLiteral("The whole record; the periods above between the dashed lines"), Qt::black,
        TextAnchor::End);
    canvas.clip(kRecordArea);
    for (const Channel &channel : channels) {
        drawSamples(
            canvas, record, time, 0, time.size(),
            [&](std::size_t k) { return channel.millivolts[k]; }, channel.colour);
    }
    canvas.unclip();
    for (const double t : {span.from, span.to}) {
        const double x = record.px(t * kNanosecondsPerSecond);
        canvas.line({x, kRecordArea.top()}, {x, kRecordArea.bottom()}, {Qt::black, 1, true});
    }
    return record;
}

// Each channel's residual, sample minus sine, on the time axis `timeAxis`; both on one scale
// around 0, so that the noisier channel looks it.
void drawResiduals(Canvas &canvas, const Channel (&channels)[2], const std::vector<double> &time,
    const FittedSines &sines, const Axis &timeAxis)
{
    const double omega = angularFrequency(sines.frequencyHz);
    const auto residualOf = [&](const Channel &channel) {
        return [&](std::size_t k) {
            return channel.millivolts[k] - sineAt(channel.fit, omega, sines.origin, time[k]);
        };
    };
    double largest = 0;
    for (const Channel &channel : channels) {
        const auto residual = residualOf(channel);
        for (std::size_t k = 0; k < time.size(); ++k) {
            largest = std::max(largest, std::abs(residual(k)));
        }
    }
    const Axis residualAxis = roundedAxis(-largest, largest, 2);
    const QRectF residualAreas[2] = {kReferenceResidualArea, kVxResidualArea};
    for (int c = 0; c < 2; ++c) {
        const Channel &channel = channels[c];
        const Panel panel {residualAreas[c], timeAxis, residualAxis};
        drawPanel(
            canvas, panel, c == 1 ? QStringLiteral("ns") : QString(), QStringLiteral("mV"), c == 1);
        canvas.text({panel.area.right(), panel.area.top() - 5},
            QStringLiteral("Residual of %1: sample minus sine, %2 mV RMS")
                .arg(c == 0 ? QStringLiteral("CH1") : QStringLiteral("CH2"),
                    QString::number(channel.fit.residualRms, 'g', 2)),
            Qt::black, TextAnchor::End);
        canvas.clip(panel.area);
        drawSamples(canvas, panel, time, 0, time.size(), residualOf(channel), channel.colour);
        canvas.unclip();
    }
}

} // namespace

QByteArray capturePlot(const QString &name, const CaptureMeasurement &measurement,
    const CaptureTrace &trace, PictureFormat format)
{
    const Capture &capture = trace.capture;
    const FittedSines &sines = trace.sines;
    const std::vector<double> &time = capture.time;
    const Channel channels[2] = {{capture.reference, sines.reference, curveColour(0)},
        {capture.vx, sines.vx, curveColour(1)}};
    const std::unique_ptr<Canvas> canvas = makeCanvas(format, kPlotWidth, kHeight);
    drawTitle(*canvas, name, measurement);
    drawLegend(*canvas, channels);
    if (time.size() < 2) {
        return canvas->bytes();
    }
    const std::pair<double, double> range = millivoltRange(channels);
    const Span span = middlePeriods(time, sines.frequencyHz);
    drawPeriods(*canvas, channels, time, sines, span, range);
    const Panel record = drawRecord(*canvas, channels, time, span, range);
    drawResiduals(*canvas, channels, time, sines, record.x);
    return canvas->bytes();
}
