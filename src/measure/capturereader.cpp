#include "capturereader.h"

#include "capture.h"

#include <QFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <vector>

namespace {

constexpr double kMillivoltsPerVolt = 1000;
constexpr std::size_t kLongestNumber = 64; // characters; longer fields are not numbers

struct Line
{
    int number = 0; // 1-based line number in the file
    std::string_view text;
};

using Fields = std::vector<std::string_view>;

std::string_view trimmed(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '"' || c == '\''; };
    while (!s.empty() && blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

QString quoted(std::string_view field)
{
    return QLatin1Char('\'') + QString::fromUtf8(field.data(), int(field.size())).left(40)
        + QLatin1Char('\'');
}

// The fields of a line. A line that ends in the separator (as some oscilloscopes write
// every line) has no empty last field.
void split(std::string_view line, char separator, Fields *fields)
{
    fields->clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = line.find(separator, start);
        if (end == std::string_view::npos) {
            if (start < line.size() || fields->empty()) {
                fields->push_back(trimmed(line.substr(start)));
            }
            return;
        }
        fields->push_back(trimmed(line.substr(start, end - start)));
        start = end + 1;
    }
}

enum class Parsed { Number, NotFinite, NotNumber };

// The longest number at the start of a field, in the C locale's notation; with
// `decimalComma` a single comma stands for the point. `rest` is what follows it.
Parsed parseLeadingNumber(
    std::string_view field, bool decimalComma, double *value, std::string_view *rest)
{
    field = trimmed(field);
    if (field.empty() || field.size() > kLongestNumber) {
        return Parsed::NotNumber;
    }
    char buffer[kLongestNumber];
    std::copy(field.begin(), field.end(), buffer);
    if (decimalComma && field.find('.') == std::string_view::npos
        && std::count(field.begin(), field.end(), ',') == 1) {
        *std::find(buffer, buffer + field.size(), ',') = '.';
    }
    const char *begin = buffer;
    const char *end = buffer + field.size();
    if (*begin == '+') {
        ++begin;
    }
    const std::from_chars_result result = std::from_chars(begin, end, *value);
    if (result.ec == std::errc::invalid_argument || result.ptr == begin) {
        return Parsed::NotNumber;
    }
    *rest = trimmed(field.substr(std::size_t(result.ptr - buffer)));
    if (result.ec == std::errc::result_out_of_range || !std::isfinite(*value)) {
        return Parsed::NotFinite;
    }
    return Parsed::Number;
}

Parsed parseNumber(std::string_view field, bool decimalComma, double *value)
{
    std::string_view rest;
    const Parsed parsed = parseLeadingNumber(field, decimalComma, value, &rest);
    return rest.empty() ? parsed : Parsed::NotNumber;
}

std::string lowered(std::string_view s)
{
    std::string result(s);
    std::transform(result.begin(), result.end(), result.begin(),
        [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return result;
}

// Seconds per unit of time as a unit's name writes it; 0 for a name that is no time unit.
double secondsPerUnit(std::string_view unit)
{
    const std::string u = lowered(trimmed(unit));
    if (u.empty() || u == "s" || u == "sec" || u == "second" || u == "seconds") {
        return 1;
    }
    if (u == "ms") {
        return 1e-3;
    }
    if (u == "us" || u == "\xc2\xb5s" || u == "\xce\xbcs") {
        return 1e-6;
    }
    if (u == "ns") {
        return 1e-9;
    }
    if (u == "ps") {
        return 1e-12;
    }
    return 0;
}

// The unit in a column's or a setting's name: "Time (us)", "Time[s]", "time/ns".
std::string_view unitInName(std::string_view name)
{
    const std::size_t open = name.find_first_of("([");
    if (open != std::string_view::npos) {
        const std::size_t close = name.find_first_of(")]", open);
        return name.substr(open + 1, close == std::string_view::npos ? close : close - open - 1);
    }
    const std::size_t slash = name.find('/');
    return slash == std::string_view::npos ? std::string_view() : name.substr(slash + 1);
}

// The name without its unit and anything after a colon, in lower case: "Sample Interval
// (s):" and "Sample Interval: 2 ns" are "sample interval".
std::string keyOf(std::string_view name)
{
    return lowered(trimmed(name.substr(0, name.find_first_of("([:"))));
}

// A time with an optional unit ("2e-9", "2.00E-09 s", "500ps"), in seconds.
bool parseSeconds(
    std::string_view field, std::string_view keyUnit, bool decimalComma, double *seconds)
{
    std::string_view rest;
    double value = 0;
    if (parseLeadingNumber(field, decimalComma, &value, &rest) != Parsed::Number) {
        return false;
    }
    const double scale = secondsPerUnit(rest.empty() ? keyUnit : rest);
    if (scale == 0) {
        return false;
    }
    *seconds = value * scale;
    return std::isfinite(*seconds);
}

// A sample rate with an optional unit ("1e9", "1 GSa/s", "500MSa/s", "2 GHz"), as the
// seconds between samples.
bool parseRateAsInterval(std::string_view field, bool decimalComma, double *seconds)
{
    std::string_view rest;
    double value = 0;
    if (parseLeadingNumber(field, decimalComma, &value, &rest) != Parsed::Number || value <= 0) {
        return false;
    }
    double scale = 1;
    if (!rest.empty() && (rest.front() == 'k' || rest.front() == 'M' || rest.front() == 'G')) {
        scale = rest.front() == 'k' ? 1e3 : rest.front() == 'M' ? 1e6 : 1e9;
        rest.remove_prefix(1);
    }
    const std::string unit = lowered(rest);
    if (!(unit.empty() || unit == "sa/s" || unit == "s/s" || unit == "hz")) {
        return false;
    }
    *seconds = 1 / (value * scale);
    return std::isfinite(*seconds) && *seconds > 0;
}

bool isIncrementKey(const std::string &key)
{
    return key == "increment" || key == "xincrement" || key == "x increment"
        || key == "sample interval" || key == "sampling interval" || key == "sample period"
        || key == "sampling period" || key == "time increment" || key == "dt";
}

bool isStartKey(const std::string &key)
{
    return key == "start" || key == "start time" || key == "xorigin" || key == "x origin"
        || key == "t0" || key == "x0";
}

bool isRateKey(const std::string &key)
{
    return key == "sample rate" || key == "sampling rate";
}

// What the lines before the data say about the time axis.
struct TimeSettings
{
    double start = 0; // seconds
    double increment = 0; // seconds; 0 when none is given
};

// Settings are a name followed by its value in the next field ("Sample Interval,2e-9") or
// after a colon ("Sample Interval: 2 ns"), or a line of names over a line of values
// ("X,CH1,CH2,Start,Increment" over "Sequence,Volt,Volt,-1e-6,2e-9").
TimeSettings timeSettings(const std::vector<Fields> &before, bool decimalComma)
{
    TimeSettings settings;
    for (std::size_t i = 0; i < before.size(); ++i) {
        for (std::size_t j = 0; j < before[i].size(); ++j) {
            const std::string key = keyOf(before[i][j]);
            const bool increment = isIncrementKey(key);
            const bool start = isStartKey(key);
            const bool rate = isRateKey(key);
            if (!increment && !start && !rate) {
                continue;
            }
            const std::string_view keyUnit = unitInName(before[i][j]);
            std::vector<std::string_view> candidates;
            const std::size_t colon = before[i][j].find(':');
            if (colon != std::string_view::npos && colon + 1 < before[i][j].size()) {
                candidates.push_back(before[i][j].substr(colon + 1));
            }
            if (j + 1 < before[i].size()) {
                candidates.push_back(before[i][j + 1]);
            }
            if (i + 1 < before.size() && j < before[i + 1].size()) {
                candidates.push_back(before[i + 1][j]);
            }
            for (const std::string_view candidate : candidates) {
                double seconds = 0;
                if (rate && parseRateAsInterval(candidate, decimalComma, &seconds)) {
                    settings.increment = seconds;
                    break;
                }
                if (!rate && parseSeconds(candidate, keyUnit, decimalComma, &seconds)) {
                    if (increment && seconds > 0) {
                        settings.increment = seconds;
                    } else if (start) {
                        settings.start = seconds;
                    }
                    break;
                }
            }
        }
    }
    return settings;
}

// The lines of a text one after the other, without their line ends ("\n", "\r\n", or a
// lone "\r" in a text without any "\n").
class LineCursor
{
public:
    explicit LineCursor(std::string_view text)
        : m_text(text)
        , m_end(text.find('\n') == std::string_view::npos ? '\r' : '\n')
    { }

    bool next(Line *line)
    {
        if (m_position > m_text.size()) {
            return false;
        }
        std::size_t stop = m_text.find(m_end, m_position);
        if (stop == std::string_view::npos) {
            stop = m_text.size();
        }
        std::string_view text = m_text.substr(m_position, stop - m_position);
        if (!text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
        }
        line->number = ++m_number;
        line->text = text;
        m_position = stop + 1;
        return true;
    }

    // How many line ends are left: enough to reserve room for the data.
    std::size_t remaining() const
    {
        return m_position >= m_text.size()
            ? 0
            : std::size_t(std::count(m_text.begin() + long(m_position), m_text.end(), m_end));
    }

private:
    std::string_view m_text;
    char m_end;
    std::size_t m_position = 0;
    int m_number = 0;
};

// The separator that the most of the first lines contain; on a tie a semicolon or a tab
// wins over a comma, which may then be a decimal comma.
char separatorOf(std::string_view text)
{
    constexpr int kLinesLookedAt = 1000;
    int semicolons = 0;
    int tabs = 0;
    int commas = 0;
    LineCursor cursor(text);
    Line line;
    for (int i = 0; i < kLinesLookedAt && cursor.next(&line); ++i) {
        semicolons += line.text.find(';') != std::string_view::npos;
        tabs += line.text.find('\t') != std::string_view::npos;
        commas += line.text.find(',') != std::string_view::npos;
    }
    if (semicolons > 0 && semicolons >= tabs && semicolons >= commas) {
        return ';';
    }
    if (tabs > 0 && tabs >= commas) {
        return '\t';
    }
    return ',';
}

bool isBlank(std::string_view line)
{
    return trimmed(line).empty();
}

// Whether every field of a line is a number (finite or not).
bool isNumberLine(const Fields &fields, bool decimalComma)
{
    double value = 0;
    return std::all_of(fields.begin(), fields.end(), [&](std::string_view field) {
        return parseNumber(field, decimalComma, &value) != Parsed::NotNumber;
    });
}

} // namespace

bool readCapture(const QByteArray &content, const QString &fileName, const ColumnChoice &columns,
    Capture *capture, QString *error)
{
    const auto fail = [&](int line, const QString &message) {
        *error = line > 0 ? QStringLiteral("%1:%2: %3").arg(fileName).arg(line).arg(message)
                          : QStringLiteral("%1: %2").arg(fileName, message);
        return false;
    };

    std::string_view text(content.constData(), std::size_t(content.size()));
    if (text.substr(0, 3) == "\xef\xbb\xbf") {
        text.remove_prefix(3);
    }
    const char separator = separatorOf(text);
    const bool decimalComma = separator != ',';

    // The data are the lines from the first line of numbers on; everything before them is
    // settings and names.
    LineCursor cursor(text);
    Line line;
    Fields fields;
    std::vector<Fields> before;
    std::vector<int> beforeLineNumbers;
    bool found = false;
    while (!found && cursor.next(&line)) {
        if (isBlank(line.text)) {
            continue;
        }
        split(line.text, separator, &fields);
        found = isNumberLine(fields, decimalComma);
        if (!found) {
            before.push_back(fields);
            beforeLineNumbers.push_back(line.number);
        }
    }
    if (!found) {
        return fail(0, QStringLiteral("no lines of numbers"));
    }
    const int firstDataLine = line.number;
    const std::size_t columnCount = fields.size();

    std::vector<std::vector<double>> data(columnCount);
    const std::size_t expected = cursor.remaining() + 1;
    for (std::vector<double> &column : data) {
        column.reserve(expected);
    }
    do {
        if (isBlank(line.text)) {
            continue;
        }
        split(line.text, separator, &fields);
        for (std::size_t j = 0; j < fields.size(); ++j) {
            double value = 0;
            const Parsed parsed = parseNumber(fields[j], decimalComma, &value);
            if (parsed == Parsed::NotNumber) {
                return fail(line.number,
                    QStringLiteral("expected %1 numbers, found %2")
                        .arg(columnCount)
                        .arg(quoted(fields[j])));
            }
            if (parsed == Parsed::NotFinite) {
                return fail(
                    line.number, QStringLiteral("not a finite number: %1").arg(quoted(fields[j])));
            }
            if (j < columnCount) {
                data[j].push_back(value);
            }
        }
        if (fields.size() != columnCount) {
            return fail(line.number,
                QStringLiteral("expected %1 numbers, found %2")
                    .arg(columnCount)
                    .arg(fields.size()));
        }
    } while (cursor.next(&line));

    // Lines of names: the last two lines before the data that have a name over every column
    // (one of them may name the units, as in "Sequence,Volt,Volt").
    std::vector<const Fields *> names;
    int namesLineNumber = firstDataLine;
    for (std::size_t i = before.size(); i-- > 0 && names.size() < 2;) {
        double value = 0;
        const Fields &candidate = before[i];
        if (candidate.size() >= columnCount
            && std::none_of(
                candidate.begin(), candidate.begin() + long(columnCount), [&](std::string_view f) {
                    return parseNumber(f, decimalComma, &value) != Parsed::NotNumber;
                })) {
            if (names.empty()) {
                namesLineNumber = beforeLineNumbers[i];
            }
            names.push_back(&candidate);
        }
    }
    const auto nameOf = [&](std::size_t column) {
        return names.empty() ? std::string_view() : (*names.front())[column];
    };

    // The time axis: a first column that increases is time, or sample numbers when it
    // counts 0, 1, 2 … and its name gives no time unit; otherwise the increment alone.
    const std::size_t samples = data[0].size();
    const TimeSettings settings = timeSettings(before, decimalComma);
    std::vector<double> &firstColumn = data[0];
    bool increasing = samples >= 2;
    bool counting = true;
    for (std::size_t k = 1; k < samples && increasing; ++k) {
        increasing = firstColumn[k] > firstColumn[k - 1];
        counting = counting && firstColumn[k] == firstColumn[k - 1] + 1
            && firstColumn[k] == std::floor(firstColumn[k]);
    }
    std::size_t channelsFrom = 0;
    const std::string_view timeUnit = unitInName(nameOf(0));
    if (increasing && counting && trimmed(timeUnit).empty()) {
        if (settings.increment <= 0) {
            return fail(firstDataLine,
                QStringLiteral("the first column counts samples but no sample increment "
                               "is given before the data"));
        }
        for (double &value : firstColumn) {
            value = settings.start + value * settings.increment;
        }
        channelsFrom = 1;
    } else if (increasing) {
        const double scale = secondsPerUnit(timeUnit);
        if (scale == 0) {
            return fail(
                namesLineNumber, QStringLiteral("unknown time unit %1").arg(quoted(timeUnit)));
        }
        if (scale != 1) {
            for (double &value : firstColumn) {
                value *= scale;
            }
        }
        channelsFrom = 1;
    } else if (settings.increment <= 0) {
        return fail(firstDataLine,
            QStringLiteral("no time column (the first column does not increase) and no "
                           "sample increment before the data"));
    }

    // The two channels.
    if (columnCount < channelsFrom + 2) {
        return fail(firstDataLine,
            QStringLiteral("%1 column(s) of numbers; expected %2two channels")
                .arg(columnCount)
                .arg(channelsFrom ? QStringLiteral("time and ") : QString()));
    }
    const auto columnOf = [&](const QString &choice, std::size_t fallback, std::size_t *column) {
        if (choice.isEmpty()) {
            *column = fallback;
            return true;
        }
        bool isNumber = false;
        const int number = choice.toInt(&isNumber);
        if (isNumber) {
            if (number < 1 || std::size_t(number) > columnCount) {
                *error = QStringLiteral("%1: no column %2; the data have %3")
                             .arg(fileName, choice)
                             .arg(columnCount);
                return false;
            }
            *column = std::size_t(number - 1);
        } else {
            const std::string wanted = choice.trimmed().toLower().toStdString();
            bool named = false;
            for (const Fields *nameLine : names) {
                for (std::size_t j = 0; j < columnCount && !named; ++j) {
                    if (lowered((*nameLine)[j]) == wanted) {
                        *column = j;
                        named = true;
                    }
                }
            }
            if (!named) {
                *error = QStringLiteral("%1: no column named '%2'").arg(fileName, choice);
                return false;
            }
        }
        if (*column < channelsFrom) {
            *error = QStringLiteral("%1: column %2 is the time").arg(fileName).arg(*column + 1);
            return false;
        }
        return true;
    };
    std::size_t referenceColumn = 0;
    std::size_t vxColumn = 0;
    if (!columnOf(columns.reference, channelsFrom, &referenceColumn)
        || !columnOf(columns.vx, channelsFrom + 1, &vxColumn)) {
        return false;
    }
    if (referenceColumn == vxColumn) {
        return fail(0, QStringLiteral("the reference and V_x are the same column"));
    }

    // Volts, unless a name of the column says millivolts.
    const auto inMillivolts = [&](std::size_t column) {
        std::vector<double> channel = std::move(data[column]);
        for (const Fields *nameLine : names) {
            if ((*nameLine)[column].find("mV") != std::string_view::npos) {
                return channel;
            }
        }
        for (double &value : channel) {
            value *= kMillivoltsPerVolt;
        }
        return channel;
    };
    capture->reference = inMillivolts(referenceColumn);
    capture->vx = inMillivolts(vxColumn);
    if (channelsFrom == 1) {
        capture->time = std::move(firstColumn);
    } else {
        capture->time.resize(samples);
        for (std::size_t k = 0; k < samples; ++k) {
            capture->time[k] = settings.start + double(k) * settings.increment;
        }
    }
    return true;
}

bool readCaptureFile(
    const QString &path, const ColumnChoice &columns, Capture *capture, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.size() > std::numeric_limits<int>::max()) {
        *error = QStringLiteral("%1: larger than 2 GiB").arg(path);
        return false;
    }
    // A large capture is read where it lies, mapped into memory, rather than copied.
    if (file.size() > 0) {
        if (const uchar *mapped = file.map(0, file.size())) {
            return readCapture(
                QByteArray::fromRawData(reinterpret_cast<const char *>(mapped), int(file.size())),
                path, columns, capture, error);
        }
    }
    return readCapture(file.readAll(), path, columns, capture, error);
}
