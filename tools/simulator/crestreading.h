#ifndef CRESTREADING_H
#define CRESTREADING_H

struct ScopeCapture;

// What a person reads off the two traces as the measuring instructions tell: the crest
// height of each trace, and the delay from the CH2 crest nearest to a CH1 crest to that
// CH1 crest.
struct CrestReading
{
    double ch1Amplitude = 0; // volts
    double ch2Amplitude = 0; // volts
    double delay = 0; // seconds; positive when the CH2 crest comes first
};

// Reads a CH1 crest in the capture's second period and the CH2 crest within half a period
// of it, each refined between samples by the parabola through the highest sample and its
// two neighbours, as one centres a cursor on a crest. Returns false when the capture spans
// less than two periods of the frequency.
bool readCrests(const ScopeCapture &capture, double frequencyHz, CrestReading *reading);

#endif // CRESTREADING_H
