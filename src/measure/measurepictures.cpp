#include "measurepictures.h"

#include "captureplot.h"
#include "measuredsweep.h"
#include "outputfile.h"
#include "sweepplot.h"
#include "touchstone.h"

#include <algorithm>

namespace {

bool isTouchstoneName(const QString &file)
{
    return file.endsWith(QLatin1String(".s1p"), Qt::CaseInsensitive);
}

// A sweep's title: its captures, the first and the last of a long list.
QString sweepTitle(const std::vector<MeasuredCapture> &measured)
{
    QStringList names;
    for (const MeasuredCapture &capture : measured) {
        names.append(capture.name);
    }
    if (names.size() > 3) {
        names = QStringList {names.first(), QStringLiteral("\u2026"), names.last()};
    }
    return QStringLiteral("Sweep of %1 captures: %2")
        .arg(measured.size())
        .arg(names.join(QStringLiteral(", ")));
}

Status writePicture(const QString &path, const QByteArray &content, const QStringList &inputs)
{
    return writeOutputFile(path, content, QStringLiteral("--plot"), inputs);
}

} // namespace

QString numberedPicturePath(const QString &path, int n)
{
    if (n <= 1) {
        return path;
    }
    // The name ends in ".svg" or ".png": the number goes before those four characters.
    const int extension = int(path.size()) - 4;
    return path.left(extension) + QStringLiteral("-%1").arg(n) + path.mid(extension);
}

QStringList writeMeasurePictures(const QString &path, PictureFormat format,
    const std::vector<MeasuredCapture> &measured, const QStringList &inputs)
{
    QStringList failures;
    if (measured.empty()) {
        return failures;
    }
    if (atSeveralFrequencies(measured)) {
        const Result<MeasuredSweep> sweep = measuredSweep(measured);
        if (!sweep) {
            return {QStringLiteral("%1 is not drawn: %2").arg(path, sweep.error())};
        }
        const SweepPicture picture {
            sweepTitle(measured), sweep->sweep, sweep->spreads, sweep->sweep.referenceOhm};
        const Status written = writePicture(path, sweepPlot(picture, format), inputs);
        return written ? failures : QStringList {written.error()};
    }
    int n = 0;
    for (const MeasuredCapture &capture : measured) {
        const QString file = numberedPicturePath(path, ++n);
        if (!capture.trace) {
            failures.append(QStringLiteral("%1 is not drawn: the samples of %2 were not kept")
                                .arg(file, capture.name));
            continue;
        }
        const Status written = writePicture(
            file, capturePlot(capture.name, capture.measurement, *capture.trace, format), inputs);
        if (!written) {
            failures.append(written.error());
        }
    }
    return failures;
}

Result<bool> drawsTouchstone(const QStringList &inputs, bool plot, bool otherOutputs)
{
    const auto touchstones = std::count_if(inputs.begin(), inputs.end(), isTouchstoneName);
    if (touchstones == 0) {
        return false;
    }
    if (touchstones < inputs.size()) {
        return Failure {QStringLiteral("give captures to measure or one .s1p file to draw, not "
                                       "both")};
    }
    if (!plot) {
        return Failure {QStringLiteral("an .s1p file is read only to draw its sweep: "
                                       "zalvimo-measure --plot swr.png %1")
                            .arg(inputs.first())};
    }
    if (otherOutputs) {
        return Failure {QStringLiteral("--json, --csv and --s1p are for captures; an .s1p file "
                                       "is only drawn, with --plot")};
    }
    if (touchstones > 1) {
        return Failure {QStringLiteral("give one .s1p file to draw")};
    }
    return true;
}

Status writeTouchstonePicture(const QString &path, PictureFormat format,
    const QString &touchstonePath, std::optional<double> z0)
{
    Result<TouchstoneSweep> sweep = readTouchstoneFile(touchstonePath);
    if (!sweep) {
        return sweep.failure();
    }
    SweepPicture picture;
    picture.title = touchstonePath;
    picture.z0 = z0.value_or(sweep->referenceOhm);
    picture.sweep = std::move(*sweep);
    return writePicture(path, sweepPlot(picture, format), {touchstonePath});
}
