#include "capturetable.h"

#include "printabletext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

constexpr std::size_t kMostFields = 4096; // on one line; more is no oscilloscope's file
constexpr std::size_t kSettingsRowsKept = 256; // the settings are the lines nearest the data
constexpr std::size_t kBesideRowsKept = 64;
constexpr int kLinesBackForReference = 16;

bool isBlankLine(std::string_view line)
{
    return std::all_of(line.begin(), line.end(),
        [](char c) { return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '"'; });
}

bool isNumeric(Parsed parsed)
{
    return parsed == Parsed::Number || parsed == Parsed::NotFinite;
}

// How a number is printed: the digits before its exponent, and those of its exponent (-1
// for none). "-2.88172e-006" has 6 and 3, "0.031" has 4 and -1.
struct Printed
{
    int digits = 0;
    int exponentDigits = -1;
};

Printed printedShape(std::string_view field)
{
    Printed printed;
    int *counted = &printed.digits;
    for (const char c : field) {
        if (c == 'e' || c == 'E') {
            printed.exponentDigits = 0;
            counted = &printed.exponentDigits;
        } else if (c >= '0' && c <= '9') {
            ++*counted;
        }
    }
    return printed;
}

// The fields that hold numbers in the file's last lines: they are data, whatever stands
// above them. Of the last whole lines, the columns that most of them have count (one bad
// field in the last line does not hide its column, nor do settings beside the first rows
// of a short file); a last line that the file does not end may be cut off, so it counts
// only when no whole line has numbers.
std::vector<std::size_t> dataColumns(std::string_view text, const Dialect &dialect)
{
    const char end = text.find('\n') == std::string_view::npos ? '\r' : '\n';
    std::size_t finish = text.size();
    bool terminated = false;
    if (finish > 0 && text[finish - 1] == end) {
        --finish;
        terminated = true;
    }
    Fields fields;
    std::vector<std::size_t> unterminated;
    std::vector<std::pair<std::vector<std::size_t>, int>> seen; // column sets and their count
    for (int looked = 0; looked < kLinesBackForReference; ++looked) {
        const std::size_t previous
            = finish == 0 ? std::string_view::npos : text.rfind(end, finish - 1);
        const std::size_t begin = previous == std::string_view::npos ? 0 : previous + 1;
        std::string_view line = text.substr(begin, finish - begin);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!isBlankLine(line)) {
            splitFields(line, dialect.separator, &fields);
            std::vector<std::size_t> numeric;
            double value = 0;
            for (std::size_t j = 0; j < fields.size() && j < kMostFields; ++j) {
                if (isNumeric(parseNumber(fields[j], dialect.decimalComma, &value))) {
                    numeric.push_back(j);
                }
            }
            if (terminated && !numeric.empty()) {
                const auto same = std::find_if(seen.begin(), seen.end(),
                    [&](const auto &entry) { return entry.first == numeric; });
                if (same == seen.end()) {
                    seen.emplace_back(std::move(numeric), 1);
                } else {
                    ++same->second;
                }
            } else if (!terminated && unterminated.empty()) {
                unterminated = std::move(numeric);
            }
        }
        if (begin == 0) {
            break;
        }
        finish = begin - 1;
        terminated = true;
    }
    // The set that most of the last whole lines have; on a tie the one with more columns.
    const auto best = std::max_element(seen.begin(), seen.end(), [](const auto &a, const auto &b) {
        return a.second != b.second ? a.second < b.second : a.first.size() < b.first.size();
    });
    return best != seen.end() ? best->first : unterminated;
}

// Whether every field of a line that is not empty is a number, and there are two or more.
bool isNumberRow(const Fields &fields, const Dialect &dialect)
{
    int numbers = 0;
    double value = 0;
    for (const std::string_view field : fields) {
        const Parsed parsed = parseNumber(field, dialect.decimalComma, &value);
        if (parsed == Parsed::NotNumber) {
            return false;
        }
        numbers += isNumeric(parsed);
    }
    return numbers >= 2;
}

