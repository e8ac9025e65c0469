#ifndef FILECONTENT_H
#define FILECONTENT_H

#include "result.h"

#include <QByteArray>
#include <QString>

// The bytes of a file read whole into memory, or of standard input for "-". A file that
// another program cuts short while it is read gives fewer bytes, not a crash as a mapping
// would. No more than `limit` bytes are ever read: a device such as /dev/zero or a pipe
// has no size to check beforehand, so the reading itself stops at the limit, and the
// failure says what the file was expected to be ("not a one-port sweep").
Result<QByteArray> readFileContent(
    const QString &path, qint64 limit, const QString &whatItIsNot = QString());

// The name that messages give a path: "<stdin>" for "-".
QString displayName(const QString &path);

#endif // FILECONTENT_H
