#include "filecontent.h"

#include <QFile>

#include <algorithm>
#include <cstdio>

namespace {

constexpr qint64 kChunk = qint64(1) << 20; // bytes read at a time from a file of no size

QString sizeText(qint64 bytes)
{
    constexpr qint64 kMebibyte = qint64(1) << 20;
    constexpr qint64 kGibibyte = qint64(1) << 30;
    // The limits are just under a power of two: 2 GiB less a page is "2 GiB".
    return bytes >= kGibibyte - kMebibyte
        ? QStringLiteral("%1 GiB").arg((bytes + kMebibyte) / kGibibyte)
        : QStringLiteral("%1 MiB").arg((bytes + kMebibyte - 1) / kMebibyte);
}

} // namespace

QString displayName(const QString &path)
{
    return path == QLatin1String("-") ? QStringLiteral("<stdin>") : path;
}

Result<QByteArray> readFileContent(const QString &path, qint64 limit, const QString &whatItIsNot)
{
    QFile file;
    const bool standardInput = path == QLatin1String("-");
    const bool opened = standardInput ? file.open(stdin, QIODevice::ReadOnly)
                                      : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened) {
        return Failure {QStringLiteral("%1: %2").arg(path, file.errorString())};
    }
    const auto tooLarge = [&] {
        return Failure {
            QStringLiteral("%1: larger than %2%3")
                .arg(path, sizeText(limit),
                    whatItIsNot.isEmpty() ? QString() : QStringLiteral("; ") + whatItIsNot)};
    };
    // A regular file tells its size; a device, a pipe or standard input does not (0), and
    // is read in chunks up to the limit.
    const qint64 size = file.isSequential() ? 0 : file.size();
    if (size > limit) {
        return tooLarge();
    }
    QByteArray content;
    if (size > 0) {
        content = file.read(size);
    }
    for (;;) {
        const qint64 room = limit - content.size();
        const QByteArray chunk = file.read(std::min(kChunk, room + 1));
        if (chunk.isEmpty()) {
            break;
        }
        if (chunk.size() > room) {
            return tooLarge();
        }
        content += chunk;
    }
    if (file.error() != QFileDevice::NoError) {
        return Failure {QStringLiteral("%1: %2").arg(path, file.errorString())};
    }
    return content;
}
