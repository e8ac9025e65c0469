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
    MeasuringFrequency, // the generator's frequency, in zalvimo-measure's saved captures
};
SettingKey settingKey(std::string_view key);

#endif // SCOPEVOCABULARY_H
