#include "timeaxis.h"

#include "printabletext.h"
#include "scopevocabulary.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

// Whether a column's name calls it the time axis: "Time", "Time (s)", "x-axis", "index",
// "Sequence", "second", "Zeit".
bool looksLikeTime(const Column &column)
{
    for (const std::string &name : column.names) {
        const std::string word = name.substr(0, name.find_first_of("([/"));
        std::string_view w(word);
        while (!w.empty() && (w.back() == ' ' || w.back() == '_')) {
            w.remove_suffix(1);
        }
        if (isTimeName(w)) {
            return true;
        }
    }
    return false;
}

// What repeated time stamps say of the samples behind them.
struct RepeatedStamps
{
    // Every stamp exactly twice: the minimum and the maximum of one interval, as an
    // oscilloscope writes them in peak-detect or envelope mode. Not samples of a sine.
    bool pairs = false;
    // The stamps are one evenly spaced axis printed with too few digits: every stamp lies
    // within half a unit of its last printed digit of their least-squares line (whose start
    // and interval these are), whatever the steps between them look like.
    bool evenGrid = false;
    double start = 0;
    double increment = 0;
};

// Every run of equal stamps two long, but the first and the last may be one (a file that
// starts or was cut in the middle of a pair): the minimum and maximum of each interval.
bool isPairs(const std::vector<double> &t)
{
    std::size_t run = 1;
    std::size_t twos = 0;
    for (std::size_t k = 1; k < t.size(); ++k) {
        if (t[k] - t[k - 1] > 0) {
            if (!(run == 2 || (run == 1 && k == 1))) {
                return false;
            }
            twos += run == 2;
            run = 1;
        } else {
            ++run;
        }
    }
    twos += run == 2;
    return run <= 2 && twos >= 2;
}

// A number as the fewest significant digits print it again: their count and the decimal
// exponent of the first ("-3.0159E-02" is 5 digits from 10^-2).
struct Digits
{
    int significant = 1;
    int exponent = 0;
};

Digits digitsOf(double value)
{
    char text[64];
    const std::to_chars_result result
        = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
    Digits digits;
    const char *const end = result.ptr;
    const char *p = text;
    digits.significant = 0;
    for (; p != end && *p != 'e'; ++p) {
        digits.significant += *p >= '0' && *p <= '9';
    }
    if (p != end) {
        std::from_chars(p + (p[1] == '+' ? 2 : 1), end, digits.exponent);
    }
    return digits;
}

// The printing resolution of each stamp: the unit of its last digit when the stamps are
// printed with as many significant digits as the longest of them needs ("%.4E": 1e-6 at
// 3e-2, 1e-11 at 2e-7), and no finer than the finest digit any stamp shows (a fixed number
// of decimals, "%.3f") nor than `floor`.
std::vector<double> printedUnits(const std::vector<double> &t, double floor)
{
    std::vector<Digits> digits(t.size());
    int significant = 1;
    int finest = std::numeric_limits<int>::max();
    for (std::size_t k = 0; k < t.size(); ++k) {
        digits[k] = digitsOf(t[k]);
        significant = std::max(significant, digits[k].significant);
        finest = std::min(finest, digits[k].exponent - digits[k].significant + 1);
    }
    std::vector<double> units(t.size());
    for (std::size_t k = 0; k < t.size(); ++k) {
        units[k] = std::max(
            std::pow(10.0, std::max(digits[k].exponent - significant + 1, finest)), floor);
    }
    return units;
}

RepeatedStamps repeatedStamps(const std::vector<double> &t)
{
    RepeatedStamps stamps;
    const std::size_t n = t.size();
    if (n < 3) {
        return stamps;
    }
    if (isPairs(t)) {
        stamps.pairs = true;
        return stamps;
    }
    const double first = (t.back() - t.front()) / double(n - 1);
    if (!(first > 0) || !std::isfinite(first)) {
        return stamps;
    }
    // A stamp printed with more digits than a thousandth of an interval is taken at that
    // (a time of zero printed as "-7.0582E-14" is not exact to its last digit).
    const std::vector<double> units = printedUnits(t, 1e-3 * first);
    // The least-squares line through (k, t_k), each stamp weighted by its printing
    // resolution: rounding moves a stamp by up to half its unit, evenly spread (variance
    // unit² / 12), so the finely printed stamps near zero tell the line best.
    double weights = 0;
    double meanK = 0;
    double meanT = 0;
    std::vector<double> weight(n);
    for (std::size_t k = 0; k < n; ++k) {
        weight[k] = 12 / (units[k] * units[k]);
        weights += weight[k];
        meanK += weight[k] * double(k);
        meanT += weight[k] * t[k];
    }
    meanK /= weights;
    meanT /= weights;
    double sxy = 0;
    double sxx = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const double dk = double(k) - meanK;
        sxy += weight[k] * dk * (t[k] - meanT);
        sxx += weight[k] * dk * dk;
    }
    const double increment = sxy / sxx;
    const double start = meanT - increment * meanK;
    if (!(increment > 0) || !std::isfinite(start) || !std::isfinite(increment)) {
        return stamps;
    }
    // Every stamp within half its unit of the line, and four standard deviations of the
    // line's own error there.
    const double slack = 8 * std::numeric_limits<double>::epsilon()
        * std::max(std::abs(t.front()), std::abs(t.back()));
    for (std::size_t k = 0; k < n; ++k) {
        const double dk = double(k) - meanK;
        const double lineError = std::sqrt(1 / weights + dk * dk / sxx);
        const double tolerance = 0.5 * units[k] + 4 * lineError + slack;
        if (!(std::abs(t[k] - (start + increment * double(k))) <= tolerance)) {
            return stamps;
        }
    }
    stamps.evenGrid = true;
    stamps.start = start;
    stamps.increment = increment;
    return stamps;
}

