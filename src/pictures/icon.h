#ifndef ICON_H
#define ICON_H

#include <QImage>

// The application's icon (128 by 128): a black plane with the source's green circle and a
// red matching path ending in its marker, as the chart draws them.
QImage icon();

#endif // ICON_H
