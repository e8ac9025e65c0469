#include "measurerun.h"

#include <new>

namespace {

// The capture that starts at files[index], and how many files it took: one file of two
// channels, or two files of one channel each (a failure may have taken two as well).
struct CaptureInput
{
    int filesUsed = 1;
    QString name;
    Result<Capture> capture = Failure {};
};

class Reader
{
public:
    Reader(const MeasureRequest &request, const MeasureObserver &observer)
        : m_request(request)
        , m_observer(observer)
    { }

    CaptureInput input(int index) const;

private:
    Result<CaptureRead> read(const QString &file) const;
    void tell(const QString &message, bool note) const
    {
        if (m_observer.message) {
            m_observer.message(message, note);
        }
    }

    const MeasureRequest &m_request;
    const MeasureObserver &m_observer;
};

// A file read, its warnings said and its notes told (for --verbose).
Result<CaptureRead> Reader::read(const QString &file) const
{
    Result<CaptureRead> read = Failure {};
    try {
        read = readCaptureFile(file, m_request.columns);
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

CaptureInput Reader::input(int index) const
{
    const QStringList &files = m_request.files;
    CaptureInput input;
    input.name = files[index];
    Result<CaptureRead> first = read(files[index]);
    if (!first) {
        input.capture = first.failure();
        return input;
    }
    if (first->channels.size() != 1) {
        Capture capture;
        capture.time = std::move(first->time);
        capture.reference = std::move(first->channels[0].millivolts);
        capture.vx = std::move(first->channels[1].millivolts);
        input.capture = std::move(capture);
        return input;
    }
    if (index + 1 >= files.size()) {
        input.capture = Failure {QStringLiteral("%1 holds one channel; give the file of the "
                                                "other channel after it")
                                     .arg(files[index])};
        return input;
    }
    input.filesUsed = 2;
    const Result<CaptureRead> second = read(files[index + 1]);
    if (!second) {
        input.capture = second.failure();
        return input;
    }
    if (second->channels.size() != 1) {
        input.capture = Failure {QStringLiteral("%1 holds one channel but %2 holds two; give "
                                                "the files of one channel in pairs")
                                     .arg(files[index], files[index + 1])};
        return input;
    }
    Result<PairedCapture> paired = pairChannels(*first, files[index], *second, files[index + 1]);
    if (!paired) {
        input.capture = paired.error().isEmpty()
            ? Failure {QStringLiteral("%1 and %2 cannot be paired")
                           .arg(files[index], files[index + 1])}
            : paired.failure();
        return input;
    }
    input.name = files[index] + QStringLiteral(" + ") + files[index + 1];
    for (const QString &note : paired->notes) {
        tell(input.name + QStringLiteral(": ") + note, true);
    }
    // Two files of equal time axes may still come from two acquisitions at different
    // frequencies, which the fit would turn into a wrong phase.
    if (const Status same = channelsShareFrequency(paired->capture); !same) {
        input.capture = Failure {QStringLiteral("%1 and %2 are not one acquisition: %3")
                                     .arg(files[index], files[index + 1], same.error())};
        return input;
    }
    input.capture = std::move(paired->capture);
    return input;
}

} // namespace

MeasureOutcome measureFiles(const MeasureRequest &request, const MeasureObserver &observer)
{
    MeasureOutcome outcome;
    const Reader reader(request, observer);
    const auto fail = [&](const QString &message) {
        if (observer.message) {
            observer.message(message, false);
        }
        ++outcome.failures;
    };
    const int count = int(request.files.size());
    for (int i = 0; i < count;) {
        if (observer.progress) {
            observer.progress(i, count, request.files[i]);
        }
        QString name = request.files[i];
        int used = 1;
        try {
            CaptureInput input = reader.input(i);
            used = input.filesUsed;
            name = input.name;
            if (!input.capture) {
                fail(input.capture.error());
                i += used;
                continue;
            }
            Result<FittedMeasurement> fitted = measureCaptureWithSines(
                *input.capture, request.frequencyMHz, request.sourceImpedance);
            if (!fitted) {
                fail(name + QStringLiteral(": ") + fitted.error());
            } else {
                const CaptureMeasurement &measurement = fitted->measurement;
                if (!measurement.warning.isEmpty() && observer.message) {
                    observer.message(name + QStringLiteral(": ") + measurement.warning, false);
                }
                std::shared_ptr<const CaptureTrace> trace;
                if (request.keepTraces) {
                    trace = std::make_shared<const CaptureTrace>(
                        CaptureTrace {std::move(*input.capture), fitted->sines});
                }
                outcome.measured.push_back(
                    {name, std::move(fitted->measurement), std::move(trace)});
            }
        } catch (const std::bad_alloc &) {
            fail(name + QStringLiteral(": not enough memory to read and fit it"));
        }
        i += used;
    }
    return outcome;
}
