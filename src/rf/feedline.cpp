#include "feedline.h"

#include "decimaltext.h"
#include "units.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kMetresPerFoot = 0.3048;
constexpr double kMetresPer100Feet = 100 * kMetresPerFoot;
constexpr double kMetresPer100Metres = 100;
// A characteristic impedance outside this range is a typing error: coaxial cables lie near
// 25 to 100 ohms, open lines near 300 to 600.
constexpr double kLowestLineImpedance = 1; // ohms
constexpr double kHighestLineImpedance = 1000;
// Two loss points closer than this in frequency cannot tell √f from f apart.
constexpr double kLeastDeterminant = 1e-12;

// A cable as its data sheet prints it: the loss per 100 ft or per 100 m, as printed.
struct SheetRow
{
    const char *name;
    const char *part;
    double impedanceOhm;
    double velocityFactor;
    double lossLengthMetre; // the length that the printed losses are per
    std::vector<LossPoint> printed; // MHz, dB per that length
};

// The cables that can be named, with the nominal impedance, the velocity factor and the
// nominal matched loss printed in each maker's data sheet (of the Belden coax the loss
// table's points up to 200 MHz, of the others every point the sheet prints):
// - RG-58: Belden 8259 (RG-58A/U) Technical Data, rev. 0.533, "Attenuation (Nom.)".
// - RG-8X: Belden 9258 Technical Data, rev. 0.514.
// - RG-213: Belden 8267 (RG-213/U) Technical Data, rev. 0.599.
// - LMR-400: Times Microwave "LMR-400 Low Loss Flexible Coax Cable Data Sheet", rev. 1.3,
//   "Performance by Frequency Band (Typ)", and its 30 MHz point from Times'
//   "Communications Coax Selection Guide".
// - Aircell 7, Ecoflex 10, Ecoflex 15: SSB-Electronic's data sheets of each cable.
// - H155: Belden H155A01 (PE jacket) Technical Data, rev. 0.213.
// No maker's sheet was found for 300-ohm twin lead or 450-ohm window line, whose losses
// also change with the weather; such a line is given by its numbers (Z0,VF,LOSS@MHZ).
const SheetRow kSheets[] = {
    {"RG-58", "Belden 8259 (RG-58A/U)", 50, 0.66, kMetresPer100Feet,
        {{1, 0.4}, {10, 1.5}, {50, 3.7}, {100, 5.4}, {200, 8.1}}},
    {"RG-8X", "Belden 9258", 50, 0.82, kMetresPer100Feet,
        {{1, 0.3}, {10, 0.9}, {50, 2.1}, {100, 3.1}, {200, 4.5}}},
    {"RG-213", "Belden 8267 (RG-213/U)", 50, 0.66, kMetresPer100Feet,
        {{1, 0.17}, {10, 0.55}, {50, 1.3}, {100, 1.9}, {200, 2.7}}},
    {"LMR-400", "Times Microwave LMR-400", 50, 0.85, kMetresPer100Feet,
        {{30, 0.7}, {50, 0.9}, {150, 1.5}, {220, 1.9}, {450, 2.7}}},
    {"Aircell 7", "SSB-Electronic Aircell 7", 50, 0.83, kMetresPer100Metres,
        {{50, 4.52}, {100, 6.28}, {144, 7.6}}},
    {"Ecoflex 10", "SSB-Electronic Ecoflex 10", 50, 0.85, kMetresPer100Metres,
        {{50, 2.8}, {100, 4.0}, {144, 4.9}}},
    {"Ecoflex 15", "SSB-Electronic Ecoflex 15", 50, 0.86, kMetresPer100Metres,
        {{50, 1.96}, {100, 2.81}, {144, 3.4}}},
    {"H155", "Belden H155A01", 50, 0.80, kMetresPer100Metres, {{5, 2.5}, {50, 6.9}, {100, 9.1}}},
};

// What is left of a name to compare: "Aircell 7", "aircell-7" and "AIRCELL7" are one.
QString nameKey(const QString &name)
{
    QString key = name.toLower();
    key.remove(QLatin1Char('-'));
    key.remove(QLatin1Char(' '));
    key.remove(QLatin1Char('_'));
    return key;
}

