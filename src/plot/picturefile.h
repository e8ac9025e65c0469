#ifndef PICTUREFILE_H
#define PICTUREFILE_H

#include "canvas.h"

#include <QPolygonF>
#include <QString>

#include <algorithm>
#include <cstddef>
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

// The same for a line made point by point, `point(i)` for i from 0 to count − 1, decimated
// in slices as it is made, so that the million points of a long record never sit in memory
// at once. A pixel column that spans two slices keeps the extremes of each.
template<typename PointOf>
QPolygonF decimatedLine(std::size_t count, PointOf point)
{
    constexpr std::size_t slice = 16384;
    QPolygonF result;
    QPolygonF part;
    for (std::size_t start = 0; start < count; start += slice) {
        part.clear();
        const std::size_t end = std::min(count, start + slice);
        for (std::size_t i = start; i < end; ++i) {
            part.append(point(i));
        }
        result += decimated(part);
    }
    return result;
}

#endif // PICTUREFILE_H
