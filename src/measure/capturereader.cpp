#include "capturereader.h"

#include "capture.h"
#include "capturesettings.h"
#include "csvtext.h"
#include "filecontent.h"
#include "printabletext.h"

#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

constexpr double kMillivoltsPerVolt = 1000;
constexpr std::size_t kMostFields = 4096; // on one line; more is no oscilloscope's file
constexpr std::size_t kSettingsRowsKept = 256; // the settings are the lines nearest the data
constexpr std::size_t kBesideRowsKept = 64;
constexpr int kLinesBackForReference = 16;
constexpr qint64 kLargestFile = std::numeric_limits<int>::max() - 4096; // one QByteArray

QString at(const QString &fileName, std::int64_t line, const QString &message)
{
    return line > 0 ? QStringLiteral("%1:%2: %3").arg(fileName).arg(line).arg(message)
                    : QStringLiteral("%1: %2").arg(fileName, message);
}

bool isBlankLine(std::string_view line)
{
    return std::all_of(line.begin(), line.end(),
        [](char c) { return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '"'; });
}

bool isNumeric(Parsed parsed)
{
    return parsed == Parsed::Number || parsed == Parsed::NotFinite;
}

// ---- The table: which fields hold the numbers, and from which line on.

// The numbers of the file, column by column, and the lines around them.
struct Table
{
    std::vector<std::size_t> columns; // field indices, from 0
    std::vector<std::vector<double>> values; // one vector per column; NaN where not finite
    std::vector<std::int64_t> notFiniteLine; // per column, the first such line; 0 for none
    std::vector<std::string> notFiniteText;
    std::vector<SettingsRow> header; // the lines before the data (the last of them)
    std::vector<SettingsRow> beside; // settings in the first columns of data lines
    std::int64_t firstLine = 0;
    std::int64_t lastLine = 0;
    QStringList warnings;
};

// The fields that hold numbers in the file's last lines: they are data, whatever stands
// above them. Of the last whole lines, the columns that most of them have count (one bad
// field in the last line does not hide its column, nor do settings beside the first rows
// of a short file); a last line that the file does not end may be cut off, so it counts
// only when no whole line has numbers.
bool dataColumns(std::string_view text, const Dialect &dialect, std::vector<std::size_t> *columns)
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
    columns->clear();
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
    *columns = best != seen.end() ? best->first : std::move(unterminated);
    return !columns->empty();
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

// The common data line read in one pass, as the general road would read it: `width`
// finite numbers in the first fields, nothing after them but blanks and separators. False
// for anything else (a sign, a quote, text, a value that is not finite, another field),
// which the general road then reads and judges.
bool plainRow(std::string_view line, char separator, std::size_t width, std::vector<double> *row)
{
    const char *p = line.data();
    const char *const end = p + line.size();
    for (std::size_t c = 0; c < width; ++c) {
        while (p != end && (*p == ' ' || *p == '\t')) {
            ++p;
        }
        double value = 0;
        const std::from_chars_result result = std::from_chars(p, end, value);
        if (result.ec != std::errc() || result.ptr == p || !std::isfinite(value)) {
            return false;
        }
        p = result.ptr;
        while (p != end && (*p == ' ' || *p == '\t')) {
            ++p;
        }
        if (c + 1 < width) {
            if (p == end || *p != separator) {
                return false;
            }
            ++p;
        }
        (*row)[c] = value;
    }
    for (; p != end; ++p) {
        if (*p != ' ' && *p != '\t' && *p != separator) {
            return false;
        }
    }
    return true;
}

