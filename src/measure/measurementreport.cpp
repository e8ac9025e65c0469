#include "measurementreport.h"

#include "capturemeasurement.h"
#include "componenttext.h"
#include "numbertext.h"
#include "units.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

// A 1-sigma spread is worth two digits.
QString sigmaText(double sigma)
{
    return QString::number(sigma, 'g', 2);
}

QString impedanceText(double r, double x)
{
    return numberText(r) + (x < 0 ? QStringLiteral(" - j") : QStringLiteral(" + j"))
        + numberText(std::abs(x));
}

QString csvField(const QString &field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"'))
        && !field.contains(QLatin1Char('\n'))) {
        return field;
    }
    return QLatin1Char('"') + QString(field).replace(QLatin1Char('"'), QLatin1String("\"\""))
        + QLatin1Char('"');
}

QString full(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QJsonObject complexOhm(double r, double x)
{
    QJsonObject object;
    object.insert(QStringLiteral("rOhm"), r);
    object.insert(QStringLiteral("xOhm"), x);
    return object;
}

QJsonValue calibrationJson(const Corrections &corrections)
{
    if (!corrections.calibration) {
        return QJsonValue(QJsonValue::Null);
    }
    const Calibration &c = *corrections.calibration;
    QJsonArray frequencies;
    for (const CalibrationPoint &point : c.points) {
        frequencies.append(point.frequencyHz / kHertzPerMegahertz);
    }
    QJsonObject object;
    object.insert(QStringLiteral("summary"), calibrationSummary(c));
    object.insert(QStringLiteral("openFarad"), c.definitions.openFarad);
    object.insert(QStringLiteral("shortHenry"), c.definitions.shortHenry);
    object.insert(QStringLiteral("loadOhm"),
        complexOhm(c.definitions.loadOhm.real(), c.definitions.loadOhm.imag()));
    object.insert(QStringLiteral("frequenciesMHz"), frequencies);
    object.insert(QStringLiteral("date"), c.date.toString(Qt::ISODate));
    return object;
}

QJsonValue feedlineJson(const Corrections &corrections)
{
    if (!corrections.line) {
        return QJsonValue(QJsonValue::Null);
    }
    const Feedline &line = *corrections.line;
    QJsonObject object;
    object.insert(QStringLiteral("name"), line.name);
    object.insert(QStringLiteral("lengthMetre"), line.lengthMetre);
    object.insert(QStringLiteral("impedanceOhm"), line.impedanceOhm);
    object.insert(QStringLiteral("velocityFactor"), line.velocityFactor);
    return object;
}

// The feedline's lines of the text report: where Z is, what the line loses.
QString feedlineText(const CaptureMeasurement &m, const Feedline &line)
{
    const double hertz = m.frequencyMHz * kHertzPerMegahertz;
    const std::complex<double> input = m.lineInput.value_or(std::complex<double>());
    return QStringLiteral("  Feedline            %1: Z is the antenna's, at the line's far end; "
                          "at its input %2 ohm\n"
                          "  Feedline loss       %3 dB matched, %4 dB with this antenna\n")
        .arg(feedlineSummary(line), impedanceText(input.real(), input.imag()),
            QString::number(matchedLossDb(line, hertz), 'f', 2),
            QString::number(totalLossDb(line, {m.r, m.x}, hertz), 'f', 2));
}

} // namespace

