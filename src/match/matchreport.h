#ifndef MATCHREPORT_H
#define MATCHREPORT_H

#include <QByteArray>
#include <QString>

struct MatchRequest;
struct MatchResult;

// For people: the load, then each solution with a small schematic (the transceiver on the
// left, the antenna on the right), its ideal parts, the parts to build, the SWR and the loss
// as built, the stress on each part at the power, and the band.
QString matchText(const MatchRequest &request, const MatchResult &result);

// For scripts: {"version": 1, "loads": [{...}]}, keys named with their units, SI values.
QByteArray matchJson(const MatchRequest &request, const MatchResult &result);

// The SWR of every solution across the band, the design frequency and SWR 1.5 and 2
// marked, a legend naming each solution as the text does. SVG for a path ending in .svg,
// else PNG. False with a message when the file cannot be written.
bool writePlot(
    const QString &path, const MatchRequest &request, const MatchResult &result, QString *error);

// How the text and the plot name a solution: "1: series coil, shunt capacitor across the
// transceiver".
QString solutionName(const MatchResult &result, int index);

#endif // MATCHREPORT_H