QString knownNames()
{
    QStringList names;
    for (const SheetRow &row : kSheets) {
        names.append(QString::fromLatin1(row.name));
    }
    return names.join(QStringLiteral(", "));
}

const QString kUsage
    = QStringLiteral("expected CABLE:LENGTH_M (RG-213:12.5) or Z0,VF,LOSS_DB_PER_100M@MHZ:LENGTH_M "
                     "(75,0.66,4.5@30:20)");

// The attenuation of the line's conductors and of its dielectric at a frequency, Np/m.
struct Attenuation
{
    double conductor = 0;
    double dielectric = 0;
};

Attenuation attenuation(const LossModel &loss, double hertz)
{
    const double megahertz = hertz / kHertzPerMegahertz;
    const double perDecibelPer100m = 1 / (kMetresPer100Metres * kDecibelsPerNeper);
    return {loss.conductor * std::sqrt(megahertz) * perDecibelPer100m,
        loss.dielectric * megahertz * perDecibelPer100m};
}

double phaseConstant(const Feedline &line, double hertz)
{
    return angularFrequency(hertz) / (kSpeedOfLight * line.velocityFactor);
}

// Γ of an impedance against the line's Zc; an open circuit (an infinite part) has Γ = 1.
std::complex<double> reflection(std::complex<double> z, std::complex<double> zc)
{
    if (std::isinf(z.real()) || std::isinf(z.imag())) {
        return 1.0;
    }
    return (z - zc) / (z + zc);
}

std::complex<double> impedanceOf(std::complex<double> gamma, std::complex<double> zc)
{
    if (gamma == 1.0) {
        return {std::numeric_limits<double>::infinity(), 0};
    }
    return zc * (1.0 + gamma) / (1.0 - gamma);
}

// e^(−2γl): the round trip's factor, at most 1 in magnitude for a line with loss ≥ 0.
std::complex<double> roundTrip(const Feedline &line, double hertz)
{
    return std::exp(-2.0 * propagationConstant(line, hertz) * line.lengthMetre);
}

// "4.5@30": a loss in dB/100 m at a frequency in MHz.
Result<LossPoint> parseLossPoint(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('@'));
    bool lossOk = false;
    bool frequencyOk = false;
    const double loss = parts.size() == 2 ? parts[0].trimmed().toDouble(&lossOk) : 0;
    const double megahertz = parts.size() == 2 ? parts[1].trimmed().toDouble(&frequencyOk) : 0;
    if (!lossOk || !frequencyOk) {
        return Failure {QStringLiteral("'%1' is no loss: expected DB_PER_100M@MHZ (4.5@30)")
                            .arg(text.trimmed())};
    }
    if (!(loss >= 0 && std::isfinite(loss))) {
        return Failure {
            QStringLiteral("the loss must be 0 dB/100 m or more, not %1").arg(parts[0].trimmed())};
    }
    if (!(megahertz > 0 && std::isfinite(megahertz))) {
        return Failure {QStringLiteral("the loss's frequency must be above 0 MHz, not %1")
                            .arg(parts[1].trimmed())};
    }
    return LossPoint {megahertz, loss};
}

