#ifndef MEASURERUN_H
#define MEASURERUN_H

#include "capturereader.h"
#include "measurementreport.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// What zalvimo-measure is asked to measure: capture files, each of two channels or two of
// one channel each, with the columns, the frequency (0: estimated) and Z0.
struct MeasureRequest
{
    QStringList files;
    ColumnChoice columns;
    double frequencyMHz = 0;
    double sourceImpedance = 50;
    bool keepTraces = false; // keep each capture's samples and fitted sines, for a picture
};

// What happens while the files are measured, as it happens: the file about to be read (for
// a progress line), and each message, an error or a warning for everyone or a note for
// --verbose.
struct MeasureObserver
{
    std::function<void(int index, int count, const QString &file)> progress;
    std::function<void(const QString &message, bool note)> message;
};

struct MeasureOutcome
{
    std::vector<MeasuredCapture> measured;
    int failures = 0; // captures that could not be read or measured
};

// Measures every capture: the bad ones are reported and counted, the good ones are still
// measured. A file of one channel takes the next file as its partner, the other channel of
// the same acquisition. A file too large for the memory there is fails alone.
MeasureOutcome measureFiles(const MeasureRequest &request, const MeasureObserver &observer);

#endif // MEASURERUN_H
