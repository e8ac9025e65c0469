#include "calibration.h"

#include "numbertext.h"
#include "sinefit.h"
#include "units.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

using Complex = std::complex<double>;

constexpr int kVersion = 1;
// Two standards whose readings lie within this many of their combined sigmas cannot be
// told apart.
constexpr double kDistinctSigmas = 3;
// Readings or definitions closer than this, relative, are the same whatever their noise.
constexpr double kSameRelative = 1e-9;
// Captures of the standards within this part of their frequency form one point.
constexpr double kSamePointRelative = 1e-3;
// How far outside the calibrated span a frequency may lie, as a part of itself, and take the
// nearest end's terms.
constexpr double kSpanMargin = 0.01;
// Terms read from a file must follow from its readings to this, relative.
constexpr double kStoredTermsTolerance = 1e-9;

const char *const kStandardNames[] = {"open", "short", "load"};

QString megahertzText(double hertz)
{
    return numberText(hertz / kHertzPerMegahertz);
}

// g as "0.98∠3.1°": a magnitude and an angle, as the person at the bench sees the reading.
QString ratioText(Complex g)
{
    return QStringLiteral("%1\u2220%2\u00b0")
        .arg(QString::number(std::abs(g), 'g', 4),
            QString::number(std::arg(g) / kRadiansPerDegree, 'f', 2));
}

bool isFinite(Complex z)
{
    return std::isfinite(z.real()) && std::isfinite(z.imag());
}

// The variance of a reading as a complex number, |g|²·(var u + var v): what a circle of one
// sigma around it holds.
double complexVariance(const MeasuredRatio &ratio)
{
    return std::norm(ratio.value) * (ratio.logMagnitudeVariance + ratio.phaseVariance);
}

using Matrix3 = std::array<std::array<Complex, 3>, 3>;
using Vector3 = std::array<Complex, 3>;

// A x = b by Gaussian elimination with partial pivoting; nothing for a singular A.
std::optional<Vector3> solve(Matrix3 a, Vector3 b)
{
    for (int column = 0; column < 3; ++column) {
        int pivot = column;
        for (int row = column + 1; row < 3; ++row) {
            if (std::abs(a[row][column]) > std::abs(a[pivot][column])) {
                pivot = row;
            }
        }
        if (!(std::abs(a[pivot][column]) > 0)) {
            return std::nullopt;
        }
        std::swap(a[column], a[pivot]);
        std::swap(b[column], b[pivot]);
        for (int row = column + 1; row < 3; ++row) {
            const Complex factor = a[row][column] / a[column][column];
            for (int k = column; k < 3; ++k) {
                a[row][k] -= factor * a[column][k];
            }
            b[row] -= factor * b[column];
        }
    }
    Vector3 x;
    for (int row = 2; row >= 0; --row) {
        Complex sum = b[row];
        for (int k = row + 1; k < 3; ++k) {
            sum -= a[row][k] * x[k];
        }
        x[row] = sum / a[row][row];
    }
    return x;
}

// Adds to the variances of R and X what one source of noise gives: dZ = c·(du + j·dv),
// so dR = a·du − b·dv and dX = b·du + a·dv with c = a + jb.
void addSpread(Complex c, double varU, double varV, double covUV, double *varR, double *varX)
{
    const double a = c.real();
    const double b = c.imag();
    *varR += a * a * varU + b * b * varV - 2 * a * b * covUV;
    *varX += b * b * varU + a * a * varV + 2 * a * b * covUV;
}

ErrorTerms weighted(const ErrorTerms &terms, double weight)
{
    ErrorTerms scaled;
    scaled.e00 = weight * terms.e00;
    scaled.e01 = weight * terms.e01;
    scaled.e11 = weight * terms.e11;
    for (TermSensitivity source : terms.sources) {
        source.e00 *= weight;
        source.e01 *= weight;
        source.e11 *= weight;
        scaled.sources.push_back(source);
    }
    return scaled;
}

ErrorTerms sum(const ErrorTerms &a, const ErrorTerms &b)
{
    ErrorTerms total = a;
    total.e00 += b.e00;
    total.e01 += b.e01;
    total.e11 += b.e11;
    total.sources.insert(total.sources.end(), b.sources.begin(), b.sources.end());
    return total;
}

