#include "capturesettings.h"

#include "scopevocabulary.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A setting's name without its unit and its colon or equals sign, blanks folded, in lower
// case: "Sample Interval (s):" and "Time interval\t\t  :" are "sample interval" and
// "time interval".
std::string keyOf(std::string_view name)
{
    name = name.substr(0, name.find_first_of("([:="));
    std::string key;
    for (const char c : trimmed(name)) {
        if (isBlank(c)) {
            if (!key.empty() && key.back() != ' ') {
                key += ' ';
            }
        } else {
            key += c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
        }
    }
    return key;
}

// The longest number at the start of a text, and what follows it, trimmed.
bool leadingNumber(std::string_view text, bool decimalComma, double *value, std::string_view *rest)
{
    text = trimmed(text);
    std::size_t end = 0;
    while (end < text.size()
        && (isDigit(text[end]) || text[end] == '.' || text[end] == '-' || text[end] == '+'
            || ((text[end] == 'e' || text[end] == 'E') && end > 0 && end + 1 < text.size()
                && (isDigit(text[end + 1]) || text[end + 1] == '-' || text[end + 1] == '+'))
            || (decimalComma && text[end] == ','))) {
        ++end;
    }
    if (end == 0 || parseNumber(text.substr(0, end), decimalComma, value) != Parsed::Number) {
        return false;
    }
    *rest = trimmed(text.substr(end));
    return true;
}

// A time with an optional unit ("2e-9", "2.00E-09 s", "0.08uS", "CH1:0.000002"), in
// seconds; the key's own unit ("Sample Interval (ns)") when the value has none.
bool parseSeconds(
    std::string_view text, std::string_view keyUnit, bool decimalComma, double *seconds)
{
    const std::size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) {
        text = text.substr(colon + 1);
    }
    double value = 0;
    std::string_view rest;
    if (!leadingNumber(text, decimalComma, &value, &rest)) {
        return false;
    }
    const double scale = secondsPerUnit(rest.empty() ? keyUnit : rest);
    *seconds = value * scale;
    return scale != 0 && std::isfinite(*seconds);
}

// A sample rate with an optional unit ("1e9", "1 GSa/s", "500MSa/s", "2 GHz"), as the
// seconds between samples.
bool parseRateAsInterval(std::string_view text, bool decimalComma, double *seconds)
{
    double value = 0;
    std::string_view rest;
    if (!leadingNumber(text, decimalComma, &value, &rest) || !(value > 0)) {
        return false;
    }
    double scale = 1;
    if (!rest.empty() && (rest.front() == 'k' || rest.front() == 'M' || rest.front() == 'G')) {
        scale = rest.front() == 'k' ? 1e3 : rest.front() == 'M' ? 1e6 : 1e9;
        rest.remove_prefix(1);
    }
    const std::string unit = lowered(rest);
    if (!(unit.empty() || unit == "sa/s" || unit == "s/s" || unit == "hz")) {
        return false;
    }
    *seconds = 1 / (value * scale);
    return std::isfinite(*seconds) && *seconds > 0;
}

} // namespace

std::string unitOfName(std::string_view name)
{
    name = trimmed(name);
    const std::size_t open = name.find_first_of("([");
    if (open != std::string_view::npos) {
        const std::size_t close = name.find_first_of(")]", open);
        return std::string(trimmed(
            name.substr(open + 1, close == std::string_view::npos ? close : close - open - 1)));
    }
    const std::size_t slash = name.find('/');
    if (slash != std::string_view::npos) {
        return std::string(trimmed(name.substr(slash + 1)));
    }
    return isBareUnit(name) ? std::string(name) : std::string();
}

TimeSettings timeSettings(const std::vector<SettingsRow> &rows, bool decimalComma)
{
    TimeSettings settings;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Fields &fields = rows[i].fields;
        for (std::size_t j = 0; j < fields.size(); ++j) {
            const std::string key = keyOf(fields[j]);
            const SettingKey kind = settingKey(key);
            if (kind != SettingKey::Increment && kind != SettingKey::Start
                && kind != SettingKey::Rate) {
                continue;
            }
            const std::string keyUnit
                = unitOfName(fields[j].substr(0, fields[j].find_first_of(":=")));
            // Where the value may stand: after "=" or ":" in the same field, in the next
            // field, or in the same column of the next line.
            std::vector<std::string_view> candidates;
            const std::size_t sign = fields[j].find_first_of(":=");
            if (sign != std::string_view::npos && !trimmed(fields[j].substr(sign + 1)).empty()) {
                candidates.push_back(fields[j].substr(sign + 1));
            }
            if (j + 1 < fields.size()) {
                candidates.push_back(fields[j + 1]);
            }
            if (i + 1 < rows.size() && rows[i + 1].line == rows[i].line + 1
                && j < rows[i + 1].fields.size()) {
                candidates.push_back(rows[i + 1].fields[j]);
            }
            for (const std::string_view candidate : candidates) {
                double seconds = 0;
                if (kind == SettingKey::Rate
                    && parseRateAsInterval(candidate, decimalComma, &seconds)) {
                    settings.increment = seconds;
                    settings.incrementLine = rows[i].line;
                    break;
                }
                if (kind != SettingKey::Rate
                    && parseSeconds(candidate, keyUnit, decimalComma, &seconds)) {
                    if (kind == SettingKey::Increment && seconds > 0) {
                        settings.increment = seconds;
                        settings.incrementLine = rows[i].line;
                    } else if (kind == SettingKey::Start) {
                        settings.start = seconds;
                    }
                    break;
                }
            }
        }
    }
    return settings;
}

