#ifndef CONDUCTANCEARC_H
#define CONDUCTANCEARC_H

// An arc of a constant-conductance circle on the impedance plane. A shunt reactance moves
// an impedance along such a circle: it passes through the origin and has its centre on the
// real axis, so the centre is also the radius. Distances in ohms, angles in radians, seen
// from the centre, positive towards positive reactance.
struct ConductanceArc
{
    double center = 0.0;
    double startAngle = 0.0;
    double endAngle = 0.0;

    void setCenter(double c);

    // The circle through the origin and x + jy has its centre at (x² + y²) / (2x).
    void setCenterThrough(double x, double y);

    // The non-negative reactance of the circle at resistance x: sqrt(x·2c − x²).
    // NaN when x lies outside the circle.
    double ordinateAt(double x) const;

    void setStartAngle(double x, double y);
    void setEndAngle(double x, double y);
};

#endif // CONDUCTANCEARC_H
