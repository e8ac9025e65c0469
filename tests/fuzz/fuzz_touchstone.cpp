// Feeds arbitrary bytes to the Touchstone reader as the content of an .s1p file. It may not
// crash, hang or do anything the sanitizers report; a sweep that is read must be sound, its
// picture (zalvimo-measure --plot) well-formed SVG, and writing it and reading it back must
// give it again.

#include "sweepplot.h"
#include "touchstone.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), int(size));
    const Result<TouchstoneSweep> read = readTouchstone(content, QStringLiteral("fuzz.s1p"));
    if (!read) {
        if (!read.error().startsWith(QLatin1String("fuzz.s1p"))) {
            std::abort(); // every message names the file
        }
        return 0;
    }
    const TouchstoneSweep &sweep = *read;
    if (sweep.points.empty() || !(std::isfinite(sweep.referenceOhm) && sweep.referenceOhm > 0)) {
        std::abort();
    }
    for (std::size_t k = 0; k < sweep.points.size(); ++k) {
        const TouchstonePoint &p = sweep.points[k];
        if (!std::isfinite(p.frequencyHz) || p.frequencyHz < 0 || !std::isfinite(p.s11.real())
            || !std::isfinite(p.s11.imag())
            || (k > 0 && !(p.frequencyHz > sweep.points[k - 1].frequencyHz))) {
            std::abort();
        }
    }
    // Drawn against the file's reference and against another Z0.
    for (const double z0 : {sweep.referenceOhm, 50.0}) {
        QXmlStreamReader svg(
            sweepPlot({QStringLiteral("fuzz.s1p"), sweep, {}, z0}, PictureFormat::Svg));
        while (!svg.atEnd()) {
            svg.readNext();
        }
        if (svg.hasError()) {
            std::abort();
        }
    }
    // The writer gives frequencies in MHz; two that differ in their last bits only, or
    // that are too small for a double once in MHz, may not come back apart.
    for (std::size_t k = 1; k < sweep.points.size(); ++k) {
        const double f = sweep.points[k].frequencyHz;
        const double before = sweep.points[k - 1].frequencyHz;
        if (!(f - before > 1e-9 * f) || before < 1e-290) {
            return 0;
        }
    }
    const Result<TouchstoneSweep> readAgain = readTouchstone(
        writeTouchstone(sweep, {QString::fromUtf8(content.left(80))}), QStringLiteral("again.s1p"));
    if (!readAgain) {
        std::abort();
    }
    const TouchstoneSweep &again = *readAgain;
    if (again.points.size() != sweep.points.size() || again.referenceOhm != sweep.referenceOhm) {
        std::abort();
    }
    for (std::size_t k = 0; k < sweep.points.size(); ++k) {
        if (again.points[k].s11 != sweep.points[k].s11) {
            std::abort();
        }
    }
    return 0;
}
