#include "capturereader.h"

#include "capturemeasurement.h"
#include "capturesettings.h"
#include "capturetable.h"
#include "csvtext.h"
#include "filecontent.h"
#include "printabletext.h"
#include "scopevocabulary.h"
#include "timeaxis.h"
#include "units.h"
#include "waveformheader.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr qint64 kLargestFile = std::numeric_limits<int>::max() - 4096; // one QByteArray

// What --verbose says of how the text was read.
QStringList textNotes(const DecodedText &decoded, const Dialect &dialect, const Table &table)
{
    QStringList notes;
    if (std::string_view(decoded.encoding) != "UTF-8") {
        notes.append(QStringLiteral("decoded from %1").arg(QLatin1String(decoded.encoding)));
    }
    notes.append(dialect.separator == ','
            ? QStringLiteral("fields separated by commas, decimal points")
            : QStringLiteral("fields separated by %1, decimal commas or points")
                  .arg(dialect.separator == ';' ? QStringLiteral("semicolons")
                                                : QStringLiteral("tabs")));
    if (!table.header.empty()) {
        notes.append(QStringLiteral("lines %1 to %2: settings and names")
                         .arg(table.header.front().line)
                         .arg(table.header.back().line));
    }
    if (!table.beside.empty()) {
        notes.append(QStringLiteral("lines %1 to %2: settings beside the data")
                         .arg(table.beside.front().line)
                         .arg(table.beside.back().line));
    }
    return notes;
}

// Which of the channel columns a choice names; `option` names the option in messages.
Result<std::size_t> chosenColumn(const QString &option, const QString &choice,
    const std::vector<Column> &columns, std::size_t firstChannel, const QString &fileName)
{
    QString text = choice.trimmed();
    bool byNumber = true;
    bool byName = true;
    if (text.startsWith(QLatin1String("col="), Qt::CaseInsensitive)) {
        text = text.mid(4);
        byName = false;
    } else if (text.startsWith(QLatin1String("name="), Qt::CaseInsensitive)) {
        text = text.mid(5);
        byNumber = false;
    }
    bool isNumber = false;
    const long long number = text.toLongLong(&isNumber);
    std::size_t numbered = columns.size();
    std::size_t named = columns.size();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (byNumber && isNumber && number >= 1 && columns[i].field + 1 == std::size_t(number)) {
            numbered = i;
        }
        const std::string wanted = text.toLower().toStdString();
        if (byName && named == columns.size()
            && std::find(columns[i].names.begin(), columns[i].names.end(), wanted)
                != columns[i].names.end()) {
            named = i;
        }
    }
    if (numbered < columns.size() && named < columns.size() && numbered != named) {
        return Failure {at(fileName, 0,
            QStringLiteral("%1 %2 is ambiguous: %3 or the column named '%2', %4; write %1 "
                           "col=%2 or %1 name=%2")
                .arg(option, printableText(text), described(columns[numbered]),
                    described(columns[named])))};
    }
    const std::size_t found = numbered < columns.size() ? numbered : named;
    if (found == columns.size()) {
        QStringList available;
        for (std::size_t i = firstChannel; i < columns.size(); ++i) {
            available.append(described(columns[i]));
        }
        return Failure {at(fileName, 0,
            QStringLiteral("%1 %2: no such column; the channels are %3")
                .arg(option, printableText(choice), available.join(QStringLiteral(", "))))};
    }
    if (found < firstChannel) {
        return Failure {at(fileName, 0,
            QStringLiteral("%1 %2: %3 is the time")
                .arg(option, printableText(choice), described(columns[found])))};
    }
    return found;
}