// Reads the data lines: every line from the first one with numbers in all the data
// columns to the end. A data line with text in a data column is an error; settings may
// stand beside the data in the other columns (as Tektronix writes them).
bool readTable(std::string_view text, const Dialect &dialect, const QString &fileName, Table *table,
    QString *error)
{
    if (!dataColumns(text, dialect, &table->columns)) {
        *error = at(fileName, 0, QStringLiteral("no lines of numbers"));
        return false;
    }
    const std::vector<std::size_t> &columns = table->columns;
    const std::size_t width = columns.size();
    table->values.resize(width);
    table->notFiniteLine.assign(width, 0);
    table->notFiniteText.resize(width);

    LineCursor cursor(text);
    TextLine line;
    Fields fields;
    std::vector<double> row(width);
    std::vector<Parsed> kinds(width);
    std::size_t lastDataLength = 0;
    bool started = false;
    // The data are the first columns of the line, as in most files.
    bool contiguous = true;
    for (std::size_t c = 0; c < width; ++c) {
        contiguous = contiguous && columns[c] == c;
    }
    const bool fastPath = contiguous && !dialect.decimalComma;
    while (cursor.next(&line)) {
        if (isBlankLine(line.text)) {
            continue;
        }
        if (started && fastPath && line.terminated
            && plainRow(line.text, dialect.separator, width, &row)) {
            for (std::size_t c = 0; c < width; ++c) {
                table->values[c].push_back(row[c]);
            }
            lastDataLength = line.text.size();
            table->lastLine = line.number;
            continue;
        }
        splitFields(line.text, dialect.separator, &fields);
        if (fields.size() > kMostFields) {
            *error = at(fileName, line.number,
                QStringLiteral("%1 fields on one line; an oscilloscope's file has far fewer")
                    .arg(fields.size()));
            return false;
        }
        std::size_t failed = width;
        for (std::size_t c = 0; c < width && failed == width; ++c) {
            kinds[c] = columns[c] < fields.size()
                ? parseNumber(fields[columns[c]], dialect.decimalComma, &row[c])
                : Parsed::Empty;
            if (!isNumeric(kinds[c])) {
                failed = c;
            }
        }
        const bool data = failed == width;
        if (!started && !data && isNumberRow(fields, dialect)) {
            // A line of nothing but numbers is no setting: it is a data line with other
            // columns than the lines below it.
            *error = at(fileName, line.number,
                QStringLiteral("the numbers of this line are not in the columns of the lines "
                               "below it (columns %1)")
                    .arg(columnList(columns)));
            return false;
        }
        if (!started && !data) {
            if (table->header.size() == kSettingsRowsKept) {
                table->header.erase(table->header.begin());
            }
            table->header.push_back({line.number, fields});
            continue;
        }
        // A last line that the file does not end, and that is shorter than the lines
        // before it or is no data line, was cut off while the file was saved.
        if (started && !line.terminated && (!data || line.text.size() < lastDataLength)) {
            table->warnings.append(at(fileName, line.number,
                QStringLiteral("the last line is cut off (the file ends inside it); it is "
                               "left out")));
            break;
        }
        if (!data) {
            const std::size_t column = columns[failed];
            *error = at(fileName, line.number,
                column < fields.size() && !fields[column].empty()
                    ? QStringLiteral("expected a number in column %1, found %2")
                          .arg(column + 1)
                          .arg(quotedField(fields[column]))
                    : QStringLiteral("expected a number in column %1, found nothing")
                          .arg(column + 1));
            return false;
        }
        if (!started) {
            started = true;
            table->firstLine = line.number;
            // Room for the rows that the rest of the file can hold, no more: each row
            // takes at least two bytes per column.
            const std::size_t remaining = text.size() - std::min(text.size(), cursor.position());
            const std::size_t rows = remaining / std::max(line.text.size() + 1, 2 * width) + 2;
            for (std::vector<double> &column : table->values) {
                column.reserve(rows);
            }
        }

        // Fields beside the data: settings (a name and its value) are kept, a number that
        // stands alone is a column the data do not have. Most lines have none.
        if (fields.size() == width && contiguous
            && std::none_of(kinds.begin(), kinds.end(),
                [](Parsed kind) { return kind == Parsed::NotFinite; })) {
            for (std::size_t c = 0; c < width; ++c) {
                table->values[c].push_back(row[c]);
            }
            lastDataLength = line.text.size();
            table->lastLine = line.number;
            continue;
        }
        bool setting = false;
        std::int64_t strayColumn = -1;
        for (std::size_t j = 0, c = 0; j < fields.size(); ++j) {
            if (c < width && columns[c] == j) {
                ++c;
                continue;
            }
            if (fields[j].empty()) {
                continue;
            }
            double value = 0;
            if (isNumeric(parseNumber(fields[j], dialect.decimalComma, &value))) {
                strayColumn = strayColumn < 0 ? std::int64_t(j) : strayColumn;
            } else {
                setting = true;
            }
        }
        if (strayColumn >= 0 && !setting) {
            *error = at(fileName, line.number,
                QStringLiteral("a number in column %1, beside the columns of the data")
                    .arg(strayColumn + 1));
            return false;
        }
        if (setting && table->beside.size() < kBesideRowsKept) {
            table->beside.push_back({line.number, fields});
        }

        for (std::size_t c = 0; c < width; ++c) {
            if (kinds[c] == Parsed::NotFinite) {
                if (table->notFiniteLine[c] == 0) {
                    table->notFiniteLine[c] = line.number;
                    table->notFiniteText[c] = std::string(fields[columns[c]].substr(0, 40));
                }
                row[c] = std::numeric_limits<double>::quiet_NaN();
            }
            table->values[c].push_back(row[c]);
        }
        lastDataLength = line.text.size();
        table->lastLine = line.number;
    }
    if (!started) {
        *error = at(fileName, 0, QStringLiteral("no lines of numbers"));
        return false;
    }
    return true;
}

