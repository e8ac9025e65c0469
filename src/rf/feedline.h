#ifndef FEEDLINE_H
#define FEEDLINE_H

#include "result.h"

#include <QString>

#include <complex>
#include <optional>
#include <vector>

// A feedline between the antenna and the place where its impedance is measured or matched:
// a coaxial cable or an open line of some length, lossy, and what it does to an impedance.

// The matched loss that a maker prints for one frequency.
struct LossPoint
{
    double megahertz = 0;
    double decibelsPer100m = 0;
};

// A cable as its maker's data sheet gives it: the nominal characteristic impedance (the
// high-frequency value, √(L'/C')), the velocity factor and the matched loss at two or more
// frequencies.
struct Cable
{
    QString name; // "RG-213"
    QString part; // the maker and the part whose sheet the numbers come from
    double impedanceOhm = 50;
    double velocityFactor = 0.66;
    std::vector<LossPoint> loss;
};

// The cables that can be named, in the order a list shows them.
std::vector<Cable> cables();

// The cable of that name in any case, with or without its hyphen or blank ("rg213",
// "RG-213", "aircell7", "Aircell 7").
std::optional<Cable> findCable(const QString &name);

// The matched loss of a line as the sum of its conductor loss, which grows with √f (skin
// effect), and its dielectric loss, which grows with f:
//     loss(f) = conductor·√f + dielectric·f   in dB/100 m for f in MHz,
// the form in which makers of low-loss cable publish their formulas.
struct LossModel
{
    double conductor = 0; // dB/100 m per √MHz
    double dielectric = 0; // dB/100 m per MHz
};

// The model closest to the points in the least-squares sense of their relative errors,
// with both terms at least 0 (rounded data-sheet points can otherwise ask for a negative
// dielectric loss, which no line has). One point, or points that cannot tell the two terms
// apart, give conductor loss alone: on HF it is most of a line's loss.
LossModel fitLoss(const std::vector<LossPoint> &points);

// A line of a length: what the functions below need.
struct Feedline
{
    QString name; // the cable's name, or the text that defined the line
    double impedanceOhm = 50; // nominal (lossless) characteristic impedance
    double velocityFactor = 0.66;
    LossModel loss;
    double lengthMetre = 0;
};

// A line as the user names it on a command line:
//   CABLE:LENGTH_M                        RG-213:12.5   (a cable of the table)
//   Z0,VF,LOSS@MHZ[,LOSS@MHZ…]:LENGTH_M   75,0.66,4.5@30:20   (any other line; the loss in
//                                         dB/100 m at a frequency in MHz, matched)
// The length may be written with a decimal comma ("RG-213:12,5").
Result<Feedline> parseFeedline(const QString &text);

// The functions below take a frequency above 0, in hertz.

// The propagation constant γ = α + jβ at a frequency, per metre: α in Np/m from the loss
// model, β = 2πf/(c·VF) in rad/m.
std::complex<double> propagationConstant(const Feedline &line, double hertz);

// The characteristic impedance of the line at a frequency, complex (see feedline.cpp).
std::complex<double> characteristicImpedance(const Feedline &line, double hertz);

// The impedance seen at the line's input with a load at its far end, and back: the load
// that gives an impedance seen at the input. An open circuit is an impedance with an
// infinite part; an impedance that comes out infinite (an open seen through a lossless
// line) is returned as +∞ + j0. Through a very long, lossy line the input impedance tends to
// the line's own; the way back then magnifies any error of the input impedance by e^(2αl).
std::complex<double> impedanceAtInput(
    const Feedline &line, std::complex<double> loadOhm, double hertz);
std::complex<double> impedanceAtLoad(
    const Feedline &line, std::complex<double> inputOhm, double hertz);

// The line's loss into a matched load, in dB.
double matchedLossDb(const Feedline &line, double hertz);

// The line's loss with the load at its end, in dB: the power into the line over the power
// that reaches the load. +∞ for a load that takes no power (an open, a short, a reactance).
double totalLossDb(const Feedline &line, std::complex<double> loadOhm, double hertz);

#endif // FEEDLINE_H