QString columnList(const std::vector<std::size_t> &columns)
{
    QStringList list;
    for (const std::size_t c : columns) {
        list.append(QString::number(c + 1));
    }
    return list.join(QStringLiteral(", "));
}

// The common data lines read in one pass, straight from the text, as the general road would
// read them: `width` finite numbers in the first fields, nothing after them but blanks and
// separators, and a line end ("\n" or "\r\n"). Reads such lines from `position` on until one
// is anything else (a sign, a quote, text, a value that is not finite, another field, the
// file's last line without a line end), which the general road then reads and judges.
struct PlainRun
{
    std::size_t position = 0; // of the first line not read
    std::int64_t lines = 0;
};

PlainRun plainRows(std::string_view text, std::size_t position, char separator,
    std::vector<std::vector<double>> &values, std::vector<double> &row)
{
    const std::size_t width = values.size();
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    PlainRun run;
    run.position = position;
    const char *const end = text.data() + text.size();
    // The cursor of a text whose last line has no line end stands one past its end.
    while (run.position < text.size()) {
        const char *const begin = text.data() + run.position;
        const char *p = begin;
        for (std::size_t c = 0; c < width; ++c) {
            while (p != end && blank(*p)) {
                ++p;
            }
            double value = 0;
            const std::from_chars_result result = std::from_chars(p, end, value);
            if (result.ec != std::errc() || result.ptr == p || !std::isfinite(value)) {
                return run;
            }
            p = result.ptr;
            while (p != end && blank(*p)) {
                ++p;
            }
            if (c + 1 < width) {
                if (p == end || *p != separator) {
                    return run;
                }
                ++p;
            }
            row[c] = value;
        }
        while (p != end && (blank(*p) || *p == separator)) {
            ++p;
        }
        if (p != end && *p == '\r') {
            ++p;
        }
        if (p == end || *p != '\n') {
            return run;
        }
        for (std::size_t c = 0; c < width; ++c) {
            values[c].push_back(row[c]);
        }
        run.position = std::size_t(p + 1 - text.data());
        ++run.lines;
    }
    return run;
}

// ---- The data lines.

class TableReader
{
public:
    TableReader(std::string_view text, const Dialect &dialect, const QString &fileName,
        std::vector<std::size_t> columns);
    Result<Table> read();

private:
    enum class Next { Line, Stop };
    Result<Next> line(const TextLine &line);
    Status headerLine(const TextLine &line);
    Status besideFields(const TextLine &line);
    bool timeWithoutValues() const;
    bool wholeLastLine(const TextLine &line) const;
    void start(const TextLine &line);
    void append(const TextLine &line);

    std::string_view m_text;
    Dialect m_dialect;
    QString m_fileName;
    Table m_table;
    std::size_t m_width = 0;
    bool m_contiguous = true; // the data are the first columns of the line, as in most files
    bool m_fastPath = false;
    bool m_started = false;
    char m_lineEnd = '\n';
    // Lines of a time and no values: a run before the data, and one after it that must
    // reach the end of the file (inside the data such a line is an error).
    std::int64_t m_emptyBeforeFrom = 0;
    std::int64_t m_emptyBeforeTo = 0;
    std::int64_t m_emptyAfterFrom = 0;
    std::int64_t m_emptyAfterTo = 0;
    QString m_emptyAfterError;
    std::size_t m_position = 0; // of the line after the one being read
    Fields m_fields;
    std::vector<double> m_row;
    std::vector<Parsed> m_kinds;
};

TableReader::TableReader(std::string_view text, const Dialect &dialect, const QString &fileName,
    std::vector<std::size_t> columns)
    : m_text(text)
    , m_dialect(dialect)
    , m_fileName(fileName)
    , m_width(columns.size())
    , m_row(columns.size())
    , m_kinds(columns.size())
{
    m_table.columns = std::move(columns);
    m_table.values.resize(m_width);
    m_table.notFiniteLine.assign(m_width, 0);
    m_table.notFiniteText.resize(m_width);
    for (std::size_t c = 0; c < m_width; ++c) {
        m_contiguous = m_contiguous && m_table.columns[c] == c;
    }
    m_fastPath = m_contiguous && !m_dialect.decimalComma;
}

