#include "touchstone.h"

#include "csvtext.h"
#include "filecontent.h"
#include "printabletext.h"
#include "units.h"

#include <QLocale>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

namespace {

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

// The whitespace-separated tokens of a line, one after the other.
class Tokens
{
public:
    explicit Tokens(std::string_view line)
        : m_rest(line)
    { }

    bool next(std::string_view *token)
    {
        while (!m_rest.empty() && isSpace(m_rest.front())) {
            m_rest.remove_prefix(1);
        }
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

// A whole token as a finite or infinite number in the C locale's notation ("1e9", "-2.5",
// "+3"); false for anything else, also for a number followed by other characters.
bool tokenNumber(std::string_view token, double *value)
{
    const Parsed parsed = parseNumber(token, false, value);
    if (parsed == Parsed::NotFinite) {
        *value = std::numeric_limits<double>::infinity();
    }
    return parsed == Parsed::Number || parsed == Parsed::NotFinite;
}

// Reads the option line's tokens after the "#"; what it does not say keeps the defaults.
Result<Options> parseOptions(std::string_view line)
{
    Options options;
    Tokens tokens(line);
    std::string_view token;
    while (tokens.next(&token)) {
        const std::string t = upper(token);
        if (t == "HZ" || t == "KHZ" || t == "MHZ" || t == "GHZ") {
            options.hertzPerUnit = t == "HZ" ? 1 : t == "KHZ" ? 1e3 : t == "MHZ" ? 1e6 : 1e9;
        } else if (t == "S" || t == "Z" || t == "Y") {
            options.parameter = t == "S" ? Parameter::S : t == "Z" ? Parameter::Z : Parameter::Y;
        } else if (t == "G" || t == "H") {
            return Failure {QStringLiteral("%1 parameters belong to two ports; a one-port file "
                                           "has S, Z or Y")
                                .arg(QString::fromStdString(t))};
        } else if (t == "RI" || t == "MA" || t == "DB") {
            options.format = t == "RI" ? Format::RealImaginary
                : t == "MA"            ? Format::MagnitudeAngle
                                       : Format::DecibelAngle;
        } else if (t == "R") {
            std::string_view value;
            double ohms = 0;
            if (!tokens.next(&value) || !tokenNumber(value, &ohms)) {
                return Failure {
                    QStringLiteral("the option R wants the reference resistance in ohms")};
            }
            if (!(std::isfinite(ohms) && ohms > 0)) {
                return Failure {
                    QStringLiteral("the reference resistance must be above 0 ohms, not %1")
                        .arg(quotedField(value))};
            }
            options.referenceOhm = ohms;
        } else {
            return Failure {QStringLiteral("unknown option %1 (expected a frequency unit, S, Z "
                                           "or Y, RI, MA or DB, and R with the reference "
                                           "resistance)")
                                .arg(quotedField(token))};
        }
    }
    return options;
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

QString full(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// One data line: the frequency and S11, after the point before it (nullptr for the first).
Result<TouchstonePoint> dataPoint(
    std::string_view line, const Options &options, const TouchstonePoint *previous)
{
    double numbers[3] = {};
    int count = 0;
    Tokens tokens(line);
    std::string_view token;
    while (tokens.next(&token)) {
        double value = 0;
        if (!tokenNumber(token, &value)) {
            return Failure {QStringLiteral("expected a number, found %1").arg(quotedField(token))};
        }
        if (!std::isfinite(value)) {
            return Failure {QStringLiteral("not a finite number: %1").arg(quotedField(token))};
        }
        if (count < 3) {
            numbers[count] = value;
        }
        ++count;
    }
    if (count > 3) {
        return Failure {QStringLiteral("%1 numbers on a line; a one-port file has 3 (the "
                                       "frequency and S11): is this a file of more ports?")
                            .arg(count)};
    }
    if (count < 3) {
        return Failure {
            QStringLiteral("expected 3 numbers (the frequency and S11), found %1").arg(count)};
    }
    const double frequencyHz = numbers[0] * options.hertzPerUnit;
    if (!(std::isfinite(frequencyHz) && frequencyHz >= 0)) {
        return Failure {QStringLiteral("the frequency %1 is not a frequency")
                            .arg(QString::number(numbers[0], 'g', 6))};
    }
    if (previous && !(frequencyHz > previous->frequencyHz)) {
        return Failure {
            QStringLiteral("the frequencies must ascend: %1 after %2")
                .arg(full(numbers[0]), full(previous->frequencyHz / options.hertzPerUnit))};
    }
    const std::complex<double> s11 = reflectionOf(numbers[1], numbers[2], options);
    if (!(std::isfinite(s11.real()) && std::isfinite(s11.imag()))) {
        return Failure {QStringLiteral("the values %1 %2 give no finite S11")
                            .arg(full(numbers[1]), full(numbers[2]))};
    }
    return TouchstonePoint {frequencyHz, s11};
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

Result<TouchstoneSweep> readTouchstone(const QByteArray &content, const QString &fileName)
{
    std::string_view text(content.constData(), std::size_t(content.size()));
    if (text.substr(0, 3) == "\xef\xbb\xbf") {
        text.remove_prefix(3);
    }
    Options options;
    bool optionsSeen = false;
    TouchstoneSweep result;
    LineCursor cursor(text);
    TextLine line;
    while (cursor.next(&line)) {
        const std::string_view data = trimmed(line.text.substr(0, line.text.find('!')));
        if (data.empty()) {
            continue;
        }
        const auto fail
            = [&](const QString &message) { return failureAt(fileName, line.number, message); };
        if (data.front() == '#') {
            // Only the first option line counts; the format says to ignore any later one.
            if (optionsSeen) {
                continue;
            }
            if (!result.points.empty()) {
                return fail(QStringLiteral("the option line must come before the data"));
            }
            Result<Options> parsed = parseOptions(data.substr(1));
            if (!parsed) {
                return fail(parsed.error());
            }
            options = *parsed;
            optionsSeen = true;
            continue;
        }
        if (data.front() == '[') {
            return fail(QStringLiteral("%1 is a keyword of Touchstone 2; only version 1 files "
                                       "are read")
                            .arg(quotedField(data.substr(0, data.find(']') + 1))));
        }
        const Result<TouchstonePoint> point
            = dataPoint(data, options, result.points.empty() ? nullptr : &result.points.back());
        if (!point) {
            return fail(point.error());
        }
        result.points.push_back(*point);
    }
    if (result.points.empty()) {
        return failureAt(fileName, 0, QStringLiteral("no data lines"));
    }
    result.referenceOhm = options.referenceOhm;
    return result;
}

Result<TouchstoneSweep> readTouchstoneFile(const QString &path)
{
    // A sweep file of a VNA is small; one of more than 256 MiB is none.
    constexpr qint64 kLargestFile = qint64(256) << 20;
    const Result<QByteArray> content
        = readFileContent(path, kLargestFile, QStringLiteral("not a one-port sweep"));
    if (!content) {
        return content.failure();
    }
    return readTouchstone(*content, displayName(path));
}