// The JSON of a complex number and of a reading.
QJsonObject complexJson(Complex z)
{
    return {{QStringLiteral("re"), z.real()}, {QStringLiteral("im"), z.imag()}};
}

QJsonObject readingJson(const StandardReading &reading)
{
    QJsonObject object = complexJson(reading.ratio.value);
    object.insert(QStringLiteral("logMagnitudeVariance"), reading.ratio.logMagnitudeVariance);
    object.insert(QStringLiteral("phaseVariance"), reading.ratio.phaseVariance);
    object.insert(QStringLiteral("covariance"), reading.ratio.covariance);
    object.insert(QStringLiteral("file"), reading.file);
    return object;
}

// Reads the keys of a calibration file, each failure naming the file and the key's path
// ("cal.json: points[1].open: 'phaseVariance' is missing or not a finite number").
class JsonReader
{
public:
    explicit JsonReader(const QString &fileName)
        : m_fileName(fileName)
    { }

    bool failed() const { return !m_error.isEmpty(); }
    Failure failure() const { return {m_error}; }

    void fail(const QString &where, const QString &message)
    {
        if (m_error.isEmpty()) {
            m_error = where.isEmpty()
                ? QStringLiteral("%1: %2").arg(m_fileName, message)
                : QStringLiteral("%1: %2: %3").arg(m_fileName, where, message);
        }
    }

    double number(const QJsonObject &object, const QString &where, const char *key)
    {
        const QJsonValue value = object.value(QLatin1String(key));
        if (!value.isDouble() || !std::isfinite(value.toDouble())) {
            fail(where, QStringLiteral("'%1' is missing or not a finite number").arg(key));
            return 0;
        }
        return value.toDouble();
    }

    // A number that must be 0 or more (a variance, a capacitance).
    double nonNegative(const QJsonObject &object, const QString &where, const char *key)
    {
        const double value = number(object, where, key);
        if (value < 0) {
            fail(where, QStringLiteral("'%1' is below 0").arg(key));
        }
        return value;
    }

    QJsonObject object(const QJsonObject &parent, const QString &where, const char *key)
    {
        const QJsonValue value = parent.value(QLatin1String(key));
        if (!value.isObject()) {
            fail(where, QStringLiteral("'%1' is missing or not an object").arg(key));
        }
        return value.toObject();
    }

    Complex complex(const QJsonObject &parent, const QString &where, const char *key)
    {
        const QJsonObject value = object(parent, where, key);
        const QString inner = where.isEmpty() ? QString::fromLatin1(key)
                                              : where + QLatin1Char('.') + QLatin1String(key);
        return {number(value, inner, "re"), number(value, inner, "im")};
    }

    StandardReading reading(const QJsonObject &point, const QString &where, const char *key)
    {
        const QJsonObject value = object(point, where, key);
        const QString inner = where + QLatin1Char('.') + QLatin1String(key);
        StandardReading reading;
        reading.ratio.value = {number(value, inner, "re"), number(value, inner, "im")};
        reading.ratio.logMagnitudeVariance = nonNegative(value, inner, "logMagnitudeVariance");
        reading.ratio.phaseVariance = nonNegative(value, inner, "phaseVariance");
        reading.ratio.covariance = number(value, inner, "covariance");
        const QJsonValue file = value.value(QLatin1String("file"));
        if (!file.isString()) {
            fail(inner, QStringLiteral("'file' is missing or not a text"));
        }
        reading.file = file.toString();
        return reading;
    }

private:
    QString m_fileName;
    QString m_error;
};

} // namespace

StandardReflections standardReflections(
    const StandardDefinitions &definitions, double z0, double hertz)
{
    // The open's capacitance is an impedance 1/(jωC), Γ = (1 − jωCZ0)/(1 + jωCZ0), 1 for
    // C = 0; the short's inductance is jωL, Γ = (jωL − Z0)/(jωL + Z0), −1 for L = 0.
    const double omega = angularFrequency(hertz);
    const Complex openAdmittance(0, omega * definitions.openFarad * z0);
    const Complex shortImpedance(0, omega * definitions.shortHenry);
    return {(1.0 - openAdmittance) / (1.0 + openAdmittance),
        (shortImpedance - z0) / (shortImpedance + z0),
        (definitions.loadOhm - z0) / (definitions.loadOhm + z0)};
}

