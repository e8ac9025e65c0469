#ifndef CSVTEXT_H
#define CSVTEXT_H

#include <QByteArray>

#include <cstdint>
#include <string_view>
#include <vector>

// The first steps of reading a text table that another program wrote: its encoding, its
// lines, its separator and decimal sign, the fields of a line and the numbers in them.

// A file's bytes as UTF-8 without a byte-order mark. UTF-16 (what a spreadsheet saves as
// "Unicode text") is converted: little or big endian by its byte-order mark, or little
// endian when the first bytes have a NUL in every second place and no mark.
struct DecodedText
{
    QByteArray converted; // holds the text when it had to be converted
    std::string_view text; // into `converted`, or into the bytes given
    const char *encoding = "UTF-8";
};
DecodedText decodeText(const QByteArray &bytes);

// One line of a text, without its line end.
struct TextLine
{
    std::int64_t number = 0; // from 1
    std::string_view text;
    bool terminated = false; // false for a last line that the file does not end
};

// The lines of a text one after the other. A line ends in "\n", "\r\n", or a lone "\r" in
// a text without any "\n" (old Mac files).
class LineCursor
{
public:
    explicit LineCursor(std::string_view text);
    bool next(TextLine *line);
    std::size_t position() const { return m_position; } // of the next line's first byte
    char lineEnd() const { return m_end; } // '\n', or '\r' in an old Mac file
    // Moves past `lines` whole lines that another reader took, ending before `position`.
    void skip(std::size_t position, std::int64_t lines)
    {
        m_position = position;
        m_number += lines;
    }

private:
    std::string_view m_text;
    char m_end;
    std::size_t m_position = 0;
    std::int64_t m_number = 0;
};

// How the fields are separated and how a number writes its decimal sign.
struct Dialect
{
    char separator = ',';
    bool decimalComma = false;
};

// The separator that most of the first lines hold outside quotes: a semicolon or a tab
// wins a tie over a comma, which is then the decimal sign (the German "0,1;0,2").
Dialect sniffDialect(std::string_view text);

using Fields = std::vector<std::string_view>;

// A text without the blanks and tabs around it.
std::string_view trimmed(std::string_view text);

// The fields of a line, each without blanks around it. A field in double quotes may hold
// the separator and a decimal comma; its quotes are taken away (a doubled quote inside
// stays doubled). An empty line has one empty field; "a,b," has three fields.
void splitFields(std::string_view line, char separator, Fields *fields);

enum class Parsed { Number, NotFinite, Empty, NotNumber };

// A whole field as a number in the C locale's notation ("-1.5E-3", "+2"), or with one
// decimal comma in place of the point. Infinities and NaN, also as "∞", and numbers beyond
// a double are NotFinite; "+-1" and a number with anything after it are NotNumber.
Parsed parseNumber(std::string_view field, bool decimalComma, double *value);

#endif // CSVTEXT_H
