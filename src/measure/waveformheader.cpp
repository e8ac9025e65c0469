#include "waveformheader.h"

#include "capturesettings.h"
#include "capturetable.h"
#include "csvtext.h"
#include "printabletext.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

constexpr std::int64_t kLongestHeader = 10000; // lines; an RTO2000's has 72

bool isOn(const HeaderEntry *entry)
{
    return entry && !entry->values.empty() && lowered(entry->values.front()) == "on";
}

std::optional<double> numberOf(const HeaderEntry *entry)
{
    double value = 0;
    if (!entry || entry->values.empty()
        || parseNumber(trimmed(entry->values.front()), false, &value) != Parsed::Number) {
        return std::nullopt;
    }
    return value;
}

QString text(std::string_view value)
{
    return printableText(QString::fromUtf8(value.data(), int(value.size())));
}

// "SignalResolution 1e-09, line 29": a value and where the header gives it.
QString cited(const HeaderEntry &entry)
{
    return QStringLiteral("%1 %2, line %3")
        .arg(QString::fromStdString(entry.name),
            text(entry.values.empty() ? std::string() : entry.values.front()))
        .arg(entry.line);
}

// The channels in the data's columns: those that a multi-channel export marks "On", or the
// one source of the file.
Result<WaveformLayout> channels(const WaveformHeader &header, const QString &headerName)
{
    WaveformLayout layout;
    const HeaderEntry *multi = header.find(HeaderKey::MultiChannelExport);
    if (isOn(multi)) {
        const HeaderEntry *states = header.find(HeaderKey::MultiChannelExportState);
        const HeaderEntry *sources = header.find(HeaderKey::MultiChannelSource);
        // "MultiChannelExportState:4:On:On:Off:Off:": the count, then each channel's state.
        for (std::size_t i = 1; states && i < states->values.size(); ++i) {
            if (lowered(trimmed(states->values[i])) != "on") {
                continue;
            }
            const std::string_view source = sources && i < sources->values.size()
                ? trimmed(sources->values[i])
                : std::string_view();
            layout.labels.push_back(source.empty() || lowered(source) == "none"
                    ? QStringLiteral("CH%1").arg(i)
                    : text(source));
            layout.tags.push_back(int(i));
        }
        if (layout.labels.empty()) {
            return Failure {at(headerName, states ? states->line : multi->line,
                QStringLiteral("a multi-channel export of no channel: no channel is 'On' in "
                               "MultiChannelExportState"))};
        }
        return layout;
    }
    const HeaderEntry *source = header.find(HeaderKey::Source);
    const std::string_view name
        = source && !source->values.empty() ? trimmed(source->values.front()) : "";
    layout.labels.push_back(name.empty() ? QStringLiteral("column 1") : text(name));
    layout.tags.push_back(channelTag(name));
    return layout;
}

// An RTP's header file in XML ("name.bin"): the same keys, written as
// <Prop … Name="Resolution" Value="1.25e-06" …/>, a list as Size="4" I_0="…" … I_3="…",
// and the choices as the firmware's names ("eRS_ONOFF_ON", "eRS_SIGNAL_SOURCE_CH1_TR1",
// "eRS_UNIT_LEVEL_V"), read here as the text header writes them ("On", "CH1", "V").
std::string choiceText(const QString &value)
{
    static const std::pair<const char *, const char *> prefixes[]
        = {{"eRS_ONOFF_", ""}, {"eRS_UNIT_LEVEL_", ""}, {"eRS_UNIT_", ""},
            {"eRS_SIGNAL_SOURCE_", ""}, {"eRS_SIGNAL_FORMAT_", ""}, {"eRS_", ""}};
    QString text = value;
    for (const auto &[prefix, replacement] : prefixes) {
        if (text.startsWith(QLatin1String(prefix))) {
            text = QLatin1String(replacement) + text.mid(int(std::strlen(prefix)));
            break;
        }
    }
    if (text == QLatin1String("ON") || text == QLatin1String("OFF")) {
        text = text.left(1) + text.mid(1).toLower();
    }
    // A source "CH1_TR1" (channel 1, trace 1) is channel 1.
    const int trace = int(text.indexOf(QLatin1String("_TR")));
    return (trace > 0 ? text.left(trace) : text).toStdString();
}

