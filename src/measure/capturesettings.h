#ifndef CAPTURESETTINGS_H
#define CAPTURESETTINGS_H

#include "csvtext.h"
#include "scopevocabulary.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the lines around an oscilloscope's table of numbers say about it: the names and
// units of its columns, its time axis, and which channel a one-channel file holds.

// A line's fields with its number in the file.
struct SettingsRow
{
    std::int64_t line = 0;
    Fields fields;
};

// The unit in a column's name: "Time (us)", "Time[s]", "time/ns", "CH1_Voltage(mV)", a
// units line's "(us)"; or the whole name when it is a unit word ("second", "Volt").
std::string unitOfName(std::string_view name);

// The time axis as the settings give it.
struct TimeSettings
{
    double start = 0; // seconds
    double increment = 0; // seconds between samples; 0 when none is given
    std::int64_t incrementLine = 0; // where the increment was found
};

// Reads the settings in the rows, in every spelling that oscilloscopes write:
// - a name and its value in the next field: "Sample Interval,4.000000e-03" (Tektronix),
//   "Sample Interval,CH1:0.0000020000000" (Siglent), "Time interval  :,0.08uS" (Owon);
// - a name and its value in one field: "Sample Interval: 2 ns", "t0 = -2.5e-06s" and
//   "tInc = 2e-06s" (Rigol MSO5000, DHO800/900);
// - a line of names over a line of values: "X,CH1,CH2,Start,Increment," over
//   "Sequence,Volt,Volt,-1.37e-05,2e-09" (Rigol DS1000Z);
// - a sample rate instead of the increment: "Sample Rate,500 MSa/s".
TimeSettings timeSettings(const std::vector<SettingsRow> &rows, bool decimalComma);

// The number of the oscilloscope's channel that a text names: "CH2", "C2" (LeCroy's
// "C2--trace--00000.csv", Rohde & Schwarz's "C2 in V"), "F0000CH2.CSV" (Tektronix),
// "Channel B" (PicoScope); 0 when it names none or more than one.
int channelTag(std::string_view text);

// The channel a one-channel file says it holds, in a setting "Source,CH1" or
// "Channel :,CH1"; 0 when it says none.
int sourceChannel(const std::vector<SettingsRow> &rows);

// A setting's value, as the field after its key writes it, and the setting's line.
struct Setting
{
    std::string_view value; // trimmed; may be empty ("Waveform Data,")
    std::int64_t line = 0;
};

// The first setting of a kind, its key in one field and its value in the next:
// "Vertical Scale,1.000E-01," (GW Instek), "Segments,2,SegmentSize,1252" (LeCroy).
std::optional<Setting> firstSetting(const std::vector<SettingsRow> &rows, SettingKey kind);

// A whole number of a setting's value ("2", "1252", "4000"); none for anything else.
std::optional<long long> wholeNumber(std::string_view text);

// The frequency a capture was measured at, where its settings say it ("Measuring frequency
// (Hz),14175000", as zalvimo-measure saves what it takes from an oscilloscope): the line it
// stands on (0 for none), its text, and the frequency in hertz (0 for a text that is no
// positive number in Hz, kHz, MHz or GHz).
struct FrequencySetting
{
    std::int64_t line = 0;
    std::string text;
    double hertz = 0;
};
FrequencySetting measuringFrequency(const std::vector<SettingsRow> &rows, bool decimalComma);

#endif // CAPTURESETTINGS_H
