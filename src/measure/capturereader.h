#ifndef CAPTUREREADER_H
#define CAPTUREREADER_H

#include "capture.h"
#include "result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Which columns of the file hold the two probes. A column number counts from 1 over every
// field of the file's lines ("3"), a name is one from its line of names, any case ("CH1").
// A number that is also another column's name (Keysight names its channels "1", "2") is
// ambiguous and refused; "col=3" and "name=3" say which is meant. Empty picks the first and
// the second channel after the time.
struct ColumnChoice
{
    QString reference;
    QString vx;
};

// A channel as read: millivolts at the capture's times.
struct CaptureChannel
{
    QString label; // "CH1 (V)", as the file names it, or "column 2"
    int fileColumn = 0; // from 1
    int tag = 0; // the oscilloscope's channel number when the file or its name tells it
    std::vector<double> millivolts;
};

// What a file holds: the times, and either the reference and V_x (in that order) or, for a
// file of one channel, that channel. The notes say what was taken for what (--verbose);
// the warnings are what a person must know (a cut-off last line left out).
struct CaptureRead
{
    std::vector<double> time; // seconds, strictly increasing
    std::vector<CaptureChannel> channels;
    bool cutOff = false; // the file's last line was cut off and left out
    // The frequency the file says it was measured at (zalvimo-measure's saved captures),
    // in hertz; 0 where it says none.
    double measuringFrequencyHz = 0;
    QStringList notes;
    QStringList warnings;
};

// What the reader takes besides a file's own text: which acquisition of a file of several
// (segments, a history of waveforms), and the header file that says what a data file of
// values alone holds (Rohde & Schwarz "name.csv" beside "name.Wfm.csv").
struct ReadContext
{
    int segment = 0; // from 1; 0 reads the first and says so in a note
    QString headerName; // empty when there is no header beside the data
    QByteArray header;
    QString missingHeader; // the header a data file's name calls for, not found beside it
    QString otherHeader; // a file beside it in a format not read (an RTP's XML "name.bin")
};

// Reads an oscilloscope's CSV capture, as the oscilloscopes of Tektronix, Rigol, Siglent,
// Keysight, Rohde & Schwarz, Teledyne LeCroy, Owon and PicoScope write it:
// - UTF-8 or UTF-16, any line ends; fields separated by commas, semicolons (then with
//   decimal commas) or tabs, quoted or not;
// - settings and names before the data, or beside it in the first columns of the data's
//   rows (Tektronix); empty fields and separators at the ends of the rows;
// - a time column (seconds, or the unit its name gives), a column of sample numbers with
//   the sample interval in the settings, or no time column and the interval there;
// - channels in volts, or millivolts when their name says so.
// A file of one channel gives that channel: its partner comes from another file (see
// pairChannels). Whatever does not fit is an error that names the file and the line, like
// a compiler's ("capture.csv:12: expected a number in column 3, found 'abc'"); nothing is
// guessed silently. `fileName` names the file in messages; its channel tag ("F0000CH2.CSV")
// counts where the content names no channel.
//
// GW Instek's samples, the converter's counts after "Waveform Data", become volts by the
// "Vertical Scale" above them; a spectrum (a horizontal unit of Hz) is refused. A file of
// several segments (Teledyne LeCroy's "Segments,2,SegmentSize,1252") gives the one that the
// context asks for. With a header file in the context, the data are values alone: the
// header gives their times, their channels and the timestamp before each waveform.
Result<CaptureRead> readCaptureChannels(const QByteArray &content, const QString &fileName,
    const ColumnChoice &columns, const ReadContext &context = {});

// The same for a file on disk, read whole into memory; "-" reads standard input. A data
// file "name.Wfm.csv" is read with its header "name.csv" beside it; given the header, the
// data file beside it is read.
Result<CaptureRead> readCaptureFile(
    const QString &path, const ColumnChoice &columns, int segment = 0);

// A capture of two files, with what the pairing took from where (--verbose).
struct PairedCapture
{
    Capture capture;
    QStringList notes;
    QStringList warnings;
};

// One capture from two files of one channel each, as Tektronix, Rohde & Schwarz, LeCroy,
// Owon, Siglent and GW Instek save one acquisition: the first is the reference unless the
// channel tags say the first is CH2 and the second CH1. Their time axes must agree; where
// one file lost its last sample to a cut-off line, the pair is measured on the samples both
// hold, with a warning.
Result<PairedCapture> pairChannels(const CaptureRead &first, const QString &firstName,
    const CaptureRead &second, const QString &secondName);

// A file of two channels as a capture; a file of one channel is an error here.
Result<Capture> readCapture(
    const QByteArray &content, const QString &fileName, const ColumnChoice &columns);

#endif // CAPTUREREADER_H
