#ifndef DRAWING_H
#define DRAWING_H

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>

class QPainter;

// A small library of schematic symbols and text for Zalvimo's pictures, drawn with a
// QPainter in pixels. Lines run horizontally or vertically between the points given; a
// part takes the middle of its line and the wire runs on to both points.

// The pictures' font: DejaVu Sans where it is installed, else the toolkit's sans family.
QFont pictureFont(int pixelSize, bool bold = false);

QImage blankImage(int width, int height, const QColor &colour);

// A line with an arrowhead at `to`; a double arrow has heads at both ends.
void arrow(QPainter &p, QPointF from, QPointF to);
void doubleArrow(QPainter &p, QPointF a, QPointF b);

// A junction: a filled dot.
void dot(QPainter &p, QPointF at);

// The ground symbol below `at`: three lines, each shorter than the one above.
void ground(QPainter &p, QPointF at);

// A generator: a circle with a sine wave in it.
void generator(QPainter &p, QPointF centre, double radius);

// A resistor as a box, `width` pixels across the line.
void resistor(QPainter &p, QPointF a, QPointF b, double width);

// A capacitor (two plates across the line) and a coil (four half turns on one side).
void capacitor(QPainter &p, QPointF a, QPointF b);
void coil(QPainter &p, QPointF a, QPointF b);

// The part that a reactance in ohms is: a capacitor below zero, a coil from zero up, as
// every result of the program names them.
void reactance(QPainter &p, QPointF a, QPointF b, double ohms);

// An oscilloscope probe: an arrow from its label down to the point it touches.
void probe(QPainter &p, QPointF label, QPointF tip, const QString &name, const QColor &colour);

#endif // DRAWING_H
