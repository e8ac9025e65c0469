#include "picturefile.h"

#include <cmath>

std::optional<PictureFormat> pictureFormatOf(const QString &path)
{
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        return PictureFormat::Svg;
    }
    if (path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) {
        return PictureFormat::Png;
    }
    return std::nullopt;
}

QPolygonF decimated(const QPolygonF &points)
{
    QPolygonF result;
    int i = 0;
    while (i < points.size()) {
        // The points of one pixel column; a point beyond the picture (or not finite) is a
        // column of its own.
        const double column = std::floor(points[i].x());
        int end = i + 1;
        while (end < points.size() && std::floor(points[end].x()) == column) {
            ++end;
        }
        int lowest = i;
        int highest = i;
        for (int k = i + 1; k < end; ++k) {
            lowest = points[k].y() < points[lowest].y() ? k : lowest;
            highest = points[k].y() > points[highest].y() ? k : highest;
        }
        int kept[] = {i, std::min(lowest, highest), std::max(lowest, highest), end - 1};
        int previous = -1;
        for (const int k : kept) {
            if (k != previous) {
                result.append(points[k]);
                previous = k;
            }
        }
        i = end;
    }
    return result;
}