// ---- The header: names and units of the data columns.

struct Column
{
    std::size_t field = 0; // from 0
    QString label; // the name the file gives it, or "column N"
    std::string unit; // as the file writes it; empty when it gives none
    std::vector<std::string> names; // every name it has, in lower case, for --ref/--vx
};

bool isUnitWord(std::string_view name)
{
    const std::string unit = unitOfName(name);
    return !unit.empty() && (unit.size() + 2 >= name.size());
}

// The lines of names over the data: the last line before it with text over every data
// column, and the line right above that one when it has too (a line of units, or the
// names over a line of units).
std::vector<Column> columnsOf(const Table &table, const Dialect &dialect)
{
    std::vector<const SettingsRow *> nameRows;
    double value = 0;
    const auto namesEvery = [&](const SettingsRow &row, bool allText) {
        // Every data column named; with `allText` no name a number, else at least one
        // (Keysight names its channels "1" and "2" over the time's "x-axis").
        const auto named
            = [&](std::size_t f) { return f < row.fields.size() && !row.fields[f].empty(); };
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

// ---- The time axis.

// Whether a column's name calls it the time axis: "Time", "Time (s)", "x-axis", "index",
// "Sequence", "second", "Zeit".
bool looksLikeTime(const Column &column)
{
    static const char *const words[] = {"time", "t", "x", "x-axis", "index", "sequence", "sample",
        "samples", "second", "seconds", "s", "zeit", "tiempo", "temps"};
    for (const std::string &name : column.names) {
        const std::string word = name.substr(0, name.find_first_of("([/"));
        std::string_view w(word);
        while (!w.empty() && (w.back() == ' ' || w.back() == '_')) {
            w.remove_suffix(1);
        }
        if (w.substr(0, 4) == "time"
            || std::any_of(
                std::begin(words), std::end(words), [&](const char *t) { return w == t; })) {
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
    // The stamps lie on an even grid that was printed with too few digits: every step is a
    // whole number of the smallest step, and every stamp lies within its printing resolution
    // of a straight line (whose start and interval these are). A run of equal stamps is
    // printed no finer than the steps into and out of it, so those bound the resolution.
    bool evenGrid = false;
    double start = 0;
    double increment = 0;
};

RepeatedStamps repeatedStamps(const std::vector<double> &t)
{
    RepeatedStamps stamps;
    const std::size_t n = t.size();
    if (n < 3) {
        return stamps;
    }
    double quantum = std::numeric_limits<double>::infinity();
    double sum = 0;
    // Pairs: every run of equal stamps is two long, but the first and the last may be one
    // (a file that starts or was cut in the middle of a pair).
    bool pairs = true;
    std::size_t run = 1;
    std::size_t twos = 0;
    for (std::size_t k = 0; k < n; ++k) {
        sum += t[k];
        if (k > 0) {
            const double step = t[k] - t[k - 1];
            if (step > 0) {
                quantum = std::min(quantum, step);
                pairs = pairs && (run == 2 || (run == 1 && k == 1));
                twos += run == 2;
                run = 1;
            } else {
                ++run;
            }
        }
    }
    twos += run == 2;
    pairs = pairs && run <= 2 && twos >= 2;
    if (pairs) {
        stamps.pairs = true;
        return stamps;
    }
    // The least-squares line through (k, t_k), with k measured from its mean.
    const double meanK = double(n - 1) / 2;
    const double meanT = sum / double(n);
    double sxy = 0;
    double sxx = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const double dk = double(k) - meanK;
        sxy += dk * (t[k] - meanT);
        sxx += dk * dk;
    }
    const double increment = sxy / sxx;
    const double start = meanT - increment * meanK;
    if (!(increment > 0) || !std::isfinite(start) || !std::isfinite(quantum)) {
        return stamps;
    }
    for (std::size_t i = 0; i < n;) {
        std::size_t j = i;
        while (j + 1 < n && t[j + 1] == t[i]) {
            ++j;
        }
        const double into = i > 0 ? t[i] - t[i - 1] : 0;
        const double outOf = j + 1 < n ? t[j + 1] - t[j] : 0;
        if (std::abs(outOf / quantum - std::round(outOf / quantum)) > 1e-3) {
            return stamps;
        }
        // Rounding moves a stamp by half the resolution at most; a quarter more allows
        // for the line's own error on a short file.
        const double tolerance = 0.75 * std::max(into, outOf);
        for (std::size_t k = i; k <= j; ++k) {
            if (!(std::abs(t[k] - (start + increment * double(k))) <= tolerance)) {
                return stamps;
            }
        }
        i = j + 1;
    }
    stamps.evenGrid = true;
    stamps.start = start;
    stamps.increment = increment;
    return stamps;
}

struct TimeAxis
{
    bool fromColumn = false; // the first data column is time or sample numbers
    std::vector<double> seconds;
};

// The times of the samples: from a first column that increases (in its unit, or sample
// numbers times the interval), or from the settings' interval alone.
bool timeAxis(Table &table, const std::vector<Column> &columns, const TimeSettings &settings,
    const QString &fileName, TimeAxis *axis, QStringList *notes, QStringList *warnings,
    QString *error)
{
    std::vector<double> &first = table.values.front();
    const std::size_t n = first.size();
    const Column &column = columns.front();
    bool increasing = n >= 2;
    bool rising = n >= 2; // never falls
    bool falling = n >= 2;
    bool counting = true;
    std::size_t repeated = 0;
    std::size_t fallsAt = 0;
    for (std::size_t k = 1; k < n; ++k) {
        const double step = first[k] - first[k - 1];
        if (!(step > 0)) {
            increasing = false;
            if (step == 0 && repeated == 0) {
                repeated = k;
            }
        }
        if (!(step >= 0)) {
            rising = false;
            fallsAt = fallsAt ? fallsAt : k;
        }
        falling = falling && step < 0;
        counting = counting && step == 1 && first[k] == std::floor(first[k]);
    }
    rising = rising && n >= 2 && first.back() > first.front();
    const auto lineOf = [&](std::size_t k) {
        // Each sample is one data line; blank lines between them are rare enough that
        // the line of the first sample plus k names the place well.
        return table.firstLine + std::int64_t(k);
    };
    const auto unknownUnit = [&] {
        *error = at(fileName, table.firstLine - 1,
            QStringLiteral("unknown time unit '%1' of %2")
                .arg(printableText(QString::fromStdString(column.unit)), described(column)));
        return false;
    };
    const QString interval = QStringLiteral("the sample interval %1 s (line %2)")
                                 .arg(settings.increment)
                                 .arg(settings.incrementLine);

    if (table.notFiniteLine.front() != 0 && (increasing || looksLikeTime(column))) {
        *error = at(fileName, table.notFiniteLine.front(),
            QStringLiteral("not a finite number: %1")
                .arg(quotedField(table.notFiniteText.front())));
        return false;
    }
    if (increasing && counting && column.unit.empty()) {
        if (settings.increment <= 0) {
            *error = at(fileName, table.firstLine,
                QStringLiteral("%1 counts samples but the settings give no sample interval")
                    .arg(described(column)));
            return false;
        }
        axis->seconds.resize(n);
        for (std::size_t k = 0; k < n; ++k) {
            axis->seconds[k] = settings.start + first[k] * settings.increment;
        }
        axis->fromColumn = true;
        notes->append(QStringLiteral("time: sample numbers in %1 times %2, from %3 s")
                          .arg(described(column), interval)
                          .arg(settings.start));
    } else if (increasing) {
        const double scale = secondsPerUnit(column.unit);
        if (scale == 0) {
            return unknownUnit();
        }
        axis->seconds = std::move(first);
        if (scale != 1) {
            for (double &t : axis->seconds) {
                t *= scale;
            }
        }
        axis->fromColumn = true;
        notes->append(QStringLiteral("time: %1, in %2")
                          .arg(described(column),
                              column.unit.empty() ? QStringLiteral("s")
                                                  : QString::fromStdString(column.unit)));
    } else if (rising && repeated > 0) {
        // Times printed with too few digits repeat (a spreadsheet that re-saved them with
        // three, an oscilloscope that writes five at a fine sample interval). The interval
        // of the settings tells the times; without one, the stamps' own even grid does.
        const double scale = secondsPerUnit(column.unit);
        const RepeatedStamps stamps = repeatedStamps(first);
        if (stamps.pairs) {
            *error = at(fileName, lineOf(repeated),
                QStringLiteral("%1 gives every time stamp twice: these are the minimum and the "
                               "maximum of each interval (peak detect or envelope), not samples; "
                               "capture in the acquisition mode 'sample' (normal)")
                    .arg(described(column)));
            return false;
        }
        if (scale == 0) {
            return unknownUnit();
        }
        if (settings.increment <= 0 && !stamps.evenGrid) {
            *error = at(fileName, lineOf(repeated),
                QStringLiteral("%1 repeats its time stamps (%2 twice) and they are not evenly "
                               "spaced: the file was saved with too few digits; save the "
                               "capture again from the oscilloscope")
                    .arg(described(column))
                    .arg(first[repeated]));
            return false;
        }
        const bool fromSettings = settings.increment > 0;
        const double start = fromSettings ? first.front() * scale : stamps.start * scale;
        const double increment = fromSettings ? settings.increment : stamps.increment * scale;
        axis->seconds.resize(n);
        for (std::size_t k = 0; k < n; ++k) {
            axis->seconds[k] = start + double(k) * increment;
        }
        axis->fromColumn = true;
        warnings->append(at(fileName, lineOf(repeated),
            QStringLiteral("%1 repeats its time stamps (printed with too few digits); the "
                           "times are taken from %2")
                .arg(described(column),
                    fromSettings ? interval
                                 : QStringLiteral("their even spacing, every %1 s from %2 s")
                                       .arg(increment, 0, 'g', 6)
                                       .arg(start, 0, 'g', 9))));
    } else if (looksLikeTime(column) && n >= 2) {
        *error = at(fileName, lineOf(fallsAt ? fallsAt : repeated),
            QStringLiteral("%1 is named as the time but does not increase").arg(described(column)));
        return false;
    } else {
        if (settings.increment <= 0) {
            *error = at(fileName, table.firstLine,
                QStringLiteral("no time column (column %1 does not increase) and no sample "
                               "interval in the settings")
                    .arg(column.field + 1));
            return false;
        }
        axis->seconds.resize(n);
        for (std::size_t k = 0; k < n; ++k) {
            axis->seconds[k] = settings.start + double(k) * settings.increment;
        }
        notes->append(QStringLiteral("time: no time column (column %1 does not increase); "
                                     "%2, from %3 s")
                          .arg(column.field + 1)
                          .arg(interval)
                          .arg(settings.start));
        if (falling) {
            warnings->append(at(fileName, table.firstLine,
                QStringLiteral("%1 decreases throughout, like a time axis run backwards; it is "
                               "read as a channel, with the times from %2")
                    .arg(described(column), interval)));
        }
    }
    for (std::size_t k = 0; k < n; ++k) {
        if (!std::isfinite(axis->seconds[k])
            || (k > 0 && !(axis->seconds[k] > axis->seconds[k - 1]))) {
            *error = at(fileName, lineOf(k),
                QStringLiteral("the times in seconds are not finite and increasing here (%1 s "
                               "after %2 s): check the time unit and the sample interval")
                    .arg(axis->seconds[k])
                    .arg(k > 0 ? axis->seconds[k - 1] : 0.0));
            return false;
        }
    }
    return true;
}

// ---- The channels.

// Which of the channel columns a choice names; `option` names the option in messages.
bool chosenColumn(const QString &option, const QString &choice, const std::vector<Column> &columns,
    std::size_t firstChannel, const QString &fileName, std::size_t *index, QString *error)
{
    QString text = choice.trimmed();
    bool byNumber = true;
    bool byName = true;
    if (text.startsWith(QLatin1String("col="), Qt::CaseInsensitive)) {
        text = text.mid(4);
        byName = false;
    } else if (text.startsWith(QLatin1String("name="), Qt::CaseInsensitive)) {
        text = text.mid(5);
        byNumber = false;
    }
    bool isNumber = false;
    const long long number = text.toLongLong(&isNumber);
    std::size_t numbered = columns.size();
    std::size_t named = columns.size();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (byNumber && isNumber && number >= 1 && columns[i].field + 1 == std::size_t(number)) {
            numbered = i;
        }
        const std::string wanted = text.toLower().toStdString();
        if (byName && named == columns.size()
            && std::find(columns[i].names.begin(), columns[i].names.end(), wanted)
                != columns[i].names.end()) {
            named = i;
        }
    }
    if (numbered < columns.size() && named < columns.size() && numbered != named) {
        *error = at(fileName, 0,
            QStringLiteral("%1 %2 is ambiguous: %3 or the column named '%2', %4; write %1 "
                           "col=%2 or %1 name=%2")
                .arg(option, printableText(text), described(columns[numbered]),
                    described(columns[named])));
        return false;
    }
    const std::size_t found = numbered < columns.size() ? numbered : named;
    if (found == columns.size()) {
        QStringList available;
        for (std::size_t i = firstChannel; i < columns.size(); ++i) {
            available.append(described(columns[i]));
        }
        *error = at(fileName, 0,
            QStringLiteral("%1 %2: no such column; the channels are %3")
                .arg(option, printableText(choice), available.join(QStringLiteral(", "))));
        return false;
    }
    if (found < firstChannel) {
        *error = at(fileName, 0,
            QStringLiteral("%1 %2: %3 is the time")
                .arg(option, printableText(choice), described(columns[found])));
        return false;
    }
    *index = found;
    return true;
}

// A channel's column in millivolts, checked: its unit must be a voltage, and every value
// finite before and after the scaling.
bool channelOf(Table &table, const std::vector<Column> &columns, std::size_t index,
    const QString &role, const QString &fileName, CaptureChannel *channel, QString *error)
{
    const Column &column = columns[index];
    const std::string &notFinite = table.notFiniteText[index];
    if (table.notFiniteLine[index] != 0
        && (notFinite.find("nan") != std::string::npos || notFinite.find("NaN") != std::string::npos
            || notFinite.find("NAN") != std::string::npos)) {
        *error = at(fileName, table.notFiniteLine[index],
            QStringLiteral("%1, %2: not a number: %3")
                .arg(role, described(column), quotedField(notFinite)));
        return false;
    }
    if (table.notFiniteLine[index] != 0) {
        *error = at(fileName, table.notFiniteLine[index],
            QStringLiteral("%1, %2, is over range (%3): the trace ran off the screen; give the "
                           "channel a larger volts per division")
                .arg(role, described(column), quotedField(table.notFiniteText[index])));
        return false;
    }
    QString unit = QString::fromStdString(column.unit).toLower();
    double scale = 0;
    if (unit == QLatin1String("mv")) {
        scale = 1;
    } else if (unit.isEmpty() || unit == QLatin1String("v") || unit == QLatin1String("volt")
        || unit == QLatin1String("volts")) {
        scale = kMillivoltsPerVolt;
    } else if (unit == QLatin1String("uv") || unit == QStringLiteral("\u00b5v")) {
        scale = 1e-3;
    } else {
        *error = at(fileName, 0,
            QStringLiteral("%1, %2, is in '%3', not in volts")
                .arg(role, described(column), printableText(QString::fromStdString(column.unit))));
        return false;
    }
    channel->label = column.label;
    channel->fileColumn = int(column.field + 1);
    channel->tag = channelTag(column.label.toStdString());
    channel->millivolts = std::move(table.values[index]);
    for (std::size_t k = 0; k < channel->millivolts.size(); ++k) {
        double &value = channel->millivolts[k];
        value *= scale;
        if (!std::isfinite(value)) {
            *error = at(fileName, table.firstLine + std::int64_t(k),
                QStringLiteral("%1, %2: a value too large to be a voltage")
                    .arg(role, described(column)));
            return false;
        }
    }
    return true;
}

} // namespace

bool readCaptureChannels(const QByteArray &content, const QString &fileName,
    const ColumnChoice &choice, CaptureRead *read, QString *error)
{
    *read = CaptureRead();
    const DecodedText decoded = decodeText(content);
    const Dialect dialect = sniffDialect(decoded.text);
    Table table;
    if (!readTable(decoded.text, dialect, fileName, &table, error)) {
        return false;
    }
    read->warnings = table.warnings;
    QStringList &notes = read->notes;
    if (std::string_view(decoded.encoding) != "UTF-8") {
        notes.append(QStringLiteral("decoded from %1").arg(QLatin1String(decoded.encoding)));
    }
    notes.append(dialect.separator == ','
            ? QStringLiteral("fields separated by commas, decimal points")
            : QStringLiteral("fields separated by %1, decimal commas or points")
                  .arg(dialect.separator == ';' ? QStringLiteral("semicolons")
                                                : QStringLiteral("tabs")));
    if (!table.header.empty()) {
        notes.append(QStringLiteral("lines %1 to %2: settings and names")
                         .arg(table.header.front().line)
                         .arg(table.header.back().line));
    }
    if (!table.beside.empty()) {
        notes.append(QStringLiteral("lines %1 to %2: settings beside the data")
                         .arg(table.beside.front().line)
                         .arg(table.beside.back().line));
    }

    const std::vector<Column> columns = columnsOf(table, dialect);
    std::vector<SettingsRow> settingsRows = table.header;
    settingsRows.insert(settingsRows.end(), table.beside.begin(), table.beside.end());
    const TimeSettings settings = timeSettings(settingsRows, dialect.decimalComma);
    TimeAxis axis;
    if (!timeAxis(table, columns, settings, fileName, &axis, &notes, &read->warnings, error)) {
        return false;
    }
    const std::size_t firstChannel = axis.fromColumn ? 1 : 0;
    const std::size_t channelCount = columns.size() - firstChannel;
    if (channelCount == 0) {
        *error = at(fileName, table.firstLine,
            QStringLiteral("no channel: the only column of numbers is the time"));
        return false;
    }

    std::vector<std::size_t> chosen;
    if (choice.reference.isEmpty() && choice.vx.isEmpty() && channelCount == 1) {
        chosen = {firstChannel};
    } else {
        std::size_t reference = firstChannel;
        std::size_t vx = firstChannel + 1;
        if (!choice.reference.isEmpty()
            && !chosenColumn(QStringLiteral("--ref"), choice.reference, columns, firstChannel,
                fileName, &reference, error)) {
            return false;
        }
        if (!choice.vx.isEmpty()
            && !chosenColumn(
                QStringLiteral("--vx"), choice.vx, columns, firstChannel, fileName, &vx, error)) {
            return false;
        }
        if (vx >= columns.size()) {
            *error = at(fileName, table.firstLine,
                QStringLiteral("one channel besides the time; name V_x's column with --vx, or "
                               "give the reference's file and V_x's file one after the other"));
            return false;
        }
        if (reference == vx) {
            *error = at(fileName, 0, QStringLiteral("the reference and V_x are the same column"));
            return false;
        }
        chosen = {reference, vx};
    }
    const QString roles[] = {
        chosen.size() == 1 ? QStringLiteral("the channel") : QStringLiteral("the reference (CH1)"),
        QStringLiteral("V_x (CH2)")};
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        CaptureChannel channel;
        if (!channelOf(table, columns, chosen[i], roles[i], fileName, &channel, error)) {
            return false;
        }
        notes.append(QStringLiteral("%1: %2, in %3")
                         .arg(roles[i], described(columns[chosen[i]]),
                             columns[chosen[i]].unit.empty()
                                 ? QStringLiteral("V")
                                 : QString::fromStdString(columns[chosen[i]].unit)));
        read->channels.push_back(std::move(channel));
    }
    if (read->channels.size() == 1 && read->channels.front().tag == 0) {
        const int source = sourceChannel(settingsRows);
        read->channels.front().tag
            = source ? source : channelTag(QFileInfo(fileName).fileName().toStdString());
    }
    read->time = std::move(axis.seconds);
    notes.append(QStringLiteral("%1 samples, lines %2 to %3")
                     .arg(read->time.size())
                     .arg(table.firstLine)
                     .arg(table.lastLine));
    return true;
}