// The columns of the reference and V_x, or of the one channel of a one-channel file.
Result<std::vector<std::size_t>> chosenChannels(const std::vector<Column> &columns,
    std::size_t firstChannel, const ColumnChoice &choice, const QString &fileName,
    std::int64_t firstLine)
{
    const std::size_t channelCount = columns.size() - firstChannel;
    if (channelCount == 0) {
        return Failure {at(fileName, firstLine,
            QStringLiteral("no channel: the only column of numbers is the time"))};
    }
    if (choice.reference.isEmpty() && choice.vx.isEmpty() && channelCount == 1) {
        return std::vector<std::size_t> {firstChannel};
    }
    std::size_t reference = firstChannel;
    std::size_t vx = firstChannel + 1;
    if (!choice.reference.isEmpty()) {
        const Result<std::size_t> found = chosenColumn(
            QStringLiteral("--ref"), choice.reference, columns, firstChannel, fileName);
        if (!found) {
            return found.failure();
        }
        reference = *found;
    }
    if (!choice.vx.isEmpty()) {
        const Result<std::size_t> found
            = chosenColumn(QStringLiteral("--vx"), choice.vx, columns, firstChannel, fileName);
        if (!found) {
            return found.failure();
        }
        vx = *found;
    }
    if (vx >= columns.size()) {
        return Failure {at(fileName, firstLine,
            QStringLiteral("one channel besides the time; name V_x's column with --vx, or give "
                           "the reference's file and V_x's file one after the other"))};
    }
    if (reference == vx) {
        return Failure {
            at(fileName, 0, QStringLiteral("the reference and V_x are the same column"))};
    }
    return std::vector<std::size_t> {reference, vx};
}

// A channel's column in millivolts, checked: its unit must be a voltage, and every value
// finite before and after the scaling. `role` names it in messages.
Result<CaptureChannel> channelOf(const Table &table, const Column &column, std::size_t index,
    std::vector<double> values, const QString &role, const QString &fileName)
{
    const std::string &notFinite = table.notFiniteText[index];
    if (table.notFiniteLine[index] != 0
        && (notFinite.find("nan") != std::string::npos || notFinite.find("NaN") != std::string::npos
            || notFinite.find("NAN") != std::string::npos)) {
        return Failure {at(fileName, table.notFiniteLine[index],
            QStringLiteral("%1, %2: not a number: %3")
                .arg(role, described(column), quotedField(notFinite)))};
    }
    if (table.notFiniteLine[index] != 0) {
        return Failure {at(fileName, table.notFiniteLine[index],
            QStringLiteral("%1, %2, is over range (%3): the trace ran off the screen; give the "
                           "channel a larger volts per division")
                .arg(role, described(column), quotedField(notFinite)))};
    }
    const double scale = millivoltsPerUnit(column.unit);
    if (scale == 0) {
        return Failure {at(fileName, 0,
            QStringLiteral("%1, %2, is in '%3', not in volts")
                .arg(role, described(column), printableText(QString::fromStdString(column.unit))))};
    }
    CaptureChannel channel;
    channel.label = column.label;
    channel.fileColumn = int(column.field + 1);
    channel.tag = channelTag(column.label.toStdString());
    channel.millivolts = std::move(values);
    for (std::size_t k = 0; k < channel.millivolts.size(); ++k) {
        double &value = channel.millivolts[k];
        value *= scale;
        if (!std::isfinite(value)) {
            return Failure {at(fileName, table.firstLine + std::int64_t(k),
                QStringLiteral("%1, %2: a value too large to be a voltage")
                    .arg(role, described(column)))};
        }
    }
    return channel;
}

// The samples of a channel that a file gives as the converter's counts (GW Instek: integers
// after "Waveform Data", "Vertical Scale" volts a division above them), in the unit of
// "Vertical Units" a count.
struct Counts
{
    double perCount = 0;
    std::string unit;
    QString note;
};

