#ifndef SWRPLOT_H
#define SWRPLOT_H

#include "canvas.h"

#include <QByteArray>

struct MatchRequest;
struct MatchResult;

// The SWR of every solution across the band, the design frequency and SWR 1.5 and 2
// marked, a legend naming each solution as the text does: the picture's file content.
QByteArray swrPlot(const MatchRequest &request, const MatchResult &result, PictureFormat format);

#endif // SWRPLOT_H