// "75,0.66,4.5@30[,9@100]": a line given by its numbers.
Result<Feedline> parseLineNumbers(const QString &text)
{
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() < 3) {
        return Failure {QStringLiteral("'%1' is no line: %2").arg(text, kUsage)};
    }
    bool impedanceOk = false;
    bool factorOk = false;
    const double impedance = fields[0].trimmed().toDouble(&impedanceOk);
    const double factor = fields[1].trimmed().toDouble(&factorOk);
    if (!impedanceOk) {
        return Failure {QStringLiteral("the line's impedance '%1' is no number of ohms")
                            .arg(fields[0].trimmed())};
    }
    if (!(impedance >= kLowestLineImpedance && impedance <= kHighestLineImpedance)) {
        return Failure {QStringLiteral("the line's impedance must lie between %1 and %2 ohms, "
                                       "not %3")
                            .arg(kLowestLineImpedance)
                            .arg(kHighestLineImpedance)
                            .arg(fields[0].trimmed())};
    }
    if (!factorOk) {
        return Failure {
            QStringLiteral("the velocity factor '%1' is no number").arg(fields[1].trimmed())};
    }
    if (!(factor > 0 && factor <= 1)) {
        return Failure {QStringLiteral("the velocity factor must be above 0 and at most 1, not %1")
                            .arg(fields[1].trimmed())};
    }
    std::vector<LossPoint> points;
    for (int i = 2; i < fields.size(); ++i) {
        const Result<LossPoint> point = parseLossPoint(fields[i]);
        if (!point) {
            return point.failure();
        }
        points.push_back(*point);
    }
    Feedline line;
    line.name = text;
    line.impedanceOhm = impedance;
    line.velocityFactor = factor;
    line.loss = fitLoss(points);
    return line;
}

// The model a·√f + b·f closest to the points, weighted by 1/loss so that each point's
// relative error counts, for one or both terms (the other held at 0). Returns the sum of
// squared relative errors, or +∞ when the terms cannot be told apart.
double leastSquares(
    const std::vector<LossPoint> &points, bool conductor, bool dielectric, LossModel *model)
{
    double sCC = 0;
    double sCD = 0;
    double sDD = 0;
    double sCy = 0;
    double sDy = 0;
    for (const LossPoint &p : points) {
        // A point of 0 dB counts as one of a small loss, not as an infinite weight.
        const double weight = 1 / std::max(p.decibelsPer100m, 1e-3);
        const double c = std::sqrt(p.megahertz) * weight;
        const double d = p.megahertz * weight;
        const double y = p.decibelsPer100m * weight;
        sCC += c * c;
        sCD += c * d;
        sDD += d * d;
        sCy += c * y;
        sDy += d * y;
    }
    LossModel fit;
    if (conductor && dielectric) {
        const double determinant = sCC * sDD - sCD * sCD;
        if (!(determinant > kLeastDeterminant * sCC * sDD)) {
            return std::numeric_limits<double>::infinity();
        }
        fit.conductor = (sCy * sDD - sDy * sCD) / determinant;
        fit.dielectric = (sDy * sCC - sCy * sCD) / determinant;
    } else if (conductor) {
        fit.conductor = sCC > 0 ? sCy / sCC : 0;
    } else {
        fit.dielectric = sDD > 0 ? sDy / sDD : 0;
    }
    if (!(fit.conductor >= 0 && fit.dielectric >= 0)) {
        return std::numeric_limits<double>::infinity();
    }
    double sum = 0;
    for (const LossPoint &p : points) {
        const double model = fit.conductor * std::sqrt(p.megahertz) + fit.dielectric * p.megahertz;
        sum += std::pow((model - p.decibelsPer100m) / std::max(p.decibelsPer100m, 1e-3), 2);
    }
    *model = fit;
    return sum;
}

} // namespace

std::vector<Cable> cables()
{
    std::vector<Cable> list;
    for (const SheetRow &row : kSheets) {
        Cable cable;
        cable.name = QString::fromLatin1(row.name);
        cable.part = QString::fromLatin1(row.part);
        cable.impedanceOhm = row.impedanceOhm;
        cable.velocityFactor = row.velocityFactor;
        for (const LossPoint &p : row.printed) {
            cable.loss.push_back(
                {p.megahertz, p.decibelsPer100m * kMetresPer100Metres / row.lossLengthMetre});
        }
        list.push_back(cable);
    }
    return list;
}

std::optional<Cable> findCable(const QString &name)
{
    const QString key = nameKey(name);
    for (const Cable &cable : cables()) {
        if (nameKey(cable.name) == key) {
            return cable;
        }
    }
    return std::nullopt;
}

