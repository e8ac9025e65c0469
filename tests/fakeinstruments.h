#ifndef FAKEINSTRUMENTS_H
#define FAKEINSTRUMENTS_H

// Fake instruments for the tests: oscilloscopes and generators that answer as their makers'
// manuals document (identification, commands, preambles, blocks and trailers), over a TCP
// server on 127.0.0.1 in a thread of its own, or a pseudo-terminal for the serial
// generators. The fake scopes show the measuring bench of tools/simulator (ngspice, or the
// circuit's closed form) at the frequency the fake generator was set to, through each
// family's own converter. Faults on demand: replies split anywhere, paced, late, cut off,
// lying, or answering another query.

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QThread>

class QSemaphore;

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// ---- The bench the fakes share -----------------------------------------------------------

struct FakeLoad
{
    double resistance = 50; // the antenna, ohms
    double reactance = 0;
    double sourceImpedance = 50; // Z0
    double generatorResistance = 50;
};

// One period of both probe voltages in the steady state, for a generator of 1 V peak, from
// CH1's rising zero crossing on: the fakes' trigger point.
struct PeriodTable
{
    static constexpr int kSize = 1024;
    double frequencyHz = 0;
    std::vector<double> ch1;
    std::vector<double> ch2;
    // The voltage at `seconds` after the trigger, by linear interpolation in the period.
    double at(const std::vector<double> &table, double seconds) const;
};

// The bench's waveforms by frequency, simulated once each and kept. Thread-safe.
class BenchWaveforms
{
public:
    enum class Source { Ngspice, ClosedForm };
    BenchWaveforms(const FakeLoad &load, Source source);
    std::shared_ptr<const PeriodTable> period(double frequencyHz, QString *error);
    FakeLoad load() const { return m_load; }

private:
    FakeLoad m_load;
    Source m_source;
    std::mutex m_mutex;
    std::map<double, std::shared_ptr<const PeriodTable>> m_tables;
};

// What the fake generator has set, which the fake scope sees. Thread-safe.
class FakeBench
{
public:
    explicit FakeBench(BenchWaveforms *waveforms)
        : m_waveforms(waveforms)
    { }
    struct State
    {
        double frequencyHz = 1e6;
        double amplitudeVpp = 1;
        bool output = false;
    };
    State state() const;
    void setFrequency(double hertz);
    void setAmplitude(double vpp);
    void setOutput(bool on);
    BenchWaveforms &waveforms() { return *m_waveforms; }

private:
    BenchWaveforms *m_waveforms;
    mutable std::mutex m_mutex;
    State m_state;
};

// ---- Instruments behind a server ---------------------------------------------------------

struct FakeReply
{
    QByteArray bytes;
    qint64 notBeforeMs = 0; // on the instrument's clock; 0 for at once
    qsizetype blockAt = -1; // where a binary block's '#' is, for the faults that change it
};

// An instrument that answers lines. The server calls handle() with mutex() held.
class FakeInstrument
{
public:
    FakeInstrument() { m_clock.start(); }
    virtual ~FakeInstrument() = default;
    virtual std::vector<FakeReply> handle(const QByteArray &line) = 0;
    qint64 nowMs() const { return m_clock.elapsed(); }
    std::mutex &mutex() { return m_mutex; }

private:
    QElapsedTimer m_clock;
    std::mutex m_mutex;
};

// A reply that is a binary block: prefix, "#", the digit count, the length, the bytes, the
// trailer. `digits` 0 gives as many as the length needs.
FakeReply blockReply(
    const QByteArray &prefix, const QByteArray &data, int digits, const QByteArray &trailer);

// Replies given as they are, each in the pieces listed, for the transport's tests.
class ScriptedInstrument : public FakeInstrument
{
public:
    // The reply to `command`: its pieces written one by one with a pause between them.
    void setReply(const QByteArray &command, const std::vector<QByteArray> &pieces);
    std::vector<FakeReply> handle(const QByteArray &line) override;
    std::vector<QByteArray> received();

private:
    std::map<QByteArray, std::vector<QByteArray>> m_replies;
    std::vector<QByteArray> m_received;
};

enum class FaultKind {
    Stall, // half the reply, then nothing, the connection left open
    Reset, // half the reply, then the connection closed
    Late, // the reply after lateMs
    LyingHeader, // a block that announces 999 999 999 bytes
    IndefiniteBlock, // "#0" instead of the block's header
    OtherReply, // the reply to *IDN? instead
    Silence, // no reply at all
};

struct Fault
{
    FaultKind kind;
    QByteArray command; // the line it strikes, compared without regard to case
    int occurrence = 1; // the first, second… time that line comes
    int lateMs = 0;
};

// A TCP server on 127.0.0.1 with an ephemeral port, in a thread of its own, that hands each
// line to the instrument and writes its replies, as faulty as asked.
class FakeServer : public QThread
{
public:
    explicit FakeServer(FakeInstrument *instrument);
    ~FakeServer() override;
    // Starts the thread and waits until it listens; false when it cannot.
    bool begin();
    quint16 port() const { return m_port; }

    void addFault(const Fault &fault);
    // Every reply written in random pieces (inside the block header too), with short pauses.
    void setSplitting(bool split, unsigned seed = 1);
    // Each reply's first byte this much late.
    void setFirstByteDelay(int milliseconds);
    // The link's rate; 0 for as fast as the loopback goes.
    void setBytesPerSecond(double bytesPerSecond);
    // A block's trailer held back and written in front of the next reply.
    void setCoalescing(bool coalesce);
    int connectionsAccepted() const { return m_accepted; }
    // Bytes written to the connections: the wire's load.
    long long bytesWritten() const { return m_bytesWritten; }
    void countBytes(qint64 bytes) { m_bytesWritten += bytes; }