std::optional<WaveformHeader> parseXmlHeader(std::string_view text)
{
    QXmlStreamReader xml(QByteArray(text.data(), int(std::min<std::size_t>(text.size(), INT_MAX))));
    WaveformHeader header;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement
            || xml.name() != QLatin1String("Prop")) {
            continue;
        }
        const QXmlStreamAttributes attributes = xml.attributes();
        const std::string name = attributes.value(QLatin1String("Name")).toString().toStdString();
        const HeaderKey key = headerKey(name);
        if (key == HeaderKey::None || header.find(key)) {
            continue;
        }
        HeaderEntry entry {key, name, {}, std::int64_t(xml.lineNumber())};
        if (attributes.hasAttribute(QLatin1String("Value"))) {
            entry.values.push_back(choiceText(attributes.value(QLatin1String("Value")).toString()));
        } else {
            // A list: its size first, then its items, as the text header writes it.
            const QString size = attributes.value(QLatin1String("Size")).toString();
            entry.values.push_back(size.toStdString());
            for (int i = 0; i < std::min(size.toInt(), 64); ++i) {
                entry.values.push_back(
                    choiceText(attributes.value(QStringLiteral("I_%1").arg(i)).toString()));
            }
        }
        header.entries.push_back(std::move(entry));
    }
    if (xml.hasError()
        || !(header.find(HeaderKey::SignalResolution) || header.find(HeaderKey::Resolution))) {
        return std::nullopt;
    }
    return header;
}

} // namespace

const HeaderEntry *WaveformHeader::find(HeaderKey key) const
{
    for (const HeaderEntry &entry : entries) {
        if (entry.key == key) {
            return &entry;
        }
    }
    return nullptr;
}

std::optional<WaveformHeader> parseWaveformHeader(std::string_view text)
{
    if (trimmed(text.substr(0, 64)).substr(0, 1) == "<") {
        return parseXmlHeader(text);
    }
    WaveformHeader header;
    LineCursor cursor(text);
    TextLine line;
    std::int64_t lines = 0;
    while (cursor.next(&line)) {
        const std::string_view content = trimmed(line.text);
        if (content.empty()) {
            continue;
        }
        // "Key:value:" or "Key:count:value:…:value:", nothing else.
        const std::size_t colon = content.find(':');
        if (++lines > kLongestHeader || colon == 0 || colon == std::string_view::npos
            || content.back() != ':') {
            return std::nullopt;
        }
        const std::string_view name = content.substr(0, colon);
        const HeaderKey key = headerKey(name);
        if (key == HeaderKey::None || header.find(key)) {
            continue;
        }
        HeaderEntry entry {key, std::string(name), {}, line.number};
        std::string_view rest = content.substr(colon + 1, content.size() - colon - 2);
        for (std::size_t next; (next = rest.find(':')) != std::string_view::npos;
             rest.remove_prefix(next + 1)) {
            entry.values.emplace_back(trimmed(rest.substr(0, next)));
        }
        entry.values.emplace_back(trimmed(rest));
        header.entries.push_back(std::move(entry));
    }
    if (lines < 2
        || !(header.find(HeaderKey::SignalResolution) || header.find(HeaderKey::Resolution))) {
        return std::nullopt;
    }
    return header;
}

