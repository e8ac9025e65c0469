#include "measurerun.h"

#include "units.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <new>

namespace {

// A capture read from one file of two channels or two files of one channel each.
struct CaptureInput
{
    QString name; // "a.csv", or "a.csv + b.csv"
    Result<Capture> capture = Failure {};
    double measuringFrequencyMHz = 0; // as the file says it; 0 where it says none
};

// The frequency to fit at: the one given on the command line, else the one the capture's
// file says it was measured at, else 0 (estimated from the capture).
double fitFrequencyMHz(const MeasureRequest &request, const CaptureInput &input)
{
    return request.frequencyMHz > 0 ? request.frequencyMHz : input.measuringFrequencyMHz;
}

class Reader
{
public:
    Reader(const MeasureRequest &request, const MeasureObserver &observer)
        : m_columns(request.columns)
        , m_segment(request.segment)
        , m_observer(observer)
    { }

    // Whether the file holds one channel, so that the next file is its partner; a file that
    // cannot be read is taken alone.
    bool holdsOneChannel(const QString &file) const;
    // The capture of `first`, and of `second` where `first` holds one channel.
    CaptureInput input(const QString &first, const QString *second) const;

private:
    Result<CaptureRead> read(const QString &file) const;
    void tell(const QString &message, bool note) const
    {
        if (m_observer.message) {
            m_observer.message(message, note);
        }
    }

    const ColumnChoice &m_columns;
    int m_segment;
    const MeasureObserver &m_observer;
    mutable std::optional<std::pair<QString, Result<CaptureRead>>> m_last;
};

// A file read, its warnings said and its notes told (for --verbose); the last one kept, so
// that a file read to see how many channels it holds is not read twice.
Result<CaptureRead> Reader::read(const QString &file) const
{
    if (m_last && m_last->first == file) {
        Result<CaptureRead> kept = std::move(m_last->second);
        m_last.reset();
        return kept;
    }
    Result<CaptureRead> read = Failure {};
    try {
        read = readCaptureFile(file, m_columns, m_segment);
    } catch (const std::bad_alloc &) {
        return Failure {file + QStringLiteral(": not enough memory to read and fit it")};
    }
    if (read) {
        for (const QString &warning : read->warnings) {
            tell(warning, false);
        }
        for (const QString &note : read->notes) {
            tell(file + QStringLiteral(": ") + note, true);
        }
    }
    return read;
}

bool Reader::holdsOneChannel(const QString &file) const
{
    Result<CaptureRead> read = this->read(file);
    const bool one = read && read->channels.size() == 1;
    m_last.emplace(file, std::move(read));
    return one;
}

CaptureInput Reader::input(const QString &first, const QString *second) const
{
    CaptureInput input;
    input.name = first;
    Result<CaptureRead> one = read(first);
    if (!one) {
        input.capture = one.failure();
        return input;
    }
    input.measuringFrequencyMHz = one->measuringFrequencyHz / kHertzPerMegahertz;
    if (one->channels.size() != 1) {
        Capture capture;
        capture.time = std::move(one->time);
        capture.reference = std::move(one->channels[0].millivolts);
        capture.vx = std::move(one->channels[1].millivolts);
        input.capture = std::move(capture);
        return input;
    }
    if (!second) {
        input.capture = Failure {
            QStringLiteral("%1 holds one channel; give the file of the other channel after it")
                .arg(first)};
        return input;
    }
    const Result<CaptureRead> other = read(*second);
    if (!other) {
        input.capture = other.failure();
        return input;
    }
    if (other->channels.size() != 1) {
        input.capture = Failure {QStringLiteral("%1 holds one channel but %2 holds two; give the "
                                                "files of one channel in pairs")
                                     .arg(first, *second)};
        return input;
    }
    Result<PairedCapture> paired = pairChannels(*one, first, *other, *second);
    if (!paired) {
        input.capture = paired.failure();
        return input;
    }
    input.name = first + QStringLiteral(" + ") + *second;
    for (const QString &warning : paired->warnings) {
        tell(input.name + QStringLiteral(": ") + warning, false);
    }
    for (const QString &note : paired->notes) {
        tell(input.name + QStringLiteral(": ") + note, true);
    }
    // Two files of equal time axes may still come from two acquisitions at different
    // frequencies, which the fit would turn into a wrong phase.
    if (const Status same = channelsShareFrequency(paired->capture); !same) {
        input.capture = Failure {QStringLiteral("%1 and %2 are not one acquisition: %3")
                                     .arg(first, *second, same.error())};
        return input;
    }
    input.capture = std::move(paired->capture);
    return input;
}

// A standard's reading from its file or its two files ("a.csv,b.csv").
Result<StandardReading> standardReading(
    const QString &given, const Reader &reader, const MeasureRequest &request)
{
    const QStringList names = given.split(QLatin1Char(','));
    if (names.size() > 2) {
        return Failure {QStringLiteral("%1: a standard is one file of two channels, or two files "
                                       "of one channel each separated by a comma")
                            .arg(given)};
    }
    const CaptureInput input = reader.input(names[0], names.size() == 2 ? &names[1] : nullptr);
    if (!input.capture) {
        return input.capture.failure();
    }
    const Result<CaptureMeasurement> measured
        = measureStandard(*input.capture, fitFrequencyMHz(request, input), request.sourceImpedance);
    if (!measured) {
        return Failure {input.name + QStringLiteral(": ") + measured.error()};
    }
    return StandardReading {
        measured->frequencyMHz * kHertzPerMegahertz, measured->ratio, input.name};
}

// What one --open, --short or --load names: a capture ("a.csv" or "a.csv,b.csv") as it is,
// or a folder's CSV files, each a capture, in the order of their names (a sweep's captures
// as --save-captures wrote them).
QStringList standardCaptures(const QString &given)
{
    const QFileInfo info(given);
    if (!info.isDir()) {
        return {given};
    }
    const QDir folder(given);
    QStringList captures;
    for (const QString &name : folder.entryList(
             {QStringLiteral("*.csv"), QStringLiteral("*.CSV")}, QDir::Files, QDir::Name)) {
        captures.append(folder.filePath(name));
    }
    return captures;
}

} // namespace

