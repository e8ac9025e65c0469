#ifndef LNETWORK_H
#define LNETWORK_H

#include <QString>

#include <complex>
#include <vector>

// Every L-network of two lossless reactances that matches a load to a transceiver's Z0.
//
// An L-network has a series element and a shunt element. With the shunt element across
// the transceiver, the series element first turns the load's R + jX into R + jX' with
// R/(R² + X'²) = 1/Z0, which needs R ≤ Z0: X' = ±√(R·Z0 − R²), two solutions. With the
// shunt element across the antenna, it first turns the load's G + jB into G + jB' with
// G/(G² + B'²) = Z0, which needs G ≤ 1/Z0: B' = ±√(G/Z0 − G²), two more. A general load
// has two or four; where one element suffices the other is left out; a load without
// resistance has none.

enum class ShuntAcross { Transceiver, Antenna };

struct LNetwork
{
    ShuntAcross shuntAcross = ShuntAcross::Transceiver;
    bool hasSeries = false;
    bool hasShunt = false;
    double seriesReactance = 0; // ohms; above zero a coil, below a capacitor
    double shuntReactance = 0;
};

std::vector<LNetwork> lNetworks(double z0, std::complex<double> load);

// A network that passes low frequencies and attenuates the harmonics: its series element
// a coil and its shunt element a capacitor (or only one of them). High-pass is the
// opposite; a network of two coils or two capacitors is neither.
enum class Pass { LowPass, HighPass, Neither };
Pass passOf(const LNetwork &network);

// Whether the network connects the antenna to ground for direct current: a coil across the
// antenna, or a series coil (or none) followed by a coil across the transceiver.
bool dcPathToGround(const LNetwork &network);

// Which of the networks the window shows for the load: the index of the one that its solver
// gives (the same placement and reactances), or −1.
int windowsNetwork(
    const std::vector<LNetwork> &networks, double z0, std::complex<double> load, QChar *letter);

#endif // LNETWORK_H