namespace {

// How the data's values make waveforms: the hardware's record, settling samples included
// (an RTO2000's 2110 where the record is 2000), or the record alone (an RTP's 4000 where the
// hardware kept 4070), whichever makes a whole number of waveforms of `rows` values; a
// timestamp before each where the header says so. Fills `layout`; false when neither does,
// with the lengths tried.
bool recordOf(const WaveformHeader &header, std::size_t rows, const QString &headerName,
    const HeaderEntry &resolution, WaveformLayout *layout, QStringList *tried)
{
    const HeaderEntry *stamps = header.find(HeaderKey::TimestampState);
    layout->timestamps = isOn(stamps);
    const std::pair<HeaderKey, HeaderKey> candidates[]
        = {{HeaderKey::SignalHardwareRecordLength, HeaderKey::HardwareXStart},
            {HeaderKey::RecordLength, HeaderKey::XStart}};
    for (const auto &[lengthKey, startKey] : candidates) {
        const HeaderEntry *length = header.find(lengthKey);
        const HeaderEntry *start = header.find(startKey);
        const std::optional<long long> samples = length && !length->values.empty()
            ? wholeNumber(length->values.front())
            : std::nullopt;
        const std::optional<double> startTime = numberOf(start);
        if (!samples || !startTime || *samples <= 0 || std::size_t(*samples) > rows) {
            continue;
        }
        const std::size_t block = std::size_t(*samples) + (layout->timestamps ? 1 : 0);
        tried->append(cited(*length));
        if (rows % block != 0) {
            continue;
        }
        layout->samples = std::size_t(*samples);
        layout->waveforms = rows / block;
        layout->start = *startTime;
        layout->notes.append(
            QStringLiteral("header %1: waveforms of %2 samples (%3) from %4 s (%5) every %6 s "
                           "(%7)%8")
                .arg(headerName)
                .arg(layout->samples)
                .arg(cited(*length))
                .arg(layout->start)
                .arg(cited(*start))
                .arg(layout->interval)
                .arg(cited(resolution))
                .arg(layout->timestamps
                        ? QStringLiteral(", each after its timestamp (%1)").arg(cited(*stamps))
                        : QString()));
        return true;
    }
    return false;
}

} // namespace

Result<WaveformLayout> waveformLayout(const WaveformHeader &header, std::size_t rows,
    std::size_t columns, const QString &headerName, const QString &dataName)
{
    Result<WaveformLayout> described = channels(header, headerName);
    if (!described) {
        return described;
    }
    WaveformLayout layout = std::move(*described);
    const HeaderEntry *format = header.find(HeaderKey::SignalFormat);
    layout.timeColumn = format && !format->values.empty()
        && lowered(format->values.front()).find("xy") != std::string::npos;
    const HeaderEntry *unit = header.find(HeaderKey::BaseUnit);
    layout.unit = unit && !unit->values.empty() ? unit->values.front() : std::string("V");
    const std::size_t expected = layout.labels.size() + (layout.timeColumn ? 1 : 0);
    if (columns != expected) {
        const HeaderEntry *said = header.find(HeaderKey::MultiChannelExport);
        return Failure {at(headerName, said ? said->line : 0,
            QStringLiteral("the header describes %1 column(s) of %2%3, but %4 has %5")
                .arg(expected)
                .arg(layout.timeColumn ? QStringLiteral("the time and ") : QString())
                .arg(QStringList(layout.labels.begin(), layout.labels.end())
                         .join(QStringLiteral(", ")),
                    dataName)
                .arg(columns))};
    }
    if (layout.timeColumn) {
        layout.notes.append(QStringLiteral("header %1: the data hold their times (%2)")
                                .arg(headerName, cited(*format)));
        return layout;
    }

    const HeaderEntry *resolution = header.find(HeaderKey::SignalResolution);
    resolution = resolution ? resolution : header.find(HeaderKey::Resolution);
    const std::optional<double> interval = numberOf(resolution);
    if (!interval || !(*interval > 0)) {
        return Failure {at(headerName, resolution ? resolution->line : 0,
            resolution ? QStringLiteral("no sample interval: %1").arg(cited(*resolution))
                       : QStringLiteral("no sample interval (SignalResolution or Resolution)"))};
    }
    layout.interval = *interval;
    QStringList tried;
    if (recordOf(header, rows, headerName, *resolution, &layout, &tried)) {
        return layout;
    }
    return Failure {at(dataName, 0,
        QStringLiteral("%1 values a column are no whole number of waveforms of %2%3 as its header "
                       "%4 describes them")
            .arg(rows)
            .arg(tried.isEmpty() ? QStringLiteral("a record length") : tried.join(" or "))
            .arg(layout.timestamps ? QStringLiteral(" samples and a timestamp each")
                                   : QStringLiteral(" samples"))
            .arg(headerName))};
}
