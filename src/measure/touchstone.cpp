#include "touchstone.h"

#include "printabletext.h"

#include <QFile>
#include <QLocale>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kRadiansPerDegree = kPi / 180;
constexpr double kHertzPerMegahertz = 1e6;

enum class Parameter { S, Z, Y };
enum class Format { RealImaginary, MagnitudeAngle, DecibelAngle };

// What the option line says; the defaults are the format's own.
struct Options
{
    double hertzPerUnit = 1e9;
    Parameter parameter = Parameter::S;
    Format format = Format::MagnitudeAngle;
    double referenceOhm = 50;
};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isSpace(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isSpace(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// The whitespace-separated tokens of a line, one after the other.
class Tokens
{
public:
    explicit Tokens(std::string_view line)
        : m_rest(line)
    { }

    bool next(std::string_view *token)
    {
        m_rest = trimmed(m_rest);
        if (m_rest.empty()) {
            return false;
        }
        std::size_t end = 0;
        while (end < m_rest.size() && !isSpace(m_rest[end])) {
            ++end;
        }
        *token = m_rest.substr(0, end);
        m_rest.remove_prefix(end);
        return true;
    }

private:
    std::string_view m_rest;
};

std::string upper(std::string_view s)
{
    std::string result(s);
    for (char &c : result) {
        if (c >= 'a' && c <= 'z') {
            c = char(c - 'a' + 'A');
        }
    }
    return result;
}

// A whole token as a number in the C locale's notation ("1e9", "-2.5", "+3"); false for
// anything else, also for a number followed by other characters.
bool parseNumber(std::string_view token, double *value)
{
    const char *begin = token.data();
    const char *end = token.data() + token.size();
    if (begin != end && *begin == '+') {
        ++begin;
        if (begin != end && (*begin == '-' || *begin == '+')) {
            return false;
        }
    }
    const std::from_chars_result result = std::from_chars(begin, end, *value);
    if (result.ec == std::errc::result_out_of_range) {
        // Beyond what a double holds, either way: no number that a file means.
        *value = std::numeric_limits<double>::infinity();
    }
    return result.ec != std::errc::invalid_argument && result.ptr == end && begin != end;
}

// Reads the option line's tokens after the "#".
bool parseOptions(std::string_view line, Options *options, QString *message)
{
    Tokens tokens(line);
    std::string_view token;
    while (tokens.next(&token)) {
        const std::string t = upper(token);
        if (t == "HZ" || t == "KHZ" || t == "MHZ" || t == "GHZ") {
            options->hertzPerUnit = t == "HZ" ? 1 : t == "KHZ" ? 1e3 : t == "MHZ" ? 1e6 : 1e9;
        } else if (t == "S" || t == "Z" || t == "Y") {
            options->parameter = t == "S" ? Parameter::S : t == "Z" ? Parameter::Z : Parameter::Y;
        } else if (t == "G" || t == "H") {
            *message = QStringLiteral("%1 parameters belong to two ports; a one-port file has S, "
                                      "Z or Y")
                           .arg(QString::fromStdString(t));
            return false;
        } else if (t == "RI" || t == "MA" || t == "DB") {
            options->format = t == "RI" ? Format::RealImaginary
                : t == "MA"             ? Format::MagnitudeAngle
                                        : Format::DecibelAngle;
        } else if (t == "R") {
            std::string_view value;
            double ohms = 0;
            if (!tokens.next(&value) || !parseNumber(value, &ohms)) {
                *message = QStringLiteral("the option R wants the reference resistance in ohms");
                return false;
            }
            if (!(std::isfinite(ohms) && ohms > 0)) {
                *message = QStringLiteral("the reference resistance must be above 0 ohms, not %1")
                               .arg(quotedField(value));
                return false;
            }
            options->referenceOhm = ohms;
        } else {
            *message = QStringLiteral("unknown option %1 (expected a frequency unit, S, Z or Y, "
                                      "RI, MA or DB, and R with the reference resistance)")
                           .arg(quotedField(token));
            return false;
        }
    }
    return true;
}

// S11 from the two values of a data line, in the file's parameter and format.
std::complex<double> reflectionOf(double a, double b, const Options &options)
{
    std::complex<double> value;
    switch (options.format) {
    case Format::RealImaginary:
        value = {a, b};
        break;
    case Format::MagnitudeAngle:
        value = std::polar(a, b * kRadiansPerDegree);
        break;
    case Format::DecibelAngle:
        value = std::polar(std::pow(10.0, a / 20), b * kRadiansPerDegree);
        break;
    }
    // Z and Y are normalised to R: Z = z·R and Y = y/R, so Γ = (z − 1)/(z + 1) and, since
    // z = 1/y, Γ = (1 − y)/(1 + y).
    switch (options.parameter) {
    case Parameter::S:
        return value;
    case Parameter::Z:
        return (value - 1.0) / (value + 1.0);
    case Parameter::Y:
        return (1.0 - value) / (1.0 + value);
    }
    return value;
}

// The lines of a text without their ends ("\n", "\r\n", or a lone "\r" in a text without
// any "\n"), numbered from 1.
class LineCursor
{
public:
    explicit LineCursor(std::string_view text)
        : m_text(text)
        , m_end(text.find('\n') == std::string_view::npos ? '\r' : '\n')
    { }

    bool next(std::string_view *line, std::int64_t *number)
    {
        if (m_position >= m_text.size()) {
            return false;
        }
        std::size_t stop = m_text.find(m_end, m_position);
        if (stop == std::string_view::npos) {
            stop = m_text.size();
        }
        *line = m_text.substr(m_position, stop - m_position);
        if (!line->empty() && line->back() == '\r') {
            line->remove_suffix(1);
        }
        *number = ++m_number;
        m_position = stop + 1;
        return true;
    }

private:
    std::string_view m_text;
    char m_end;
    std::size_t m_position = 0;
    std::int64_t m_number = 0;
};

QString full(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace

std::complex<double> impedanceFromReflection(std::complex<double> s11, double referenceOhm)
{
    return referenceOhm * (1.0 + s11) / (1.0 - s11);
}

std::complex<double> reflectionFromImpedance(std::complex<double> z, double referenceOhm)
{
    return (z - referenceOhm) / (z + referenceOhm);
}

QByteArray writeTouchstone(const TouchstoneSweep &sweep, const QStringList &comments)
{
    QString text;
    for (const QString &comment : comments) {
        // A line end inside a comment would start a line that is no comment.
        text += QStringLiteral("! ") + printableText(comment) + QLatin1Char('\n');
    }
    text += QStringLiteral("# MHz S RI R %1\n").arg(full(sweep.referenceOhm));
    for (const TouchstonePoint &point : sweep.points) {
        text += full(point.frequencyHz / kHertzPerMegahertz) + QLatin1Char(' ')
            + full(point.s11.real()) + QLatin1Char(' ') + full(point.s11.imag())
            + QLatin1Char('\n');
    }
    return text.toUtf8();
}

bool readTouchstone(
    const QByteArray &content, const QString &fileName, TouchstoneSweep *sweep, QString *error)
{
    std::int64_t lineNumber = 0;
    const auto fail = [&](const QString &message) {
        *error = lineNumber > 0
            ? QStringLiteral("%1:%2: %3").arg(fileName).arg(lineNumber).arg(message)
            : QStringLiteral("%1: %2").arg(fileName, message);
        return false;
    };

    std::string_view text(content.constData(), std::size_t(content.size()));
    if (text.substr(0, 3) == "\xef\xbb\xbf") {
        text.remove_prefix(3);
    }
    Options options;
    bool optionsSeen = false;
    TouchstoneSweep result;
    LineCursor cursor(text);
    std::string_view line;
    while (cursor.next(&line, &lineNumber)) {
        line = trimmed(line.substr(0, line.find('!')));
        if (line.empty()) {
            continue;
        }
        if (line.front() == '#') {
            // Only the first option line counts; the format says to ignore any later one.
            if (optionsSeen) {
                continue;
            }
            if (!result.points.empty()) {
                return fail(QStringLiteral("the option line must come before the data"));
            }
            QString message;
            if (!parseOptions(line.substr(1), &options, &message)) {
                return fail(message);
            }
            optionsSeen = true;
            continue;
        }
        if (line.front() == '[') {
            return fail(QStringLiteral("%1 is a keyword of Touchstone 2; only version 1 files "
                                       "are read")
                            .arg(quotedField(line.substr(0, line.find(']') + 1))));
        }

        double numbers[3] = {};
        int count = 0;
        Tokens tokens(line);
        std::string_view token;
        while (tokens.next(&token)) {
            double value = 0;
            if (!parseNumber(token, &value)) {
                return fail(QStringLiteral("expected a number, found %1").arg(quotedField(token)));
            }
            if (!std::isfinite(value)) {
                return fail(QStringLiteral("not a finite number: %1").arg(quotedField(token)));
            }
            if (count < 3) {
                numbers[count] = value;
            }
            ++count;
        }
        if (count > 3) {
            return fail(QStringLiteral("%1 numbers on a line; a one-port file has 3 (the "
                                       "frequency and S11): is this a file of more ports?")
                            .arg(count));
        }
        if (count < 3) {
            return fail(
                QStringLiteral("expected 3 numbers (the frequency and S11), found %1").arg(count));
        }
        const double frequencyHz = numbers[0] * options.hertzPerUnit;
        if (!(std::isfinite(frequencyHz) && frequencyHz >= 0)) {
            return fail(QStringLiteral("the frequency %1 is not a frequency")
                            .arg(QString::number(numbers[0], 'g', 6)));
        }
        if (!result.points.empty() && !(frequencyHz > result.points.back().frequencyHz)) {
            return fail(QStringLiteral("the frequencies must ascend: %1 after %2")
                            .arg(full(numbers[0]),
                                full(result.points.back().frequencyHz / options.hertzPerUnit)));
        }
        const std::complex<double> s11 = reflectionOf(numbers[1], numbers[2], options);
        if (!(std::isfinite(s11.real()) && std::isfinite(s11.imag()))) {
            return fail(QStringLiteral("the values %1 %2 give no finite S11")
                            .arg(full(numbers[1]), full(numbers[2])));
        }
        result.points.push_back({frequencyHz, s11});
    }
    lineNumber = 0;
    if (result.points.empty()) {
        return fail(QStringLiteral("no data lines"));
    }
    result.referenceOhm = options.referenceOhm;
    *sweep = std::move(result);
    return true;
}

bool readTouchstoneFile(const QString &path, TouchstoneSweep *sweep, QString *error)
{
    // A sweep file of a VNA is small; one of more than 256 MiB is none.
    constexpr qint64 kLargestFile = qint64(256) << 20;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.size() > kLargestFile) {
        *error = QStringLiteral("%1: larger than 256 MiB; not a one-port sweep").arg(path);
        return false;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return readTouchstone(content, path, sweep, error);
}