QString calibrationSummary(const Calibration &calibration)
{
    const StandardDefinitions &d = calibration.definitions;
    const QString open = d.openFarad > 0
        ? QStringLiteral("open %1 pF").arg(numberText(d.openFarad * 1e12))
        : QStringLiteral("open");
    const QString shortCircuit = d.shortHenry > 0
        ? QStringLiteral("short %1 nH").arg(numberText(d.shortHenry * 1e9))
        : QStringLiteral("short");
    const QString load
        = QStringLiteral("load %1 \u03a9")
              .arg(d.loadOhm.imag() == 0 ? numberText(d.loadOhm.real())
                                         : impedanceText(d.loadOhm.real(), d.loadOhm.imag()));
    const std::vector<CalibrationPoint> &points = calibration.points;
    const auto megahertz = [](double hertz) { return numberText(hertz / kHertzPerMegahertz); };
    const QString where = points.empty() ? QString()
        : points.size() == 1
        ? QStringLiteral(" at %1 MHz").arg(megahertz(points.front().frequencyHz))
        : QStringLiteral(" at %1 frequencies, %2\u2013%3 MHz")
              .arg(points.size())
              .arg(megahertz(points.front().frequencyHz), megahertz(points.back().frequencyHz));
    return QStringLiteral("%1, %2, %3%4").arg(open, shortCircuit, load, where);
}

QString feedlineSummary(const Feedline &line)
{
    return QStringLiteral("%1, %2 m").arg(line.name, numberText(line.lengthMetre));
}

QString textReport(const MeasuredCapture &measured, const Corrections &corrections)
{
    const CaptureMeasurement &m = measured.measurement;
    QString report;
    report += measured.name + QLatin1Char('\n');
    report += QStringLiteral("  Frequency (MHz)     %1%2\n")
                  .arg(numberText(m.frequencyMHz),
                      m.frequencyEstimated ? QStringLiteral("  (estimated from the capture)")
                                           : QString());
    report += QStringLiteral("  V_reference  (mV)   %1  (half of the reference's %2)\n")
                  .arg(numberText(m.vReference), numberText(2 * m.vReference));
    report += QStringLiteral("  V_x  (mV)           %1\n").arg(numberText(m.vx));
    report += QStringLiteral("  Delay (nanoSec)     %1\n").arg(numberText(m.delay));
    report += QStringLiteral("  Z (Ohm)             %1  (1 sigma: R %2, X %3; Z0 %4)\n")
                  .arg(impedanceText(m.r, m.x), sigmaText(m.rSigma), sigmaText(m.xSigma),
                      numberText(m.sourceImpedance));
    if (corrections.calibration) {
        report += QStringLiteral("  Calibrated          %1\n")
                      .arg(calibrationSummary(*corrections.calibration));
        report += QStringLiteral("  Z uncorrected       %1\n").arg(impedanceText(m.rawR, m.rawX));
    }
    if (corrections.line) {
        report += feedlineText(m, *corrections.line);
    }
    if (const std::optional<MatchingNetwork> &network = m.network) {
        report += QStringLiteral("  Circuit             %1\n")
                      .arg(circuitLetter(network->circuitVariant));
        report += QStringLiteral("  Component 1         %1\n").arg(network->elementOne);
        report += QStringLiteral("  Component 2         %1\n").arg(network->elementTwo);
    } else {
        report += QStringLiteral("  Circuit             none\n");
    }
    report += QStringLiteral("  Fit                 %1 samples, residual %2 and %3 mV RMS\n")
                  .arg(m.samples)
                  .arg(sigmaText(m.referenceResidualRms), sigmaText(m.vxResidualRms));
    if (!m.warning.isEmpty()) {
        report += QStringLiteral("  Warning             %1\n").arg(m.warning);
    }
    return report;
}

