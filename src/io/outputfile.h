#ifndef OUTPUTFILE_H
#define OUTPUTFILE_H

#include "result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Writes an output file so that nothing is lost, whatever the path names:
// - a path that is one of the inputs (the same file by another name or link included) is
//   refused before anything is written: the input would be gone;
// - a device, a FIFO or an open descriptor (/dev/null, /dev/stdout, /proc/self/fd/1) is
//   written to directly: replacing it would put a regular file where the device was;
// - anything else is written whole or not at all: into a temporary file beside it, which
//   then replaces it, so that a full disk or a crash leaves the old file as it was.
// `option` names the option in the refusal ("--s1p").
Status writeOutputFile(const QString &path, const QByteArray &content, const QString &option,
    const QStringList &inputs);

// Whether two paths name one file: the same inode, or the same path once made absolute for
// files that do not exist yet.
bool sameFile(const QString &first, const QString &second);

#endif // OUTPUTFILE_H