// The model g = e00 + e01·Γ/(1 − e11·Γ) multiplied out is linear in e00, e11 and
// Δ = e00·e11 − e01:
//     e00 + Γ·g·e11 − Γ·Δ = g,
// one row for each standard. A change of one standard's reading g_k changes the solution
// x = (e00, e11, Δ) by A·dx = (1 − Γ_k·e11)·dg_k in row k alone, and e01 = e00·e11 − Δ by
// de01 = e11·de00 + e00·de11 − dΔ.
namespace {

// What the standards are defined as, and where: each a number that means something.
Status checkedDefinitions(const StandardDefinitions &definitions, double z0, double hertz)
{
    if (!(z0 > 0 && std::isfinite(z0))) {
        return Failure {QStringLiteral("Z0 must be above 0 ohms, not %1").arg(numberText(z0))};
    }
    if (!(hertz > 0 && std::isfinite(hertz))) {
        return Failure {
            QStringLiteral("the frequency must be above 0 MHz, not %1").arg(megahertzText(hertz))};
    }
    if (!(definitions.openFarad >= 0 && std::isfinite(definitions.openFarad))) {
        return Failure {QStringLiteral("the open's capacitance must be 0 pF or more, not %1 F")
                            .arg(numberText(definitions.openFarad))};
    }
    if (!(definitions.shortHenry >= 0 && std::isfinite(definitions.shortHenry))) {
        return Failure {QStringLiteral("the short's inductance must be 0 nH or more, not %1 H")
                            .arg(numberText(definitions.shortHenry))};
    }
    if (!(definitions.loadOhm.real() > 0 && isFinite(definitions.loadOhm))) {
        return Failure {QStringLiteral("the load's resistance must be above 0 ohms, not %1")
                            .arg(numberText(definitions.loadOhm.real()))};
    }
    return success();
}

// Three standards that the terms can be solved from: finite readings, and no two of them
// alike, neither as defined nor as read (within three times their combined sigma).
Status checkedStandards(
    const std::array<Complex, 3> &gamma, const std::array<const MeasuredRatio *, 3> &reading)
{
    for (int k = 0; k < 3; ++k) {
        const MeasuredRatio &r = *reading[k];
        if (!isFinite(r.value)
            || !(r.logMagnitudeVariance >= 0 && r.phaseVariance >= 0
                && std::isfinite(r.logMagnitudeVariance + r.phaseVariance + r.covariance))) {
            return Failure {QStringLiteral("the %1's reading or its spread is not finite")
                                .arg(QLatin1String(kStandardNames[k]))};
        }
    }
    for (int a = 0; a < 3; ++a) {
        for (int b = a + 1; b < 3; ++b) {
            const QLatin1String first(kStandardNames[a]);
            const QLatin1String second(kStandardNames[b]);
            if (std::abs(gamma[a] - gamma[b]) <= kSameRelative) {
                return Failure {QStringLiteral("the %1 and the %2 are defined alike (both "
                                               "reflect %3): give standards that differ")
                                    .arg(first, second, ratioText(gamma[a]))};
            }
            const Complex ga = reading[a]->value;
            const Complex gb = reading[b]->value;
            const double sigma
                = std::sqrt(complexVariance(*reading[a]) + complexVariance(*reading[b]));
            const double apart = std::abs(ga - gb);
            if (apart <= kDistinctSigmas * sigma
                || apart <= kSameRelative * std::max(std::abs(ga), std::abs(gb))) {
                return Failure {
                    QStringLiteral("the %1 and the %2 give the same reading (%3 and %4, 1 sigma "
                                   "%5): was the %2 connected, or the same capture given twice?")
                        .arg(first, second, ratioText(ga), ratioText(gb),
                            QString::number(sigma, 'g', 2))};
            }
        }
    }
    return success();
}

// The terms from g_k = e00 + e01·Γ_k/(1 − e11·Γ_k), linear in e00, e11 and
// Δ = e00·e11 − e01 once multiplied out: g_k = e00 + Γ_k·g_k·e11 − Γ_k·Δ. How they move
// with each reading follows from the same system with that reading's dg on the right.
Result<ErrorTerms> solvedTerms(
    const std::array<Complex, 3> &gamma, const std::array<const MeasuredRatio *, 3> &reading)
{
    const Failure none {QStringLiteral("the standards' readings give no error terms")};
    Matrix3 a;
    Vector3 g;
    for (int k = 0; k < 3; ++k) {
        g[k] = reading[k]->value;
        a[k] = {1.0, gamma[k] * g[k], -gamma[k]};
    }
    const std::optional<Vector3> x = solve(a, g);
    if (!x || !isFinite((*x)[0]) || !isFinite((*x)[1]) || !isFinite((*x)[2])) {
        return none;
    }
    ErrorTerms terms;
    terms.e00 = (*x)[0];
    terms.e11 = (*x)[1];
    terms.e01 = terms.e00 * terms.e11 - (*x)[2];
    if (!(std::abs(terms.e01) > 0)) {
        return none;
    }
    for (int k = 0; k < 3; ++k) {
        Vector3 unit = {0.0, 0.0, 0.0};
        unit[k] = (1.0 - gamma[k] * terms.e11) * g[k]; // dg_k = g_k·(du + j·dv)
        const std::optional<Vector3> dx = solve(a, unit);
        if (!dx) {
            return none;
        }
        TermSensitivity source;
        source.e00 = (*dx)[0];
        source.e11 = (*dx)[1];
        source.e01 = terms.e11 * source.e00 + terms.e00 * source.e11 - (*dx)[2];
        source.logMagnitudeVariance = reading[k]->logMagnitudeVariance;
        source.phaseVariance = reading[k]->phaseVariance;
        source.covariance = reading[k]->covariance;
        terms.sources.push_back(source);
    }
    return terms;
}

} // namespace

