#include "parts.h"

#include <QStringList>

#include "units.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kMetresPerInch = 0.0254;
constexpr double kMicro = 1e-6;
constexpr int kMostTurns = 2000; // of an air coil
constexpr double kAmperesPerSquareMetre = 5e6; // 5 A/mm², what enamelled wire takes cool
constexpr double kThinnestWireMetre = 0.3e-3;

// The decades that matching capacitors are bought in: 0.1 pF to 10 µF.
constexpr int kLowestDecade = -13;
constexpr int kHighestDecade = -6;

std::vector<double> capacitorValues(int series)
{
    std::vector<double> values;
    for (int decade = kLowestDecade; decade <= kHighestDecade; ++decade) {
        for (const double v : eSeries(series)) {
            values.push_back(v * std::pow(10.0, decade));
        }
    }
    return values;
}

double nearestInRatio(const std::vector<double> &values, double target)
{
    return *std::min_element(values.begin(), values.end(), [&](double a, double b) {
        return std::abs(std::log(a / target)) < std::abs(std::log(b / target));
    });
}

} // namespace

std::vector<double> eSeries(int series)
{
    switch (series) {
    case 6:
        return {1.0, 1.5, 2.2, 3.3, 4.7, 6.8};
    case 12:
        return {1.0, 1.2, 1.5, 1.8, 2.2, 2.7, 3.3, 3.9, 4.7, 5.6, 6.8, 8.2};
    case 24:
        return {1.0, 1.1, 1.2, 1.3, 1.5, 1.6, 1.8, 2.0, 2.2, 2.4, 2.7, 3.0, 3.3, 3.6, 3.9, 4.3, 4.7,
            5.1, 5.6, 6.2, 6.8, 7.5, 8.2, 9.1};
    default:
        return {};
    }
}

const std::vector<ToroidCore> &toroidCores()
{
    // Micrometals' iron-powder toroids of mix 2 (red, 0.25-10 MHz) and mix 6 (yellow,
    // 2-30 MHz), AL from the maker's data sheet in µH per 100 turns, which is nH per turn².
    // The inside diameters in inches from the same catalogue's table of sizes (the number
    // of a core is its outside diameter in hundredths of an inch).
    constexpr double i = kMetresPerInch;
    static const std::vector<ToroidCore> cores {{"T37-2", 4.0, 0.205 * i},
        {"T37-6", 3.0, 0.205 * i}, {"T44-2", 5.2, 0.229 * i}, {"T44-6", 4.2, 0.229 * i},
        {"T50-2", 4.9, 0.303 * i}, {"T50-6", 4.0, 0.303 * i}, {"T68-2", 5.7, 0.370 * i},
        {"T68-6", 4.7, 0.370 * i}, {"T80-2", 5.5, 0.495 * i}, {"T80-6", 4.5, 0.495 * i},
        {"T94-2", 8.4, 0.560 * i}, {"T94-6", 7.0, 0.560 * i}, {"T106-2", 13.5, 0.570 * i},
        {"T106-6", 11.6, 0.570 * i}, {"T130-2", 11.0, 0.780 * i}, {"T130-6", 9.6, 0.780 * i},
        {"T157-2", 14.0, 0.950 * i}, {"T157-6", 11.5, 0.950 * i}, {"T184-2", 24.0, 0.950 * i},
        {"T184-6", 19.5, 0.950 * i}, {"T200-2", 12.0, 1.250 * i}, {"T200-6", 10.0, 1.250 * i}};
    return cores;
}

const ToroidCore *findCore(const QString &name)
{
    for (const ToroidCore &core : toroidCores()) {
        if (name.compare(QLatin1String(core.name), Qt::CaseInsensitive) == 0) {
            return &core;
        }
    }
    return nullptr;
}

double wheelerInductance(double diameterMetre, double lengthMetre, int turns)
{
    const double d = diameterMetre / kMetresPerInch;
    const double l = lengthMetre / kMetresPerInch;
    return d * d * turns * turns / (18 * d + 40 * l) * kMicro;
}

BuiltPart coilFor(double henry, const CoilForm &form)
{
    BuiltPart part;
    part.coil = true;
    if (form.core) {
        // L = AL·N², so N = √(L/AL); more turns than an air coil may have cannot be wound on
        // any core either (and would not fit an int).
        const double al = form.core->alNanohenry * 1e-9;
        const double exact = std::sqrt(std::max(0.0, henry) / al);
        part.turns = exact < kMostTurns ? std::max(1, int(std::lround(exact))) : kMostTurns;
        part.value = al * part.turns * part.turns;
        part.text = QStringLiteral("%1 turns on %2 (%3)")
                        .arg(part.turns)
                        .arg(QLatin1String(form.core->name),
                            engineeringText(part.value, QStringLiteral("H")));
    } else {
        // The whole number of turns whose inductance, wound at the pitch, comes nearest.
        const auto inductance = [&](int n) {
            return wheelerInductance(form.airDiameterMetre, n * form.airPitchMetre, n);
        };
        int best = 1;
        for (int n = 1; n <= kMostTurns; ++n) {
            const double l = inductance(n);
            if (std::abs(std::log(l / henry)) < std::abs(std::log(inductance(best) / henry))) {
                best = n;
            }
            if (l > 2 * henry) {
                break;
            }
        }
        part.turns = best;
        part.value = inductance(best);
        part.text = QStringLiteral("%1 turns, %2 mm across, %3 mm long (%4)")
                        .arg(best)
                        .arg(form.airDiameterMetre * 1e3, 0, 'g', 3)
                        .arg(best * form.airPitchMetre * 1e3, 0, 'g', 3)
                        .arg(engineeringText(part.value, QStringLiteral("H")));
    }
    return part;
}

