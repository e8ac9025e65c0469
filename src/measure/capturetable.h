#ifndef CAPTURETABLE_H
#define CAPTURETABLE_H

#include "capturesettings.h"
#include "csvtext.h"
#include "result.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

// The table of numbers in an oscilloscope's CSV file, and the lines around it.

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
    bool cutOff = false; // the last line was cut off and left out
    QStringList notes; // lines left out (--verbose)
    QStringList warnings;
};

// Reads the data lines: the fields that hold numbers in the file's last lines are data,
// whatever stands above them; every line from the first one with numbers in all the data
// columns to the end is a data line. A data line with text in a data column is an error;
// settings may stand beside the data in the other columns (as Tektronix writes them). Lines
// of a time and no values before the first data line or after the last one are left out
// with a note; among the data they are an error. A last line that the file does not end,
// and that has fewer fields or digits than the lines before it, was cut off while the file
// was saved: it is left out with a warning.
Result<Table> readTable(std::string_view text, const Dialect &dialect, const QString &fileName);

// Keeps the rows from `begin` to before `end` of the data (one segment of a file of several,
// the samples after a timestamp), and the lines of the rows kept. A line holds one row.
void keepRows(Table &table, std::size_t begin, std::size_t end);

// A data column with its name and unit, from the lines of names over the data.
struct Column
{
    std::size_t field = 0; // from 0
    QString label; // the name the file gives it, or "column N"
    std::string unit; // as the file writes it; empty when it gives none
    std::vector<std::string> names; // every name it has, in lower case, for --ref/--vx
};

// The names of the data columns: the last line before the data with text over every data
// column, and the line right above that one when it has too (a line of units, or the names
// over a line of units).
std::vector<Column> columnsOf(const Table &table, const Dialect &dialect);

// "column 2 ('CH1 (V)')", as messages name a column.
QString described(const Column &column);

// "capture.csv:12: message", or "capture.csv: message" for line 0.
inline QString at(const QString &fileName, std::int64_t line, const QString &message)
{
    return failureAt(fileName, line, message).message;
}

#endif // CAPTURETABLE_H