// Whether the settings say the samples are counts, and what a count is; or why they cannot
// be read. A spectrum (a horizontal unit of Hz, GW Instek's FFT file) is no capture.
Result<std::optional<Counts>> countsOf(
    const std::vector<SettingsRow> &rows, bool decimalComma, const QString &fileName)
{
    if (const std::optional<Setting> horizontal = firstSetting(rows, SettingKey::HorizontalUnits);
        horizontal && isFrequencyUnit(horizontal->value)) {
        return Failure {at(fileName, horizontal->line,
            QStringLiteral("the horizontal unit is '%1': this is a spectrum (an FFT), not a "
                           "waveform in time; save the channel's waveform")
                .arg(printableText(
                    QString::fromUtf8(horizontal->value.data(), int(horizontal->value.size())))))};
    }
    const std::optional<Setting> data = firstSetting(rows, SettingKey::WaveformData);
    if (!data) {
        return std::optional<Counts>();
    }
    const std::optional<Setting> scale = firstSetting(rows, SettingKey::VerticalScale);
    double perDivision = 0;
    if (!scale || parseNumber(scale->value, decimalComma, &perDivision) != Parsed::Number
        || !(perDivision > 0)) {
        return Failure {at(fileName, data->line,
            QStringLiteral("the samples after 'Waveform Data' are the converter's counts, and "
                           "no 'Vertical Scale' says how many volts they are; save the "
                           "waveform with its settings"))};
    }
    const std::optional<Setting> units = firstSetting(rows, SettingKey::VerticalUnits);
    Counts counts;
    counts.unit = units && !units->value.empty() ? std::string(units->value) : std::string("V");
    counts.perCount = perDivision / kCountsPerDivision;
    const QString unit = printableText(QString::fromStdString(counts.unit));
    counts.note = QStringLiteral("converter counts of %1 %2 (Vertical Scale %3 %2 a division, "
                                 "line %4; %5 counts a division)")
                      .arg(counts.perCount)
                      .arg(unit)
                      .arg(perDivision)
                      .arg(scale->line)
                      .arg(kCountsPerDivision);
    return std::optional<Counts>(counts);
}

// The segment that the context asks for, of `count`: from 0.
Result<std::size_t> chosenSegment(
    const ReadContext &context, std::size_t count, const QString &fileName)
{
    if (context.segment < 0 || std::size_t(context.segment) > count) {
        return Failure {at(fileName, 0,
            count == 1 ? QStringLiteral("--segment %1: the file holds one acquisition")
                             .arg(context.segment)
                       : QStringLiteral("--segment %1: the file holds %2 segments")
                             .arg(context.segment)
                             .arg(count))};
    }
    return context.segment == 0 ? 0 : std::size_t(context.segment - 1);
}

// "segment 1 of 10 read (--segment N reads another)", for --verbose.
QString segmentNote(const ReadContext &context, std::size_t chosen, std::size_t count)
{
    return QStringLiteral("segment %1 of %2 read%3")
        .arg(chosen + 1)
        .arg(count)
        .arg(context.segment == 0 ? QStringLiteral(", the first; --segment N reads another")
                                  : QString());
}

