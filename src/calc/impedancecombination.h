#ifndef IMPEDANCECOMBINATION_H
#define IMPEDANCECOMBINATION_H

#include <complex>

// Two impedances (ohms) in series: Z1 + Z2.
std::complex<double> seriesImpedance(std::complex<double> z1, std::complex<double> z2);

// Two impedances (ohms) in parallel, as product over sum: Z2·Z1 / (Z1 + Z2). A short (0)
// across any finite partner gives 0; Z1 + Z2 = 0 (parallel resonance) gives infinities,
// or NaN where the product's part is zero.
std::complex<double> parallelImpedance(std::complex<double> z1, std::complex<double> z2);

#endif // IMPEDANCECOMBINATION_H
