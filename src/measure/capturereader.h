#ifndef CAPTUREREADER_H
#define CAPTUREREADER_H

#include <QByteArray>
#include <QString>

struct Capture;

// Which columns of the file hold the two probes: a column number counted from 1 over every
// column of the file, or a name from its header line (case does not matter). Empty picks
// the first and the second column after the time.
struct ColumnChoice
{
    QString reference;
    QString vx;
};

// Reads an oscilloscope's CSV capture of the two channels. It takes the layouts that
// oscilloscopes and spreadsheets write:
// - columns separated by commas, semicolons (then a decimal comma is allowed) or tabs;
// - any lines before the data (model, settings), the last of them the columns' names when
//   it has as many fields as the data;
// - a first column of time (seconds, or the unit its name gives: "Time (us)"), or of sample
//   numbers 0, 1, 2 … with a sample increment in the lines before the data, or no time
//   column at all and the increment there ("Sample Interval,2e-9", or a line of names with
//   "Start" and "Increment" over a line of their values);
// - channels in volts, or in millivolts when their name says "(mV)".
// Whatever does not fit is an error that names the file and the line, like a compiler's
// ("capture.csv:12: expected 3 numbers, found 'abc'"); nothing is guessed silently.
// `fileName` only names the file in messages.
bool readCapture(const QByteArray &content, const QString &fileName, const ColumnChoice &columns,
    Capture *capture, QString *error);

// The same for a file on disk.
bool readCaptureFile(
    const QString &path, const ColumnChoice &columns, Capture *capture, QString *error);

#endif // CAPTUREREADER_H