bool readCaptureFile(
    const QString &path, const ColumnChoice &columns, CaptureRead *read, QString *error)
{
    const Result<QByteArray> content = readFileContent(path, kLargestFile);
    if (!content) {
        *error = content.error();
        return false;
    }
    return readCaptureChannels(*content, displayName(path), columns, read, error);
}

bool pairChannels(const CaptureRead &first, const QString &firstName, const CaptureRead &second,
    const QString &secondName, Capture *capture, QStringList *notes, QString *error)
{
    const bool swapped = first.channels.front().tag == 2 && second.channels.front().tag == 1;
    const CaptureRead &reference = swapped ? second : first;
    const CaptureRead &vx = swapped ? first : second;
    const QString &referenceName = swapped ? secondName : firstName;
    const QString &vxName = swapped ? firstName : secondName;
    const auto axisText = [](const CaptureRead &read) {
        const std::size_t n = read.time.size();
        return QStringLiteral("%1 samples from %2 s every %3 s")
            .arg(n)
            .arg(read.time.front())
            .arg(n > 1 ? (read.time.back() - read.time.front()) / double(n - 1) : 0.0);
    };
    const std::size_t n = reference.time.size();
    const double interval
        = n > 1 ? (reference.time.back() - reference.time.front()) / double(n - 1) : 0;
    const double otherInterval
        = n > 1 && vx.time.size() == n ? (vx.time.back() - vx.time.front()) / double(n - 1) : 0;
    if (vx.time.size() != n || n < 2
        || !(std::abs(vx.time.front() - reference.time.front()) <= 1e-3 * interval)
        || !(std::abs(otherInterval - interval) <= 1e-6 * interval)) {
        *error = QStringLiteral("%1 and %2 are not one acquisition: %3, and %4; save both "
                                "channels of one acquisition")
                     .arg(firstName, secondName, axisText(first), axisText(second));
        return false;
    }
    capture->time = reference.time;
    capture->reference = reference.channels.front().millivolts;
    capture->vx = vx.channels.front().millivolts;
    notes->append(QStringLiteral("the reference from %1, V_x from %2%3")
                      .arg(referenceName, vxName,
                          swapped ? QStringLiteral(" (their channel tags say so)") : QString()));
    return true;
}

bool readCapture(const QByteArray &content, const QString &fileName, const ColumnChoice &columns,
    Capture *capture, QString *error)
{
    CaptureRead read;
    if (!readCaptureChannels(content, fileName, columns, &read, error)) {
        return false;
    }
    if (read.channels.size() != 2) {
        *error = at(fileName, 0,
            QStringLiteral("one channel (%1); a capture needs the reference and V_x: give the "
                           "other channel's file after it")
                .arg(printableText(read.channels.front().label)));
        return false;
    }
    capture->time = std::move(read.time);
    capture->reference = std::move(read.channels[0].millivolts);
    capture->vx = std::move(read.channels[1].millivolts);
    return true;
}
