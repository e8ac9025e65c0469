#ifndef PICTUREFILE_H
#define PICTUREFILE_H

#include "canvas.h"

#include <QPolygonF>
#include <QString>

#include <optional>

// The format that a picture's file name asks for: ".svg" or ".png", in any case; none for
// any other name, which is refused before anything is drawn or written, so that a ".jpg"
// never holds PNG bytes.
std::optional<PictureFormat> pictureFormatOf(const QString &path);

// A line through many points, cut to what a picture can show: for each pixel column the
// first, the lowest, the highest and the last point in it, in their order. A million-point
// sweep on a 760-pixel plot becomes at most about 3000 points, which draw the same picture.
// The points must ascend in x.
QPolygonF decimated(const QPolygonF &points);

#endif // PICTUREFILE_H