// Teledyne LeCroy's segments ("Segments,2,SegmentSize,1252"): the rows of the one chosen.
// The last may be one row short when the file's last line was cut off.
Status segmentOf(Table &table, const std::vector<SettingsRow> &rows, const ReadContext &context,
    const QString &fileName, QStringList *notes)
{
    const std::optional<Setting> segments = firstSetting(rows, SettingKey::Segments);
    const std::optional<Setting> size = firstSetting(rows, SettingKey::SegmentSize);
    const std::optional<long long> count = segments ? wholeNumber(segments->value) : std::nullopt;
    const std::optional<long long> each = size ? wholeNumber(size->value) : std::nullopt;
    const std::size_t samples = table.values.front().size();
    if (!count || *count <= 1) {
        const Result<std::size_t> chosen = chosenSegment(context, 1, fileName);
        return chosen ? success() : Status(chosen.failure());
    }
    // Compared without overflow: the segments hold at most one sample more than the file.
    const std::size_t whole = each && *each > 0 && std::size_t(*each) <= samples + 1
            && std::size_t(*count) <= (samples + 1) / std::size_t(*each)
        ? std::size_t(*count) * std::size_t(*each)
        : 0;
    if (whole == 0 || !(samples == whole || (table.cutOff && samples + 1 == whole))) {
        return Failure {at(fileName, segments->line,
            QStringLiteral("the file says %1 segments of %2 samples, but it holds %3 samples")
                .arg(*count)
                .arg(each ? QString::number(*each) : QStringLiteral("unknown"))
                .arg(samples))};
    }
    const Result<std::size_t> chosen = chosenSegment(context, std::size_t(*count), fileName);
    if (!chosen) {
        return chosen.failure();
    }
    const std::size_t begin = *chosen * std::size_t(*each);
    keepRows(table, begin, begin + std::size_t(*each));
    notes->append(QStringLiteral("%1 (%2 segments of %3 samples, line %4)")
                      .arg(segmentNote(context, *chosen, std::size_t(*count)))
                      .arg(*count)
                      .arg(*each)
                      .arg(segments->line));
    return success();
}

// The channels and the time axis of a data file of values alone, as its header says.
struct Headered
{
    std::vector<Column> columns;
    std::vector<int> tags;
    TimeAxis axis;
};

Result<Headered> fromHeader(Table &table, const Dialect &dialect, const QString &fileName,
    const ReadContext &context, QStringList *notes)
{
    const DecodedText decoded = decodeText(context.header);
    const std::optional<WaveformHeader> header = parseWaveformHeader(decoded.text);
    if (!header) {
        return Failure {at(context.headerName, 0,
            QStringLiteral("no header of \"Key:value:\" lines with a sample interval, as "
                           "Rohde & Schwarz write one beside %1")
                .arg(fileName))};
    }
    Result<WaveformLayout> layout = waveformLayout(
        *header, table.values.front().size(), table.columns.size(), context.headerName, fileName);
    if (!layout) {
        return layout.failure();
    }
    *notes += layout->notes;
    Headered result;
    result.columns = columnsOf(table, dialect);
    const std::size_t firstChannel = layout->timeColumn ? 1 : 0;
    for (std::size_t i = 0; i < layout->labels.size(); ++i) {
        Column &column = result.columns[firstChannel + i];
        column.label = layout->labels[i];
        column.unit = layout->unit;
        column.names.push_back(lowered(layout->labels[i].toStdString()));
    }
    result.tags = layout->tags;
    if (layout->timeColumn) {
        Result<TimeAxis> axis = timeAxis(table, result.columns, TimeSettings(), fileName);
        if (!axis) {
            return axis.failure();
        }
        result.axis = std::move(*axis);
        return result;
    }
    const std::size_t block = layout->samples + (layout->timestamps ? 1 : 0);
    const Result<std::size_t> chosen = chosenSegment(context, layout->waveforms, fileName);
    if (!chosen) {
        return chosen.failure();
    }
    const std::size_t begin = *chosen * block;
    if (layout->timestamps) {
        notes->append(QStringLiteral("line %1: the timestamp %2 s of waveform %3")
                          .arg(table.firstLine + std::int64_t(begin))
                          .arg(table.values.front()[begin], 0, 'g', 12)
                          .arg(*chosen + 1));
    }
    if (layout->waveforms > 1) {
        notes->append(segmentNote(context, *chosen, layout->waveforms));
    }
    const std::size_t first = begin + (layout->timestamps ? 1 : 0);
    keepRows(table, first, first + layout->samples);
    result.axis.seconds.resize(layout->samples);
    for (std::size_t k = 0; k < layout->samples; ++k) {
        result.axis.seconds[k] = layout->start + double(k) * layout->interval;
    }
    result.axis.notes.append(QStringLiteral("time: from the header %1, %2 s every %3 s")
                                 .arg(context.headerName)
                                 .arg(layout->start)
                                 .arg(layout->interval));
    return result;
}

