// Feeds arbitrary bytes to the capture reader as the content of a CSV file, and whatever it
// accepts to the sine fit and the measurement (the frequency estimated, or taken from the
// first byte). Neither may crash, hang or do anything the sanitizers report; a capture that
// is read must be sound.

#include "capture.h"
#include "capturemeasurement.h"
#include "capturereader.h"

#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const double frequencyMHz = data[0] % 4 == 0 ? 0 : data[0] * 0.5;
    const QByteArray content(reinterpret_cast<const char *>(data + 1), int(size - 1));
    const ColumnChoice columns[] = {{}, {QStringLiteral("3"), QStringLiteral("2")},
        {QStringLiteral("ch1"), QStringLiteral("ch2")}};

    Capture capture;
    QString error;
    if (!readCapture(content, QStringLiteral("fuzz.csv"), columns[data[0] % 3], &capture, &error)) {
        if (!error.startsWith(QLatin1String("fuzz.csv"))) {
            std::abort(); // every message names the file
        }
        return 0;
    }
    const std::size_t n = capture.time.size();
    if (n == 0 || capture.reference.size() != n || capture.vx.size() != n) {
        std::abort();
    }
    for (std::size_t k = 0; k < n; ++k) {
        if (!std::isfinite(capture.time[k]) || !std::isfinite(capture.reference[k])
            || !std::isfinite(capture.vx[k])
            || (k > 0 && !(capture.time[k] > capture.time[k - 1]))) {
            std::abort();
        }
    }
    CaptureMeasurement measurement;
    if (measureCapture(capture, frequencyMHz, 50, &measurement, &error)
        && !(std::isfinite(measurement.r) && std::isfinite(measurement.x))) {
        std::abort(); // a result is a finite impedance
    }
    return 0;
}
