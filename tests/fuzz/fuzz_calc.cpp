// Feeds arbitrary doubles (every bit pattern: NaN, infinities, subnormals, ±1e308) through
// the measurement, the matching solver and the component texts. The sanitizers report any
// undefined behaviour; the checks below state what must hold whatever the input.

#include "calculationstate.h"
#include "componenttext.h"
#include "impedancefrommeasurement.h"
#include "solvematching.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The next eight bytes as a double, bit for bit; zero when the input has run out.
double takeDouble(const std::uint8_t *&data, std::size_t &size)
{
    double value = 0;
    if (size >= sizeof value) {
        std::memcpy(&value, data, sizeof value);
        data += sizeof value;
        size -= sizeof value;
    }
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    calculationState = CalculationState();
    calculationState.sourceImpedance = takeDouble(data, size);
    const double vRef = takeDouble(data, size);
    const double vX = takeDouble(data, size);
    const double delay = takeDouble(data, size);
    const double freq = takeDouble(data, size);
    impedanceFromMeasurement(vRef, vX, delay, freq);

    // Either the measured impedance or one given directly, as the compensation action
    // takes it from the panel.
    if (size % 2) {
        calculationState.zReal = takeDouble(data, size);
        calculationState.zImag = takeDouble(data, size);
    }
    solveMatching();
    if (calculationState.circuitVariant < 0 || calculationState.circuitVariant > 5) {
        std::abort();
    }

    const double frequencyHz = takeDouble(data, size);
    const QString one = componentText(calculationState.reactanceOne, frequencyHz);
    const QString two = componentText(calculationState.reactanceTwo, frequencyHz);
    const auto wellFormed = [](const QString &text) {
        return (text.startsWith(QLatin1String("Capacitor of "))
                   && text.endsWith(QLatin1String(" pF")))
            || (text.startsWith(QLatin1String("Coil of ")) && text.endsWith(QLatin1String(" nH")));
    };
    if (!wellFormed(one) || !wellFormed(two)) {
        std::abort();
    }
    return 0;
}
