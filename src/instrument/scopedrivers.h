#ifndef SCOPEDRIVERS_H
#define SCOPEDRIVERS_H

// The drivers' shared part: what every family does the same way (the timebase and volts per
// division it changes and gives back, numbers out of replies, records read in blocks or in
// pieces, samples into volts), and the makers of each family's driver. Inside the
// instrument library only.

#include "scope.h"
#include "scpitransport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <map>

// The settings commands of a family, "%1" and "%2" standing for the channel and the value.
struct ScopeCommands
{
    int horizontalDivisions;
    int verticalDivisions;
    const char *setTimebase; // %1: s/div
    const char *timebaseQuery;
    const char *setVoltsPerDivision; // %1: channel, %2: V/div
    const char *voltsPerDivisionQuery; // %1: channel
    // The unit the family's replies end in (Siglent's "TDIV 5.00E-09S"), empty for none.
    const char *secondsUnit;
    const char *voltsUnit;
};

// A family's samples as a straight line from codes to volts and from indices to times:
// volts = voltsAtCodeZero + voltsPerCode·code, time = firstTime + interval·index.
struct TraceScale
{
    double voltsAtCodeZero = 0;
    double voltsPerCode = 0;
    double firstTime = 0;
    double interval = 0;
    long lowestCode = 0; // the converter's ends: a sample there has clipped
    long highestCode = 0;
    double screenVolts = 0; // the screen's height in volts
};

// The samples of a block as a Trace; `codeAt(i)` is the family's decoding of sample i.
template<typename CodeAt>
Trace linearTrace(qsizetype count, CodeAt codeAt, const TraceScale &scale)
{
    Trace trace;
    trace.time.resize(size_t(count));
    trace.volts.resize(size_t(count));
    long lowest = scale.highestCode;
    long highest = scale.lowestCode;
    for (qsizetype i = 0; i < count; ++i) {
        const long code = codeAt(i);
        lowest = std::min(lowest, code);
        highest = std::max(highest, code);
        trace.time[size_t(i)] = scale.firstTime + scale.interval * double(i);
        trace.volts[size_t(i)] = scale.voltsAtCodeZero + scale.voltsPerCode * double(code);
    }
    trace.clipped = count > 0 && (lowest <= scale.lowestCode || highest >= scale.highestCode);
    trace.screenFraction = count > 0 && scale.screenVolts > 0
        ? std::abs(scale.voltsPerCode) * double(highest - lowest) / scale.screenVolts
        : 0;
    return trace;
}

// The number of periods a record holds at least: enough for the fit to tell the frequency's
// sine from noise, few enough to keep the record short.
constexpr double kPeriodsPerRecord = 20;
// How long a scope may take to arm after a single-trigger command and still show "stopped".
constexpr std::chrono::milliseconds kArmingGrace {200};
// The longest record read, in points per channel: three arrays of doubles of it make the
// capture (about 100 MB). A scope set to a deeper fixed memory is asked to use less.
constexpr qint64 kLongestRecord = 4'000'000;

// One number to ask for: the query, and the unit its reply ends in ("" for none).
struct NumberQuery
{
    QByteArray command;
    const char *unit = "";
};

// The ten numbers of :WAVeform:PREamble? as Rigol and Keysight give them, in their order
// (each driver names its guide's page).
struct WaveformPreamble
{
    double format = 0;
    double type = 0;
    double points = 0;
    double count = 0;
    double xIncrement = 0;
    double xOrigin = 0;
    double xReference = 0;
    double yIncrement = 0;
    double yOrigin = 0;
    double yReference = 0;
};

// A record's length as a scope announces it: a whole number of points from 1 to
// kLongestRecord.
bool isRecordLength(double points);

// A record of `count` points read `piece` points at a time, as a deep memory must be read:
// `readPiece(first, n)` gives the n points from point `first`, counting from 0.
Result<QByteArray> readInPieces(qint64 count, qint64 piece,
    const std::function<Result<QByteArray>(qint64 first, qint64 n)> &readPiece);

// A record of one byte a sample as a Trace: unsigned codes 0 to 255, or two's-complement
// ones -128 to 127.
Trace unsignedByteTrace(const QByteArray &codes, const TraceScale &scale);
Trace signedByteTrace(const QByteArray &codes, const TraceScale &scale);

// What the SCPI families share: the transport, the identification, the settings a sweep
// changes and how to give them back.
class ScpiScope : public Scope
{
public:
    ScpiScope(std::unique_ptr<ScpiTransport> transport, ScopeFamily family,
        QByteArray identification, const ScopeCommands &commands);