QString textTable(const std::vector<MeasuredCapture> &measured, const Corrections &corrections)
{
    QVector<QStringList> rows;
    rows.append({QStringLiteral("File"), QStringLiteral("MHz"), QStringLiteral("V_ref mV"),
        QStringLiteral("V_x mV"), QStringLiteral("Delay ns"), QStringLiteral("Z0"),
        QStringLiteral("R"), QStringLiteral("X"), QStringLiteral("sigma R"),
        QStringLiteral("sigma X"), QStringLiteral("Circuit"), QStringLiteral("Component 1"),
        QStringLiteral("Component 2")});
    for (const MeasuredCapture &file : measured) {
        const CaptureMeasurement &m = file.measurement;
        rows.append({file.name,
            numberText(m.frequencyMHz)
                + (m.frequencyEstimated ? QStringLiteral(" (estimated)") : QString()),
            numberText(m.vReference), numberText(m.vx), numberText(m.delay),
            numberText(m.sourceImpedance), numberText(m.r), numberText(m.x), sigmaText(m.rSigma),
            sigmaText(m.xSigma),
            m.network ? QString(circuitLetter(m.network->circuitVariant)) : QStringLiteral("none"),
            m.network ? m.network->elementOne : QString(),
            m.network ? m.network->elementTwo : QString()});
    }
    QVector<int> widths(rows.first().size(), 0);
    for (const QStringList &row : rows) {
        for (int i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], int(row[i].size()));
        }
    }
    QString table;
    if (corrections.calibration) {
        table
            += QStringLiteral("Calibrated  %1\n").arg(calibrationSummary(*corrections.calibration));
    }
    if (corrections.line) {
        table += QStringLiteral("Feedline  %1: Z is the antenna's, at the line's far end\n")
                     .arg(feedlineSummary(*corrections.line));
    }
    for (const QStringList &row : rows) {
        QString line;
        for (int i = 0; i < row.size(); ++i) {
            line += row[i].leftJustified(widths[i] + 2);
        }
        table += line.trimmed() + QLatin1Char('\n');
    }
    return table;
}

