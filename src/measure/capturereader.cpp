#include "capturereader.h"

#include "capturemeasurement.h"
#include "capturesettings.h"
#include "capturetable.h"
#include "csvtext.h"
#include "filecontent.h"
#include "printabletext.h"
#include "scopevocabulary.h"
#include "timeaxis.h"

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

} // namespace

Result<CaptureRead> readCaptureChannels(
    const QByteArray &content, const QString &fileName, const ColumnChoice &choice)
{
    const DecodedText decoded = decodeText(content);
    const Dialect dialect = sniffDialect(decoded.text);
    Result<Table> read = readTable(decoded.text, dialect, fileName);
    if (!read) {
        return read.failure();
    }
    Table &table = *read;
    CaptureRead result;
    result.warnings = table.warnings;
    result.notes = textNotes(decoded, dialect, table);

    const std::vector<Column> columns = columnsOf(table, dialect);
    std::vector<SettingsRow> settingsRows = table.header;
    settingsRows.insert(settingsRows.end(), table.beside.begin(), table.beside.end());
    Result<TimeAxis> axis
        = timeAxis(table, columns, timeSettings(settingsRows, dialect.decimalComma), fileName);
    if (!axis) {
        return axis.failure();
    }
    result.notes += axis->notes;
    result.warnings += axis->warnings;
    const std::size_t firstChannel = axis->fromColumn ? 1 : 0;
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
        Result<CaptureChannel> channel = channelOf(
            table, columns[index], index, std::move(table.values[index]), roles[i], fileName);
        if (!channel) {
            return channel.failure();
        }
        result.notes.append(
            QStringLiteral("%1: %2, in %3")
                .arg(roles[i], described(columns[index]),
                    columns[index].unit.empty() ? QStringLiteral("V")
                                                : QString::fromStdString(columns[index].unit)));
        result.channels.push_back(std::move(*channel));
    }
    if (result.channels.size() == 1 && result.channels.front().tag == 0) {
        const int source = sourceChannel(settingsRows);
        result.channels.front().tag
            = source ? source : channelTag(QFileInfo(fileName).fileName().toStdString());
    }
    const FrequencySetting frequency = measuringFrequency(settingsRows, dialect.decimalComma);
    if (frequency.line != 0) {
        const double megahertz = frequency.hertz / 1e6;
        if (!(megahertz >= kLowestFrequencyMHz && megahertz <= kHighestFrequencyMHz)) {
            return Failure {at(fileName, frequency.line,
                QStringLiteral("the measuring frequency %1 is no frequency from 1 kHz to 10 GHz")
                    .arg(quotedField(frequency.text)))};
        }
        result.measuringFrequencyHz = frequency.hertz;
        result.notes.append(QStringLiteral("the measuring frequency: %1 MHz, line %2")
                                .arg(megahertz, 0, 'g', 12)
                                .arg(frequency.line));
    }
    result.time = axisSeconds(std::move(*axis), std::move(table.values.front()));
    result.notes.append(QStringLiteral("%1 samples, lines %2 to %3")
                            .arg(result.time.size())
                            .arg(table.firstLine)
                            .arg(table.lastLine));
    return result;
}

Result<CaptureRead> readCaptureFile(const QString &path, const ColumnChoice &columns)
{
    const Result<QByteArray> content = readFileContent(path, kLargestFile);
    if (!content) {
        return content.failure();
    }
    return readCaptureChannels(*content, displayName(path), columns);
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
    const std::size_t n = reference.time.size();
    const double interval
        = n > 1 ? (reference.time.back() - reference.time.front()) / double(n - 1) : 0;
    const double otherInterval
        = n > 1 && vx.time.size() == n ? (vx.time.back() - vx.time.front()) / double(n - 1) : 0;
    if (vx.time.size() != n || n < 2
        || !(std::abs(vx.time.front() - reference.time.front()) <= 1e-3 * interval)
        || !(std::abs(otherInterval - interval) <= 1e-6 * interval)) {
        return Failure {QStringLiteral("%1 and %2 are not one acquisition: %3, and %4; save both "
                                       "channels of one acquisition")
                            .arg(firstName, secondName, axisText(first), axisText(second))};
    }
    PairedCapture paired;
    paired.capture.time = reference.time;
    paired.capture.reference = reference.channels.front().millivolts;
    paired.capture.vx = vx.channels.front().millivolts;
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