LossModel fitLoss(const std::vector<LossPoint> &points)
{
    // The non-negative least-squares fit of two unknowns: the free fit where both terms
    // come out ≥ 0, else the better of the fits with one term alone.
    LossModel best;
    if (std::isfinite(leastSquares(points, true, true, &best))) {
        return best;
    }
    LossModel conductorOnly;
    LossModel dielectricOnly;
    const double conductorSum = leastSquares(points, true, false, &conductorOnly);
    const double dielectricSum = leastSquares(points, false, true, &dielectricOnly);
    return dielectricSum < conductorSum ? dielectricOnly : conductorOnly;
}

Result<Feedline> parseFeedline(const QString &text)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon < 0) {
        return Failure {QStringLiteral("'%1' is no feedline: %2").arg(text, kUsage)};
    }
    const QString what = text.left(colon).trimmed();
    const QString lengthText = text.mid(colon + 1).trimmed();
    bool lengthOk = false;
    const double length = decimalNumber(lengthText, &lengthOk);
    if (!lengthOk) {
        return Failure {
            QStringLiteral("the feedline's length '%1' is no number of metres").arg(lengthText)};
    }
    if (!(length > 0 && std::isfinite(length))) {
        return Failure {
            QStringLiteral("the feedline's length must be above 0 m, not %1").arg(lengthText)};
    }

    Feedline line;
    if (what.contains(QLatin1Char(','))) {
        const Result<Feedline> numbers = parseLineNumbers(what);
        if (!numbers) {
            return numbers;
        }
        line = *numbers;
    } else {
        const std::optional<Cable> cable = findCable(what);
        if (!cable) {
            return Failure {
                QStringLiteral("unknown cable '%1'; known are %2, or give the line's numbers as "
                               "Z0,VF,LOSS_DB_PER_100M@MHZ")
                    .arg(what, knownNames())};
        }
        line.name = cable->name;
        line.impedanceOhm = cable->impedanceOhm;
        line.velocityFactor = cable->velocityFactor;
        line.loss = fitLoss(cable->loss);
    }
    line.lengthMetre = length;
    return line;
}

std::complex<double> propagationConstant(const Feedline &line, double hertz)
{
    const Attenuation alpha = attenuation(line.loss, hertz);
    return {alpha.conductor + alpha.dielectric, phaseConstant(line, hertz)};
}

