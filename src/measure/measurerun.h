#ifndef MEASURERUN_H
#define MEASURERUN_H

#include "calibration.h"
#include "capturereader.h"
#include "feedline.h"
#include "measurementreport.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// What zalvimo-measure is asked to measure: capture files, each of two channels or two of
// one channel each, with the columns, the frequency (0: the one a capture's file names, as
// zalvimo-measure's saved captures do, or else estimated) and Z0; the calibration
// of the bench and the feedline to the antenna, where they are given.
struct MeasureRequest
{
    QStringList files;
    ColumnChoice columns;
    int segment = 0; // of files of several acquisitions, from 1; 0 the first
    double frequencyMHz = 0;
    double sourceImpedance = 50;
    std::optional<Calibration> calibration;
    std::optional<Feedline> line;
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

// The captures of the calibration standards, each given as a file of two channels, as two
// files of one channel each separated by a comma ("F0001CH1.CSV,F0001CH2.CSV"), or as a
// folder whose CSV files are captures of that standard (a sweep's, as --save-captures
// writes them); any number of each for a sweep.
struct StandardFiles
{
    QStringList opens;
    QStringList shorts;
    QStringList loads;

    bool isEmpty() const { return opens.isEmpty() && shorts.isEmpty() && loads.isEmpty(); }
    QStringList all() const; // every file named, for the outputs that must not replace one
};

// The calibration from the standards' captures, measured at the request's frequency (or
// estimated per capture) and Z0. A standard is never refused for showing no signal at V_x:
// a short shows next to nothing there, and that is its information.
Result<Calibration> calibrationFromFiles(const StandardFiles &files,
    const StandardDefinitions &definitions, const MeasureRequest &request,
    const MeasureObserver &observer);

#endif // MEASURERUN_H
