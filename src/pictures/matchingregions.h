#ifndef MATCHINGREGIONS_H
#define MATCHINGREGIONS_H

#include <QImage>
#include <QPointF>
#include <QRectF>

// The picture of the page "Impedance Matching Circuits" (411 by 410): the impedance plane
// for Z0 = 50 ohm, every pixel coloured by the circuit variant that the solver picks there,
// and below it the six L-networks.
QImage matchingRegions();

// What one variant's circuit is built of, as the solver gives it at a load inside the
// variant's region (`load`, R and X in ohms): element one is next to the load, element two
// on the source side; a negative reactance is a capacitor, any other a coil.
struct CircuitCell
{
    int variant = 0;
    QPointF load; // R, X in ohms: where in the region the parts were taken
    double reactanceOne = 0; // ohms, at that load
    double reactanceTwo = 0;
    bool shuntAcrossSource = true; // else across the load
};
CircuitCell circuitCell(int variant);

// Where the picture draws a variant's cell, and the middle of its series and its shunt
// element (the series element on the upper wire, the shunt element across the two wires).
struct CellGeometry
{
    QRectF cell;
    QPointF seriesMiddle;
    QPointF shuntMiddle;
};
CellGeometry cellGeometry(int variant);

#endif // MATCHINGREGIONS_H
