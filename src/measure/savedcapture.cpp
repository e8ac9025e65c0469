#include "savedcapture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <charconv>

namespace {

// A field as the reader splits it back: between double quotes where it holds what would
// split it or a quote, a line end made a blank (a setting is one line).
QByteArray csvField(const QString &text)
{
    QByteArray field = text.toUtf8();
    field.replace('\r', ' ').replace('\n', ' ');
    if (field.contains(',') || field.contains(';') || field.contains('\t') || field.contains('"')
        || field != field.trimmed()) {
        field.replace("\"", "\"\"");
        field = '"' + field + '"';
    }
    return field;
}

// The shortest text that reads back to the same double.
void appendNumber(QByteArray &out, double value)
{
    char buffer[32];
    const std::to_chars_result written = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, int(written.ptr - buffer));
}

constexpr int kMostNumberedNames = 9999;

} // namespace

QByteArray savedCaptureCsv(const std::vector<std::pair<QString, QString>> &settings,
    int referenceChannel, int vxChannel, const Capture &capture)
{
    QByteArray csv;
    // Three numbers of up to 24 characters and their separators a sample.
    csv.reserve(int(std::min<size_t>(capture.time.size() * 72 + 4096, 1 << 30)));
    for (const auto &[name, value] : settings) {
        csv += csvField(name) + ',' + csvField(value) + '\n';
    }
    csv += "Time (s),CH" + QByteArray::number(referenceChannel) + " (mV),CH"
        + QByteArray::number(vxChannel) + " (mV)\n";
    const size_t samples
        = std::min({capture.time.size(), capture.reference.size(), capture.vx.size()});
    for (size_t i = 0; i < samples; ++i) {
        appendNumber(csv, capture.time[i]);
        csv += ',';
        appendNumber(csv, capture.reference[i]);
        csv += ',';
        appendNumber(csv, capture.vx[i]);
        csv += '\n';
    }
    return csv;
}

Result<QString> writeNewFile(
    const QString &directory, const QString &fileName, const QByteArray &content)
{
    if (!QDir().mkpath(directory)) {
        return Failure {QStringLiteral("%1: cannot make this folder").arg(directory)};
    }
    const QFileInfo name(fileName);
    const QString base = name.completeBaseName();
    const QString suffix = name.suffix().isEmpty() ? QString() : QLatin1Char('.') + name.suffix();
    const QDir folder(directory);
    for (int n = 1; n <= kMostNumberedNames; ++n) {
        const QString path = folder.filePath(
            n == 1 ? fileName : QStringLiteral("%1-%2%3").arg(base).arg(n).arg(suffix));
        QFile file(path);
        // NewOnly creates the file or fails where one is there (O_EXCL): nothing is replaced,
        // not even by another program that makes the same name meanwhile.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
                continue;
            }
            return Failure {
                QStringLiteral("%1: cannot write it: %2").arg(path, file.errorString())};
        }
        if (file.write(content) != content.size() || !file.flush()) {
            const QString error = file.errorString();
            file.close();
            file.remove();
            return Failure {QStringLiteral("%1: cannot write it: %2").arg(path, error)};
        }
        file.close();
        return path;
    }
    return Failure {QStringLiteral("%1: %2 and %3 more files of its name are there already")
                        .arg(directory, fileName)
                        .arg(kMostNumberedNames - 1)};
}