Result<ErrorTerms> solveErrorTerms(const MeasuredRatio &open, const MeasuredRatio &shortCircuit,
    const MeasuredRatio &load, const StandardDefinitions &definitions, double z0, double hertz)
{
    if (const Status checked = checkedDefinitions(definitions, z0, hertz); !checked) {
        return checked.failure();
    }
    const StandardReflections reflections = standardReflections(definitions, z0, hertz);
    const std::array<Complex, 3> gamma
        = {reflections.open, reflections.shortCircuit, reflections.load};
    const std::array<const MeasuredRatio *, 3> reading = {&open, &shortCircuit, &load};
    if (const Status checked = checkedStandards(gamma, reading); !checked) {
        return checked.failure();
    }
    return solvedTerms(gamma, reading);
}

// With N = g − e00 and D = e01 + e11·N, Γ = N/D has ∂Γ/∂g = e01/D², ∂Γ/∂e00 = −e01/D²,
// ∂Γ/∂e01 = −N/D², ∂Γ/∂e11 = −N²/D², and Z = Z0·(1 + Γ)/(1 − Γ) has dZ/dΓ = 2·Z0/(1 − Γ)².
Result<Corrected> correct(const ErrorTerms &terms, const MeasuredRatio &measured, double z0)
{
    if (!isFinite(measured.value)) {
        return Failure {QStringLiteral("the reading is not finite")};
    }
    const Complex n = measured.value - terms.e00;
    const Complex d = terms.e01 + terms.e11 * n;
    const Complex gamma = n / d;
    Corrected result;
    result.reflection = gamma;
    result.z = z0 * (1.0 + gamma) / (1.0 - gamma);
    if (!isFinite(result.z)) {
        return Failure {QStringLiteral("the reading maps to an open circuit (reflection %1): "
                                       "no finite impedance")
                            .arg(ratioText(gamma))};
    }
    const Complex dzdGamma = 2.0 * z0 / ((1.0 - gamma) * (1.0 - gamma));
    const Complex d2 = d * d;
    double varR = 0;
    double varX = 0;
    addSpread(dzdGamma * terms.e01 / d2 * measured.value, measured.logMagnitudeVariance,
        measured.phaseVariance, measured.covariance, &varR, &varX);
    for (const TermSensitivity &source : terms.sources) {
        const Complex dGamma = (-terms.e01 * source.e00 - n * source.e01 - n * n * source.e11) / d2;
        addSpread(dzdGamma * dGamma, source.logMagnitudeVariance, source.phaseVariance,
            source.covariance, &varR, &varX);
    }
    result.rSigma = std::sqrt(std::max(0.0, varR));
    result.xSigma = std::sqrt(std::max(0.0, varX));
    if (!(std::isfinite(result.rSigma) && std::isfinite(result.xSigma))) {
        return Failure {QStringLiteral("the spread of the corrected impedance comes out "
                                       "infinite: the reading is too close to an open circuit")};
    }
    return result;
}

