#include "outputfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// A path that names an open descriptor of this process rather than a file: what is behind
// it is the caller's standard output or the like, which must be written, not replaced.
bool namesDescriptor(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    return clean == QLatin1String("/dev/stdout") || clean == QLatin1String("/dev/stderr")
        || clean.startsWith(QLatin1String("/dev/fd/"))
        || clean.startsWith(QLatin1String("/proc/self/fd/"));
}

// Whether the path exists and is something other than a regular file (following links).
bool isSpecialFile(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return false;
    }
    return !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
#else
    const QFileInfo info(path);
    return info.exists() && !info.isFile() && !info.isDir();
#endif
}

} // namespace

bool sameFile(const QString &first, const QString &second)
{
#ifdef Q_OS_UNIX
    struct stat one;
    struct stat other;
    if (::stat(QFile::encodeName(first).constData(), &one) == 0
        && ::stat(QFile::encodeName(second).constData(), &other) == 0) {
        return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
    }
#endif
    const QFileInfo a(first);
    const QFileInfo b(second);
    const QString canonicalA = a.canonicalFilePath();
    const QString canonicalB = b.canonicalFilePath();
    if (!canonicalA.isEmpty() && !canonicalB.isEmpty()) {
        return canonicalA == canonicalB;
    }
    return QDir::cleanPath(a.absoluteFilePath()) == QDir::cleanPath(b.absoluteFilePath());
}

Status writeOutputFile(const QString &path, const QByteArray &content, const QString &option,
    const QStringList &inputs)
{
    for (const QString &input : inputs) {
        if (input != QLatin1String("-") && sameFile(path, input)) {
            return Failure {QStringLiteral("%1 %2 is one of the inputs; it is not overwritten: "
                                           "give another file")
                                .arg(option, path)};
        }
    }
    const auto failed = [&](const QFileDevice &file) {
        return Failure {QStringLiteral("%1: %2").arg(path, file.errorString())};
    };
    if (namesDescriptor(path) || isSpecialFile(path)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
            || file.write(content) != content.size() || !file.flush()) {
            return failed(file);
        }
        file.close();
        if (file.error() != QFileDevice::NoError) {
            return failed(file);
        }
        return success();
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()
        || !file.commit()) {
        return failed(file);
    }
    return success();
}