Result<Table> TableReader::read()
{
    LineCursor cursor(m_text);
    TextLine text;
    m_lineEnd = cursor.lineEnd();
    m_fastPath = m_fastPath && m_lineEnd == '\n';
    while (cursor.next(&text)) {
        m_position = cursor.position();
        if (isBlankLine(text.text)) {
            continue;
        }
        const Result<Next> next = line(text);
        if (!next) {
            return next.failure();
        }
        if (*next == Next::Stop) {
            break;
        }
        // Most of a file is plain data lines: they are read in one pass from here on, and
        // the line that is not one goes the general road (as every line does after a time
        // without values, which only the end of the file may follow).
        if (m_started && m_fastPath && m_emptyAfterFrom == 0) {
            const PlainRun run
                = plainRows(m_text, cursor.position(), m_dialect.separator, m_table.values, m_row);
            if (run.lines > 0) {
                cursor.skip(run.position, run.lines);
                m_table.lastLine += run.lines;
            }
        }
    }
    if (!m_started) {
        return Failure {at(m_fileName, 0, QStringLiteral("no lines of numbers"))};
    }
    const auto lines = [](std::int64_t from, std::int64_t to) {
        return from == to ? QStringLiteral("line %1").arg(from)
                          : QStringLiteral("lines %1 to %2").arg(from).arg(to);
    };
    if (m_emptyBeforeFrom != 0) {
        m_table.notes.append(QStringLiteral("%1: a time but no values, before the data; left out")
                                 .arg(lines(m_emptyBeforeFrom, m_emptyBeforeTo)));
    }
    if (m_emptyAfterFrom != 0) {
        m_table.notes.append(QStringLiteral("%1: a time but no values, after the data; left out")
                                 .arg(lines(m_emptyAfterFrom, m_emptyAfterTo)));
    }
    return std::move(m_table);
}

// A line of a number in the first data column and nothing else, every other data column
// there but empty: Keysight writes the times before its channels' first samples so
// ("+1.5400000E+00,,"), and Agilent a last row so ("+998.000E-06,,").
bool TableReader::timeWithoutValues() const
{
    const std::vector<std::size_t> &columns = m_table.columns;
    if (m_width < 2 || !isNumeric(m_kinds[0]) || columns.back() >= m_fields.size()) {
        return false;
    }
    for (std::size_t j = 0; j < m_fields.size(); ++j) {
        if (j != columns[0] && !m_fields[j].empty()) {
            return false;
        }
    }
    return true;
}