// A data sheet gives the nominal impedance Z0 = √(L'/C'), the velocity factor and the
// loss; the line's own Zc = √((R' + jωL')/(G' + jωC')) is complex where it has loss. The
// line taken here is the one with R', L', G', C' that has exactly the propagation constant
// γ = α + jβ above and the nominal √(L'/C') = Z0, its loss split between the conductors
// (R') and the dielectric (G') as the loss model splits it. With x = R'/(ωL') and
// y = G'/(ωC'):
//     γ = jω√(L'C')·√((1 − jx)(1 − jy)),   Zc = Z0·√((1 − jx)/(1 − jy)).
// For a low loss α_c ≈ βx/2 and α_d ≈ βy/2, so x : y = α_c : α_d; write x = t·w_c and
// y = t·w_d with w_c + w_d = 1. The angle of γ must be that of α + jβ:
//     atan x + atan y = 2·atan r,  r = α/β,
// and taking the tangent of both sides gives 2r·w_c·w_d·t² + (1 − r²)·t − 2r = 0, whose
// positive root is t = 4r / ((1 − r²) + √((1 − r²)² + 16r²·w_c·w_d)).
// For RG-213 at 14 MHz (α = 2.5e-3 Np/m, β = 0.44 rad/m, most of it conductor loss) this
// gives Zc = 50.0 − j0.25 Ω: the familiar Z0·(1 − j(α_c − α_d)/β) of a low-loss line. Taking
// the real Z0 instead would be simpler, but on 160 m the imaginary part of an RG-58's Zc
// reaches 2 Ω, which a long mismatched line turns into errors of several ohms. A line with
// only conductor loss cannot have α ≥ β (on coax that happens only at audio frequencies,
// where the √f law itself fails); there Zc is NaN.
std::complex<double> characteristicImpedance(const Feedline &line, double hertz)
{
    const Attenuation alpha = attenuation(line.loss, hertz);
    const double total = alpha.conductor + alpha.dielectric;
    if (!(total > 0)) {
        return line.impedanceOhm;
    }
    const double r = total / phaseConstant(line, hertz);
    const double wc = alpha.conductor / total;
    const double wd = alpha.dielectric / total;
    const double q = 1 - r * r;
    const double denominator = q + std::sqrt(q * q + 16 * r * r * wc * wd);
    if (!(denominator > 0)) {
        return {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
    }
    const double t = 4 * r / denominator;
    return line.impedanceOhm
        * std::sqrt(std::complex<double>(1, -t * wc) / std::complex<double>(1, -t * wd));
}

// With Γ against the line's Zc the reflected wave shrinks and turns by e^(−2γl) on its way
// back: Γ_in = Γ_load·e^(−2γl), the same as Zin = Zc·(ZL + Zc·tanh γl)/(Zc + ZL·tanh γl) but
// without tanh, whose argument grows with the length, and with the open circuit's Γ = 1.
std::complex<double> impedanceAtInput(
    const Feedline &line, std::complex<double> loadOhm, double hertz)
{
    const std::complex<double> zc = characteristicImpedance(line, hertz);
    return impedanceOf(reflection(loadOhm, zc) * roundTrip(line, hertz), zc);
}

// Γ_load = Γ_in / e^(−2γl). Where that exceeds 1 in magnitude Z is computed from 1/Γ_load,
// which does not overflow however long the line.
std::complex<double> impedanceAtLoad(
    const Feedline &line, std::complex<double> inputOhm, double hertz)
{
    const std::complex<double> zc = characteristicImpedance(line, hertz);
    const std::complex<double> gammaIn = reflection(inputOhm, zc);
    const std::complex<double> trip = roundTrip(line, hertz);
    if (std::abs(gammaIn) <= std::abs(trip)) {
        return impedanceOf(gammaIn / trip, zc);
    }
    const std::complex<double> inverse = trip / gammaIn;
    return zc * (inverse + 1.0) / (inverse - 1.0);
}

double matchedLossDb(const Feedline &line, double hertz)
{
    return propagationConstant(line, hertz).real() * line.lengthMetre * kDecibelsPerNeper;
}

// For a real Zc this is the familiar loss of a mismatched line,
//     10·log10((a² − |Γ|²) / (a·(1 − |Γ|²))),  a = 10^(matched loss in dB / 10),
// with Γ the load's against Zc. Here it is computed from the voltage and the current along
// the line, which holds also for a complex Zc (where the two waves exchange some power and
// that formula is only close). With 1 V across the load and I_L = 1/Z_L, the input has
//     V_in = cosh(γl) + I_L·Zc·sinh(γl),   I_in = I_L·cosh(γl) + sinh(γl)/Zc;
// both are taken times e^(−γl), so that nothing overflows on a long line:
//     cosh(γl)·e^(−γl) = (1 + E)/2,  sinh(γl)·e^(−γl) = (1 − E)/2,  E = e^(−2γl),
// and the power into the line, Re(V_in·I_in*), is e^(2αl) times that of the scaled pair.
double totalLossDb(const Feedline &line, std::complex<double> loadOhm, double hertz)
{
    const bool open = std::isinf(loadOhm.real()) || std::isinf(loadOhm.imag());
    const std::complex<double> loadCurrent = open ? 0.0 : 1.0 / loadOhm;
    const double loadPower = loadCurrent.real();
    if (!(loadPower > 0)) {
        return loadPower == 0 ? std::numeric_limits<double>::infinity()
                              : std::numeric_limits<double>::quiet_NaN();
    }
    const std::complex<double> zc = characteristicImpedance(line, hertz);
    const std::complex<double> e = roundTrip(line, hertz);
    const std::complex<double> c = (1.0 + e) / 2.0;
    const std::complex<double> s = (1.0 - e) / 2.0;
    const std::complex<double> v = c + loadCurrent * zc * s;
    const std::complex<double> i = loadCurrent * c + s / zc;
    const double inputPower = (v * std::conj(i)).real();
    return matchedLossDb(line, hertz) + 10 * std::log10(inputPower / loadPower);
}
