#include "measurementreport.h"

#include "capturemeasurement.h"
#include "componenttext.h"
#include "numbertext.h"

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

} // namespace

QString textReport(const MeasuredFile &measured)
{
    const CaptureMeasurement &m = *measured.measurement;
    QString report;
    report += measured.file + QLatin1Char('\n');
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
    if (m.hasNetwork) {
        report += QStringLiteral("  Circuit             %1\n").arg(circuitLetter(m.circuitVariant));
        report += QStringLiteral("  Component 1         %1\n").arg(m.elementOne);
        report += QStringLiteral("  Component 2         %1\n").arg(m.elementTwo);
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

QString textTable(const QVector<MeasuredFile> &measured)
{
    QVector<QStringList> rows;
    rows.append({QStringLiteral("File"), QStringLiteral("MHz"), QStringLiteral("V_ref mV"),
        QStringLiteral("V_x mV"), QStringLiteral("Delay ns"), QStringLiteral("Z0"),
        QStringLiteral("R"), QStringLiteral("X"), QStringLiteral("sigma R"),
        QStringLiteral("sigma X"), QStringLiteral("Circuit"), QStringLiteral("Component 1"),
        QStringLiteral("Component 2")});
    for (const MeasuredFile &file : measured) {
        const CaptureMeasurement &m = *file.measurement;
        rows.append({file.file,
            numberText(m.frequencyMHz)
                + (m.frequencyEstimated ? QStringLiteral(" (estimated)") : QString()),
            numberText(m.vReference), numberText(m.vx), numberText(m.delay),
            numberText(m.sourceImpedance), numberText(m.r), numberText(m.x), sigmaText(m.rSigma),
            sigmaText(m.xSigma),
            m.hasNetwork ? QString(circuitLetter(m.circuitVariant)) : QStringLiteral("none"),
            m.elementOne, m.elementTwo});
    }
    QVector<int> widths(rows.first().size(), 0);
    for (const QStringList &row : rows) {
        for (int i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], int(row[i].size()));
        }
    }
    QString table;
    for (const QStringList &row : rows) {
        QString line;
        for (int i = 0; i < row.size(); ++i) {
            line += row[i].leftJustified(widths[i] + 2);
        }
        table += line.trimmed() + QLatin1Char('\n');
    }
    return table;
}

QByteArray jsonReport(const QVector<MeasuredFile> &measured)
{
    QJsonArray captures;
    for (const MeasuredFile &file : measured) {
        const CaptureMeasurement &m = *file.measurement;
        QJsonObject capture;
        capture.insert(QStringLiteral("file"), file.file);
        capture.insert(QStringLiteral("frequencyMHz"), m.frequencyMHz);
        capture.insert(QStringLiteral("frequencyEstimated"), m.frequencyEstimated);
        capture.insert(QStringLiteral("sourceImpedanceOhm"), m.sourceImpedance);
        capture.insert(QStringLiteral("vReferenceMillivolt"), m.vReference);
        capture.insert(QStringLiteral("vxMillivolt"), m.vx);
        capture.insert(QStringLiteral("delayNanosecond"), m.delay);
        capture.insert(QStringLiteral("rOhm"), m.r);
        capture.insert(QStringLiteral("xOhm"), m.x);
        capture.insert(QStringLiteral("rSigmaOhm"), m.rSigma);
        capture.insert(QStringLiteral("xSigmaOhm"), m.xSigma);
        // Without a network every key of it stays, as null, so that scripts find them.
        const QJsonValue none(QJsonValue::Null);
        const auto number = [&](double value) {
            return m.hasNetwork && std::isfinite(value) ? QJsonValue(value) : none;
        };
        const ComponentValue one = componentValue(m.reactanceOne, m.frequencyMHz * 1e6);
        const ComponentValue two = componentValue(m.reactanceTwo, m.frequencyMHz * 1e6);
        capture.insert(QStringLiteral("circuit"),
            m.hasNetwork ? QJsonValue(QString(circuitLetter(m.circuitVariant))) : none);
        capture.insert(
            QStringLiteral("componentOne"), m.hasNetwork ? QJsonValue(m.elementOne) : none);
        capture.insert(
            QStringLiteral("componentTwo"), m.hasNetwork ? QJsonValue(m.elementTwo) : none);
        capture.insert(QStringLiteral("reactanceOneOhm"), number(m.reactanceOne));
        capture.insert(QStringLiteral("reactanceTwoOhm"), number(m.reactanceTwo));
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
    root.insert(QStringLiteral("captures"), captures);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QString csvReport(const QVector<MeasuredFile> &measured)
{
    QString csv = QStringLiteral(
        "file,frequency_mhz,frequency_estimated,source_impedance_ohm,v_reference_mv,vx_mv,"
        "delay_ns,r_ohm,x_ohm,r_sigma_ohm,x_sigma_ohm,circuit,component_1,component_2,"
        "reference_residual_mv_rms,vx_residual_mv_rms,samples,reactance_1_ohm,reactance_2_ohm,"
        "component_1_henry,component_1_farad,component_2_henry,component_2_farad,warning\n");
    for (const MeasuredFile &file : measured) {
        const CaptureMeasurement &m = *file.measurement;
        // Empty fields where there is no network, or for the kind of part it is not.
        const auto number = [&](double value) {
            return m.hasNetwork && std::isfinite(value) ? full(value) : QString();
        };
        const ComponentValue one = componentValue(m.reactanceOne, m.frequencyMHz * 1e6);
        const ComponentValue two = componentValue(m.reactanceTwo, m.frequencyMHz * 1e6);
        const QStringList fields {csvField(file.file), full(m.frequencyMHz),
            m.frequencyEstimated ? QStringLiteral("yes") : QStringLiteral("no"),
            full(m.sourceImpedance), full(m.vReference), full(m.vx), full(m.delay), full(m.r),
            full(m.x), full(m.rSigma), full(m.xSigma),
            m.hasNetwork ? QString(circuitLetter(m.circuitVariant)) : QString(),
            csvField(m.elementOne), csvField(m.elementTwo), full(m.referenceResidualRms),
            full(m.vxResidualRms), QString::number(m.samples), number(m.reactanceOne),
            number(m.reactanceTwo), one.coil ? number(one.value) : QString(),
            one.coil ? QString() : number(one.value), two.coil ? number(two.value) : QString(),
            two.coil ? QString() : number(two.value), csvField(m.warning)};
        csv += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    return csv;
}