    struct Settings
    {
        std::vector<Fault> faults;
        std::map<QByteArray, int> seen; // lines seen, by their upper-case text
        bool split = false;
        unsigned seed = 1;
        int firstByteDelayMs = 0;
        double bytesPerSecond = 0;
        bool coalesce = false;
    };
    // For the connections, in the server's thread.
    Settings &settings() { return m_settings; }
    std::mutex &settingsMutex() { return m_settingsMutex; }
    FakeInstrument *instrument() { return m_instrument; }
    void countConnection() { ++m_accepted; }

protected:
    void run() override;

private:
    FakeInstrument *m_instrument;
    std::atomic<quint16> m_port {0};
    std::atomic<int> m_accepted {0};
    std::atomic<long long> m_bytesWritten {0};
    QSemaphore *m_ready = nullptr;
    std::mutex m_settingsMutex;
    Settings m_settings;
};

// A port with nobody listening on 127.0.0.1: connections to it are refused.
quint16 refusingPort();

// ---- Fake oscilloscopes ------------------------------------------------------------------

enum class FakeScopeModel {
    RigolDs1000z,
    RigolDho,
    RigolMso5000,
    Keysight,
    RohdeSchwarz,
    SiglentXE,
    SiglentHd,
    TektronixTbs,
    TektronixMdo,
};

struct FakeScopeOptions
{
    double maxSampleRate = 1e9; // Sa/s
    qint64 memoryDepth = 12'000'000; // points at most
    qint64 fixedPoints = 0; // every record this long when above 0
    int acquisitionMs = 20; // from the trigger command until stopped
    double noiseLsb = 0.5; // converter noise, codes RMS
    int referenceChannel = 1; // where the probes are
    int vxChannel = 2;
    QByteArray identification; // empty for the model's own
    qint64 maxPointsPerRead = 0; // Siglent HD's :WAVeform:MAXPoint?; 0 for its default
};

// One family's fake: the state every scope has, and its converter.
class FakeScope : public FakeInstrument
{
public:
    struct Channel
    {
        double voltsPerDivision = 1;
        double offset = 0; // volts added to the signal before the converter
        double position = 0; // divisions (Tektronix)
        bool displayed = true;
    };
    struct Record
    {
        double firstTime = 0; // seconds from the trigger
        double interval = 0;
        qint64 points = 0;
        std::map<int, Channel> settings; // each channel's settings when it was taken
        std::map<int, std::vector<int>> codes;
    };

    FakeScope(FakeBench *bench, const FakeScopeOptions &options);
    // Thread-safe views for the tests.
    double secondsPerDivisionNow();
    double voltsPerDivisionNow(int channel);
    bool runningNow();
    int acquisitionsNow();
    void setChannel(int channel, const Channel &settings);
    // The voltage the bench puts on `channel` at `seconds` after the trigger, without noise.
    double analogVolts(int channel, double seconds);
    // One step of the converter at `channel`'s present scale, in volts.
    virtual double voltsPerCode(int channel) = 0;

protected:
    // What the fake answers to *IDN?: the identification the test asked for, or its own.
    QByteArray identificationOr(const char *own) const
    {
        return m_options.identification.isEmpty() ? QByteArray(own) : m_options.identification;
    }
    // The family's converter: the code of `volts` at a channel's settings, noise included.
    virtual int codeOf(double volts, const Channel &channel, double noise) const = 0;
    virtual int horizontalDivisions() const = 0;

    // The acquisition: armed by a trigger command, done after the acquisition time.
    void arm();
    void stop();
    void run();
    bool armed();
    bool running();
    bool stopped(); // done or stopped: the memory holds one acquisition
    qint64 doneAtMs() const { return m_doneAtMs; }
    int completed() const { return m_completed; } // single acquisitions done
    // The points of a record at the present timebase, and their interval.
    qint64 recordPoints(double *interval) const;
    // The memory: the last acquisition when stopped; when running, a new one at every read,
    // at a random point of the signal, as a free-running scope shows it.
    const Record &memory();
    Record acquire(double timeShift);

    FakeBench *m_bench;
    FakeScopeOptions m_options;
    double m_secondsPerDivision = 1e-3;
    std::map<int, Channel> m_channels;
    int m_acquisitions = 0;

private:
    enum class RunState { Running, Armed, Stopped };
    RunState m_run = RunState::Running;
    qint64 m_doneAtMs = 0;
    int m_completed = 0;
    Record m_pending;
    Record m_memory;
    unsigned m_seed = 1;
};

std::unique_ptr<FakeScope> makeFakeScope(
    FakeScopeModel model, FakeBench *bench, const FakeScopeOptions &options = {});

// ---- Fake generators ---------------------------------------------------------------------

enum class FakeGeneratorModel { SiglentSdg, RigolDg, Keysight33500, FeelTechFy6900, Jds6600 };

// A SCPI generator behind a FakeServer.
std::unique_ptr<FakeInstrument> makeFakeScpiGenerator(
    FakeGeneratorModel model, FakeBench *bench, const QByteArray &identification = {});

// A serial generator on a pseudo-terminal: path() is the device to open.
class FakeSerialGenerator
{
public:
    FakeSerialGenerator(FakeGeneratorModel model, FakeBench *bench);
    ~FakeSerialGenerator();
    bool ok() const { return m_master >= 0; }
    QString path() const { return m_path; }
    int linesReceived() const { return m_lines; }

private:
    void serve();
    QByteArray reply(const QByteArray &line);

    FakeGeneratorModel m_model;
    FakeBench *m_bench;
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    std::atomic<bool> m_stop {false};
    std::atomic<int> m_lines {0};
    std::thread m_thread;
};

#endif // FAKEINSTRUMENTS_H