QStringList StandardFiles::all() const
{
    QStringList files;
    for (const QStringList *list : {&opens, &shorts, &loads}) {
        for (const QString &given : *list) {
            for (const QString &capture : standardCaptures(given)) {
                files += capture.split(QLatin1Char(','));
            }
        }
    }
    return files;
}

Result<Calibration> calibrationFromFiles(const StandardFiles &files,
    const StandardDefinitions &definitions, const MeasureRequest &request,
    const MeasureObserver &observer)
{
    const Reader reader(request, observer);
    std::vector<StandardReading> readings[3];
    const QStringList *lists[3] = {&files.opens, &files.shorts, &files.loads};
    for (int kind = 0; kind < 3; ++kind) {
        for (const QString &given : *lists[kind]) {
            const QStringList captures = standardCaptures(given);
            if (captures.isEmpty()) {
                return Failure {QStringLiteral("%1: a folder without a CSV capture").arg(given)};
            }
            for (const QString &capture : captures) {
                const Result<StandardReading> reading = standardReading(capture, reader, request);
                if (!reading) {
                    return reading.failure();
                }
                readings[kind].push_back(*reading);
            }
        }
    }
    return buildCalibration(readings[0], readings[1], readings[2], definitions,
        request.sourceImpedance, QDateTime::currentDateTimeUtc());
}

MeasureOutcome measureFiles(const MeasureRequest &request, const MeasureObserver &observer)
{
    MeasureOutcome outcome;
    const Reader reader(request, observer);
    const Corrections corrections {request.calibration ? &*request.calibration : nullptr,
        request.line ? &*request.line : nullptr};
    const auto fail = [&](const QString &message) {
        if (observer.message) {
            observer.message(message, false);
        }
        ++outcome.failures;
    };
    const QStringList &files = request.files;
    const int count = int(files.size());
    for (int i = 0; i < count;) {
        if (observer.progress) {
            observer.progress(i, count, files[i]);
        }
        // A file of one channel takes the next as its partner.
        const bool pair = i + 1 < count && reader.holdsOneChannel(files[i]);
        CaptureInput input = reader.input(files[i], pair ? &files[i + 1] : nullptr);
        i += pair ? 2 : 1;
        if (!input.capture) {
            fail(input.capture.error());
            continue;
        }
        try {
            Result<FittedMeasurement> fitted = measureCaptureWithSines(*input.capture,
                fitFrequencyMHz(request, input), request.sourceImpedance, corrections);
            if (!fitted) {
                fail(input.name + QStringLiteral(": ") + fitted.error());
                continue;
            }
            const CaptureMeasurement &measurement = fitted->measurement;
            if (!measurement.warning.isEmpty() && observer.message) {
                observer.message(input.name + QStringLiteral(": ") + measurement.warning, false);
            }
            // The samples and sines, for a picture only: a run without one keeps none.
            std::shared_ptr<const CaptureTrace> trace;
            if (request.keepTraces) {
                trace = std::make_shared<const CaptureTrace>(
                    CaptureTrace {std::move(*input.capture), fitted->sines});
            }
            outcome.measured.push_back(
                {input.name, std::move(fitted->measurement), std::move(trace)});
        } catch (const std::bad_alloc &) {
            fail(input.name + QStringLiteral(": not enough memory to read and fit it"));
        }
    }
    return outcome;
}
