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

// How the text and the plot name a solution: "1: series coil, shunt capacitor across the
// transceiver".
QString solutionName(const MatchResult &result, int index);

#endif // MATCHREPORT_H
