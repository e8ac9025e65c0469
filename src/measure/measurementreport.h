#ifndef MEASUREMENTREPORT_H
#define MEASUREMENTREPORT_H

#include "capture.h"
#include "capturemeasurement.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

// What a picture of one capture draws: its samples and the sines fitted to them.
struct CaptureTrace
{
    Capture capture;
    FittedSines sines;
};

// One measured capture and the name the reports give it ("a.csv", "F0000CH1.CSV +
// F0000CH2.CSV"); its trace only where a picture is asked for, shared so that a copy of
// the measured capture never copies a million samples.
struct MeasuredCapture
{
    QString name;
    CaptureMeasurement measurement;
    std::shared_ptr<const CaptureTrace> trace;
};

// Every report says what the impedances went through (`corrections`): the calibration,
// with the impedance uncorrected beside the corrected one, and the feedline, whose far end
// the impedance is then at.

// For people: the readings, Z, the circuit and the components of one capture as a block,
// with the numbers in the window's six-digit texts so that they can be typed into it.
QString textReport(const MeasuredCapture &measured, const Corrections &corrections = {});

// For people, several captures (a sweep over frequencies): one aligned row each.
QString textTable(
    const std::vector<MeasuredCapture> &measured, const Corrections &corrections = {});

// For scripts: {"version": 1, "calibration": …, "feedline": …, "captures": [{...}, ...]}
// with keys named with their units; the keys and units stay as they are from release to
// release, and new ones are only added.
QByteArray jsonReport(
    const std::vector<MeasuredCapture> &measured, const Corrections &corrections = {});

// For spreadsheets: a header line and one line per capture, full precision.
QString csvReport(const std::vector<MeasuredCapture> &measured);

// What the calibration was: "open, short, load 49.9 Ω at 3 frequencies, 13.9–14.5 MHz".
QString calibrationSummary(const Calibration &calibration);

// The feedline: "RG-213, 12.5 m".
QString feedlineSummary(const Feedline &line);

#endif // MEASUREMENTREPORT_H
