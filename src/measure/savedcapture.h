#ifndef SAVEDCAPTURE_H
#define SAVEDCAPTURE_H

#include "capture.h"
#include "result.h"

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

// zalvimo-measure's own plain layout of a capture, as --save-captures writes what it takes
// from an oscilloscope and as the capture reader reads it back:
//     Scope,Rigol DS1000Z
//     Scope identification,"RIGOL TECHNOLOGIES,DS1104Z,DS1ZA000000001,00.04.04.SP4"
//     Measuring frequency (Hz),14175000
//     ...
//     Time (s),CH1 (mV),CH2 (mV)
//     -2.4e-06,-31.25,12.5
// A setting is a line of its name and its value; a value that holds a comma, a semicolon, a
// tab or a double quote (an identification holds commas) stands between double quotes, a
// quote inside it doubled, so that the reader takes the whole line as one setting. The
// reference's column comes first, then V_x's, named after their channels; every number is
// written with the fewest digits that read back to the same double, so that the capture
// read back gives the same fit to the last bit.
QByteArray savedCaptureCsv(const std::vector<std::pair<QString, QString>> &settings,
    int referenceChannel, int vxChannel, const Capture &capture);

// Writes `content` to a new file in `directory`, which is made where it is missing: named
// `fileName`, or, where a file of that name is already there, "name-2.csv", "name-3.csv", …
// Never writes over a file. Returns the path of the file written ("dir/name.csv"); a file
// that could not be written whole is removed.
Result<QString> writeNewFile(
    const QString &directory, const QString &fileName, const QByteArray &content);

#endif // SAVEDCAPTURE_H