namespace {

// One calibrated frequency from the standards' captures found there, one of each.
Result<CalibrationPoint> calibrationPoint(
    const std::array<std::vector<const StandardReading *>, 3> &found, const QString &near,
    const StandardDefinitions &definitions, double z0)
{
    QStringList present;
    QStringList missing;
    for (int kind = 0; kind < 3; ++kind) {
        const QLatin1String name(kStandardNames[kind]);
        if (found[kind].size() > 1) {
            QStringList files;
            for (const StandardReading *r : found[kind]) {
                files.append(r->file);
            }
            return Failure {QStringLiteral("%1 captures of the %2 at %3 MHz (%4): give one")
                                .arg(found[kind].size())
                                .arg(name, near, files.join(QStringLiteral(", ")))};
        }
        if (found[kind].empty()) {
            missing.append(QStringLiteral("the %1").arg(name));
        } else {
            present.append(QStringLiteral("the %1 (%2)").arg(name, found[kind].front()->file));
        }
    }
    if (!missing.isEmpty()) {
        return Failure {QStringLiteral("at %1 MHz %2 %3 missing: there is only %4")
                            .arg(near, missing.join(QStringLiteral(" and ")),
                                missing.size() > 1 ? QStringLiteral("are") : QStringLiteral("is"),
                                present.join(QStringLiteral(" and ")))};
    }
    CalibrationPoint point;
    point.open = *found[0].front();
    point.shortCircuit = *found[1].front();
    point.load = *found[2].front();
    point.frequencyHz
        = (point.open.frequencyHz + point.shortCircuit.frequencyHz + point.load.frequencyHz) / 3;
    const Result<ErrorTerms> terms = solveErrorTerms(point.open.ratio, point.shortCircuit.ratio,
        point.load.ratio, definitions, z0, point.frequencyHz);
    if (!terms) {
        return Failure {QStringLiteral("at %1 MHz: %2").arg(near, terms.error())};
    }
    point.terms = *terms;
    return point;
}

} // namespace

Result<Calibration> buildCalibration(const std::vector<StandardReading> &opens,
    const std::vector<StandardReading> &shorts, const std::vector<StandardReading> &loads,
    const StandardDefinitions &definitions, double z0, const QDateTime &date)
{
    struct Entry
    {
        int kind; // 0 open, 1 short, 2 load
        const StandardReading *reading;
    };
    std::vector<Entry> entries;
    const std::array<const std::vector<StandardReading> *, 3> lists = {&opens, &shorts, &loads};
    for (int kind = 0; kind < 3; ++kind) {
        for (const StandardReading &reading : *lists[kind]) {
            if (!(reading.frequencyHz > 0 && std::isfinite(reading.frequencyHz))) {
                const QString message = QStringLiteral("the %1's frequency must be above 0 MHz")
                                            .arg(QLatin1String(kStandardNames[kind]));
                return reading.file.isEmpty() ? Failure {message}
                                              : failureAt(reading.file, 0, message);
            }
            entries.push_back({kind, &reading});
        }
    }
    if (entries.empty()) {
        return Failure {QStringLiteral("no captures of the standards: an open, a short and a "
                                       "load are needed at each frequency")};
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return a.reading->frequencyHz < b.reading->frequencyHz;
    });

    Calibration calibration;
    calibration.z0Ohm = z0;
    calibration.definitions = definitions;
    calibration.date = date;
    for (std::size_t start = 0; start < entries.size();) {
        const double first = entries[start].reading->frequencyHz;
        std::array<std::vector<const StandardReading *>, 3> found;
        std::size_t end = start;
        while (end < entries.size()
            && entries[end].reading->frequencyHz - first <= kSamePointRelative * first) {
            found[entries[end].kind].push_back(entries[end].reading);
            ++end;
        }
        const Result<CalibrationPoint> point
            = calibrationPoint(found, megahertzText(first), definitions, z0);
        if (!point) {
            return point.failure();
        }
        calibration.points.push_back(*point);
        start = end;
    }
    return calibration;
}

