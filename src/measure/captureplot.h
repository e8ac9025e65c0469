#ifndef CAPTUREPLOT_H
#define CAPTUREPLOT_H

#include "canvas.h"

#include <QByteArray>
#include <QString>

struct CaptureMeasurement;
struct CaptureTrace;

// The picture of one capture, to see at once whether the fit lies on the samples: a title
// with the file, the frequency, Z with its 1 sigma and the fit's residuals; both channels'
// samples with their fitted sines over a few periods around the middle of the record; the
// whole record below at a smaller scale; and each channel's residual across the record,
// where a clipped crest, a noisy channel or a wrong frequency shows. Times in ns, voltages
// in mV. A record of more samples than a panel has pixel columns is drawn as its lowest and
// highest sample in each column, so that a million samples draw as fast as a thousand.
QByteArray capturePlot(const QString &name, const CaptureMeasurement &measurement,
    const CaptureTrace &trace, PictureFormat format);

#endif // CAPTUREPLOT_H
