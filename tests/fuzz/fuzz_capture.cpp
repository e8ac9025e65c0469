// Runs the whole road of zalvimo-measure on arbitrary bytes: the first byte picks the
// columns and the frequency (or its estimate), the second Z0 and the segment, the rest is
// the file; where it holds a form feed, what stands before it is the header file beside the
// data (Rohde & Schwarz's "name.csv" beside "name.Wfm.csv") and the data follow it. The
// reader, the pairing, the fit, the measurement and every report may not crash, hang or do
// anything the sanitizers report, and whatever is accepted must be sound: finite times that
// increase, finite samples, a finite Z with a sigma above 0 and R not below −3 sigma, a
// network of finite parts whose texts read back as their values, reports that parse.

#include "capture.h"
#include "capturemeasurement.h"
#include "capturereader.h"
#include "measuredsweep.h"
#include "measurementreport.h"
#include "numbertext.h"
#include "touchstone.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

// The value in a component text, "Coil of 78.1458 nH", in henries or farads.
double valueOfText(const QString &text)
{
    const QStringList words = text.split(QLatin1Char(' '));
    require(words.size() == 4);
    const double unit = words[3] == QLatin1String("nH") ? 1e-9 : 1e-12;
    return numberFromText(words[2]) * unit;
}

void checkPart(double reactance, const QString &text, double frequencyHz)
{
    require(!std::isnan(reactance));
    const ComponentValue part = componentValue(reactance, frequencyHz);
    require(std::isfinite(part.value) && part.value >= 0);
    require(part.coil == text.startsWith(QLatin1String("Coil of ")));
    const double read = valueOfText(text);
    // Six digits, and the text's shortened π (3.1415926) against the value's.
    require(std::abs(read - part.value) <= 1e-5 * part.value + 1e-300);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    // 1 kHz to 10 GHz, or estimated; 0.1 ohm to 10 kohm: the ranges the program takes.
    const double frequencyMHz
        = data[0] % 4 == 0 ? 0 : kLowestFrequencyMHz * std::pow(10.0, 7.0 * data[0] / 255);
    const double z0 = kLowestSourceImpedance * std::pow(10.0, 5.0 * data[1] / 255);
    QByteArray content(reinterpret_cast<const char *>(data + 2), int(size - 2));
    const ColumnChoice columns[] = {{}, {QStringLiteral("3"), QStringLiteral("2")},
        {QStringLiteral("ch1"), QStringLiteral("name=2")}};
    ReadContext context;
    context.segment = data[1] & 3;
    if (const int feed = content.indexOf('\f'); feed >= 0) {
        context.header = content.left(feed);
        context.headerName = QStringLiteral("fuzz.csv.header");
        content.remove(0, feed + 1);
    }

    const Result<CaptureRead> result
        = readCaptureChannels(content, QStringLiteral("fuzz.csv"), columns[data[0] % 3], context);
    if (!result) {
        require(result.error().startsWith(QLatin1String("fuzz.csv")));
        return 0;
    }
    const CaptureRead &read = *result;
    const std::size_t n = read.time.size();
    require(n > 0 && (read.channels.size() == 1 || read.channels.size() == 2));
    for (std::size_t k = 0; k < n; ++k) {
        require(std::isfinite(read.time[k]) && (k == 0 || read.time[k] > read.time[k - 1]));
    }
    for (const CaptureChannel &channel : read.channels) {
        require(channel.millivolts.size() == n);
        for (const double v : channel.millivolts) {
            require(std::isfinite(v));
        }
    }

    Capture capture;
    if (read.channels.size() == 1) {
        // A file of one channel paired with itself: the same axis, so it must pair.
        const Result<PairedCapture> paired
            = pairChannels(read, QStringLiteral("a.csv"), read, QStringLiteral("b.csv"));
        require(paired || n < 2);
        if (n < 2) {
            return 0;
        }
        capture = paired->capture;
    } else {
        capture.time = read.time;
        capture.reference = read.channels[0].millivolts;
        capture.vx = read.channels[1].millivolts;
    }

    const Result<CaptureMeasurement> measurement = measureCapture(capture, frequencyMHz, z0);
    if (!measurement) {
        require(!measurement.error().isEmpty());
        return 0;
    }
    const CaptureMeasurement &m = *measurement;
    require(std::isfinite(m.r) && std::isfinite(m.x));
    require(std::isfinite(m.rSigma) && m.rSigma > 0 && std::isfinite(m.xSigma) && m.xSigma > 0);
    require(m.r >= -3 * m.rSigma);
    const double frequencyHz = m.frequencyMHz * 1e6;
    require(std::isfinite(frequencyHz) && frequencyHz > 0);
    if (m.network) {
        checkPart(m.network->reactanceOne, m.network->elementOne, frequencyHz);
        checkPart(m.network->reactanceTwo, m.network->elementTwo, frequencyHz);
    } else {
        require(!m.warning.isEmpty());
    }

    const std::vector<MeasuredCapture> measured {{QStringLiteral("fuzz.csv"), m, {}}};
    require(!textReport(measured.front()).isEmpty());
    require(!textTable(measured).isEmpty());
    require(!csvReport(measured).isEmpty());
    QJsonParseError parse;
    QJsonDocument::fromJson(jsonReport(measured), &parse);
    require(parse.error == QJsonParseError::NoError);
    if (const Result<MeasuredSweep> sweep = measuredSweep(measured)) {
        require(readTouchstone(writeTouchstone(sweep->sweep, {}), QStringLiteral("f.s1p")).ok());
    }
    return 0;
}
