#include "matchreport.h"

#include "matchdesign.h"
#include "numbertext.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QSaveFile>
#include <QStringList>

#include <cmath>

namespace {

constexpr double kHertzPerMegahertz = 1e6;
constexpr double kPi = 3.141592653589793;

QString kindOf(double reactance)
{
    return reactance > 0 ? QStringLiteral("coil") : QStringLiteral("capacitor");
}

QString across(const LNetwork &n)
{
    return n.shuntAcross == ShuntAcross::Transceiver ? QStringLiteral("transceiver")
                                                     : QStringLiteral("antenna");
}

QString idealPart(double reactance, double frequencyHz)
{
    const double omega = 2 * kPi * frequencyHz;
    return reactance > 0 ? engineeringText(reactance / omega, QStringLiteral("H"))
                         : engineeringText(-1 / (omega * reactance), QStringLiteral("F"));
}

QString passText(Pass pass)
{
    return pass == Pass::LowPass ? QStringLiteral("low-pass: attenuates harmonics")
        : pass == Pass::HighPass ? QStringLiteral("high-pass")
                                 : QStringLiteral("neither low- nor high-pass");
}

QString bandText(const Band &band)
{
    // An edge at the end of the sweep is where the sweep stops, not the band.
    return band.found ? QStringLiteral("%1%2 to %3%4 MHz")
                            .arg(band.openLow ? QStringLiteral("below ") : QString(),
                                QString::number(band.lowHz / kHertzPerMegahertz, 'g', 4),
                                band.openHigh ? QStringLiteral("above ") : QString(),
                                QString::number(band.highHz / kHertzPerMegahertz, 'g', 4))
                      : QStringLiteral("none");
}

// A schematic of text, the transceiver on the left and the antenna on the right:
//     TRX o----+---[series]---o ANT          TRX o---[series]---+---o ANT
//              |                                                |
//              [shunt]                                          [shunt]
//              |                                                |
//     GND o-------------------o GND          GND o--------------------o GND
QString schematic(const MatchedSolution &s)
{
    const QString series = s.built.series ? QStringLiteral("[%1]").arg(s.built.series->text)
                                          : QStringLiteral("------");
    const bool atTransceiver = s.ideal.shuntAcross == ShuntAcross::Transceiver;
    const QString top = atTransceiver ? QStringLiteral("    TRX o----+---%1---o ANT").arg(series)
                                      : QStringLiteral("    TRX o---%1---+---o ANT").arg(series);
    const int junction = int(top.indexOf(QLatin1Char('+')));
    QString text = top + QLatin1Char('\n');
    if (s.built.shunt) {
        const QString pad(junction, QLatin1Char(' '));
        text += pad + QStringLiteral("|\n") + pad
            + QStringLiteral("[%1]\n").arg(s.built.shunt->text) + pad + QStringLiteral("|\n");
    }
    text += QStringLiteral("    GND o") + QString(int(top.size()) - 14, QLatin1Char('-'))
        + QStringLiteral("o GND\n");
    return text;
}

QJsonValue orNull(bool present, double value)
{
    return present && std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QJsonValue bandJson(const Band &band)
{
    return band.found
        ? QJsonValue(QJsonArray {band.lowHz / kHertzPerMegahertz, band.highHz / kHertzPerMegahertz})
        : QJsonValue(QJsonValue::Null);
}

void insertPart(QJsonObject &o, const char *prefix, const std::optional<BuiltPart> &part,
    const PartStress &stress)
{
    const QString p = QLatin1String(prefix);
    const QJsonValue none(QJsonValue::Null);
    o.insert(p + QStringLiteral("Henry"), part && part->coil ? QJsonValue(part->value) : none);
    o.insert(p + QStringLiteral("Farad"), part && !part->coil ? QJsonValue(part->value) : none);
    o.insert(p + QStringLiteral("Part"), part ? QJsonValue(part->text) : none);
    o.insert(p + QStringLiteral("CurrentAmpereRms"), part ? QJsonValue(stress.currentRms) : none);
    o.insert(p + QStringLiteral("VoltagePeakVolt"), part ? QJsonValue(stress.voltagePeak) : none);
    o.insert(p + QStringLiteral("DissipationWatt"), part ? QJsonValue(stress.dissipation) : none);
}

// The plot in pixels: the SWR from 1 to 5 upwards, the frequency along on a logarithmic
// scale, the legend below.
struct Plot
{
    static constexpr int width = 760;
    static constexpr int plotHeight = 420;
    static constexpr int left = 60;
    static constexpr int right = 30;
    static constexpr int top = 30;
    static constexpr int bottom = 50;
    static constexpr double topSwr = 5;
    double lowHz = 0;
    double highHz = 1;

    double x(double hertz) const
    {
        return left + std::log(hertz / lowHz) / std::log(highHz / lowHz) * (width - left - right);
    }
    double y(double swr) const
    {
        const double clipped = std::isfinite(swr) ? std::min(swr, topSwr) : topSwr;
        return top + (topSwr - clipped) / (topSwr - 1) * (plotHeight - top - bottom);
    }
};

const char *const kColours[] = {"#d62728", "#1f77b4", "#2ca02c", "#9467bd", "#ff7f0e"};

} // namespace

QString solutionName(const MatchResult &result, int index)
{
    const LNetwork &n = result.solutions[std::size_t(index)].ideal;
    QStringList parts;
    if (n.hasSeries) {
        parts.append(QStringLiteral("series %1").arg(kindOf(n.seriesReactance)));
    }
    if (n.hasShunt) {
        parts.append(QStringLiteral("%1 across the %2").arg(kindOf(n.shuntReactance), across(n)));
    }
    if (parts.isEmpty()) {
        parts.append(QStringLiteral("nothing: already matched"));
    }
    return QStringLiteral("%1: %2%3")
        .arg(index + 1)
        .arg(parts.join(QStringLiteral(", ")),
            result.solutions[std::size_t(index)].window
                ? QStringLiteral(" (the window's %1)").arg(result.windowLetter)
                : QString());
}

QString matchText(const MatchRequest &request, const MatchResult &result)
{
    const double f = request.frequencyHz;
    QString text = QStringLiteral("Load %1 %2 j%3 ohm at %4 MHz, Z0 %5 ohm\n")
                       .arg(numberText(request.load.real()),
                           request.load.imag() < 0 ? QStringLiteral("-") : QStringLiteral("+"),
                           numberText(std::abs(request.load.imag())),
                           numberText(f / kHertzPerMegahertz), numberText(request.z0));
    if (result.solutions.empty()) {
        return text
            + QStringLiteral("No L-network: a load without resistance (R <= 0) takes "
                             "no power, and no lossless network can match it.\n");
    }
    text += QStringLiteral("%1 L-network(s); parts with coil Q %2 and capacitor Q %3, at %4 W:\n")
                .arg(result.solutions.size())
                .arg(numberText(request.coilQ), numberText(request.capacitorQ),
                    numberText(request.powerWatt));
    for (std::size_t i = 0; i < result.solutions.size(); ++i) {
        const MatchedSolution &s = result.solutions[i];
        text += QLatin1Char('\n') + solutionName(result, int(i)) + QLatin1Char('\n');
        text += schematic(s);
        text += QStringLiteral("  %1; %2 DC path from the antenna to ground\n")
                    .arg(passText(s.pass), s.dcPath ? QStringLiteral("a") : QStringLiteral("no"));
        const auto line = [&](const char *role, bool present, double reactance,
                              const std::optional<BuiltPart> &part, const PartStress &stress) {
            if (!present) {
                return;
            }
            text += QStringLiteral("  %1 %2 ohm: ideal %3 %4; build %5: %6 A RMS, %7 V peak, "
                                   "%8 W\n")
                        .arg(QLatin1String(role), numberText(reactance), kindOf(reactance),
                            idealPart(reactance, f), part->text,
                            QString::number(stress.currentRms, 'g', 3),
                            QString::number(stress.voltagePeak, 'g', 3),
                            QString::number(stress.dissipation, 'g', 3));
        };
        line("Series", s.ideal.hasSeries, s.ideal.seriesReactance, s.built.series,
            s.response.series);
        line("Shunt ", s.ideal.hasShunt, s.ideal.shuntReactance, s.built.shunt, s.response.shunt);
        text += QStringLiteral("  As built: SWR %1, loss %2 dB (%3 %)\n")
                    .arg(QString::number(s.response.swr, 'f', 3),
                        QString::number(
                            std::max(0.0, -10 * std::log10(1 - s.response.lossFraction)), 'f', 3),
                        QString::number(std::max(0.0, 100 * s.response.lossFraction), 'f', 2));
        text += QStringLiteral("  SWR below 1.5: %1; below 2: %2%3\n")
                    .arg(bandText(s.band15), bandText(s.band2),
                        result.loadConstant ? QStringLiteral(" (the network alone, the load "
                                                             "held constant)")
                                            : QString());
    }
    return text;
}

QByteArray matchJson(const MatchRequest &request, const MatchResult &result)
{
    QJsonArray solutions;
    for (std::size_t i = 0; i < result.solutions.size(); ++i) {
        const MatchedSolution &s = result.solutions[i];
        QJsonObject o;
        o.insert(QStringLiteral("name"), solutionName(result, int(i)));
        o.insert(QStringLiteral("shuntAcross"), across(s.ideal));
        o.insert(QStringLiteral("seriesReactanceOhm"),
            orNull(s.ideal.hasSeries, s.ideal.seriesReactance));
        o.insert(
            QStringLiteral("shuntReactanceOhm"), orNull(s.ideal.hasShunt, s.ideal.shuntReactance));
        o.insert(QStringLiteral("window"), s.window);
        o.insert(QStringLiteral("pass"),
            s.pass == Pass::LowPass        ? QStringLiteral("low")
                : s.pass == Pass::HighPass ? QStringLiteral("high")
                                           : QStringLiteral("neither"));
        o.insert(QStringLiteral("dcPathToGround"), s.dcPath);
        QJsonObject built;
        insertPart(built, "series", s.built.series, s.response.series);
        insertPart(built, "shunt", s.built.shunt, s.response.shunt);
        built.insert(QStringLiteral("swr"), s.response.swr);
        built.insert(QStringLiteral("lossDecibel"), -10 * std::log10(1 - s.response.lossFraction));
        built.insert(QStringLiteral("lossPercent"), 100 * s.response.lossFraction);
        o.insert(QStringLiteral("built"), built);
        o.insert(QStringLiteral("swr15BandMHz"), bandJson(s.band15));
        o.insert(QStringLiteral("swr2BandMHz"), bandJson(s.band2));
        solutions.append(o);
    }
    QJsonObject load;
    load.insert(QStringLiteral("frequencyMHz"), request.frequencyHz / kHertzPerMegahertz);
    load.insert(QStringLiteral("rOhm"), request.load.real());
    load.insert(QStringLiteral("xOhm"), request.load.imag());
    load.insert(QStringLiteral("z0Ohm"), request.z0);
    load.insert(QStringLiteral("powerWatt"), request.powerWatt);
    load.insert(QStringLiteral("loadHeldConstant"), result.loadConstant);
    load.insert(QStringLiteral("solutions"), solutions);
    QJsonObject root;
    root.insert(QStringLiteral("version"), 1);
    root.insert(QStringLiteral("loads"), QJsonArray {load});
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool writePlot(
    const QString &path, const MatchRequest &request, const MatchResult &result, QString *error)
{
    Plot plot;
    if (!result.solutions.empty() && !result.solutions.front().swrSweep.empty()) {
        plot.lowHz = result.solutions.front().swrSweep.front().first;
        plot.highHz = result.solutions.front().swrSweep.back().first;
    }
    if (!(plot.highHz > plot.lowHz)) {
        plot.lowHz = request.frequencyHz * 0.9;
        plot.highHz = request.frequencyHz * 1.1;
    }
    const bool svg = path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
    const int height = Plot::plotHeight + 18 * int(result.solutions.size()) + 10;
    QByteArray content;
    QImage image(Plot::width, height, QImage::Format_ARGB32_Premultiplied);
    QPainter painter;
    if (svg) {
        content += QStringLiteral(
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
            "font-family=\"sans-serif\" font-size=\"12\">\n"
            "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n")
                       .arg(Plot::width)
                       .arg(height)
                       .toUtf8();
    } else {
        image.fill(Qt::white);
        painter.begin(&image);
        painter.setRenderHint(QPainter::Antialiasing);
    }
    const auto line = [&](double x1, double y1, double x2, double y2, const char *colour,
                          double width, bool dashed) {
        if (svg) {
            content += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" stroke=\"%5\" "
                                      "stroke-width=\"%6\"%7/>\n")
                           .arg(x1)
                           .arg(y1)
                           .arg(x2)
                           .arg(y2)
                           .arg(QLatin1String(colour))
                           .arg(width)
                           .arg(dashed ? QStringLiteral(" stroke-dasharray=\"5,4\"") : QString())
                           .toUtf8();
        } else {
            painter.setPen(
                QPen(QColor(QLatin1String(colour)), width, dashed ? Qt::DashLine : Qt::SolidLine));
            painter.drawLine(QPointF(x1, y1), QPointF(x2, y2));
        }
    };
    const auto label = [&](double x, double y, const QString &text, const char *colour) {
        if (svg) {
            QString escaped = text.toHtmlEscaped();
            content += QStringLiteral("<text x=\"%1\" y=\"%2\" fill=\"%3\">%4</text>\n")
                           .arg(x)
                           .arg(y)
                           .arg(QLatin1String(colour), escaped)
                           .toUtf8();
        } else {
            painter.setPen(QColor(QLatin1String(colour)));
            painter.drawText(QPointF(x, y), text);
        }
    };
    // Axes, the SWR grid with 1.5 and 2 marked, the design frequency.
    const double plotRight = Plot::width - Plot::right;
    line(Plot::left, plot.y(1), plotRight, plot.y(1), "#000000", 1, false);
    line(Plot::left, plot.y(1), Plot::left, plot.y(Plot::topSwr), "#000000", 1, false);
    for (const double swr : {1.5, 2.0, 3.0, 4.0, 5.0}) {
        const bool marked = swr == 1.5 || swr == 2.0;
        line(Plot::left, plot.y(swr), plotRight, plot.y(swr), marked ? "#808080" : "#dddddd", 1,
            marked);
        label(Plot::left - 30, plot.y(swr) + 4, QString::number(swr), "#000000");
    }
    for (int i = 0; i <= 4; ++i) {
        const double hertz = plot.lowHz * std::pow(plot.highHz / plot.lowHz, i / 4.0);
        label(plot.x(hertz) - 14, plot.y(1) + 18,
            QString::number(hertz / kHertzPerMegahertz, 'g', 3), "#000000");
    }
    label(plotRight - 40, plot.y(1) + 36, QStringLiteral("MHz"), "#000000");
    label(8, Plot::top - 10, QStringLiteral("SWR"), "#000000");
    line(plot.x(request.frequencyHz), plot.y(1), plot.x(request.frequencyHz), plot.y(Plot::topSwr),
        "#000000", 1, true);
    label(plot.x(request.frequencyHz) + 4, Plot::top + 12,
        numberText(request.frequencyHz / kHertzPerMegahertz) + QStringLiteral(" MHz"), "#000000");

    for (std::size_t i = 0; i < result.solutions.size(); ++i) {
        const char *colour = kColours[i % std::size(kColours)];
        const auto &sweep = result.solutions[i].swrSweep;
        if (svg) {
            QString points;
            for (const auto &[hertz, swr] : sweep) {
                points += QStringLiteral("%1,%2 ")
                              .arg(plot.x(hertz), 0, 'f', 1)
                              .arg(plot.y(swr), 0, 'f', 1);
            }
            content += QStringLiteral(
                "<polyline fill=\"none\" stroke=\"%1\" stroke-width=\"2\" points=\"%2\"/>\n")
                           .arg(QLatin1String(colour), points.trimmed())
                           .toUtf8();
        } else {
            QPolygonF polygon;
            for (const auto &[hertz, swr] : sweep) {
                polygon << QPointF(plot.x(hertz), plot.y(swr));
            }
            painter.setPen(QPen(QColor(QLatin1String(colour)), 2));
            painter.drawPolyline(polygon);
        }
        const double y = Plot::plotHeight + 14 + 18 * double(i);
        line(Plot::left, y - 4, Plot::left + 20, y - 4, colour, 2, false);
        label(Plot::left + 26, y, solutionName(result, int(i)), "#000000");
    }
    if (svg) {
        content += "</svg>\n";
    } else {
        painter.end();
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    const bool written = svg ? file.write(content) == content.size() : image.save(&file, "PNG");
    if (!written || !file.commit()) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
