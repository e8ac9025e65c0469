// Runs zalvimo-match's whole road on arbitrary bytes: the first four bytes choose the
// options within their ranges (Z0, frequency, parts, Q, power) and whether the rest is a
// load as text ("41.97-27.05j") or a Touchstone file. Parsing, the design, the parts, the
// text and JSON reports and the SVG plot may not crash, hang or do anything the sanitizers
// report; whatever is accepted must be sound: every number the reports give finite, the
// JSON and the SVG well-formed, every band edge inside the frequencies searched.

#include "lnetwork.h"
#include "loadtext.h"
#include "matchdesign.h"
#include "matchreport.h"
#include "swrplot.h"
#include "touchstone.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Stops the run at a requirement that does not hold, naming its line.
void require(bool condition, int line = __builtin_LINE())
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_match.cpp:%d: requirement failed\n", line);
        std::abort();
    }
}

// Every number of a JSON value finite (a writer turns what is not into null, which is
// allowed only where the reports mean "none").
void requireFinite(const QJsonValue &value)
{
    if (value.isDouble()) {
        require(std::isfinite(value.toDouble()));
    } else if (value.isArray()) {
        for (const QJsonValue &item : value.toArray()) {
            requireFinite(item);
        }
    } else if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            requireFinite(*it);
        }
    }
}

MatchRequest optionsFrom(const std::uint8_t *data)
{
    MatchRequest request;
    request.z0 = 0.1 * std::pow(10.0, 5.0 * data[1] / 255); // 0.1 ohm to 10 kohm
    request.frequencyHz = 1e3 * std::pow(10.0, 7.0 * data[2] / 255); // 1 kHz to 10 GHz
    request.series = data[0] % 3 == 0 ? 6 : data[0] % 3 == 1 ? 12 : 24;
    const auto &cores = toroidCores();
    if (data[0] & 0x40) {
        request.coilForm.airDiameterMetre = 0.5e-3 * std::pow(2000.0, (data[3] & 0x0f) / 15.0);
        request.coilForm.airPitchMetre = 0.01e-3 * std::pow(10000.0, (data[3] >> 4) / 15.0);
    } else {
        request.coilForm.core = &cores[data[3] % cores.size()];
    }
    request.coilQ = 1 + (data[3] % 7) * 200.0;
    request.capacitorQ = 1 + (data[3] % 5) * 2000.0;
    request.powerWatt = 1e-6 * std::pow(1e12, (data[0] >> 2 & 0x0f) / 15.0);
    return request;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 5) {
        return 0;
    }
    MatchRequest request = optionsFrom(data);
    const QByteArray rest(reinterpret_cast<const char *>(data + 4), int(size - 4));
    if (data[0] & 0x80) {
        const Result<TouchstoneSweep> sweep = readTouchstone(rest, QStringLiteral("fuzz.s1p"));
        if (!sweep) {
            return 0;
        }
        request = sweepRequest(request, *sweep);
    } else if (!parseLoad(QString::fromUtf8(rest), &request.load)) {
        return 0;
    }
    if (!checkedRequest(request)) {
        return 0;
    }
    const MatchResult result = designMatches(request);

    // No number in the text that is not one.
    static const QRegularExpression notANumber(
        QStringLiteral("\\b(inf|nan)\\b"), QRegularExpression::CaseInsensitiveOption);
    require(!matchText(request, result).contains(notANumber));

    QJsonParseError parse;
    const QJsonDocument json = QJsonDocument::fromJson(matchJson(request, result), &parse);
    require(parse.error == QJsonParseError::NoError);
    requireFinite(json.object());

    // Band edges inside the frequencies searched: the sweep's, or the grid around the load.
    const double lowest
        = request.sweep.empty() ? request.frequencyHz / 5.0001 : request.sweep.front().first;
    const double highest
        = request.sweep.empty() ? request.frequencyHz * 5.0001 : request.sweep.back().first;
    for (const MatchedSolution &s : result.solutions) {
        for (const Band &band : {s.band15, s.band2}) {
            if (band.found) {
                require(band.lowHz >= lowest * (1 - 1e-12) && band.highHz <= highest * (1 + 1e-12));
                require(band.lowHz <= band.highHz);
            }
        }
        for (const auto &[hertz, swr] : s.swrSweep) {
            require(std::isfinite(hertz) && !std::isnan(swr));
        }
    }

    const QByteArray svg = swrPlot(request, result, PictureFormat::Svg);
    require(!svg.contains("nan") && !svg.contains("inf"));
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        xml.readNext();
    }
    require(!xml.hasError());
    return 0;
}