QByteArray jsonReport(const std::vector<MeasuredCapture> &measured, const Corrections &corrections)
{
    QJsonArray captures;
    for (const MeasuredCapture &file : measured) {
        const CaptureMeasurement &m = file.measurement;
        QJsonObject capture;
        capture.insert(QStringLiteral("file"), file.name);
        capture.insert(QStringLiteral("frequencyMHz"), m.frequencyMHz);
        capture.insert(QStringLiteral("frequencyEstimated"), m.frequencyEstimated);
        capture.insert(QStringLiteral("frequencySigmaMHz"),
            m.frequencyEstimated ? QJsonValue(m.frequencySigmaMHz) : QJsonValue(QJsonValue::Null));
        capture.insert(QStringLiteral("sourceImpedanceOhm"), m.sourceImpedance);
        capture.insert(QStringLiteral("vReferenceMillivolt"), m.vReference);
        capture.insert(QStringLiteral("vxMillivolt"), m.vx);
        capture.insert(QStringLiteral("delayNanosecond"), m.delay);
        capture.insert(QStringLiteral("rOhm"), m.r);
        capture.insert(QStringLiteral("xOhm"), m.x);
        capture.insert(QStringLiteral("rSigmaOhm"), m.rSigma);
        capture.insert(QStringLiteral("xSigmaOhm"), m.xSigma);
        capture.insert(QStringLiteral("rawROhm"), m.rawR);
        capture.insert(QStringLiteral("rawXOhm"), m.rawX);
        if (corrections.line && m.lineInput) {
            const double hertz = m.frequencyMHz * kHertzPerMegahertz;
            capture.insert(QStringLiteral("lineInputOhm"),
                complexOhm(m.lineInput->real(), m.lineInput->imag()));
            capture.insert(
                QStringLiteral("lineMatchedLossDecibel"), matchedLossDb(*corrections.line, hertz));
            const double total = totalLossDb(*corrections.line, {m.r, m.x}, hertz);
            capture.insert(QStringLiteral("lineTotalLossDecibel"),
                std::isfinite(total) ? QJsonValue(total) : QJsonValue(QJsonValue::Null));
        }
        // Without a network every key of it stays, as null, so that scripts find them.
        const QJsonValue none(QJsonValue::Null);
        const bool present = m.network.has_value();
        const MatchingNetwork network = m.network.value_or(MatchingNetwork());
        const auto number = [&](double value) {
            return present && std::isfinite(value) ? QJsonValue(value) : none;
        };
        const double hertz = m.frequencyMHz * kHertzPerMegahertz;
        const ComponentValue one = componentValue(network.reactanceOne, hertz);
        const ComponentValue two = componentValue(network.reactanceTwo, hertz);
        capture.insert(QStringLiteral("circuit"),
            present ? QJsonValue(QString(circuitLetter(network.circuitVariant))) : none);
        capture.insert(
            QStringLiteral("componentOne"), present ? QJsonValue(network.elementOne) : none);
        capture.insert(
            QStringLiteral("componentTwo"), present ? QJsonValue(network.elementTwo) : none);
        capture.insert(QStringLiteral("reactanceOneOhm"), number(network.reactanceOne));
        capture.insert(QStringLiteral("reactanceTwoOhm"), number(network.reactanceTwo));
        capture.insert(QStringLiteral("componentOneHenry"), one.coil ? number(one.value) : none);
        capture.insert(QStringLiteral("componentOneFarad"), one.coil ? none : number(one.value));
        capture.insert(QStringLiteral("componentTwoHenry"), two.coil ? number(two.value) : none);
        capture.insert(QStringLiteral("componentTwoFarad"), two.coil ? none : number(two.value));
        capture.insert(
            QStringLiteral("warning"), m.warning.isEmpty() ? none : QJsonValue(m.warning));
        capture.insert(QStringLiteral("referenceResidualMillivoltRms"), m.referenceResidualRms);
        capture.insert(QStringLiteral("vxResidualMillivoltRms"), m.vxResidualRms);
        capture.insert(QStringLiteral("samples"), double(m.samples));
        captures.append(capture);
    }
    QJsonObject root;
    root.insert(QStringLiteral("version"), 1);
    root.insert(QStringLiteral("calibration"), calibrationJson(corrections));
    root.insert(QStringLiteral("feedline"), feedlineJson(corrections));
    root.insert(QStringLiteral("captures"), captures);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QString csvReport(const std::vector<MeasuredCapture> &measured)
{
    QString csv = QStringLiteral(
        "file,frequency_mhz,frequency_estimated,source_impedance_ohm,v_reference_mv,vx_mv,"
        "delay_ns,r_ohm,x_ohm,r_sigma_ohm,x_sigma_ohm,circuit,component_1,component_2,"
        "reference_residual_mv_rms,vx_residual_mv_rms,samples,reactance_1_ohm,reactance_2_ohm,"
        "component_1_henry,component_1_farad,component_2_henry,component_2_farad,warning,"
        "raw_r_ohm,raw_x_ohm\n");
    for (const MeasuredCapture &file : measured) {
        const CaptureMeasurement &m = file.measurement;
        // Empty fields where there is no network, or for the kind of part it is not.
        const bool present = m.network.has_value();
        const MatchingNetwork network = m.network.value_or(MatchingNetwork());
        const auto number = [&](double value) {
            return present && std::isfinite(value) ? full(value) : QString();
        };
        const double hertz = m.frequencyMHz * kHertzPerMegahertz;
        const ComponentValue one = componentValue(network.reactanceOne, hertz);
        const ComponentValue two = componentValue(network.reactanceTwo, hertz);
        const QStringList fields {csvField(file.name), full(m.frequencyMHz),
            m.frequencyEstimated ? QStringLiteral("yes") : QStringLiteral("no"),
            full(m.sourceImpedance), full(m.vReference), full(m.vx), full(m.delay), full(m.r),
            full(m.x), full(m.rSigma), full(m.xSigma),
            present ? QString(circuitLetter(network.circuitVariant)) : QString(),
            csvField(network.elementOne), csvField(network.elementTwo),
            full(m.referenceResidualRms), full(m.vxResidualRms), QString::number(m.samples),
            number(network.reactanceOne), number(network.reactanceTwo),
            one.coil ? number(one.value) : QString(), one.coil ? QString() : number(one.value),
            two.coil ? number(two.value) : QString(), two.coil ? QString() : number(two.value),
            csvField(m.warning), full(m.rawR), full(m.rawX)};
        csv += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    return csv;
}