BuiltPart capacitorFor(double farad, int series, bool pair)
{
    BuiltPart part;
    part.coil = false;
    const std::vector<double> values = capacitorValues(series);
    if (!pair) {
        part.capacitors = {nearestInRatio(values, farad)};
    } else {
        double best = 0;
        double bestA = 0;
        double bestB = 0;
        for (const double a : values) {
            if (a > farad) {
                break;
            }
            const double b = nearestInRatio(values, std::max(farad - a, values.front()));
            if (bestA == 0 || std::abs(a + b - farad) < std::abs(best - farad)) {
                best = a + b;
                bestA = std::max(a, b);
                bestB = std::min(a, b);
            }
        }
        part.capacitors = bestA > 0 ? std::vector<double> {bestA, bestB}
                                    : std::vector<double> {nearestInRatio(values, farad)};
    }
    part.value = 0;
    QStringList texts;
    for (const double c : part.capacitors) {
        part.value += c;
        texts.append(engineeringText(c, QStringLiteral("F"), 3));
    }
    part.text = texts.join(QStringLiteral(" + "))
        + (part.capacitors.size() > 1 ? QStringLiteral(" in parallel") : QString());
    return part;
}

QString engineeringText(double value, const QString &unit, int digits)
{
    static const struct
    {
        double scale;
        const char *prefix;
    } prefixes[] = {{1e-12, "p"}, {1e-9, "n"}, {1e-6, "\u00b5"}, {1e-3, "m"}, {1, ""}};
    const double magnitude = std::abs(value);
    auto chosen = std::begin(prefixes);
    for (auto p = std::begin(prefixes); p != std::end(prefixes); ++p) {
        if (magnitude >= p->scale * 0.9995) {
            chosen = p;
        }
    }
    return QString::number(value / chosen->scale, 'g', digits) + QLatin1Char(' ')
        + QString::fromUtf8(chosen->prefix) + unit;
}

double wireDiameterMetre(double currentRms)
{
    const double area = std::max(0.0, currentRms) / kAmperesPerSquareMetre;
    const double diameter = std::sqrt(4 * area / kPi);
    return std::isfinite(diameter) ? std::max(kThinnestWireMetre, diameter)
                                   : std::numeric_limits<double>::infinity();
}

int turnsInOneLayer(const ToroidCore &core, double wireDiameterMetre)
{
    const double turns = kPi * (core.insideDiameterMetre - wireDiameterMetre) / wireDiameterMetre;
    return turns >= 1 && turns < kMostTurns ? int(turns) : (turns >= kMostTurns ? kMostTurns : 0);
}

QString windingProblem(const BuiltPart &part, const CoilForm &form, double currentRms)
{
    if (!part.coil) {
        return {};
    }
    const double wire = wireDiameterMetre(currentRms);
    if (!form.core) {
        return part.turns >= kMostTurns
            ? QStringLiteral("an air coil of %1 mm cannot reach %2 with %3 turns: wind it wider")
                  .arg(form.airDiameterMetre * 1e3, 0, 'g', 3)
                  .arg(engineeringText(part.value, QStringLiteral("H")))
                  .arg(kMostTurns)
            : QString();
    }
    const int fit = turnsInOneLayer(*form.core, wire);
    if (part.turns <= fit) {
        return {};
    }
    // The smallest core of the table on which the same inductance fits in one layer.
    const ToroidCore *better = nullptr;
    for (const ToroidCore &core : toroidCores()) {
        const double turns = std::ceil(std::sqrt(part.value / (core.alNanohenry * 1e-9)));
        if (turns <= turnsInOneLayer(core, wire)
            && (!better || core.insideDiameterMetre < better->insideDiameterMetre)) {
            better = &core;
        }
    }
    return QStringLiteral("%1 turns of %2 mm wire (for %3 A) do not fit in one layer on a %4, "
                          "which holds %5; %6")
        .arg(part.turns)
        .arg(wire * 1e3, 0, 'g', 2)
        .arg(currentRms, 0, 'g', 3)
        .arg(QLatin1String(form.core->name))
        .arg(fit)
        .arg(better ? QStringLiteral("a %1 does").arg(QLatin1String(better->name))
                    : QStringLiteral("no core of the table does: wind it in air (--air)"));
}
