#ifndef SCOPEVOCABULARY_H
#define SCOPEVOCABULARY_H

#include <string>
#include <string_view>

// What oscilloscopes call the things in the CSV files they save, in one place: the names of
// their time columns, their units of time and voltage, the keys of their settings. A new
// oscilloscope's words go into the tables of scopevocabulary.cpp, each with the maker and
// the file it was seen in.

// A text in lower case (ASCII letters only; UTF-8 bytes stay as they are).
std::string lowered(std::string_view text);

// Seconds per unit of time as a unit's name writes it ("s", "ms", "us", "uS", "µs", "ns",
// "ps", "second"); 0 for a name that is no time unit. An empty name is seconds.
double secondsPerUnit(std::string_view unit);

// Millivolts per unit of voltage ("V", "volt", "mV", "uV", "µV"); 0 for a name that is no
// voltage unit. An empty name is volts, as every oscilloscope writes its samples.
double millivoltsPerUnit(std::string_view unit);

// Whether a name is only a unit ("second", "Volt", "mV"), as a line of units under the line
// of names writes it.
bool isBareUnit(std::string_view name);

// Whether a column's name, in lower case and without its unit, calls it the time axis:
// "time", "x-axis", "index", "sequence", "second", "zeit".
bool isTimeName(std::string_view word);

// The settings that say how the samples lie in time, by their key: the name without its
// unit and its colon or equals sign, blanks folded, in lower case ("sample interval").
enum class SettingKey {
    None,
    Increment, // seconds between samples
    Start, // the time of the first sample
    Rate, // samples per second
    Source, // the channel a one-channel file holds
    HorizontalUnits, // the unit of the horizontal axis: seconds, or hertz for a spectrum
    VerticalUnits, // the unit of the samples
    VerticalScale, // the units per division of the vertical axis
    WaveformData, // the last line before samples that are the converter's counts
    Segments, // how many acquisitions (segments) one after the other
    SegmentSize, // the samples of each segment
    MeasuringFrequency, // the generator's frequency, in zalvimo-measure's saved captures
};
SettingKey settingKey(std::string_view key);

// The keys of the header file that Rohde & Schwarz RTO/RTP write beside a data file of
// values alone ("name.csv" beside "name.Wfm.csv"), by their name as written.
enum class HeaderKey {
    None,
    Resolution, // seconds between the samples of the record
    SignalResolution, // the same, of the signal's record (preferred)
    XStart, // the time of the record's first sample
    HardwareXStart, // the time of the first sample the hardware kept (before settling)
    XStop,
    HardwareXStop,
    RecordLength, // samples of the record
    SignalHardwareRecordLength, // samples the hardware kept, settling samples included
    TimestampState, // "On": each waveform starts with its timestamp
    MultiChannelExport, // "On": one column a channel
    MultiChannelExportState, // "4:On:On:Off:Off": which of the channels are exported
    MultiChannelSource, // "4:C1W1:C2W1:None:None"
    Source, // "Ch1Wfm1", the one channel of a file
    BaseUnit, // "V"
    SignalFormat, // "FLOAT", or "XYDOUBLEFLOAT" with the times in the data
};
HeaderKey headerKey(std::string_view name);

// The end of a data file's name whose header is the file of the same name ending in ".csv"
// (Rohde & Schwarz: "RefCurve_0.Wfm.csv" beside "RefCurve_0.csv").
constexpr std::string_view kHeaderedDataSuffix = ".wfm.csv"; // in lower case

// Whether a unit's name is one of frequency ("Hz", "kHz", "MHz"): the horizontal unit of a
// spectrum, not of a capture in time.
bool isFrequencyUnit(std::string_view unit);

// The converter's counts in one division of the screen, where a file gives its samples as
// counts and the volts per division beside them (GW Instek GDS: "One division includes 25
// points of horizontal and vertical data", GDS-2000 user manual, the waveform file format).
constexpr double kCountsPerDivision = 25;

#endif // SCOPEVOCABULARY_H
