#ifndef APPLICATIONFONT_H
#define APPLICATIONFONT_H

#include <QFont>
#include <QStringList>

class QWidget;

// The form's fixed geometry was laid out for a narrow font of about 8 points. With a wider
// desktop font its captions would be cut off and hide the units that the user must type,
// and a result would read "pacitor of 119.109 pF". These choose an application font under
// which every text fits its box, keeping the form's geometry and its fonts as they are.

// The texts of a window that do not fit their boxes, as "objectName: text": captions and
// button texts as they stand, and the two component fields with the widest text they show
// ("Capacitor of 1234.56 pF").
QStringList overflowingTexts(const QWidget *window);

// The font for the application: `base` if every text fits under it, else a narrow sans
// family of the same size that makes them fit (DejaVu Sans Condensed, Liberation Sans
// Narrow, Nimbus Sans Narrow), else the largest size down to 7 points (at 96 dots per
// inch; as many pixels on a denser screen), in the base family first. Builds the form once
// to measure it.
QFont fittingApplicationFont(const QFont &base);

#endif // APPLICATIONFONT_H
