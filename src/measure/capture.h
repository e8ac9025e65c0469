#ifndef CAPTURE_H
#define CAPTURE_H

#include <vector>

// One oscilloscope capture of the measuring setup: the probe at the generator's terminal
// (CH1, the reference) and the probe at the antenna (CH2, V_x), sampled at the same times.
struct Capture
{
    std::vector<double> time; // seconds, strictly increasing
    std::vector<double> reference; // millivolts
    std::vector<double> vx; // millivolts
};

#endif // CAPTURE_H