Result<ErrorTerms> termsAt(const Calibration &calibration, double hertz)
{
    const std::vector<CalibrationPoint> &points = calibration.points;
    if (points.empty()) {
        return Failure {QStringLiteral("the calibration has no frequencies")};
    }
    const double lowest = points.front().frequencyHz;
    const double highest = points.back().frequencyHz;
    if (!(hertz >= lowest - kSpanMargin * hertz && hertz <= highest + kSpanMargin * hertz)) {
        const QString span = points.size() > 1
            ? QStringLiteral("%1 to %2 MHz").arg(megahertzText(lowest), megahertzText(highest))
            : QStringLiteral("%1 MHz alone").arg(megahertzText(lowest));
        return Failure {QStringLiteral("%1 MHz is outside the calibrated span, %2: calibrate "
                                       "there too (a calibration is not extrapolated)")
                            .arg(megahertzText(hertz), span)};
    }
    if (hertz <= lowest) {
        return points.front().terms;
    }
    if (hertz >= highest) {
        return points.back().terms;
    }
    const auto above = std::upper_bound(points.begin(), points.end(), hertz,
        [](double f, const CalibrationPoint &point) { return f < point.frequencyHz; });
    const CalibrationPoint &upper = *above;
    const CalibrationPoint &lower = *(above - 1);
    if (hertz == lower.frequencyHz) {
        return lower.terms;
    }
    const double w = (hertz - lower.frequencyHz) / (upper.frequencyHz - lower.frequencyHz);
    return sum(weighted(lower.terms, 1 - w), weighted(upper.terms, w));
}

std::optional<Failure> referenceMismatch(const Calibration &calibration, double z0)
{
    if (std::abs(z0 - calibration.z0Ohm) <= kSameRelative * calibration.z0Ohm) {
        return std::nullopt;
    }
    return Failure {QStringLiteral("the calibration was made for Z0 = %1 ohms, not %2: measure "
                                   "with the Z0 it was made for, or calibrate anew")
                        .arg(numberText(calibration.z0Ohm), numberText(z0))};
}