// Whether a last line that the file does not end is whole. A save cut off inside the line
// leaves fewer fields than the lines before it, or cuts the last number: the others have a
// separator after them. The last number is whole when a separator follows it, when it has
// an exponent of as many digits as the lines before (its mantissa comes first), or else
// when it has as many digits as the fewest of those lines: "%g" drops a trailing zero in
// one number of ten, so a long number (six digits or more) may have one fewer, a change in
// its last place at most.
bool TableReader::wholeLastLine(const TextLine &line) const
{
    constexpr int kLinesCompared = 8;
    const std::size_t begin = std::size_t(line.text.data() - m_text.data());
    std::vector<Fields> before;
    std::size_t finish = begin;
    double value = 0;
    for (int looked = 0;
         looked < 2 * kLinesCompared && finish > 0 && int(before.size()) < kLinesCompared;
         ++looked) {
        const std::size_t end = finish - 1; // the line end of the line before
        const std::size_t previous
            = end == 0 ? std::string_view::npos : m_text.rfind(m_lineEnd, end - 1);
        const std::size_t start = previous == std::string_view::npos ? 0 : previous + 1;
        std::string_view text = m_text.substr(start, end - start);
        if (!text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
        }
        finish = start;
        Fields fields;
        splitFields(text, m_dialect.separator, &fields);
        const bool data
            = std::all_of(m_table.columns.begin(), m_table.columns.end(), [&](std::size_t f) {
                  return f < fields.size()
                      && isNumeric(parseNumber(fields[f], m_dialect.decimalComma, &value));
              });
        if (data) {
            before.push_back(std::move(fields));
        }
    }
    if (before.empty()) {
        return true;
    }
    const std::size_t f = m_table.columns.back();
    if (m_fields.size() != before.front().size()) {
        return false;
    }
    if (f + 1 < m_fields.size()) {
        return true;
    }
    const Printed last = printedShape(m_fields[f]);
    const int exponent = printedShape(before.front()[f]).exponentDigits;
    int fewest = std::numeric_limits<int>::max();
    bool sameExponent = true;
    for (const Fields &fields : before) {
        const Printed shape = printedShape(fields[f]);
        fewest = std::min(fewest, shape.digits);
        sameExponent = sameExponent && shape.exponentDigits == exponent;
    }
    if (sameExponent && exponent >= 0) {
        return last.exponentDigits == exponent;
    }
    constexpr int kLongNumber = 6; // digits
    return last.digits >= (fewest >= kLongNumber ? fewest - 1 : fewest);
}

// One line that is not blank: a setting or name before the data, or a data line.
Result<TableReader::Next> TableReader::line(const TextLine &line)
{
    splitFields(line.text, m_dialect.separator, &m_fields);
    if (m_fields.size() > kMostFields) {
        return Failure {at(m_fileName, line.number,
            QStringLiteral("%1 fields on one line; an oscilloscope's file has far fewer")
                .arg(m_fields.size()))};
    }
    const std::vector<std::size_t> &columns = m_table.columns;
    std::size_t failed = m_width;
    for (std::size_t c = 0; c < m_width && failed == m_width; ++c) {
        m_kinds[c] = columns[c] < m_fields.size()
            ? parseNumber(m_fields[columns[c]], m_dialect.decimalComma, &m_row[c])
            : Parsed::Empty;
        if (!isNumeric(m_kinds[c])) {
            failed = c;
        }
    }
    const bool data = failed == m_width;
    if (!m_started && !data) {
        if (timeWithoutValues()) {
            m_emptyBeforeFrom = m_emptyBeforeFrom != 0 ? m_emptyBeforeFrom : line.number;
            m_emptyBeforeTo = line.number;
            return Next::Line;
        }
        m_emptyBeforeFrom = m_emptyBeforeTo = 0;
        if (const Status header = headerLine(line); !header) {
            return header.failure();
        }
        return Next::Line;
    }
    if (m_emptyAfterFrom != 0 && data) {
        return Failure {m_emptyAfterError};
    }
    // A last line that the file does not end, and that is no data line or has fewer fields
    // or digits than the lines before it, was cut off while the file was saved (also one of
    // a time and no values: its values may be what was cut).
    if (!line.terminated && (!data || !wholeLastLine(line))) {
        m_table.warnings.append(at(m_fileName, line.number,
            QStringLiteral("the last line is cut off (the file ends inside it); it is left out")));
        m_table.cutOff = true;
        return Next::Stop;
    }
    if (!data && timeWithoutValues()) {
        if (m_emptyAfterFrom == 0) {
            m_emptyAfterFrom = line.number;
            m_emptyAfterError = at(m_fileName, line.number,
                QStringLiteral("expected a number in column %1, found nothing")
                    .arg(m_table.columns[failed] + 1));
        }
        m_emptyAfterTo = line.number;
        return Next::Line;
    }
    if (!data) {
        const std::size_t column = columns[failed];
        return Failure {at(m_fileName, line.number,
            column < m_fields.size() && !m_fields[column].empty()
                ? QStringLiteral("expected a number in column %1, found %2")
                      .arg(column + 1)
                      .arg(quotedField(m_fields[column]))
                : QStringLiteral("expected a number in column %1, found nothing").arg(column + 1))};
    }
    if (!m_started) {
        start(line);
    }
    // Fields beside the data, or values that are not finite: most lines have neither.
    const bool finite = std::none_of(
        m_kinds.begin(), m_kinds.end(), [](Parsed kind) { return kind == Parsed::NotFinite; });
    if (!(m_fields.size() == m_width && m_contiguous && finite)) {
        if (const Status beside = besideFields(line); !beside) {
            return beside.failure();
        }
    }
    append(line);
    return Next::Line;
}

