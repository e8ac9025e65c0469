#ifndef MEASUREPICTURES_H
#define MEASUREPICTURES_H

#include "canvas.h"
#include "measurementreport.h"
#include "result.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What zalvimo-measure --plot draws and where it writes it.

// The name of the n-th of several pictures asked for as `path`: the path itself for the
// first, then "fit-2.png", "fit-3.png", … for "fit.png".
QString numberedPicturePath(const QString &path, int n);

// Draws the measured captures and writes the pictures: captures at different frequencies
// make one picture of their sweep at `path`; one capture, or several at one frequency, make
// a picture each, at `path` and then numbered in their order. Each capture must have kept
// its trace. `inputs` are never overwritten. Returns what could not be drawn or written,
// a message each; nothing when every picture was written.
QStringList writeMeasurePictures(const QString &path, PictureFormat format,
    const std::vector<MeasuredCapture> &measured, const QStringList &inputs);

// Whether the inputs are a Touchstone sweep to draw rather than captures to measure: one
// .s1p file, given with --plot (`plot`) and no output of measurements (--json, --csv or
// --s1p: `otherOutputs`). A mix of captures and .s1p files, an .s1p file without --plot or
// with another output, or several .s1p files are refused with a message that says what to
// do.
Result<bool> drawsTouchstone(const QStringList &inputs, bool plot, bool otherOutputs);

// Reads the Touchstone file and writes the picture of its sweep, the SWR against `z0` or,
// without it, against the file's reference resistance.
Status writeTouchstonePicture(const QString &path, PictureFormat format,
    const QString &touchstonePath, std::optional<double> z0);

#endif // MEASUREPICTURES_H
