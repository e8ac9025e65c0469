#include "crestreading.h"

#include "measuringbench.h"

namespace {

struct Crest
{
    double time = 0;
    double height = 0;
    bool found = false;
};

// The highest sample with time in [from, to) that has a neighbour on each side, and the
// vertex of the parabola through it and those neighbours (any sample spacing).
Crest crestBetween(
    const QVector<double> &time, const QVector<double> &values, double from, double to)
{
    int best = -1;
    for (int i = 1; i + 1 < time.size(); ++i) {
        if (time[i] >= from && time[i] < to && (best < 0 || values[i] > values[best])) {
            best = i;
        }
    }
    Crest crest;
    if (best < 0) {
        return crest;
    }
    const double t0 = time[best - 1], t1 = time[best], t2 = time[best + 1];
    const double y0 = values[best - 1], y1 = values[best], y2 = values[best + 1];
    const double slope01 = (y1 - y0) / (t1 - t0);
    const double slope12 = (y2 - y1) / (t2 - t1);
    const double curvature = (slope12 - slope01) / (t2 - t0);
    crest.found = true;
    crest.time = t1;
    crest.height = y1;
    if (curvature < 0) {
        // y(t) = y0 + slope01·(t − t0) + curvature·(t − t0)(t − t1)
        const double vertex = (t0 + t1) / 2 - slope01 / (2 * curvature);
        crest.time = vertex;
        crest.height = y0 + slope01 * (vertex - t0) + curvature * (vertex - t0) * (vertex - t1);
    }
    return crest;
}

} // namespace

bool readCrests(const ScopeCapture &capture, double frequencyHz, CrestReading *reading)
{
    const double period = 1 / frequencyHz;
    if (capture.time.size() < 3 || capture.time.last() - capture.time.first() < 2 * period) {
        return false;
    }
    const double start = capture.time.first();
    const Crest ch1
        = crestBetween(capture.time, capture.ch1, start + period / 2, start + 1.5 * period);
    if (!ch1.found) {
        return false;
    }
    const Crest ch2
        = crestBetween(capture.time, capture.ch2, ch1.time - period / 2, ch1.time + period / 2);
    if (!ch2.found) {
        return false;
    }
    reading->ch1Amplitude = ch1.height;
    reading->ch2Amplitude = ch2.height;
    reading->delay = ch1.time - ch2.time;
    return true;
}
