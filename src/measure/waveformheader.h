#ifndef WAVEFORMHEADER_H
#define WAVEFORMHEADER_H

#include "result.h"
#include "scopevocabulary.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Rohde & Schwarz RTO and RTP oscilloscopes export a waveform as two files: "name.Wfm.csv",
// the values alone (one a line, or one column a channel), and beside it "name.csv", a
// header of "Key:value:" lines that says what the values are: "HardwareXStart:-4.58e-07:",
// "SignalResolution:1e-09:", "SignalHardwareRecordLength:2110:", "TimestampState:On:".

// One line of the header: its key, its values ("Key:4:On:On:Off:Off:" has five) and its
// line number.
struct HeaderEntry
{
    HeaderKey key = HeaderKey::None;
    std::string name; // as written
    std::vector<std::string> values;
    std::int64_t line = 0;
};

// The header's lines that this reader knows (see scopevocabulary.h).
struct WaveformHeader
{
    std::vector<HeaderEntry> entries;
    const HeaderEntry *find(HeaderKey key) const;
};

// The header's lines, or none when the text is no such header: every line "Key:…:" (an
// RTO's "name.csv"), or the same keys as XML properties (an RTP's "name.bin"), and a sample
// interval among them.
std::optional<WaveformHeader> parseWaveformHeader(std::string_view text);

// How the values of the data file lie, as the header says: waveforms one after the other
// (several when the oscilloscope kept a history of acquisitions), each of a timestamp when
// the header says so and `samples` values, one column a channel.
struct WaveformLayout
{
    bool timeColumn = false; // the data hold their times (the XY format): read as they are
    std::size_t samples = 0; // of each waveform
    bool timestamps = false; // each waveform starts with its timestamp, not a sample
    std::size_t waveforms = 0;
    double start = 0; // seconds, of the first sample
    double interval = 0; // seconds
    std::vector<QString> labels; // one a column of the data
    std::vector<int> tags; // the oscilloscope's channel numbers, 0 where unknown
    std::string unit; // of the values
    QStringList notes; // where each of these was found (--verbose)
};

// The layout of a data file of `rows` lines of `columns` values, or why the header and the
// data do not agree. `headerName` names the header in messages, `dataName` the data.
Result<WaveformLayout> waveformLayout(const WaveformHeader &header, std::size_t rows,
    std::size_t columns, const QString &headerName, const QString &dataName);

#endif // WAVEFORMHEADER_H