// A line before the data: kept as settings and names (the last of them). A line of nothing
// but numbers is no setting: it is a data line with other columns than the lines below it.
Status TableReader::headerLine(const TextLine &line)
{
    if (isNumberRow(m_fields, m_dialect)) {
        return Failure {at(m_fileName, line.number,
            QStringLiteral("the numbers of this line are not in the columns of the lines below "
                           "it (columns %1)")
                .arg(columnList(m_table.columns)))};
    }
    if (m_table.header.size() == kSettingsRowsKept) {
        m_table.header.erase(m_table.header.begin());
    }
    m_table.header.push_back({line.number, m_fields});
    return success();
}

// The first data line: room for the rows that the rest of the file can hold, no more, as
// each row takes at least two bytes per column.
void TableReader::start(const TextLine &line)
{
    m_started = true;
    m_table.firstLine = line.number;
    const std::size_t remaining = m_text.size() - std::min(m_text.size(), m_position);
    const std::size_t rows = remaining / std::max(line.text.size() + 1, 2 * m_width) + 2;
    for (std::vector<double> &column : m_table.values) {
        column.reserve(rows);
    }
}

// Fields beside the data: settings (a name and its value) are kept, a number that stands
// alone is a column the data do not have. Values that are not finite become NaN, the first
// of each column remembered for its message.
Status TableReader::besideFields(const TextLine &line)
{
    bool setting = false;
    std::int64_t strayColumn = -1;
    for (std::size_t j = 0, c = 0; j < m_fields.size(); ++j) {
        if (c < m_width && m_table.columns[c] == j) {
            ++c;
            continue;
        }
        if (m_fields[j].empty()) {
            continue;
        }
        double value = 0;
        if (isNumeric(parseNumber(m_fields[j], m_dialect.decimalComma, &value))) {
            strayColumn = strayColumn < 0 ? std::int64_t(j) : strayColumn;
        } else {
            setting = true;
        }
    }
    if (strayColumn >= 0 && !setting) {
        return Failure {at(m_fileName, line.number,
            QStringLiteral("a number in column %1, beside the columns of the data")
                .arg(strayColumn + 1))};
    }
    if (setting && m_table.beside.size() < kBesideRowsKept) {
        m_table.beside.push_back({line.number, m_fields});
    }
    for (std::size_t c = 0; c < m_width; ++c) {
        if (m_kinds[c] == Parsed::NotFinite) {
            if (m_table.notFiniteLine[c] == 0) {
                m_table.notFiniteLine[c] = line.number;
                m_table.notFiniteText[c] = std::string(m_fields[m_table.columns[c]].substr(0, 40));
            }
            m_row[c] = std::numeric_limits<double>::quiet_NaN();
        }
    }
    return success();
}

void TableReader::append(const TextLine &line)
{
    for (std::size_t c = 0; c < m_width; ++c) {
        m_table.values[c].push_back(m_row[c]);
    }
    m_table.lastLine = line.number;
}

bool isUnitWord(std::string_view name)
{
    const std::string unit = unitOfName(name);
    return !unit.empty() && (unit.size() + 2 >= name.size());
}

} // namespace

Result<Table> readTable(std::string_view text, const Dialect &dialect, const QString &fileName)
{
    std::vector<std::size_t> columns = dataColumns(text, dialect);
    if (columns.empty()) {
        return Failure {at(fileName, 0, QStringLiteral("no lines of numbers"))};
    }
    return TableReader(text, dialect, fileName, std::move(columns)).read();
}