int channelTag(std::string_view text)
{
    const std::string t = lowered(text);
    int tag = 0;
    const auto found = [&](int channel) {
        if (channel <= 0 || (tag != 0 && tag != channel)) {
            tag = -1;
        } else if (tag == 0) {
            tag = channel;
        }
    };
    for (std::size_t i = 0; i < t.size() && tag >= 0; ++i) {
        const bool wordStart = i == 0 || !(t[i - 1] >= 'a' && t[i - 1] <= 'z');
        if (t.compare(i, 7, "channel") == 0 && wordStart) {
            std::size_t k = i + 7;
            while (k < t.size() && (t[k] == ' ' || t[k] == '_')) {
                ++k;
            }
            if (k < t.size() && t[k] >= 'a' && t[k] <= 'h'
                && (k + 1 == t.size() || !(t[k + 1] >= 'a' && t[k + 1] <= 'z'))) {
                found(t[k] - 'a' + 1);
            } else if (k < t.size() && isDigit(t[k])) {
                found(t[k] - '0');
            }
            i = k;
        } else if (t.compare(i, 2, "ch") == 0 && i + 2 < t.size() && isDigit(t[i + 2])) {
            found(t[i + 2] - '0');
            i += 2;
        } else if (t[i] == 'c' && wordStart && i + 1 < t.size() && isDigit(t[i + 1])
            && (i + 2 == t.size()
                || !(isDigit(t[i + 2]) || (t[i + 2] >= 'a' && t[i + 2] <= 'z')))) {
            // "C2--trace--00000.csv" (LeCroy), "C2 in V" (Rohde & Schwarz)
            found(t[i + 1] - '0');
        }
    }
    if (tag == 0 && t.size() == 1 && isDigit(t[0])) {
        tag = t[0] - '0'; // Keysight names its channels "1", "2"
    }
    return tag > 0 ? tag : 0;
}

int sourceChannel(const std::vector<SettingsRow> &rows)
{
    for (const SettingsRow &row : rows) {
        for (std::size_t j = 0; j + 1 < row.fields.size(); ++j) {
            const std::string key = keyOf(row.fields[j]);
            if (settingKey(key) == SettingKey::Source) {
                if (const int tag = channelTag(row.fields[j + 1])) {
                    return tag;
                }
            }
        }
    }
    return 0;
}

std::optional<Setting> firstSetting(const std::vector<SettingsRow> &rows, SettingKey kind)
{
    for (const SettingsRow &row : rows) {
        for (std::size_t j = 0; j < row.fields.size(); ++j) {
            if (settingKey(keyOf(row.fields[j])) == kind) {
                return Setting {
                    j + 1 < row.fields.size() ? trimmed(row.fields[j + 1]) : std::string_view(),
                    row.line};
            }
        }
    }
    return std::nullopt;
}

std::optional<long long> wholeNumber(std::string_view text)
{
    text = trimmed(text);
    long long value = 0;
    const std::from_chars_result result
        = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

FrequencySetting measuringFrequency(const std::vector<SettingsRow> &rows, bool decimalComma)
{
    FrequencySetting setting;
    for (const SettingsRow &row : rows) {
        for (std::size_t j = 0; j + 1 < row.fields.size(); ++j) {
            if (settingKey(keyOf(row.fields[j])) != SettingKey::MeasuringFrequency) {
                continue;
            }
            setting.line = row.line;
            setting.text = std::string(row.fields[j + 1].substr(0, 40));
            const std::string unit = lowered(unitOfName(row.fields[j]));
            const double scale = unit == "hz" ? 1
                : unit == "khz"               ? 1e3
                : unit == "mhz"               ? 1e6
                : unit == "ghz"               ? 1e9
                                              : 0;
            double value = 0;
            if (scale > 0 && parseNumber(row.fields[j + 1], decimalComma, &value) == Parsed::Number
                && value > 0 && std::isfinite(value * scale)) {
                setting.hertz = value * scale;
            }
            return setting;
        }
    }
    return setting;
}
