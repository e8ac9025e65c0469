#include "impedancecombination.h"

std::complex<double> seriesImpedance(std::complex<double> z1, std::complex<double> z2)
{
    return z1 + z2;
}

std::complex<double> parallelImpedance(std::complex<double> z1, std::complex<double> z2)
{
    return (z2 * z1) / (z1 + z2);
}