    QString family() const override;
    QString identification() const override;
    QString name() const override;
    Status prepare(double frequencyHz) override;
    double secondsPerDivision() const override { return m_secondsPerDivision; }
    Result<double> voltsPerDivision(int channel) override;
    Result<double> setVoltsPerDivision(int channel, double voltsPerDivision) override;
    Status restore() override;

    ScpiTransport &transport() { return *m_transport; }

protected:
    // Leaves the scope running as it was before the first acquisition.
    virtual Status resumeRunning() = 0;

    // A reply that must be a number, in the family's unit where it has one.
    Result<double> queryNumber(const QByteArray &command, const char *unit = "");
    // A reply of `count` comma-separated numbers, described as `expected` in the message.
    Result<std::vector<double>> queryNumbers(
        const QByteArray &command, int count, const QString &expected);
    // The replies of `queries`, asked in their order; the first failure ends it.
    template<std::size_t N>
    Result<std::array<double, N>> queryEach(const NumberQuery (&queries)[N]);
    // A block of data that must hold `bytes` bytes, as the record's description announced;
    // otherwise a failure "'<command>' gave N bytes" followed by `announced`.
    Result<QByteArray> queryExactBlock(const QByteArray &command, qint64 bytes,
        const QString &announced, const BlockFraming &framing = {});
    // :WAVeform:PREamble? of `format` (`formatName` in the message, "BYTE"), a record
    // length that isRecordLength() takes (`advice` after the message otherwise) and both
    // increments above 0.
    Result<WaveformPreamble> waveformPreamble(
        double format, const char *formatName, const QString &advice = QString());
    Status send(const QByteArray &command) { return m_transport->send(command); }
    // Each command in turn; the first that fails ends it.
    Status sendAll(std::initializer_list<QByteArray> commands);
    Failure failure(const QString &message) const { return m_transport->failure(message); }
    // A reply that is not what the manual says it is.
    Failure unexpected(
        const QByteArray &command, const QByteArray &reply, const QString &expected) const;
    // Asks `command` every few milliseconds until `done` holds for its reply, for at most the
    // transport's timeout.
    Status pollUntil(const QByteArray &command, const std::function<bool(const QByteArray &)> &done,
        const QString &waitingFor);
    // Polls `command` after a single trigger until `stopped` holds for its reply. A scope
    // still shows the end of its previous acquisition until it has taken the trigger command
    // in: a stopped reply counts once a running one was seen, or after kArmingGrace.
    Status waitUntilStopped(
        const QByteArray &command, const std::function<bool(const QByteArray &)> &stopped);
    const ScopeCommands &commands() const { return m_commands; }

private:
    std::unique_ptr<ScpiTransport> m_transport;
    ScopeFamily m_family;
    QByteArray m_identification;
    ScopeCommands m_commands;
    double m_secondsPerDivision = 0;
    std::optional<double> m_savedSecondsPerDivision;
    std::map<int, double> m_voltsPerDivision;
    std::map<int, double> m_savedVoltsPerDivision;
};

template<std::size_t N>
Result<std::array<double, N>> ScpiScope::queryEach(const NumberQuery (&queries)[N])
{
    std::array<double, N> values {};
    for (std::size_t i = 0; i < N; ++i) {
        const Result<double> value = queryNumber(queries[i].command, queries[i].unit);
        if (!value) {
            return value.failure();
        }
        values[i] = *value;
    }
    return values;
}

std::unique_ptr<Scope> makeRigolScope(
    std::unique_ptr<ScpiTransport> transport, ScopeFamily family, QByteArray identification);
std::unique_ptr<Scope> makeKeysightScope(
    std::unique_ptr<ScpiTransport> transport, QByteArray identification);
std::unique_ptr<Scope> makeRohdeSchwarzScope(
    std::unique_ptr<ScpiTransport> transport, QByteArray identification);
std::unique_ptr<Scope> makeSiglentXEScope(
    std::unique_ptr<ScpiTransport> transport, QByteArray identification);
std::unique_ptr<Scope> makeSiglentHdScope(
    std::unique_ptr<ScpiTransport> transport, QByteArray identification);
std::unique_ptr<Scope> makeTektronixScope(
    std::unique_ptr<ScpiTransport> transport, ScopeFamily family, QByteArray identification);

#endif // SCOPEDRIVERS_H
