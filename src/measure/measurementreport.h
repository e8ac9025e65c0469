#ifndef MEASUREMENTREPORT_H
#define MEASUREMENTREPORT_H

#include <QByteArray>
#include <QString>
#include <QVector>

struct CaptureMeasurement;

// One capture's file and what was measured from it.
struct MeasuredFile
{
    QString file;
    const CaptureMeasurement *measurement = nullptr;
};

// For people: the readings, Z, the circuit and the components of one capture as a block,
// with the numbers in the window's six-digit texts so that they can be typed into it.
QString textReport(const MeasuredFile &measured);

// For people, several captures (a sweep over frequencies): one aligned row each.
QString textTable(const QVector<MeasuredFile> &measured);

// For scripts: {"version": 1, "captures": [{...}, ...]} with keys named with their units;
// the keys and units stay as they are from release to release.
QByteArray jsonReport(const QVector<MeasuredFile> &measured);

// For spreadsheets: a header line and one line per capture, full precision.
QString csvReport(const QVector<MeasuredFile> &measured);

#endif // MEASUREMENTREPORT_H