// Whether the first column of numbers never rises: no time column.
bool noTimeColumn(const Table &table)
{
    const std::vector<double> &first = table.values.front();
    for (std::size_t k = 1; k < first.size(); ++k) {
        if (!(first[k] > first[k - 1])) {
            return true;
        }
    }
    return first.size() < 2;
}

// The columns and the time axis of a file that is its own header: its segment, its names
// and units, its time settings. Values without times whose header is missing are refused.
Result<Headered> layoutOf(Table &table, const Dialect &dialect,
    const std::vector<SettingsRow> &settingsRows, const QString &fileName,
    const ReadContext &context, QStringList *notes)
{
    if (const Status segment = segmentOf(table, settingsRows, context, fileName, notes); !segment) {
        return segment.failure();
    }
    Headered layout;
    layout.columns = columnsOf(table, dialect);
    const TimeSettings settings = timeSettings(settingsRows, dialect.decimalComma);
    if (!context.missingHeader.isEmpty() && settings.increment <= 0 && noTimeColumn(table)) {
        return Failure {at(fileName, 0,
            QStringLiteral("values without their times, and the header %1 that gives them is "
                           "not beside it%2; export the waveform with its header, or with the "
                           "times (XY)")
                .arg(context.missingHeader,
                    context.otherHeader.isEmpty()
                        ? QString()
                        : QStringLiteral(" (%1, an RTP's header in XML, gives no sample "
                                         "interval)")
                              .arg(context.otherHeader)))};
    }
    Result<TimeAxis> axis = timeAxis(table, layout.columns, settings, fileName);
    if (!axis) {
        return axis.failure();
    }
    layout.axis = std::move(*axis);
    return layout;
}

// Converter counts as volts by their scale; a count must be a whole number.
Result<std::vector<double>> countsToVolts(const Counts &counts, std::int64_t firstLine,
    const QString &fileName, std::vector<double> values)
{
    for (std::size_t k = 0; k < values.size(); ++k) {
        double &value = values[k];
        if (std::isfinite(value) && value != std::floor(value)) {
            return Failure {at(fileName, firstLine + std::int64_t(k),
                QStringLiteral("%1 is no converter count, as the samples after 'Waveform Data' "
                               "are")
                    .arg(value))};
        }
        value *= counts.perCount;
    }
    return values;
}

// A chosen channel, and what --verbose says of it.
struct ChosenChannel
{
    CaptureChannel channel;
    QString note;
};

// The values of column `index` as a channel in millivolts, converter counts turned into
// volts first where the file gives counts; `role` names it in messages and in the note.
Result<ChosenChannel> chosenChannel(const Table &table, Column column, std::size_t index,
    std::vector<double> values, const std::optional<Counts> &counts, const QString &role,
    const QString &fileName)
{
    QString scaleNote;
    if (counts) {
        Result<std::vector<double>> volts
            = countsToVolts(*counts, table.firstLine, fileName, std::move(values));
        if (!volts) {
            return volts.failure();
        }
        values = std::move(*volts);
        column.unit = counts->unit;
        scaleNote = counts->note + QStringLiteral(", ");
    }
    Result<CaptureChannel> channel
        = channelOf(table, column, index, std::move(values), role, fileName);
    if (!channel) {
        return channel.failure();
    }
    const QString unit = column.unit.empty() ? QStringLiteral("V")
                                             : printableText(QString::fromStdString(column.unit));
    return ChosenChannel {std::move(*channel),
        QStringLiteral("%1: %2, %3in %4").arg(role, described(column), scaleNote, unit)};
}

// The channel a file of one channel holds, where its column's name does not say: as its
// settings name the source, or else as its file's name does ("F0000CH1.CSV"); 0 for none.
int singleChannelTag(const std::vector<SettingsRow> &settingsRows, const QString &fileName)
{
    const int source = sourceChannel(settingsRows);
    return source ? source : channelTag(QFileInfo(fileName).fileName().toStdString());
}

