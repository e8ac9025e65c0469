// Paints the chart into an image from an arbitrary calculation state and scale: every bit
// pattern of every field, circuit variants far outside 0 to 5. The sanitizers, with
// float-cast-overflow, report any double that reaches an int unchecked.

#include "antennawidget.h"
#include "calculationstate.h"

#include <QApplication>
#include <QImage>

#include <cstdint>
#include <cstring>

namespace {

template<typename T>
T take(const std::uint8_t *&data, std::size_t &size)
{
    T value {};
    if (size >= sizeof value) {
        std::memcpy(&value, data, sizeof value);
        data += sizeof value;
        size -= sizeof value;
    }
    return value;
}

QApplication *application = nullptr;

AntennaWidget &chart()
{
    static AntennaWidget widget(500, 400);
    return widget;
}

void paint(double scale)
{
    static QImage image(500, 400, QImage::Format_ARGB32_Premultiplied);
    chart().setScale(scale);
    chart().render(&image);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    application = new QApplication(*argc, *argv);
    // The first paint loads the fonts, which the toolkit keeps for the process: do it here,
    // so that the leak check of the runs sees only what a paint itself allocates.
    paint(2.0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    CalculationState state;
    state.sourceImpedance = take<double>(data, size);
    state.zReal = take<double>(data, size);
    state.zImag = take<double>(data, size);
    state.turnReal = take<double>(data, size);
    state.turnImag = take<double>(data, size);
    state.circuitVariant = take<std::int32_t>(data, size);
    state.reactanceOne = take<double>(data, size);
    state.reactanceTwo = take<double>(data, size);
    state.arcCenter = take<double>(data, size);
    state.arcStartAngle = take<double>(data, size);
    state.arcEndAngle = take<double>(data, size);
    const double scale = size >= sizeof(double) ? take<double>(data, size) : 2.0;
    calculationState = state;

    paint(scale);
    return 0;
}
