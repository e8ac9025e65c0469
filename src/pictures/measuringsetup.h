#ifndef MEASURINGSETUP_H
#define MEASURINGSETUP_H

#include <QImage>

struct DefaultReading;

// The picture of the page "Measuring setup" (431 by 431): the circuit with the two probes,
// what to read on each channel, an oscilloscope showing the reading, and the formula.
QImage measuringSetup(const DefaultReading &reading);

#endif // MEASURINGSETUP_H