// How the first column's numbers run.
struct Shape
{
    bool increasing = false; // every step up
    bool rising = false; // never down, and up overall
    bool falling = false; // every step down
    bool counting = true; // whole numbers in steps of one
    std::size_t repeated = 0; // the first stamp equal to the one before; 0 for none
    std::size_t fallsAt = 0; // the first stamp below the one before; 0 for none
};

Shape shapeOf(const std::vector<double> &first)
{
    const std::size_t n = first.size();
    Shape shape;
    shape.increasing = shape.rising = shape.falling = n >= 2;
    for (std::size_t k = 1; k < n; ++k) {
        const double step = first[k] - first[k - 1];
        if (!(step > 0)) {
            shape.increasing = false;
            if (step == 0 && shape.repeated == 0) {
                shape.repeated = k;
            }
        }
        if (!(step >= 0)) {
            shape.rising = false;
            shape.fallsAt = shape.fallsAt ? shape.fallsAt : k;
        }
        shape.falling = shape.falling && step < 0;
        shape.counting = shape.counting && step == 1 && first[k] == std::floor(first[k]);
    }
    shape.rising = shape.rising && n >= 2 && first.back() > first.front();
    return shape;
}

// What the file gives, with what a strategy needs to say where it found it.
struct Source
{
    const Table &table;
    const Column &column;
    const TimeSettings &settings;
    const QString &fileName;
    Shape shape;

    const std::vector<double> &first() const { return table.values.front(); }
    // Each sample is one data line; blank lines between them are rare enough that the
    // line of the first sample plus k names the place well.
    std::int64_t lineOf(std::size_t k) const { return table.firstLine + std::int64_t(k); }
    QString interval() const
    {
        return QStringLiteral("the sample interval %1 s (line %2)")
            .arg(settings.increment)
            .arg(settings.incrementLine);
    }
    Failure unknownUnit() const
    {
        return Failure {at(fileName, table.firstLine - 1,
            QStringLiteral("unknown time unit '%1' of %2")
                .arg(printableText(QString::fromStdString(column.unit)), described(column)))};
    }
};

// Sample numbers in the first column times the settings' interval.
Result<TimeAxis> fromSampleNumbers(const Source &source)
{
    if (source.settings.increment <= 0) {
        return Failure {at(source.fileName, source.table.firstLine,
            QStringLiteral("%1 counts samples but the settings give no sample interval")
                .arg(described(source.column)))};
    }
    TimeAxis axis;
    axis.fromColumn = true;
    axis.seconds.reserve(source.first().size());
    for (const double number : source.first()) {
        axis.seconds.push_back(source.settings.start + number * source.settings.increment);
    }
    axis.notes.append(QStringLiteral("time: sample numbers in %1 times %2, from %3 s")
                          .arg(described(source.column), source.interval())
                          .arg(source.settings.start));
    return axis;
}

// A time column in its unit.
Result<TimeAxis> fromTimeColumn(const Source &source)
{
    const double scale = secondsPerUnit(source.column.unit);
    if (scale == 0) {
        return source.unknownUnit();
    }
    TimeAxis axis;
    axis.fromColumn = true;
    axis.columnScale = scale;
    axis.notes.append(
        QStringLiteral("time: %1, in %2")
            .arg(described(source.column),
                source.column.unit.empty() ? QStringLiteral("s")
                                           : QString::fromStdString(source.column.unit)));
    return axis;
}