// The frequency a capture says it was measured at (zalvimo-measure's saved captures), for
// the fit to take rather than estimate: within 1 kHz to 10 GHz, or no capture.
Status addMeasuringFrequency(const std::vector<SettingsRow> &settingsRows, bool decimalComma,
    const QString &fileName, CaptureRead *result)
{
    const FrequencySetting frequency = measuringFrequency(settingsRows, decimalComma);
    if (frequency.line == 0) {
        return success();
    }
    const double megahertz = frequency.hertz / kHertzPerMegahertz;
    if (!(megahertz >= kLowestFrequencyMHz && megahertz <= kHighestFrequencyMHz)) {
        return Failure {at(fileName, frequency.line,
            QStringLiteral("the measuring frequency %1 is no frequency from 1 kHz to 10 GHz")
                .arg(quotedField(frequency.text)))};
    }
    result->measuringFrequencyHz = frequency.hertz;
    result->notes.append(QStringLiteral("the measuring frequency: %1 MHz, line %2")
                             .arg(megahertz, 0, 'g', 12)
                             .arg(frequency.line));
    return success();
}

// A file's text as a table, in the dialect sniffed from it, with what --verbose says of how
// it was read.
struct TextTable
{
    Table table;
    Dialect dialect;
    QStringList notes;
};

// The table of the decoded text, whose settings rows are views into `decoded`: it must
// outlive them. A Rohde & Schwarz waveform header given on its own is refused: its values
// are in the file beside it.
Result<TextTable> textTable(
    const DecodedText &decoded, const QString &fileName, const ReadContext &context)
{
    if (context.header.isEmpty() && parseWaveformHeader(decoded.text)) {
        return Failure {at(fileName, 0,
            QStringLiteral("a header of a Rohde & Schwarz waveform, without its values: give "
                           "the data file beside it (name.Wfm.csv)"))};
    }
    const Dialect dialect = sniffDialect(decoded.text);
    Result<Table> table = readTable(decoded.text, dialect, fileName);
    if (!table) {
        return table.failure();
    }
    QStringList notes = textNotes(decoded, dialect, *table);
    notes += table->notes;
    return TextTable {std::move(table).value(), dialect, notes};
}

} // namespace

Result<CaptureRead> readCaptureChannels(const QByteArray &content, const QString &fileName,
    const ColumnChoice &choice, const ReadContext &context)
{
    const DecodedText decoded = decodeText(content);
    Result<TextTable> text = textTable(decoded, fileName, context);
    if (!text) {
        return text.failure();
    }
    Table &table = text->table;
    const Dialect &dialect = text->dialect;
    CaptureRead result;
    result.warnings = table.warnings;
    result.cutOff = table.cutOff;
    result.notes = text->notes;

    std::vector<SettingsRow> settingsRows = table.header;
    settingsRows.insert(settingsRows.end(), table.beside.begin(), table.beside.end());
    const Result<std::optional<Counts>> counts
        = countsOf(settingsRows, dialect.decimalComma, fileName);
    if (!counts) {
        return counts.failure();
    }
    Result<Headered> layout = context.header.isEmpty()
        ? layoutOf(table, dialect, settingsRows, fileName, context, &result.notes)
        : fromHeader(table, dialect, fileName, context, &result.notes);
    if (!layout) {
        return layout.failure();
    }
    const std::vector<Column> &columns = layout->columns;
    const std::vector<int> &tags = layout->tags;
    const TimeAxis &axis = layout->axis;
    result.notes += axis.notes;
    result.warnings += axis.warnings;
    const std::size_t firstChannel = axis.fromColumn ? 1 : 0;
    const Result<std::vector<std::size_t>> chosen
        = chosenChannels(columns, firstChannel, choice, fileName, table.firstLine);
    if (!chosen) {
        return chosen.failure();
    }
    const QString roles[] = {
        chosen->size() == 1 ? QStringLiteral("the channel") : QStringLiteral("the reference (CH1)"),
        QStringLiteral("V_x (CH2)")};
    for (std::size_t i = 0; i < chosen->size(); ++i) {
        const std::size_t index = (*chosen)[i];
        Result<ChosenChannel> channel = chosenChannel(table, columns[index], index,
            std::move(table.values[index]), *counts, roles[i], fileName);
        if (!channel) {
            return channel.failure();
        }
        if (!tags.empty()) {
            channel->channel.tag = tags[index - firstChannel];
        }
        result.notes.append(channel->note);
        result.channels.push_back(std::move(channel->channel));
    }
    if (result.channels.size() == 1 && result.channels.front().tag == 0) {
        result.channels.front().tag = singleChannelTag(settingsRows, fileName);
    }
    if (const Status frequency
        = addMeasuringFrequency(settingsRows, dialect.decimalComma, fileName, &result);
        !frequency) {
        return frequency.failure();
    }
    result.time = axisSeconds(std::move(layout->axis), std::move(table.values.front()));
    result.notes.append(QStringLiteral("%1 samples, lines %2 to %3")
                            .arg(result.time.size())
                            .arg(table.firstLine)
                            .arg(table.lastLine));
    return result;
}