void keepRows(Table &table, std::size_t begin, std::size_t end)
{
    for (std::vector<double> &column : table.values) {
        end = std::min(end, column.size());
        begin = std::min(begin, end);
        column.erase(column.begin() + std::ptrdiff_t(end), column.end());
        column.erase(column.begin(), column.begin() + std::ptrdiff_t(begin));
    }
    table.firstLine += std::int64_t(begin);
    table.lastLine = table.firstLine + std::int64_t(end - begin) - 1;
    for (std::int64_t &line : table.notFiniteLine) {
        line = line >= table.firstLine && line <= table.lastLine ? line : 0;
    }
}

std::vector<Column> columnsOf(const Table &table, const Dialect &dialect)
{
    std::vector<const SettingsRow *> nameRows;
    double value = 0;
    const auto namesEvery = [&](const SettingsRow &row, bool allText) {
        // Every data column named, but the first may be left empty (Rigol DS1000B's
        // ",CH1,CH2" over "Second,Volt,Volt"); with `allText` no name a number, else at
        // least one (Keysight names its channels "1" and "2" over the time's "x-axis").
        const auto named = [&](std::size_t f) {
            return f < row.fields.size() && (!row.fields[f].empty() || f == table.columns.front());
        };
        const auto text = [&](std::size_t f) {
            return parseNumber(row.fields[f], dialect.decimalComma, &value) == Parsed::NotNumber;
        };
        // "500 MSa/s" or "0.08uS" is a setting's value, no name.
        const auto settingValue = [&](std::size_t f) {
            const std::string_view field = row.fields[f];
            std::size_t k = field.empty() || (field[0] != '-' && field[0] != '+') ? 0 : 1;
            return k < field.size() && ((field[k] >= '0' && field[k] <= '9') || field[k] == '.')
                && text(f);
        };
        const auto &c = table.columns;
        return std::all_of(c.begin(), c.end(), named)
            && std::none_of(c.begin(), c.end(), settingValue)
            && (allText ? std::all_of(c.begin(), c.end(), text)
                        : std::any_of(c.begin(), c.end(), text));
    };
    for (std::size_t i = table.header.size(); i-- > 0;) {
        if (namesEvery(table.header[i], false)) {
            nameRows.push_back(&table.header[i]);
            // The line right above counts when it is all names, or when the line found
            // is a line of units ("second,Volt,Volt" under "x-axis,1,2").
            const bool units = std::all_of(table.columns.begin(), table.columns.end(),
                [&](std::size_t f) { return isUnitWord(table.header[i].fields[f]); });
            if (i > 0 && table.header[i - 1].line + 1 == table.header[i].line
                && namesEvery(table.header[i - 1], !units)) {
                nameRows.push_back(&table.header[i - 1]);
            }
            break;
        }
    }
    std::vector<Column> result;
    for (const std::size_t f : table.columns) {
        Column column;
        column.field = f;
        for (const SettingsRow *row : nameRows) {
            const std::string_view name = row->fields[f];
            std::string lower(name);
            std::transform(lower.begin(), lower.end(), lower.begin(),
                [](char ch) { return ch >= 'A' && ch <= 'Z' ? char(ch - 'A' + 'a') : ch; });
            column.names.push_back(lower);
            if (column.unit.empty()) {
                column.unit = unitOfName(name);
            }
            if (column.label.isEmpty() && !isUnitWord(name)) {
                column.label = QString::fromUtf8(name.data(), int(name.size()));
            }
        }
        if (column.label.isEmpty()) {
            column.label = QStringLiteral("column %1").arg(f + 1);
        }
        result.push_back(std::move(column));
    }
    return result;
}

QString described(const Column &column)
{
    return QStringLiteral("column %1 ('%2')")
        .arg(column.field + 1)
        .arg(printableText(column.label));
}