// Times printed with too few digits repeat (a spreadsheet that re-saved them with three,
// an oscilloscope that writes five at a fine sample interval). The interval of the
// settings tells the times; without one, the stamps' own even grid does.
Result<TimeAxis> fromRepeatedStamps(const Source &source)
{
    const Column &column = source.column;
    const std::size_t repeated = source.shape.repeated;
    const double scale = secondsPerUnit(column.unit);
    const RepeatedStamps stamps = repeatedStamps(source.first());
    if (stamps.pairs) {
        return Failure {at(source.fileName, source.lineOf(repeated),
            QStringLiteral("%1 gives every time stamp twice: these are the minimum and the "
                           "maximum of each interval (peak detect or envelope), not samples; "
                           "capture in the acquisition mode 'sample' (normal)")
                .arg(described(column)))};
    }
    if (scale == 0) {
        return source.unknownUnit();
    }
    const bool fromSettings = source.settings.increment > 0;
    if (!fromSettings && !stamps.evenGrid) {
        return Failure {at(source.fileName, source.lineOf(repeated),
            QStringLiteral("%1 repeats its time stamps (%2 twice) and they are not evenly "
                           "spaced: the file was saved with too few digits; save the capture "
                           "again from the oscilloscope")
                .arg(described(column))
                .arg(source.first()[repeated]))};
    }
    const double start = fromSettings ? source.first().front() * scale : stamps.start * scale;
    const double increment = fromSettings ? source.settings.increment : stamps.increment * scale;
    TimeAxis axis;
    axis.fromColumn = true;
    axis.seconds.resize(source.first().size());
    for (std::size_t k = 0; k < axis.seconds.size(); ++k) {
        axis.seconds[k] = start + double(k) * increment;
    }
    axis.warnings.append(at(source.fileName, source.lineOf(repeated),
        QStringLiteral("%1 repeats its time stamps (printed with too few digits); the times are "
                       "taken from %2")
            .arg(described(column),
                fromSettings ? source.interval()
                             : QStringLiteral("their even spacing, every %1 s from %2 s")
                                   .arg(increment, 0, 'g', 6)
                                   .arg(start, 0, 'g', 9))));
    return axis;
}

// No time column: the settings' start and interval alone; the first column is a channel.
Result<TimeAxis> fromSettings(const Source &source)
{
    const TimeSettings &settings = source.settings;
    const std::size_t field = source.column.field;
    if (settings.increment <= 0) {
        return Failure {at(source.fileName, source.table.firstLine,
            QStringLiteral("no time column (column %1 does not increase) and no sample interval "
                           "in the settings")
                .arg(field + 1))};
    }
    TimeAxis axis;
    axis.seconds.resize(source.first().size());
    for (std::size_t k = 0; k < axis.seconds.size(); ++k) {
        axis.seconds[k] = settings.start + double(k) * settings.increment;
    }
    axis.notes.append(QStringLiteral("time: no time column (column %1 does not increase); "
                                     "%2, from %3 s")
                          .arg(field + 1)
                          .arg(source.interval())
                          .arg(settings.start));
    if (source.shape.falling) {
        axis.warnings.append(at(source.fileName, source.table.firstLine,
            QStringLiteral("%1 decreases throughout, like a time axis run backwards; it is read "
                           "as a channel, with the times from %2")
                .arg(described(source.column), source.interval())));
    }
    return axis;
}

// The strategy for the file: which of the four its first column and settings call for, or
// why none fits.
Result<TimeAxis> chosenAxis(const Source &source)
{
    const Shape &shape = source.shape;
    const Table &table = source.table;
    const bool namedTime = looksLikeTime(source.column);
    if (table.notFiniteLine.front() != 0 && (shape.increasing || namedTime)) {
        return Failure {at(source.fileName, table.notFiniteLine.front(),
            QStringLiteral("not a finite number: %1")
                .arg(quotedField(table.notFiniteText.front())))};
    }
    if (shape.increasing && shape.counting && source.column.unit.empty()) {
        return fromSampleNumbers(source);
    }
    if (shape.increasing) {
        return fromTimeColumn(source);
    }
    if (shape.rising && shape.repeated > 0) {
        return fromRepeatedStamps(source);
    }
    if (namedTime && source.first().size() >= 2) {
        return Failure {
            at(source.fileName, source.lineOf(shape.fallsAt ? shape.fallsAt : shape.repeated),
                QStringLiteral("%1 is named as the time but does not increase")
                    .arg(described(source.column)))};
    }
    return fromSettings(source);
}

} // namespace

Result<TimeAxis> timeAxis(const Table &table, const std::vector<Column> &columns,
    const TimeSettings &settings, const QString &fileName)
{
    const Source source {table, columns.front(), settings, fileName, shapeOf(table.values.front())};
    Result<TimeAxis> axis = chosenAxis(source);
    if (!axis) {
        return axis;
    }
    const double scale = axis->columnScale;
    const std::vector<double> &values = scale != 0 ? source.first() : axis->seconds;
    const auto seconds = [&](std::size_t k) { return scale != 0 ? values[k] * scale : values[k]; };
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (!std::isfinite(seconds(k)) || (k > 0 && !(seconds(k) > seconds(k - 1)))) {
            return Failure {at(fileName, source.lineOf(k),
                QStringLiteral("the times in seconds are not finite and increasing here (%1 s "
                               "after %2 s): check the time unit and the sample interval")
                    .arg(seconds(k))
                    .arg(k > 0 ? seconds(k - 1) : 0.0))};
        }
    }
    return axis;
}

std::vector<double> axisSeconds(TimeAxis &&axis, std::vector<double> &&column)
{
    if (axis.columnScale == 0) {
        return std::move(axis.seconds);
    }
    if (axis.columnScale != 1) {
        for (double &t : column) {
            t *= axis.columnScale;
        }
    }
    return std::move(column);
}