namespace {

constexpr qint64 kLargestHeader = 1 << 20; // bytes; an RTO2000's header has 2 kB

// The file beside `path` whose name ends in one of `endings` instead of its own last `cut`
// characters, spelt as `path` is; empty when there is none.
QString besideFile(const QString &path, int cut, std::initializer_list<const char *> endings)
{
    for (const char *ending : endings) {
        const QString beside = path.left(path.size() - cut) + QLatin1String(ending);
        if (QFileInfo(beside).isFile()) {
            return beside;
        }
    }
    return QString();
}

} // namespace

Result<CaptureRead> readCaptureFile(const QString &path, const ColumnChoice &columns, int segment)
{
    Result<QByteArray> content = readFileContent(path, kLargestFile);
    if (!content) {
        return content.failure();
    }
    ReadContext context;
    context.segment = segment;
    QString dataPath = path;
    const QString lower = QFileInfo(path).fileName().toLower();
    constexpr int suffix = int(kHeaderedDataSuffix.size());
    if (path != QLatin1String("-")
        && lower.endsWith(
            QLatin1String(kHeaderedDataSuffix.data(), int(kHeaderedDataSuffix.size())))) {
        // "name.Wfm.csv": the header is "name.csv" beside it (an RTO's), or "name.bin" in
        // XML (an RTP's).
        QString header = besideFile(path, suffix, {".csv", ".CSV"});
        const QString xml = besideFile(path, suffix, {".bin", ".BIN"});
        if (header.isEmpty() && !xml.isEmpty()) {
            const Result<QByteArray> text = readFileContent(xml, kLargestHeader);
            if (text && parseWaveformHeader(decodeText(*text).text)) {
                header = xml;
            }
        }
        if (header.isEmpty()) {
            context.missingHeader = displayName(path.left(path.size() - suffix) + ".csv");
            context.otherHeader = xml.isEmpty() ? QString() : displayName(xml);
        } else {
            const Result<QByteArray> text = readFileContent(header, kLargestHeader);
            if (!text) {
                return text.failure();
            }
            context.header = *text;
            context.headerName = displayName(header);
        }
    } else if (path != QLatin1String("-") && lower.endsWith(QLatin1String(".csv"))) {
        // "name.csv", the header of the data file "name.Wfm.csv" beside it: that is read.
        const QString data = besideFile(path, 4, {".Wfm.csv", ".wfm.csv", ".WFM.CSV"});
        if (!data.isEmpty() && parseWaveformHeader(decodeText(*content).text)) {
            context.header = std::move(*content);
            context.headerName = displayName(path);
            dataPath = data;
            content = readFileContent(data, kLargestFile);
            if (!content) {
                return content.failure();
            }
        }
    }
    return readCaptureChannels(*content, displayName(dataPath), columns, context);
}