QByteArray calibrationJson(const Calibration &calibration)
{
    QJsonArray points;
    for (const CalibrationPoint &point : calibration.points) {
        QJsonObject object;
        object.insert(QStringLiteral("frequencyHz"), point.frequencyHz);
        object.insert(QStringLiteral("e00"), complexJson(point.terms.e00));
        object.insert(QStringLiteral("e01"), complexJson(point.terms.e01));
        object.insert(QStringLiteral("e11"), complexJson(point.terms.e11));
        object.insert(QStringLiteral("open"), readingJson(point.open));
        object.insert(QStringLiteral("short"), readingJson(point.shortCircuit));
        object.insert(QStringLiteral("load"), readingJson(point.load));
        points.append(object);
    }
    QJsonObject root;
    root.insert(QStringLiteral("version"), kVersion);
    root.insert(QStringLiteral("z0Ohm"), calibration.z0Ohm);
    root.insert(QStringLiteral("openFarad"), calibration.definitions.openFarad);
    root.insert(QStringLiteral("shortHenry"), calibration.definitions.shortHenry);
    root.insert(QStringLiteral("loadOhm"),
        QJsonObject {{QStringLiteral("r"), calibration.definitions.loadOhm.real()},
            {QStringLiteral("x"), calibration.definitions.loadOhm.imag()}});
    root.insert(QStringLiteral("date"), calibration.date.toUTC().toString(Qt::ISODate));
    root.insert(QStringLiteral("points"), points);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

namespace {

// One calibrated frequency of the file, after `previous`: its readings, and its terms,
// which must follow from them. Failures go to the reader.
std::optional<CalibrationPoint> readPoint(const QJsonValue &value, const QString &where,
    const Calibration &calibration, const CalibrationPoint *previous, JsonReader &reader)
{
    if (!value.isObject()) {
        reader.fail(where, QStringLiteral("not an object"));
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    CalibrationPoint point;
    point.frequencyHz = reader.number(object, where, "frequencyHz");
    const Complex e00 = reader.complex(object, where, "e00");
    const Complex e01 = reader.complex(object, where, "e01");
    const Complex e11 = reader.complex(object, where, "e11");
    point.open = reader.reading(object, where, "open");
    point.shortCircuit = reader.reading(object, where, "short");
    point.load = reader.reading(object, where, "load");
    if (reader.failed()) {
        return std::nullopt;
    }
    if (!(point.frequencyHz > 0) || (previous && !(point.frequencyHz > previous->frequencyHz))) {
        reader.fail(where, QStringLiteral("the frequencies must be above 0 and ascend"));
        return std::nullopt;
    }
    for (StandardReading *reading : {&point.open, &point.shortCircuit, &point.load}) {
        reading->frequencyHz = point.frequencyHz;
    }
    // The terms are stored for people and other programs to read; the program takes them,
    // with their sensitivities, from the readings, which must give the same.
    const Result<ErrorTerms> terms = solveErrorTerms(point.open.ratio, point.shortCircuit.ratio,
        point.load.ratio, calibration.definitions, calibration.z0Ohm, point.frequencyHz);
    if (!terms) {
        reader.fail(where, terms.error());
        return std::nullopt;
    }
    const auto agrees = [](Complex stored, Complex computed) {
        return std::abs(stored - computed)
            <= kStoredTermsTolerance * std::max(1.0, std::abs(computed));
    };
    if (!agrees(e00, terms->e00) || !agrees(e01, terms->e01) || !agrees(e11, terms->e11)) {
        reader.fail(where,
            QStringLiteral("the terms at %1 MHz do not follow from the standards' readings: was "
                           "the file edited?")
                .arg(megahertzText(point.frequencyHz)));
        return std::nullopt;
    }
    point.terms = *terms;
    return point;
}

} // namespace

Result<Calibration> readCalibration(const QByteArray &content, const QString &fileName)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(content, &parseError);
    if (document.isNull()) {
        return failureAt(fileName, 0,
            QStringLiteral("not a calibration: no JSON (%1 at byte %2)")
                .arg(parseError.errorString())
                .arg(parseError.offset));
    }
    const QJsonObject root = document.object();
    if (!document.isObject() || !root.value(QLatin1String("points")).isArray()) {
        return failureAt(fileName, 0, QStringLiteral("not a calibration: it has no 'points' list"));
    }
    const QJsonValue version = root.value(QLatin1String("version"));
    if (version.toDouble() != kVersion) {
        return failureAt(fileName, 0,
            QStringLiteral("a calibration of version %1, which this program does not read (it "
                           "reads version %2)")
                .arg(version.isDouble() ? numberText(version.toDouble()) : QStringLiteral("none"))
                .arg(kVersion));
    }

    JsonReader reader(fileName);
    Calibration calibration;
    calibration.z0Ohm = reader.number(root, QString(), "z0Ohm");
    calibration.definitions.openFarad = reader.nonNegative(root, QString(), "openFarad");
    calibration.definitions.shortHenry = reader.nonNegative(root, QString(), "shortHenry");
    const QJsonObject load = reader.object(root, QString(), "loadOhm");
    calibration.definitions.loadOhm = {reader.number(load, QStringLiteral("loadOhm"), "r"),
        reader.number(load, QStringLiteral("loadOhm"), "x")};
    calibration.date
        = QDateTime::fromString(root.value(QLatin1String("date")).toString(), Qt::ISODate);
    if (!calibration.date.isValid()) {
        reader.fail(QString(), QStringLiteral("'date' is missing or not a date and time"));
    }
    if (calibration.z0Ohm <= 0) {
        reader.fail(QString(), QStringLiteral("'z0Ohm' must be above 0"));
    }
    const QJsonArray points = root.value(QLatin1String("points")).toArray();
    if (points.isEmpty()) {
        reader.fail(QString(), QStringLiteral("the calibration has no frequencies"));
    }
    for (int i = 0; i < points.size() && !reader.failed(); ++i) {
        const QString where = QStringLiteral("points[%1]").arg(i);
        const std::optional<CalibrationPoint> point = readPoint(points.at(i), where, calibration,
            calibration.points.empty() ? nullptr : &calibration.points.back(), reader);
        if (!point) {
            break;
        }
        calibration.points.push_back(*point);
    }
    if (reader.failed()) {
        return reader.failure();
    }
    return calibration;
}
