#include "csvtext.h"

#include <QString>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t kLongestNumber = 64; // characters; a longer field is no number
constexpr int kLinesSniffed = 1000;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Whether the bytes look like UTF-16 little endian without a mark: ASCII text with a NUL
// after every character.
bool looksLikeUtf16LittleEndian(const QByteArray &bytes)
{
    constexpr int kLooked = 64;
    const int n = std::min(int(bytes.size()) & ~1, kLooked);
    if (n < 4) {
        return false;
    }
    for (int i = 0; i < n; i += 2) {
        if (bytes[i] == 0 || bytes[i + 1] != 0) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

DecodedText decodeText(const QByteArray &bytes)
{
    DecodedText decoded;
    const bool littleMark = bytes.startsWith("\xff\xfe");
    const bool bigMark = bytes.startsWith("\xfe\xff");
    if (littleMark || bigMark || looksLikeUtf16LittleEndian(bytes)) {
        const int skip = littleMark || bigMark ? 2 : 0;
        const int units = (int(bytes.size()) - skip) / 2;
        QString text(units, Qt::Uninitialized);
        const auto *raw = reinterpret_cast<const unsigned char *>(bytes.constData() + skip);
        for (int i = 0; i < units; ++i) {
            const unsigned first = raw[2 * i];
            const unsigned second = raw[2 * i + 1];
            text[i] = QChar(ushort(bigMark ? (first << 8 | second) : (second << 8 | first)));
        }
        decoded.converted = text.toUtf8();
        decoded.text = std::string_view(decoded.converted.constData(), decoded.converted.size());
        decoded.encoding = bigMark ? "UTF-16 big endian" : "UTF-16 little endian";
        return decoded;
    }
    decoded.text = std::string_view(bytes.constData(), std::size_t(bytes.size()));
    if (decoded.text.substr(0, 3) == "\xef\xbb\xbf") {
        decoded.text.remove_prefix(3);
    }
    return decoded;
}

LineCursor::LineCursor(std::string_view text)
    : m_text(text)
    , m_end(text.find('\n') == std::string_view::npos ? '\r' : '\n')
{ }

bool LineCursor::next(TextLine *line)
{
    if (m_position >= m_text.size()) {
        return false;
    }
    std::size_t stop = m_text.find(m_end, m_position);
    line->terminated = stop != std::string_view::npos;
    if (!line->terminated) {
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

Dialect sniffDialect(std::string_view text)
{
    int semicolons = 0;
    int tabs = 0;
    int commas = 0;
    LineCursor cursor(text);
    TextLine line;
    for (int i = 0; i < kLinesSniffed && cursor.next(&line); ++i) {
        bool quoted = false;
        bool semicolon = false;
        bool tab = false;
        bool comma = false;
        for (const char c : line.text) {
            if (c == '"') {
                quoted = !quoted;
            } else if (!quoted) {
                semicolon = semicolon || c == ';';
                tab = tab || c == '\t';
                comma = comma || c == ',';
            }
        }
        semicolons += semicolon;
        tabs += tab;
        commas += comma;
    }
    if (semicolons > 0 && semicolons >= tabs && semicolons >= commas) {
        return {';', true};
    }
    if (tabs > 0 && tabs >= commas) {
        return {'\t', true};
    }
    return {',', false};
}

void splitFields(std::string_view line, char separator, Fields *fields)
{
    fields->clear();
    const char *p = line.data();
    const char *const end = p + line.size();
    for (;;) {
        while (p != end && isBlank(*p)) {
            ++p;
        }
        const char *fieldEnd;
        std::string_view field;
        if (p != end && *p == '"') {
            // A quoted field runs to its closing quote (a doubled quote stays inside) and
            // may hold the separator; an unclosed quote runs to the end of the line.
            const char *close = p + 1;
            while (close != end && !(*close == '"' && (close + 1 == end || close[1] != '"'))) {
                close += *close == '"' ? 2 : 1;
            }
            field = trimmed(
                std::string_view(p + 1, std::size_t((close == end ? end : close) - p - 1)));
            const void *next
                = close == end ? nullptr : std::memchr(close, separator, std::size_t(end - close));
            fieldEnd = next ? static_cast<const char *>(next) : end;
        } else {
            const void *next = p == end ? nullptr : std::memchr(p, separator, std::size_t(end - p));
            fieldEnd = next ? static_cast<const char *>(next) : end;
            const char *last = fieldEnd;
            while (last != p && isBlank(last[-1])) {
                --last;
            }
            field = std::string_view(p, std::size_t(last - p));
        }
        fields->push_back(field);
        if (fieldEnd == end) {
            return;
        }
        p = fieldEnd + 1;
    }
}

Parsed parseNumber(std::string_view field, bool decimalComma, double *value)
{
    if (field.empty()) {
        return Parsed::Empty;
    }
    if (field.size() > kLongestNumber) {
        return Parsed::NotNumber;
    }
    char buffer[kLongestNumber];
    if (decimalComma && field.find(',') != std::string_view::npos) {
        if (field.find('.') != std::string_view::npos
            || std::count(field.begin(), field.end(), ',') != 1) {
            return Parsed::NotNumber;
        }
        std::copy(field.begin(), field.end(), buffer);
        *std::find(buffer, buffer + field.size(), ',') = '.';
        field = std::string_view(buffer, field.size());
    }
    const char *begin = field.data();
    const char *end = begin + field.size();
    if (*begin == '+') {
        ++begin;
        if (begin == end || *begin == '+' || *begin == '-') {
            return Parsed::NotNumber;
        }
    }
    // PicoScope writes an over-range sample as an infinity sign.
    if (*begin == '\xe2' || (*begin == '-' && end - begin > 1 && begin[1] == '\xe2')) {
        const std::string_view rest(begin, std::size_t(end - begin));
        return rest == "\xe2\x88\x9e" || rest == "-\xe2\x88\x9e" ? Parsed::NotFinite
                                                                 : Parsed::NotNumber;
    }
    const std::from_chars_result result = std::from_chars(begin, end, *value);
    if (result.ec == std::errc::invalid_argument || result.ptr != end) {
        return Parsed::NotNumber;
    }
    if (result.ec == std::errc::result_out_of_range) {
        // Too small for a double is zero; too large is no finite number.
        const std::string_view number(begin, std::size_t(end - begin));
        const std::size_t exponent = number.find_first_of("eE");
        if (exponent != std::string_view::npos && exponent + 1 < number.size()
            && number[exponent + 1] == '-') {
            *value = 0;
            return Parsed::Number;
        }
        return Parsed::NotFinite;
    }
    return std::isfinite(*value) ? Parsed::Number : Parsed::NotFinite;
}