Result<PairedCapture> pairChannels(const CaptureRead &first, const QString &firstName,
    const CaptureRead &second, const QString &secondName)
{
    const bool swapped = first.channels.front().tag == 2 && second.channels.front().tag == 1;
    const CaptureRead &reference = swapped ? second : first;
    const CaptureRead &vx = swapped ? first : second;
    const QString &referenceName = swapped ? secondName : firstName;
    const QString &vxName = swapped ? firstName : secondName;
    const auto axisText = [](const CaptureRead &read) {
        const std::size_t n = read.time.size();
        return QStringLiteral("%1 samples from %2 s every %3 s")
            .arg(n)
            .arg(read.time.front())
            .arg(n > 1 ? (read.time.back() - read.time.front()) / double(n - 1) : 0.0);
    };
    // A file whose last line was cut off holds one sample less than its partner: the pair
    // is the samples both hold.
    const std::size_t nReference = reference.time.size();
    const std::size_t nVx = vx.time.size();
    const bool oneCut
        = (nReference + 1 == nVx && reference.cutOff) || (nVx + 1 == nReference && vx.cutOff);
    const std::size_t n = std::min(nReference, nVx);
    const double interval
        = n > 1 ? (reference.time[n - 1] - reference.time.front()) / double(n - 1) : 0;
    const double otherInterval = n > 1 ? (vx.time[n - 1] - vx.time.front()) / double(n - 1) : 0;
    if ((nReference != nVx && !oneCut) || n < 2
        || !(std::abs(vx.time.front() - reference.time.front()) <= 1e-3 * interval)
        || !(std::abs(otherInterval - interval) <= 1e-6 * interval)) {
        return Failure {QStringLiteral("%1 and %2 are not one acquisition: %3, and %4; save both "
                                       "channels of one acquisition")
                            .arg(firstName, secondName, axisText(first), axisText(second))};
    }
    PairedCapture paired;
    paired.capture.time.assign(reference.time.begin(), reference.time.begin() + std::ptrdiff_t(n));
    paired.capture.reference.assign(reference.channels.front().millivolts.begin(),
        reference.channels.front().millivolts.begin() + std::ptrdiff_t(n));
    paired.capture.vx.assign(vx.channels.front().millivolts.begin(),
        vx.channels.front().millivolts.begin() + std::ptrdiff_t(n));
    if (oneCut) {
        paired.warnings.append(QStringLiteral("%1 lost its last sample to a cut-off line: the "
                                              "pair is measured on the %2 samples both files hold")
                                   .arg(nReference < nVx ? referenceName : vxName)
                                   .arg(n));
    }
    paired.notes.append(
        QStringLiteral("the reference from %1, V_x from %2%3")
            .arg(referenceName, vxName,
                swapped ? QStringLiteral(" (their channel tags say so)") : QString()));
    return paired;
}

Result<Capture> readCapture(
    const QByteArray &content, const QString &fileName, const ColumnChoice &columns)
{
    Result<CaptureRead> read = readCaptureChannels(content, fileName, columns);
    if (!read) {
        return read.failure();
    }
    if (read->channels.size() != 2) {
        return Failure {at(fileName, 0,
            QStringLiteral("one channel (%1); a capture needs the reference and V_x: give the "
                           "other channel's file after it")
                .arg(printableText(read->channels.front().label)))};
    }
    Capture capture;
    capture.time = std::move(read->time);
    capture.reference = std::move(read->channels[0].millivolts);
    capture.vx = std::move(read->channels[1].millivolts);
    return capture;
}
