#include "scopevocabulary.h"

#include "csvtext.h"

#include <algorithm>
#include <iterator>

namespace {

struct Unit
{
    const char *name; // in lower case
    double scale;
};

// Units of time: Tektronix and Keysight write "s", PicoScope "(us)" or "(ms)", Owon "uS",
// Rigol "Second", Siglent "(s)", some spreadsheets "sec".
const Unit kTimeUnits[]
    = {{"", 1}, {"s", 1}, {"sec", 1}, {"second", 1}, {"seconds", 1}, {"ms", 1e-3}, {"us", 1e-6},
        {"\xc2\xb5s", 1e-6}, {"\xce\xbcs", 1e-6}, {"ns", 1e-9}, {"ps", 1e-12}};

// Units of voltage, as millivolts: "Volt" (Rigol), "(V)" (PicoScope, Siglent), "(mV)"
// (PicoScope on small ranges), "(uV)".
const Unit kVoltageUnits[] = {{"", 1000}, {"v", 1000}, {"volt", 1000}, {"volts", 1000}, {"mv", 1},
    {"uv", 1e-3}, {"\xc2\xb5v", 1e-3}, {"\xce\xbcv", 1e-3}};

// Words that are a unit and nothing else, as a line of units writes them.
const char *const kBareUnits[] = {"s", "second", "seconds", "v", "volt", "volts", "mv"};

// Names of time columns: "TIME" (Tektronix), "Time (s)" (PicoScope), "x-axis" (Keysight),
// "X" and "Sequence" (Rigol), "Second" (Rigol's units line), "index", "Zeit" (German
// spreadsheets); a name that starts with "time" counts too ("Time[s]", "time_ns").
const char *const kTimeNames[] = {"time", "t", "x", "x-axis", "index", "sequence", "sample",
    "samples", "second", "seconds", "s", "zeit", "tiempo", "temps"};

struct Key
{
    const char *name;
    SettingKey kind;
};

// Settings keys: "Sample Interval" (Tektronix, Siglent), "Time interval" (Owon),
// "Increment"/"Start" (Rigol DS1000Z), "tInc"/"t0" (Rigol MSO5000, DHO800/900),
// "XInc"/"XOrg" (Keysight), "Sample Rate" (Siglent), "Source" (Tektronix, Siglent,
// GW Instek), "Channel" (Owon), "Sampling Period" (GW Instek); "Horizontal Units",
// "Vertical Units", "Vertical Scale" (Tektronix, GW Instek); "Waveform Data" over the
// counts (GW Instek GDS, A0001CH1.CSV); "Segments" and "SegmentSize" (Teledyne LeCroy,
// "Segments,2,SegmentSize,1252"); "Measuring frequency" (zalvimo-measure's own saved
// captures, the frequency the generator was set to).
const Key kSettingKeys[] = {{"increment", SettingKey::Increment},
    {"xincrement", SettingKey::Increment}, {"x increment", SettingKey::Increment},
    {"xinc", SettingKey::Increment}, {"tinc", SettingKey::Increment},
    {"sample interval", SettingKey::Increment}, {"sampling interval", SettingKey::Increment},
    {"sample period", SettingKey::Increment}, {"sampling period", SettingKey::Increment},
    {"time increment", SettingKey::Increment}, {"time interval", SettingKey::Increment},
    {"dt", SettingKey::Increment}, {"start", SettingKey::Start}, {"start time", SettingKey::Start},
    {"xorigin", SettingKey::Start}, {"x origin", SettingKey::Start}, {"t0", SettingKey::Start},
    {"x0", SettingKey::Start}, {"sample rate", SettingKey::Rate},
    {"sampling rate", SettingKey::Rate}, {"source", SettingKey::Source},
    {"channel", SettingKey::Source}, {"horizontal units", SettingKey::HorizontalUnits},
    {"vertical units", SettingKey::VerticalUnits}, {"vertical scale", SettingKey::VerticalScale},
    {"waveform data", SettingKey::WaveformData}, {"segments", SettingKey::Segments},
    {"segmentsize", SettingKey::SegmentSize},
    {"measuring frequency", SettingKey::MeasuringFrequency}};

struct NamedHeaderKey
{
    const char *name;
    HeaderKey kind;
};

// The keys of Rohde & Schwarz's header file, as an RTO2000 writes them
// (Brunner-neutrino-lab/RTO-wfmparser, scopedata/RefCurve_2023-12-08_0_003837.csv).
const NamedHeaderKey kHeaderKeys[] = {{"Resolution", HeaderKey::Resolution},
    {"SignalResolution", HeaderKey::SignalResolution}, {"XStart", HeaderKey::XStart},
    {"HardwareXStart", HeaderKey::HardwareXStart}, {"XStop", HeaderKey::XStop},
    {"HardwareXStop", HeaderKey::HardwareXStop}, {"RecordLength", HeaderKey::RecordLength},
    {"SignalHardwareRecordLength", HeaderKey::SignalHardwareRecordLength},
    {"TimestampState", HeaderKey::TimestampState},
    {"MultiChannelExport", HeaderKey::MultiChannelExport},
    {"MultiChannelExportState", HeaderKey::MultiChannelExportState},
    {"MultiChannelSource", HeaderKey::MultiChannelSource}, {"Source", HeaderKey::Source},
    {"BaseUnit", HeaderKey::BaseUnit}, {"SignalFormat", HeaderKey::SignalFormat}};

// Units of frequency, the horizontal unit of a spectrum (GW Instek's FFT file: "Hz").
const char *const kFrequencyUnits[] = {"hz", "khz", "mhz", "ghz"};

template<typename Table>
const auto *find(const Table &table, std::string_view name)
{
    const auto found = std::find_if(
        std::begin(table), std::end(table), [&](const auto &entry) { return name == entry.name; });
    return found == std::end(table) ? nullptr : &*found;
}

} // namespace

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
        [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return result;
}

double secondsPerUnit(std::string_view unit)
{
    const Unit *found = find(kTimeUnits, lowered(trimmed(unit)));
    return found ? found->scale : 0;
}

double millivoltsPerUnit(std::string_view unit)
{
    const Unit *found = find(kVoltageUnits, lowered(trimmed(unit)));
    return found ? found->scale : 0;
}

bool isBareUnit(std::string_view name)
{
    const std::string word = lowered(trimmed(name));
    return std::any_of(std::begin(kBareUnits), std::end(kBareUnits),
        [&](const char *unit) { return word == unit; });
}

bool isTimeName(std::string_view word)
{
    return word.substr(0, 4) == "time"
        || std::any_of(std::begin(kTimeNames), std::end(kTimeNames),
            [&](const char *name) { return word == name; });
}

SettingKey settingKey(std::string_view key)
{
    const Key *found = find(kSettingKeys, key);
    return found ? found->kind : SettingKey::None;
}

HeaderKey headerKey(std::string_view name)
{
    const NamedHeaderKey *found = find(kHeaderKeys, name);
    return found ? found->kind : HeaderKey::None;
}

bool isFrequencyUnit(std::string_view unit)
{
    const std::string word = lowered(trimmed(unit));
    return std::any_of(std::begin(kFrequencyUnits), std::end(kFrequencyUnits),
        [&](const char *name) { return word == name; });
}
