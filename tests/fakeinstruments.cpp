#include "fakeinstruments.h"

#include "measuringbench.h"

#include <QHostAddress>
#include <QList>
#include <QSemaphore>
#include <QSysInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <deque>
#include <random>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr double kPi = 3.141592653589793;

// ---- SCPI lines as the fakes read them

struct ScpiLine
{
    QByteArray header; // without the '?'
    QByteArray arguments;
    bool query = false;
};

ScpiLine parseLine(const QByteArray &line)
{
    ScpiLine parsed;
    const QByteArray trimmed = line.trimmed();
    const qsizetype blank = trimmed.indexOf(' ');
    parsed.header = blank >= 0 ? trimmed.left(blank) : trimmed;
    parsed.arguments = blank >= 0 ? trimmed.mid(blank + 1).trimmed() : QByteArray();
    if (parsed.header.endsWith('?')) {
        parsed.query = true;
        parsed.header.chop(1);
    }
    return parsed;
}

// One node of a command pattern: "CHANnel#" has the long form CHANNEL, the short form CHAN
// (its capitals) and a number; "[MAIN]" may be left out.
struct PatternNode
{
    QByteArray longForm;
    QByteArray shortForm;
    bool numbered = false;
    bool optional = false;
};

std::vector<PatternNode> patternNodes(const char *pattern)
{
    std::vector<PatternNode> nodes;
    // "TIMebase[:MAIN]:SCALe": the bracket opens the node after the colon.
    QByteArray text = QByteArray(pattern).replace("[:", ":[");
    if (text.startsWith(':')) {
        text.remove(0, 1);
    }
    bool optional = false;
    for (QByteArray part : text.split(':')) {
        PatternNode node;
        if (part.startsWith('[')) {
            optional = true;
            part.remove(0, 1);
        }
        node.optional = optional;
        if (part.endsWith(']')) {
            part.chop(1);
            optional = false;
        }
        if (part.endsWith('#')) {
            node.numbered = true;
            part.chop(1);
        }
        node.longForm = part.toUpper();
        for (const char c : part) {
            if (!(c >= 'a' && c <= 'z')) {
                node.shortForm += c;
            }
        }
        nodes.push_back(node);
    }
    return nodes;
}

bool nodesMatch(const std::vector<QByteArray> &header, size_t h,
    const std::vector<PatternNode> &pattern, size_t p, int *number)
{
    if (p == pattern.size()) {
        return h == header.size();
    }
    if (pattern[p].optional && nodesMatch(header, h, pattern, p + 1, number)) {
        return true;
    }
    if (h == header.size()) {
        return false;
    }
    QByteArray node = header[h].toUpper();
    int suffix = 0;
    if (pattern[p].numbered) {
        qsizetype digits = node.size();
        while (digits > 0 && node.at(digits - 1) >= '0' && node.at(digits - 1) <= '9') {
            --digits;
        }
        suffix = digits < node.size() ? node.mid(digits).toInt() : 1;
        node = node.left(digits);
    }
    if (node != pattern[p].longForm && node != pattern[p].shortForm) {
        return false;
    }
    if (!nodesMatch(header, h + 1, pattern, p + 1, number)) {
        return false;
    }
    if (pattern[p].numbered) {
        *number = suffix;
    }
    return true;
}

// Does `header` name `pattern`? `number` gets the channel number of a '#' node.
bool matches(const QByteArray &header, const char *pattern, int *number = nullptr)
{
    QByteArray text = header;
    if (text.startsWith(':')) {
        text.remove(0, 1);
    }
    std::vector<QByteArray> nodes;
    for (const QByteArray &node : text.split(':')) {
        nodes.push_back(node);
    }
    int found = 0;
    if (!nodesMatch(nodes, 0, patternNodes(pattern), 0, &found)) {
        return false;
    }
    if (number) {
        *number = found;
    }
    return true;
}

double argumentNumber(const QByteArray &arguments, double fallback)
{
    bool ok = false;
    const double value = arguments.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? value : fallback;
}

// Scientific notation as the makers print it: "%.*e" with `decimals` digits after the point.
QByteArray scientific(double value, int decimals)
{
    return QByteArray::number(value, 'e', decimals);
}

FakeReply text(const QByteArray &line)
{
    return {line + '\n'};
}

// The smallest of the 1-2-5 rates below `limit`, largest first: the rates a scope offers.
double sampleRateAtMost(double limit, double maxRate)
{
    double rate = std::pow(10.0, std::floor(std::log10(maxRate)));
    for (const double step : {5.0, 2.0, 1.0}) {
        if (step * rate <= maxRate * (1 + 1e-9)) {
            rate *= step;
            break;
        }
    }
    while (rate > limit * (1 + 1e-9)) {
        const double decade = std::pow(10.0, std::floor(std::log10(rate) + 1e-9));
        const double mantissa = rate / decade;
        rate = mantissa > 4.5 ? 2 * decade : mantissa > 1.5 ? decade : 0.5 * decade;
    }
    return rate;
}

} // namespace

// ---- The bench ---------------------------------------------------------------------------

double PeriodTable::at(const std::vector<double> &table, double seconds) const
{
    const double cycles = seconds * frequencyHz;
    const double position = (cycles - std::floor(cycles)) * kSize;
    const int index = std::min(int(position), kSize - 1);
    const double fraction = position - index;
    return table[size_t(index)] * (1 - fraction) + table[size_t((index + 1) % kSize)] * fraction;
}

BenchWaveforms::BenchWaveforms(const FakeLoad &load, Source source)
    : m_load(load)
    , m_source(source)
{ }

std::shared_ptr<const PeriodTable> BenchWaveforms::period(double frequencyHz, QString *error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto known = m_tables.find(frequencyHz);
    if (known != m_tables.end()) {
        return known->second;
    }
    constexpr int n = PeriodTable::kSize;
    std::vector<double> ch1(n);
    std::vector<double> ch2(n);
    if (m_source == Source::Ngspice) {
        MeasuringBench bench;
        bench.sourceImpedance = m_load.sourceImpedance;
        bench.generatorResistance = m_load.generatorResistance;
        bench.frequencyHz = frequencyHz;
        bench.amplitude = 1;
        bench.loadResistance = m_load.resistance;
        bench.loadReactance = m_load.reactance;
        bench.stepsPerPeriod = n;
        ScopeCapture capture;
        if (!simulateBench(bench, 1 / frequencyHz / n, n, &capture, error)) {
            return nullptr;
        }
        for (int k = 0; k < n; ++k) {
            ch1[size_t(k)] = capture.ch1[k];
            ch2[size_t(k)] = capture.ch2[k];
        }
    } else {
        // The circuit's phasors: I = Vg / (Rg + Z0 + Z), V1 = Vg − Rg·I, V2 = Z·I, for the
        // generator's sine of 1 V peak.
        const std::complex<double> load(m_load.resistance, m_load.reactance);
        const std::complex<double> current
            = 1.0 / (m_load.generatorResistance + m_load.sourceImpedance + load);
        const std::complex<double> v1 = 1.0 - m_load.generatorResistance * current;
        const std::complex<double> v2 = load * current;
        for (int k = 0; k < n; ++k) {
            const double phase = 2 * kPi * k / n;
            ch1[size_t(k)] = std::abs(v1) * std::sin(phase + std::arg(v1));
            ch2[size_t(k)] = std::abs(v2) * std::sin(phase + std::arg(v2));
        }
    }
    // The trigger: CH1 rising through zero, between samples by linear interpolation.
    double start = 0;
    for (int k = 0; k < n; ++k) {
        const double a = ch1[size_t(k)];
        const double b = ch1[size_t((k + 1) % n)];
        if (a <= 0 && b > 0) {
            start = k + a / (a - b);
            break;
        }
    }
    auto table = std::make_shared<PeriodTable>();
    table->frequencyHz = frequencyHz;
    const auto shifted = [&](const std::vector<double> &values) {
        std::vector<double> out(n);
        for (int j = 0; j < n; ++j) {
            const double position = std::fmod(start + j, double(n));
            const int index = int(position);
            const double fraction = position - index;
            out[size_t(j)] = values[size_t(index)] * (1 - fraction)
                + values[size_t((index + 1) % n)] * fraction;
        }
        return out;
    };
    table->ch1 = shifted(ch1);
    table->ch2 = shifted(ch2);
    m_tables[frequencyHz] = table;
    return table;
}

FakeBench::State FakeBench::state() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

void FakeBench::setFrequency(double hertz)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.frequencyHz = hertz;
}

void FakeBench::setAmplitude(double vpp)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.amplitudeVpp = vpp;
}

void FakeBench::setOutput(bool on)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.output = on;
}

// ---- Replies and the server --------------------------------------------------------------

FakeReply blockReply(
    const QByteArray &prefix, const QByteArray &data, int digits, const QByteArray &trailer)
{
    QByteArray length = QByteArray::number(data.size());
    if (digits > 0) {
        length = length.rightJustified(digits, '0');
    }
    FakeReply reply;
    reply.bytes = prefix + '#' + QByteArray::number(length.size()) + length + data + trailer;
    reply.blockAt = prefix.size();
    return reply;
}

void ScriptedInstrument::setReply(const QByteArray &command, const std::vector<QByteArray> &pieces)
{
    m_replies[command] = pieces;
}

std::vector<FakeReply> ScriptedInstrument::handle(const QByteArray &line)
{
    m_received.push_back(line);
    const auto reply = m_replies.find(line);
    if (reply == m_replies.end()) {
        return {};
    }
    // Each piece a reply of its own, so that the server writes it apart from the others.
    std::vector<FakeReply> replies;
    for (const QByteArray &piece : reply->second) {
        replies.push_back({piece});
    }
    return replies;
}

std::vector<QByteArray> ScriptedInstrument::received()
{
    std::lock_guard<std::mutex> lock(mutex());
    return m_received;
}

namespace {

// A pause between the pieces of a split reply, long enough for the client to see them apart.
constexpr int kPieceGapMs = 2;
// The largest write at a paced rate: fine steps of the link's time.
constexpr qsizetype kPacedChunk = 4096;
constexpr double kPacedCatchUpMs = 2;

// One connection of the fake server, in the server's thread: it reads lines, hands them to
// the instrument and writes the replies when they are due.
class FakeConnection : public QObject
{
public:
    FakeConnection(QTcpSocket *socket, FakeServer *server, QObject *parent)
        : QObject(parent)
        , m_socket(socket)
        , m_server(server)
    {
        m_socket->setParent(this);
        m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] { pump(); });
        connect(m_socket, &QTcpSocket::readyRead, this, [this] { readLines(); });
        connect(m_socket, &QTcpSocket::disconnected, this, [this] {
            m_timer.stop();
            deleteLater();
        });
    }

private:
    struct Piece
    {
        QByteArray bytes;
        double notBeforeMs = 0;
        int gapMs = 0; // after the piece before it
        bool closeAfter = false;
    };

    double nowMs() const { return double(m_server->instrument()->nowMs()); }

    void readLines()
    {
        m_input += m_socket->readAll();
        for (;;) {
            const qsizetype end = m_input.indexOf('\n');
            if (end < 0) {
                break;
            }
            QByteArray line = m_input.left(end);
            m_input.remove(0, end + 1);
            if (line.endsWith('\r')) {
                line.chop(1);
            }
            handleLine(line);
        }
        pump();
    }

    void handleLine(const QByteArray &line)
    {
        FakeInstrument *instrument = m_server->instrument();
        std::vector<FakeReply> replies;
        {
            std::lock_guard<std::mutex> lock(instrument->mutex());
            replies = instrument->handle(line);
        }
        std::lock_guard<std::mutex> lock(m_server->settingsMutex());
        FakeServer::Settings &settings = m_server->settings();
        const QByteArray key = line.trimmed().toUpper();
        const int seen = ++settings.seen[key];
        std::optional<Fault> fault;
        for (const Fault &candidate : settings.faults) {
            if (candidate.command.trimmed().toUpper() == key && candidate.occurrence == seen) {
                fault = candidate;
            }
        }
        if (fault) {
            replies = faulty(replies, *fault);
        }
        if (settings.coalesce) {
            for (FakeReply &reply : replies) {
                if (reply.bytes.isEmpty()) {
                    continue;
                }
                reply.bytes.prepend(m_heldTrailer);
                if (reply.blockAt >= 0) {
                    reply.blockAt += m_heldTrailer.size();
                }
                m_heldTrailer.clear();
                if (reply.blockAt >= 0) {
                    const qsizetype at = reply.blockAt;
                    const int digits = reply.bytes.at(at + 1) - '0';
                    const qsizetype end
                        = at + 2 + digits + reply.bytes.mid(at + 2, digits).toLongLong();
                    m_heldTrailer = reply.bytes.mid(end);
                    reply.bytes.truncate(end);
                }
            }
        }
        std::mt19937 random(settings.seed + unsigned(seen) * 7919U);
        for (FakeReply &reply : replies) {
            if (reply.bytes.isEmpty() && !(fault && fault->kind == FaultKind::Reset)) {
                continue;
            }
            Piece first;
            first.notBeforeMs = std::max(double(reply.notBeforeMs), nowMs())
                + (settings.firstByteDelayMs > 0 ? settings.firstByteDelayMs : 0);
            if (settings.firstByteDelayMs > 0 && reply.bytes.size() > 1) {
                // The first byte late, then the rest.
                first.bytes = reply.bytes.left(1);
                m_queue.push_back(first);
                m_queue.push_back({reply.bytes.mid(1), 0, kPieceGapMs, false});
            } else if (settings.split && reply.bytes.size() > 1) {
                // Cut at random points, one of them inside the block's header where there is
                // one.
                std::vector<qsizetype> cuts;
                std::uniform_int_distribution<qsizetype> anywhere(1, reply.bytes.size() - 1);
                for (int i = 0; i < 3; ++i) {
                    cuts.push_back(anywhere(random));
                }
                if (reply.blockAt >= 0 && reply.blockAt + 3 < reply.bytes.size()) {
                    std::uniform_int_distribution<qsizetype> header(
                        reply.blockAt + 1, reply.blockAt + 3);
                    cuts.push_back(header(random));
                }
                std::sort(cuts.begin(), cuts.end());
                cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
                qsizetype from = 0;
                for (const qsizetype cut : cuts) {
                    m_queue.push_back({reply.bytes.mid(from, cut - from),
                        from == 0 ? first.notBeforeMs : 0, from == 0 ? 0 : kPieceGapMs, false});
                    from = cut;
                }
                m_queue.push_back({reply.bytes.mid(from), 0, kPieceGapMs, false});
            } else {
                first.bytes = reply.bytes;
                m_queue.push_back(first);
            }
            // Replies given in pieces by the scripted instrument keep their own gaps.
            if (replies.size() > 1 && &reply != &replies.front()) {
                m_queue.back().gapMs = std::max(m_queue.back().gapMs, kPieceGapMs);
            }
        }
        if (fault && fault->kind == FaultKind::Reset) {
            if (m_queue.empty()) {
                m_queue.push_back({QByteArray(), nowMs(), 0, true});
            } else {
                m_queue.back().closeAfter = true;
            }
        }
    }

    std::vector<FakeReply> faulty(std::vector<FakeReply> replies, const Fault &fault)
    {
        if (replies.empty() && fault.kind != FaultKind::Reset) {
            return replies;
        }
        switch (fault.kind) {
        case FaultKind::Stall:
        case FaultKind::Reset:
            if (!replies.empty()) {
                FakeReply &reply = replies.front();
                reply.bytes = reply.bytes.left(reply.bytes.size() / 2);
                replies.resize(1);
            }
            break;
        case FaultKind::Late:
            for (FakeReply &reply : replies) {
                reply.notBeforeMs = m_server->instrument()->nowMs() + fault.lateMs;
            }
            break;
        case FaultKind::LyingHeader:
        case FaultKind::IndefiniteBlock:
            for (FakeReply &reply : replies) {
                if (reply.blockAt < 0) {
                    continue;
                }
                const qsizetype at = reply.blockAt;
                const int digits = reply.bytes.at(at + 1) - '0';
                const QByteArray header = fault.kind == FaultKind::LyingHeader
                    ? QByteArray("#9999999999")
                    : QByteArray("#0");
                reply.bytes = reply.bytes.left(at) + header + reply.bytes.mid(at + 2 + digits);
            }
            break;
        case FaultKind::OtherReply: {
            std::lock_guard<std::mutex> lock(m_server->instrument()->mutex());
            replies = m_server->instrument()->handle("*IDN?");
            break;
        }
        case FaultKind::Silence:
            replies.clear();
            break;
        }
        return replies;
    }

    void pump()
    {
        double rate = 0;
        {
            std::lock_guard<std::mutex> lock(m_server->settingsMutex());
            rate = m_server->settings().bytesPerSecond;
        }
        while (!m_queue.empty()) {
            Piece &piece = m_queue.front();
            const double now = nowMs();
            double due = std::max(piece.notBeforeMs, m_lastWriteMs + piece.gapMs);
            if (rate > 0) {
                due = std::max(due, m_linkFreeMs);
            }
            // Within half a millisecond is now: the timer counts whole milliseconds.
            if (due > now + 0.5) {
                m_timer.start(std::max(1, int(std::ceil(due - now))));
                return;
            }
            QByteArray bytes = piece.bytes;
            if (rate > 0 && bytes.size() > kPacedChunk) {
                bytes = piece.bytes.left(kPacedChunk);
            }
            if (!bytes.isEmpty()) {
                m_socket->write(bytes);
                m_socket->flush();
                m_server->countBytes(bytes.size());
            }
            m_lastWriteMs = now;
            if (rate > 0) {
                // A link that the timer woke late catches up by at most kPacedCatchUpMs, so
                // that its mean rate stays the one set.
                m_linkFreeMs = std::max(m_linkFreeMs, now - kPacedCatchUpMs)
                    + 1000.0 * double(bytes.size()) / rate;
            }
            if (bytes.size() < piece.bytes.size()) {
                piece.bytes.remove(0, bytes.size());
                piece.gapMs = 0;
                continue;
            }
            const bool close = piece.closeAfter;
            m_queue.pop_front();
            if (close) {
                m_queue.clear();
                m_socket->flush();
                m_socket->abort();
                return;
            }
        }
    }

    QTcpSocket *m_socket;
    FakeServer *m_server;
    QByteArray m_input;
    std::deque<Piece> m_queue;
    QByteArray m_heldTrailer;
    QTimer m_timer;
    double m_lastWriteMs = 0;
    double m_linkFreeMs = 0;
};

} // namespace

FakeServer::FakeServer(FakeInstrument *instrument)
    : m_instrument(instrument)
{ }

FakeServer::~FakeServer()
{
    quit();
    wait();
}

bool FakeServer::begin()
{
    QSemaphore ready;
    m_ready = &ready;
    start();
    ready.acquire();
    m_ready = nullptr;
    return m_port != 0;
}

void FakeServer::run()
{
    QTcpServer server;
    // The loopback only: the fakes never listen on any other address.
    if (server.listen(QHostAddress::LocalHost, 0)) {
        m_port = server.serverPort();
    }
    QObject::connect(&server, &QTcpServer::newConnection, &server, [this, &server] {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            countConnection();
            // The server owns the connection: those still open end with it.
            new FakeConnection(socket, this, &server);
        }
    });
    m_ready->release();
    if (m_port != 0) {
        exec();
    }
}

void FakeServer::addFault(const Fault &fault)
{
    std::lock_guard<std::mutex> lock(m_settingsMutex);
    m_settings.faults.push_back(fault);
}

void FakeServer::setSplitting(bool split, unsigned seed)
{
    std::lock_guard<std::mutex> lock(m_settingsMutex);
    m_settings.split = split;
    m_settings.seed = seed;
}

void FakeServer::setFirstByteDelay(int milliseconds)
{
    std::lock_guard<std::mutex> lock(m_settingsMutex);
    m_settings.firstByteDelayMs = milliseconds;
}

void FakeServer::setBytesPerSecond(double bytesPerSecond)
{
    std::lock_guard<std::mutex> lock(m_settingsMutex);
    m_settings.bytesPerSecond = bytesPerSecond;
}

void FakeServer::setCoalescing(bool coalesce)
{
    std::lock_guard<std::mutex> lock(m_settingsMutex);
    m_settings.coalesce = coalesce;
}

quint16 refusingPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        return 0;
    }
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

// ---- Fake oscilloscopes ------------------------------------------------------------------

FakeScope::FakeScope(FakeBench *bench, const FakeScopeOptions &options)
    : m_bench(bench)
    , m_options(options)
{
    for (int channel = 1; channel <= 4; ++channel) {
        m_channels[channel] = Channel();
    }
}

double FakeScope::secondsPerDivisionNow()
{
    std::lock_guard<std::mutex> lock(mutex());
    return m_secondsPerDivision;
}

double FakeScope::voltsPerDivisionNow(int channel)
{
    std::lock_guard<std::mutex> lock(mutex());
    return m_channels[channel].voltsPerDivision;
}

bool FakeScope::runningNow()
{
    std::lock_guard<std::mutex> lock(mutex());
    return m_run == RunState::Running;
}

int FakeScope::acquisitionsNow()
{
    std::lock_guard<std::mutex> lock(mutex());
    return m_acquisitions;
}

void FakeScope::setChannel(int channel, const Channel &settings)
{
    std::lock_guard<std::mutex> lock(mutex());
    m_channels[channel] = settings;
}

double FakeScope::analogVolts(int channel, double seconds)
{
    const FakeBench::State state = m_bench->state();
    if (!state.output) {
        return 0;
    }
    QString error;
    const std::shared_ptr<const PeriodTable> table
        = m_bench->waveforms().period(state.frequencyHz, &error);
    if (!table) {
        return 0;
    }
    const double peak = state.amplitudeVpp / 2;
    if (channel == m_options.referenceChannel) {
        return peak * table->at(table->ch1, seconds);
    }
    if (channel == m_options.vxChannel) {
        return peak * table->at(table->ch2, seconds);
    }
    return 0;
}

qint64 FakeScope::recordPoints(double *interval) const
{
    const double span = m_secondsPerDivision * horizontalDivisions();
    if (m_options.fixedPoints > 0) {
        *interval = span / double(m_options.fixedPoints);
        return m_options.fixedPoints;
    }
    // The fastest of the scope's 1-2-5 rates whose record of the screen fits the memory.
    const double rate
        = sampleRateAtMost(double(m_options.memoryDepth) / span, m_options.maxSampleRate);
    *interval = 1 / rate;
    return std::max<qint64>(2, std::llround(rate * span));
}

FakeScope::Record FakeScope::acquire(double timeShift)
{
    Record record;
    record.points = recordPoints(&record.interval);
    record.firstTime = -m_secondsPerDivision * horizontalDivisions() / 2;
    const FakeBench::State state = m_bench->state();
    QString error;
    const std::shared_ptr<const PeriodTable> table
        = state.output ? m_bench->waveforms().period(state.frequencyHz, &error) : nullptr;
    std::mt19937 random(++m_seed);
    std::normal_distribution<double> noise(0, m_options.noiseLsb);
    const double peak = state.amplitudeVpp / 2;
    for (auto &[channel, settings] : m_channels) {
        record.settings[channel] = settings;
        const std::vector<double> *wave = nullptr;
        if (table && channel == m_options.referenceChannel) {
            wave = &table->ch1;
        } else if (table && channel == m_options.vxChannel) {
            wave = &table->ch2;
        }
        std::vector<int> &codes = record.codes[channel];
        codes.resize(size_t(record.points));
        for (qint64 i = 0; i < record.points; ++i) {
            const double t = record.firstTime + double(i) * record.interval + timeShift;
            const double volts = wave ? peak * table->at(*wave, t) : 0;
            codes[size_t(i)] = codeOf(volts, settings, noise(random));
        }
    }
    return record;
}

void FakeScope::arm()
{
    // The fake's own work of making the record is part of the acquisition time.
    const qint64 armedAt = nowMs();
    m_pending = acquire(0);
    m_run = RunState::Armed;
    m_doneAtMs = armedAt + m_options.acquisitionMs;
    ++m_acquisitions;
}

void FakeScope::stop()
{
    if (m_run == RunState::Running) {
        m_memory = acquire(0);
    }
    m_run = RunState::Stopped;
}

void FakeScope::run()
{
    m_run = RunState::Running;
}

bool FakeScope::armed()
{
    stopped();
    return m_run == RunState::Armed;
}

bool FakeScope::running()
{
    return m_run == RunState::Running;
}

bool FakeScope::stopped()
{
    if (m_run == RunState::Armed && nowMs() >= m_doneAtMs) {
        m_memory = std::move(m_pending);
        m_pending = Record();
        m_run = RunState::Stopped;
        ++m_completed;
    }
    return m_run == RunState::Stopped;
}

const FakeScope::Record &FakeScope::memory()
{
    stopped();
    if (m_run == RunState::Running) {
        // A free-running scope shows a new sweep at every look, each at its own point of the
        // signal.
        const double period = 1 / std::max(1.0, m_bench->state().frequencyHz);
        std::uniform_real_distribution<double> shift(0, period);
        std::mt19937 random(m_seed * 31U + 7U);
        m_memory = acquire(shift(random));
    }
    return m_memory;
}

namespace {

int quantise(double code, long lowest, long highest)
{
    if (!std::isfinite(code)) {
        return int(lowest);
    }
    return int(std::clamp(std::round(code), double(lowest), double(highest)));
}

// The number after a channel's name in an argument: "CHANnel2", "CHAN2", "C2", "CH2" → 2.
int channelOf(const QByteArray &argument)
{
    qsizetype digits = argument.size();
    while (digits > 0 && argument.at(digits - 1) >= '0' && argument.at(digits - 1) <= '9') {
        --digits;
    }
    return argument.mid(digits).toInt();
}

QByteArray upper(const QByteArray &text)
{
    return text.trimmed().toUpper();
}

// ---- Rigol: DS1000Z, DHO800/DHO900, MSO5000

class FakeRigol : public FakeScope
{
public:
    FakeRigol(FakeScopeModel model, FakeBench *bench, const FakeScopeOptions &options)
        : FakeScope(bench, options)
        , m_model(model)
    { }

    double voltsPerCode(int channel) override
    {
        std::lock_guard<std::mutex> lock(mutex());
        return yIncrement(m_channels[channel]);
    }

    std::vector<FakeReply> handle(const QByteArray &line) override
    {
        const ScpiLine l = parseLine(line);
        int n = 0;
        if (l.query && l.header == "*IDN") {
            return {text(identification())};
        }
        if (l.query && l.header == "*OPC") {
            return {text("1")};
        }
        if (matches(l.header, ":RUN")) {
            run();
        } else if (matches(l.header, ":STOP")) {
            stop();
        } else if (matches(l.header, ":SINGle")) {
            m_sweep = "SING";
            arm();
        } else if (matches(l.header, ":TRIGger:SWEep")) {
            if (l.query) {
                return {text(m_sweep)};
            }
            m_sweep = upper(l.arguments).left(4);
        } else if (matches(l.header, ":TRIGger:STATus") && l.query) {
            return {text(armed()        ? "WAIT"
                    : stopped()         ? "STOP"
                    : m_sweep == "AUTO" ? "AUTO"
                                        : "RUN")};
        } else if (matches(l.header, ":TIMebase[:MAIN]:SCALe")) {
            if (l.query) {
                return {text(scientific(m_secondsPerDivision, 6))};
            }
            m_secondsPerDivision
                = std::clamp(argumentNumber(l.arguments, m_secondsPerDivision), 5e-9, 50.0);
        } else if (matches(l.header, ":CHANnel#:SCALe", &n) && m_channels.count(n)) {
            if (l.query) {
                return {text(scientific(m_channels[n].voltsPerDivision, 4))};
            }
            m_channels[n].voltsPerDivision = std::clamp(
                argumentNumber(l.arguments, m_channels[n].voltsPerDivision), 1e-3, 10.0);
        } else if (matches(l.header, ":CHANnel#:OFFSet", &n) && m_channels.count(n)) {
            if (l.query) {
                return {text(scientific(m_channels[n].offset, 4))};
            }
            m_channels[n].offset = argumentNumber(l.arguments, 0);
        } else if (matches(l.header, ":WAVeform:SOURce")) {
            if (l.query) {
                return {text("CHAN" + QByteArray::number(m_source))};
            }
            m_source = channelOf(l.arguments);
        } else if (matches(l.header, ":WAVeform:MODE") && !l.query) {
            m_mode = upper(l.arguments);
        } else if (matches(l.header, ":WAVeform:FORMat") && !l.query) {
            m_format = upper(l.arguments);
        } else if (matches(l.header, ":WAVeform:STARt") && !l.query) {
            m_start = qint64(argumentNumber(l.arguments, 1));
        } else if (matches(l.header, ":WAVeform:STOP") && !l.query) {
            m_stop = qint64(argumentNumber(l.arguments, 1));
        } else if (matches(l.header, ":WAVeform:PREamble") && l.query) {
            return {text(preamble())};
        } else if (matches(l.header, ":WAVeform:DATA") && l.query) {
            return {data()};
        }
        return {};
    }

protected:
    int horizontalDivisions() const override
    {
        return m_model == FakeScopeModel::RigolDs1000z ? 12 : 10;
    }
    // BYTE: yincrement = V/div / 25 as the MSO5000 guide's NORMAL mode has it; yreference
    // 127 as in the DS1000Z guide's example (128 in the DHO guide's); yorigin =
    // VerticalOffset / YINCrement, an integer (DHO guide 3.28.10).
    int yReference() const { return m_model == FakeScopeModel::RigolDs1000z ? 127 : 128; }
    static double yIncrement(const Channel &channel) { return channel.voltsPerDivision / 25; }
    static int yOrigin(const Channel &channel)
    {
        return int(std::lround(channel.offset / yIncrement(channel)));
    }
    int codeOf(double volts, const Channel &channel, double noise) const override
    {
        return quantise(
            yReference() + yOrigin(channel) + volts / yIncrement(channel) + noise, 0, 255);
    }

private:
    QByteArray identification() const
    {
        if (!m_options.identification.isEmpty()) {
            return m_options.identification;
        }
        switch (m_model) {
        case FakeScopeModel::RigolDho:
            return "RIGOL TECHNOLOGIES,DHO804,DHO8A264000001,00.01.03";
        case FakeScopeModel::RigolMso5000:
            return "RIGOL TECHNOLOGIES,MSO5074,MS5A244000001,00.01.03.00.02";
        default:
            // The DS1000Z guide's own example (p.2-34).
            return "RIGOL TECHNOLOGIES,DS1104Z,DS1T00000006,00.02.00";
        }
    }

    QByteArray preamble()
    {
        const Record &record = memory();
        const Channel &channel = record.settings.at(m_source);
        return "0,2," + QByteArray::number(record.points) + ",1," + scientific(record.interval, 6)
            + "," + scientific(record.firstTime, 6) + ",0," + scientific(yIncrement(channel), 6)
            + "," + QByteArray::number(yOrigin(channel)) + "," + QByteArray::number(yReference());
    }

    FakeReply data()
    {
        const Record &record = memory();
        const std::vector<int> &codes = record.codes.at(m_source);
        const qint64 first = std::clamp<qint64>(m_start, 1, record.points);
        const qint64 last = std::clamp<qint64>(m_stop, first, record.points);
        QByteArray bytes;
        // More than a read allows gives nothing (the guide's batch read stays within it).
        if (last - first + 1 <= 250000) {
            bytes.resize(qsizetype(last - first + 1));
            for (qint64 i = first; i <= last; ++i) {
                bytes.data()[i - first] = char(codes[size_t(i - 1)]);
            }
        }
        return blockReply({}, bytes, 9, "\n");
    }

    FakeScopeModel m_model;
    QByteArray m_sweep = "AUTO";
    int m_source = 1;
    QByteArray m_mode = "NORM";
    QByteArray m_format = "BYTE";
    qint64 m_start = 1;
    qint64 m_stop = 1000;
};

// ---- Keysight InfiniiVision X

// Numbers as the InfiniiVision prints them: "+2.00000000E-09".
QByteArray keysightNumber(double value)
{
    const QByteArray digits = QByteArray::number(value, 'E', 8);
    return value >= 0 ? "+" + digits : digits;
}

class FakeKeysight : public FakeScope
{
public:
    using FakeScope::FakeScope;

    double voltsPerCode(int channel) override
    {
        std::lock_guard<std::mutex> lock(mutex());
        return kCodeStep * m_channels[channel].voltsPerDivision;
    }

    std::vector<FakeReply> handle(const QByteArray &line) override
    {
        const ScpiLine l = parseLine(line);
        int n = 0;
        if (l.query && l.header == "*IDN") {
            return {text(
                identificationOr("KEYSIGHT TECHNOLOGIES,DSOX2024A,MY58100000,02.50.2019022736"))};
        }
        if (l.query && l.header == "*OPC") {
            return {text("1")};
        }
        if (matches(l.header, ":RUN")) {
            run();
        } else if (matches(l.header, ":STOP")) {
            stop();
        } else if (matches(l.header, ":SINGle") || matches(l.header, ":DIGitize")) {
            arm();
        } else if (matches(l.header, ":OPERegister[:CONDition]") && l.query) {
            // Bit 3, "Run", while not stopped.
            return {text(QByteArray::number(armed() || running() ? 8 : 0))};
        } else if (matches(l.header, ":TIMebase[:MAIN]:SCALe")) {
            if (l.query) {
                return {text(keysightNumber(m_secondsPerDivision))};
            }
            m_secondsPerDivision
                = std::clamp(argumentNumber(l.arguments, m_secondsPerDivision), 5e-10, 50.0);
        } else if (matches(l.header, ":CHANnel#:SCALe", &n) && m_channels.count(n)) {
            if (l.query) {
                return {text(keysightNumber(m_channels[n].voltsPerDivision))};
            }
            m_channels[n].voltsPerDivision = std::clamp(
                argumentNumber(l.arguments, m_channels[n].voltsPerDivision), 1e-3, 5.0);
        } else if (matches(l.header, ":CHANnel#:OFFSet", &n) && m_channels.count(n)) {
            if (l.query) {
                return {text(keysightNumber(m_channels[n].offset))};
            }
            m_channels[n].offset = argumentNumber(l.arguments, 0);
        } else if (matches(l.header, ":WAVeform:SOURce") && !l.query) {
            m_source = channelOf(l.arguments);
        } else if (matches(l.header, ":WAVeform:PREamble") && l.query) {
            const Record &record = memory();
            const Channel &channel = record.settings.at(m_source);
            return {text("+1,+0,+" + QByteArray::number(record.points) + ",+1,"
                + keysightNumber(record.interval) + "," + keysightNumber(record.firstTime) + ",+0,"
                + keysightNumber(kCodeStep * channel.voltsPerDivision / 256) + ","
                + keysightNumber(channel.offset) + ",+32768")};
        } else if (matches(l.header, ":WAVeform:DATA") && l.query) {
            const Record &record = memory();
            const std::vector<int> &codes = record.codes.at(m_source);
            QByteArray bytes(qsizetype(2 * record.points), '\0');
            for (qint64 i = 0; i < record.points; ++i) {
                // The 8-bit code in the high byte; the ends of the converter as the clip
                // codes 0x0001 and 0xFFFF (4000 X-Series guide p.1243).
                const int code = codes[size_t(i)];
                const int word = code <= 0 ? 0x0001 : code >= 255 ? 0xFFFF : code << 8;
                bytes.data()[2 * i] = char(word >> 8);
                bytes.data()[2 * i + 1] = char(word & 0xFF);
            }
            return {blockReply({}, bytes, 8, "\n")};
        }
        return {};
    }

protected:
    // An 8-bit converter over ten divisions, the middle of the screen at the channel's
    // offset (the InfiniiVision's offset is the voltage at the centre).
    static constexpr double kCodeStep = 10.0 / 256; // divisions a code
    int horizontalDivisions() const override { return 10; }
    int codeOf(double volts, const Channel &channel, double noise) const override
    {
        return quantise(
            128 + (volts - channel.offset) / (kCodeStep * channel.voltsPerDivision) + noise, 0,
            255);
    }

private:
    int m_source = 1;
};

// ---- Rohde & Schwarz RTB2000/RTM3000

QByteArray rohdeNumber(double value)
{
    return QByteArray::number(value, 'E', 9);
}

class FakeRohdeSchwarz : public FakeScope
{
public:
    using FakeScope::FakeScope;

    double voltsPerCode(int channel) override
    {
        std::lock_guard<std::mutex> lock(mutex());
        return m_channels[channel].voltsPerDivision / 25;
    }

    std::vector<FakeReply> handle(const QByteArray &line) override
    {
        const ScpiLine l = parseLine(line);
        int n = 0;
        if (l.query && l.header == "*IDN") {
            return {text(identificationOr("Rohde&Schwarz,RTB2004,1333.1005k04/102345,02.400"))};
        }
        if (l.query && l.header == "*OPC") {
            return {text("1")};
        }
        if (matches(l.header, "RUN")) {
            run();
        } else if (matches(l.header, "STOP")) {
            stop();
        } else if (matches(l.header, "SINGle")) {
            arm();
        } else if (matches(l.header, "ACQuire:STATe") && l.query) {
            return {text(armed() ? "RUN" : stopped() ? "COMP" : "RUN")};
        } else if (matches(l.header, "FORMat[:DATA]")) {
            if (l.query) {
                return {text(m_format)};
            }
            m_format = upper(l.arguments);
        } else if (matches(l.header, "TIMebase:SCALe")) {
            if (l.query) {
                return {text(rohdeNumber(m_secondsPerDivision))};
            }
            m_secondsPerDivision
                = std::clamp(argumentNumber(l.arguments, m_secondsPerDivision), 1e-9, 50.0);
        } else if (matches(l.header, "CHANnel#:SCALe", &n) && m_channels.count(n)) {
            if (l.query) {
                return {text(rohdeNumber(m_channels[n].voltsPerDivision))};
            }
            m_channels[n].voltsPerDivision = std::clamp(
                argumentNumber(l.arguments, m_channels[n].voltsPerDivision), 1e-3, 10.0);
        } else if (matches(l.header, "CHANnel#:OFFSet", &n) && m_channels.count(n)) {
            m_channels[n].offset = argumentNumber(l.arguments, 0);
        } else if (matches(l.header, "CHANnel#:DATA:HEADer", &n) && l.query
            && m_channels.count(n)) {
            const Record &record = memory();
            return {text(rohdeNumber(record.firstTime) + ","
                + rohdeNumber(record.firstTime + double(record.points - 1) * record.interval) + ","
                + QByteArray::number(record.points) + ",1")};
        } else if (matches(l.header, "CHANnel#:DATA:XORigin", &n) && l.query) {
            return {text(rohdeNumber(memory().firstTime))};
        } else if (matches(l.header, "CHANnel#:DATA:XINCrement", &n) && l.query) {
            return {text(rohdeNumber(memory().interval))};
        } else if (matches(l.header, "CHANnel#:DATA:YORigin", &n) && l.query
            && m_channels.count(n)) {
            // The byte value 127.5 at the middle of the screen, which is at the offset.
            const Channel &channel = memory().settings.at(n);
            return {text(rohdeNumber(channel.offset - 127.5 * channel.voltsPerDivision / 25))};
        } else if (matches(l.header, "CHANnel#:DATA:YINCrement", &n) && l.query
            && m_channels.count(n)) {
            return {text(rohdeNumber(memory().settings.at(n).voltsPerDivision / 25))};
        } else if (matches(l.header, "CHANnel#:DATA", &n) && l.query && m_channels.count(n)) {
            const Record &record = memory();
            const std::vector<int> &codes = record.codes.at(n);
            QByteArray bytes(qsizetype(record.points), '\0');
            for (qint64 i = 0; i < record.points; ++i) {
                bytes.data()[i] = char(codes[size_t(i)]);
            }
            return {blockReply({}, bytes, 0, "\n")};
        }
        return {};
    }

protected:
    int horizontalDivisions() const override { return 10; }
    int codeOf(double volts, const Channel &channel, double noise) const override
    {
        return quantise(
            127.5 + (volts - channel.offset) / (channel.voltsPerDivision / 25) + noise, 0, 255);
    }

private:
    QByteArray m_format = "ASC,0";
};

// ---- Siglent SDS1000X-E/SDS2000X-E

// "5.00E-01": three significant digits, as the X-E's replies give them.
QByteArray siglentNumber(double value)
{
    return QByteArray::number(value, 'E', 2);
}

QByteArray siglentRate(double samplesPerSecond)
{
    struct Prefix
    {
        double scale;
        const char *name;
    };
    for (const Prefix prefix : {Prefix {1e9, "G"}, Prefix {1e6, "M"}, Prefix {1e3, "k"}}) {
        if (samplesPerSecond >= prefix.scale) {
            return QByteArray::number(samplesPerSecond / prefix.scale, 'f', 2) + prefix.name
                + "Sa/s";
        }
    }
    return QByteArray::number(samplesPerSecond, 'f', 2) + "Sa/s";
}

class FakeSiglentXE : public FakeScope
{
public:
    using FakeScope::FakeScope;

    double voltsPerCode(int channel) override
    {
        std::lock_guard<std::mutex> lock(mutex());
        return m_channels[channel].voltsPerDivision / 25;
    }

    std::vector<FakeReply> handle(const QByteArray &line) override
    {
        const ScpiLine l = parseLine(line);
        int n = 0;
        if (l.query && l.header == "*IDN") {
            // "*IDN SIGLENT, <model>, <serial_number>, <firmware_level>" (guide p.71).
            return {text(identificationOr("*IDN SIGLENT,SDS1202X-E,SDS1EBAC0L0098,8.2.6.1.37R9"))};
        }
        if (l.query && l.header == "*OPC") {
            return {text("*OPC 1")};
        }
        if (matches(l.header, "STOP")) {
            stop();
        } else if (matches(l.header, "ARM")) {
            arm();
        } else if (matches(l.header, "TRMD")) {
            if (l.query) {
                return {text("TRMD " + m_triggerMode)};
            }
            m_triggerMode = upper(l.arguments);
            if (m_triggerMode == "SINGLE") {
                arm();
            } else if (m_triggerMode == "STOP") {
                stop();
            } else {
                run();
            }
        } else if (matches(l.header, "INR") && l.query) {
            // Bit 0: a new acquisition since the last INR?; bit 13: armed. Reading clears.
            stopped();
            const bool fresh = completed() > m_completedSeen;
            m_completedSeen = completed();
            return {text("INR " + QByteArray::number((fresh ? 1 : 0) + (armed() ? 8192 : 0)))};
        } else if (matches(l.header, "TDIV")) {
            if (l.query) {
                return {text("TDIV " + siglentNumber(m_secondsPerDivision) + "S")};
            }
            m_secondsPerDivision
                = std::clamp(argumentNumber(l.arguments, m_secondsPerDivision), 1e-9, 100.0);
        } else if (matches(l.header, "C#:VDIV", &n) && m_channels.count(n)) {
            if (l.query) {
                return {text("C" + QByteArray::number(n) + ":VDIV "
                    + siglentNumber(m_channels[n].voltsPerDivision) + "V")};
            }
            m_channels[n].voltsPerDivision = std::clamp(
                argumentNumber(l.arguments, m_channels[n].voltsPerDivision), 5e-4, 10.0);
        } else if (matches(l.header, "C#:OFST", &n) && m_channels.count(n)) {
            if (l.query) {
                return {text("C" + QByteArray::number(n) + ":OFST "
                    + siglentNumber(m_channels[n].offset) + "V")};
            }
            m_channels[n].offset = argumentNumber(l.arguments, 0);
        } else if (matches(l.header, "TRDL") && l.query) {
            // "TRDL -5.000000ns": the delay of the screen's centre from the trigger.
            return {text("TRDL " + QByteArray::number(m_delay * 1e9, 'f', 6) + "ns")};
        } else if (matches(l.header, "SARA") && l.query) {
            double interval = 0;
            recordPoints(&interval);
            return {text("SARA " + siglentRate(1 / interval))};
        } else if (matches(l.header, "SANU") && l.query) {
            return {text("SANU " + siglentNumber(double(memory().points)) + "pts")};
        } else if (matches(l.header, "C#:WF", &n) && l.query && m_channels.count(n)) {
            const Record &record = memory();
            const std::vector<int> &codes = record.codes.at(n);
            QByteArray bytes(qsizetype(record.points), '\0');
            for (qint64 i = 0; i < record.points; ++i) {
                bytes.data()[i] = char(codes[size_t(i)] & 0xFF);
            }
            // "C1:WF DAT2,#9000000070" + the bytes + "0A 0A" (guide p.142).
            return {blockReply("C" + QByteArray::number(n) + ":WF DAT2,", bytes, 9, "\n\n")};
        }
        return {};
    }

protected:
    int horizontalDivisions() const override { return 14; }
    // A signed byte: "code value *( vdiv /25)- voffset" read backwards.
    int codeOf(double volts, const Channel &channel, double noise) const override
    {
        return quantise(
            (volts + channel.offset) * 25 / channel.voltsPerDivision + noise, -128, 127);
    }

private:
    QByteArray m_triggerMode = "AUTO";
    double m_delay = 0;
    int m_completedSeen = 0;
};

// ---- Siglent SDS800X HD/SDS1000X HD/SDS2000X Plus

class FakeSiglentHd : public FakeScope
{
public:
    using FakeScope::FakeScope;

    double voltsPerCode(int channel) override
    {
        std::lock_guard<std::mutex> lock(mutex());
        return m_channels[channel].voltsPerDivision / kCodesPerDivision;
    }

    std::vector<FakeReply> handle(const QByteArray &line) override
    {
        const ScpiLine l = parseLine(line);
        int n = 0;
        if (l.query && l.header == "*IDN") {
            return {text(
                identificationOr("Siglent Technologies,SDS2104X Plus,SDS2PCBX000001,1.3.9R10"))};
        }
        if (l.query && l.header == "*OPC") {
            return {text("1")};
        }
        if (matches(l.header, ":TRIGger:MODE")) {
            if (l.query) {
                return {text(m_triggerMode)};
            }
            const QByteArray mode = upper(l.arguments);
            if (mode.startsWith("SING")) {
                m_triggerMode = "SINGle";
                arm();
            } else if (mode.startsWith("NORM")) {
                m_triggerMode = "NORMal";
                run();
            } else {
                m_triggerMode = "AUTO";
                run();
            }
        } else if (matches(l.header, ":TRIGger:STOP")) {
            stop();
        } else if (matches(l.header, ":TRIGger:STATus") && l.query) {
            return {text(armed() ? "Arm" : stopped() ? "Stop" : "Auto")};
        } else if (matches(l.header, ":TIMebase:SCALe")) {
            if (l.query) {
                return {text(scientific(m_secondsPerDivision, 2))};
            }
            m_secondsPerDivision
                = std::clamp(argumentNumber(l.arguments, m_secondsPerDivision), 1e-9, 100.0);
        } else if (matches(l.header, ":CHANnel#:SCALe", &n) && m_channels.count(n)) {
            if (l.query) {
                return {text(scientific(m_channels[n].voltsPerDivision, 2))};
            }
            m_channels[n].voltsPerDivision = std::clamp(
                argumentNumber(l.arguments, m_channels[n].voltsPerDivision), 5e-4, 10.0);
        } else if (matches(l.header, ":CHANnel#:OFFSet", &n) && m_channels.count(n)) {
            m_channels[n].offset = argumentNumber(l.arguments, 0);
        } else if (matches(l.header, ":WAVeform:SOURce") && !l.query) {
            m_source = channelOf(l.arguments);
        } else if (matches(l.header, ":WAVeform:STARt") && !l.query) {
            m_start = qint64(argumentNumber(l.arguments, 0));
        } else if (matches(l.header, ":WAVeform:POINt") && !l.query) {
            m_points = qint64(argumentNumber(l.arguments, 0));
        } else if (matches(l.header, ":WAVeform:MAXPoint") && l.query) {
            return {text(QByteArray::number(
                m_options.maxPointsPerRead > 0 ? m_options.maxPointsPerRead : 5'000'000))};
        } else if (matches(l.header, ":WAVeform:PREamble") && l.query) {
            return {blockReply({}, descriptor(), 9, "\n")};
        } else if (matches(l.header, ":WAVeform:DATA") && l.query) {
            const Record &record = memory();
            const std::vector<int> &codes = record.codes.at(m_source);
            const qint64 first = std::clamp<qint64>(m_start, 0, record.points);
            const qint64 count
                = m_points > 0 ? std::min(m_points, record.points - first) : record.points - first;
            QByteArray bytes(qsizetype(count), '\0');
            for (qint64 i = 0; i < count; ++i) {
                bytes.data()[i] = char(codes[size_t(first + i)] & 0xFF);
            }
            // As many length digits as the length needs (EN11D).
            return {blockReply({}, bytes, 0, "\n")};
        }
        return {};
    }

protected:
    // Codes a division: not 25 as on the X-E, so that a reader that assumed it fails.
    static constexpr double kCodesPerDivision = 30;
    int horizontalDivisions() const override { return 10; }
    int codeOf(double volts, const Channel &channel, double noise) const override
    {
        return quantise(
            (volts + channel.offset) * kCodesPerDivision / channel.voltsPerDivision + noise, -128,
            127);
    }

private:
    // The 346-byte descriptor, little-endian, at the offsets the community reads.
    QByteArray descriptor()
    {
        const Record &record = memory();
        const Channel &channel = record.settings.at(m_source);
        char d[346] = {};
        std::memcpy(d, "WAVEDESC", 8);
        std::memcpy(d + 16, "LECROY_2_3", 10);
        const auto put = [&d](qsizetype at, const void *value, size_t size) {
            // Little-endian on the wire, as the community reads it: the host's order when
            // the host is little-endian, turned around otherwise.
            unsigned char bytes[8];
            std::memcpy(bytes, value, size);
            if (QSysInfo::ByteOrder == QSysInfo::BigEndian) {
                std::reverse(bytes, bytes + size);
            }
            std::memcpy(d + at, bytes, size);
        };
        const quint16 byteData = 0;
        const quint16 lowFirst = 1;
        const auto points = qint32(record.points);
        const auto perDivision = float(channel.voltsPerDivision);
        const auto offset = float(channel.offset);
        const auto codes = float(kCodesPerDivision);
        const quint16 bits = 8;
        const auto interval = float(record.interval);
        const double delay = 0;
        const float probe = 1;
        put(32, &byteData, 2);
        put(34, &lowFirst, 2);
        put(116, &points, 4);
        put(156, &perDivision, 4);
        put(160, &offset, 4);
        put(164, &codes, 4);
        put(172, &bits, 2);
        put(176, &interval, 4);
        put(180, &delay, 8);
        put(328, &probe, 4);
        return QByteArray(d, sizeof d);
    }

    QByteArray m_triggerMode = "AUTO";
    int m_source = 1;
    qint64 m_start = 0;
    qint64 m_points = 0;
};

// ---- Tektronix TBS2000, MDO3000

QByteArray tekNumber(double value)
{
    return QByteArray::number(value, 'E', 6);
}

class FakeTektronix : public FakeScope
{
public:
    FakeTektronix(FakeScopeModel model, FakeBench *bench, const FakeScopeOptions &options)
        : FakeScope(bench, options)
        , m_model(model)
    {
        // Only CH1 shows after a default setup: CURVe? of another must find it turned on.
        for (int channel = 2; channel <= 4; ++channel) {
            m_channels[channel].displayed = false;
        }
    }

    double voltsPerCode(int channel) override
    {
        std::lock_guard<std::mutex> lock(mutex());
        return m_channels[channel].voltsPerDivision / 25;
    }

    std::vector<FakeReply> handle(const QByteArray &line) override
    {
        const ScpiLine l = parseLine(line);
        int n = 0;
        if (l.query && l.header == "*IDN") {
            if (!m_options.identification.isEmpty()) {
                return {text(m_options.identification)};
            }
            // The TBS2000 manual's example (p.162).
            return {text(m_model == FakeScopeModel::TektronixTbs
                    ? QByteArray("TEKTRONIX,TBS2104,CU10100,CF:91.1CT FV:v2015-12-10_01-00-59"
                                 "rootfs; FPGA:v1.21;")
                    : QByteArray("TEKTRONIX,MDO3024,C012345,CF:91.1CT FV:v1.30.0"))};
        }
        if (l.query && l.header == "*OPC") {
            // Once the single sequence is done.
            FakeReply reply = text("1");
            if (armed()) {
                reply.notBeforeMs = doneAtMs();
            }
            return {reply};
        }
        if (matches(l.header, "HEADer")) {
            if (l.query) {
                return {answer(l, m_headers ? "1" : "0")};
            }
            m_headers = upper(l.arguments) == "ON" || upper(l.arguments) == "1";
        } else if (matches(l.header, "ACQuire:STOPAfter")) {
            if (l.query) {
                return {answer(l, m_sequence ? "SEQUENCE" : "RUNSTOP")};
            }
            m_sequence = upper(l.arguments).startsWith("SEQ");
        } else if (matches(l.header, "ACQuire:STATE")) {
            if (l.query) {
                return {answer(l, armed() || running() ? "1" : "0")};
            }
            const QByteArray state = upper(l.arguments);
            if (state == "ON" || state == "1" || state == "RUN") {
                if (m_sequence) {
                    arm();
                } else {
                    run();
                }
            } else {
                stop();
            }
        } else if (matches(l.header, "HORizontal[:MAIn]:SCAle")) {
            if (l.query) {
                return {answer(l, tekNumber(m_secondsPerDivision))};
            }
            m_secondsPerDivision
                = std::clamp(argumentNumber(l.arguments, m_secondsPerDivision), 2e-9, 100.0);
        } else if (matches(l.header, "HORizontal:RECOrdlength") && l.query) {
            double interval = 0;
            return {answer(l, QByteArray::number(recordPoints(&interval)))};
        } else if (matches(l.header, "CH#:SCAle", &n) && m_channels.count(n)) {
            if (l.query) {
                return {answer(l, tekNumber(m_channels[n].voltsPerDivision))};
            }
            m_channels[n].voltsPerDivision = std::clamp(
                argumentNumber(l.arguments, m_channels[n].voltsPerDivision), 2e-3, 10.0);
        } else if (matches(l.header, "CH#:OFFSet", &n) && m_channels.count(n)) {
            m_channels[n].offset = argumentNumber(l.arguments, 0);
        } else if (matches(l.header, "CH#:POSition", &n) && m_channels.count(n)) {
            m_channels[n].position = argumentNumber(l.arguments, 0);
        } else if (matches(l.header, "SELect:CH#", &n) && m_channels.count(n)) {
            const QByteArray state = upper(l.arguments);
            m_channels[n].displayed = state == "ON" || state == "1";
        } else if (matches(l.header, "DATa:SOUrce") && !l.query) {
            m_source = channelOf(l.arguments);
        } else if (matches(l.header, "DATa:STARt") && !l.query) {
            m_start = qint64(argumentNumber(l.arguments, 1));
        } else if (matches(l.header, "DATa:STOP") && !l.query) {
            m_stop = qint64(argumentNumber(l.arguments, 1));
        } else if (matches(l.header, "WFMOutpre:NR_Pt") && l.query) {
            return {answer(l, QByteArray::number(last() - first() + 1))};
        } else if (matches(l.header, "WFMOutpre:XINcr") && l.query) {
            return {answer(l, tekNumber(memory().interval))};
        } else if (matches(l.header, "WFMOutpre:XZEro") && l.query) {
            const Record &record = memory();
            return {answer(l, tekNumber(record.firstTime + double(first() - 1) * record.interval))};
        } else if (matches(l.header, "WFMOutpre:PT_Off") && l.query) {
            return {answer(l, "0")};
        } else if (matches(l.header, "WFMOutpre:YMUlt") && l.query) {
            return {answer(l, tekNumber(memory().settings.at(m_source).voltsPerDivision / 25))};
        } else if (matches(l.header, "WFMOutpre:YOFf") && l.query) {
            return {answer(l, tekNumber(memory().settings.at(m_source).position * 25))};
        } else if (matches(l.header, "WFMOutpre:YZEro") && l.query) {
            return {answer(l, tekNumber(memory().settings.at(m_source).offset))};
        } else if (matches(l.header, "CURVe") && l.query) {
            // "If the waveform specified by DATa:SOUrce is not displayed, the CURVe? query
            // returns nothing".
            if (!m_channels[m_source].displayed) {
                return {};
            }
            const Record &record = memory();
            const std::vector<int> &codes = record.codes.at(m_source);
            QByteArray bytes(qsizetype(last() - first() + 1), '\0');
            for (qint64 i = first(); i <= last(); ++i) {
                bytes.data()[i - first()] = char(codes[size_t(i - 1)] & 0xFF);
            }
            return {blockReply({}, bytes, 0, "\n")};
        }
        return {};
    }

protected:
    int horizontalDivisions() const override { return 10; }
    // RIBinary, 25 digitising levels a division, the position in divisions moving the trace.
    int codeOf(double volts, const Channel &channel, double noise) const override
    {
        return quantise(channel.position * 25
                + (volts - channel.offset) / (channel.voltsPerDivision / 25) + noise,
            -128, 127);
    }

private:
    FakeReply answer(const ScpiLine &l, const QByteArray &value)
    {
        return text(m_headers ? ":" + l.header.toUpper() + " " + value : value);
    }
    qint64 first() { return std::clamp<qint64>(m_start, 1, memory().points); }
    qint64 last() { return std::clamp<qint64>(m_stop, first(), memory().points); }

    FakeScopeModel m_model;
    bool m_headers = true;
    bool m_sequence = false;
    int m_source = 1;
    qint64 m_start = 1;
    qint64 m_stop = 10000;
};

} // namespace

std::unique_ptr<FakeScope> makeFakeScope(
    FakeScopeModel model, FakeBench *bench, const FakeScopeOptions &options)
{
    switch (model) {
    case FakeScopeModel::RigolDs1000z:
    case FakeScopeModel::RigolDho:
    case FakeScopeModel::RigolMso5000:
        return std::make_unique<FakeRigol>(model, bench, options);
    case FakeScopeModel::Keysight:
        return std::make_unique<FakeKeysight>(bench, options);
    case FakeScopeModel::RohdeSchwarz:
        return std::make_unique<FakeRohdeSchwarz>(bench, options);
    case FakeScopeModel::SiglentXE:
        return std::make_unique<FakeSiglentXE>(bench, options);
    case FakeScopeModel::SiglentHd:
        return std::make_unique<FakeSiglentHd>(bench, options);
    case FakeScopeModel::TektronixTbs:
    case FakeScopeModel::TektronixMdo:
        return std::make_unique<FakeTektronix>(model, bench, options);
    }
    return nullptr;
}

// ---- Fake generators ---------------------------------------------------------------------

namespace {

// The value after `key` in Siglent's "WVTP,SINE,FRQ,1000,AMP,2,…".
std::optional<double> keyedValue(const QByteArray &arguments, const QByteArray &key)
{
    const QList<QByteArray> fields = arguments.split(',');
    for (int i = 0; i + 1 < fields.size(); ++i) {
        if (fields[i].trimmed().toUpper() == key) {
            bool ok = false;
            QByteArray value = fields[i + 1].trimmed().toUpper();
            while (!value.isEmpty() && (value.back() < '0' || value.back() > '9')) {
                value.chop(1); // "1000HZ", "2VPP"
            }
            const double number = value.toDouble(&ok);
            if (ok) {
                return number;
            }
        }
    }
    return std::nullopt;
}

class FakeScpiGenerator : public FakeInstrument
{
public:
    FakeScpiGenerator(FakeGeneratorModel model, FakeBench *bench, QByteArray identification)
        : m_model(model)
        , m_bench(bench)
        , m_identification(std::move(identification))
    { }

    std::vector<FakeReply> handle(const QByteArray &line) override
    {
        const ScpiLine l = parseLine(line);
        if (l.query && l.header == "*IDN") {
            return {text(identification())};
        }
        if (l.query && l.header == "*OPC") {
            return {text("1")};
        }
        const FakeBench::State state = m_bench->state();
        switch (m_model) {
        case FakeGeneratorModel::SiglentSdg:
            if (matches(l.header, "C1:BSWV")) {
                if (l.query) {
                    return {text("C1:BSWV WVTP,SINE,FRQ,"
                        + QByteArray::number(state.frequencyHz, 'g', 12) + "HZ,PERI,"
                        + QByteArray::number(1 / state.frequencyHz, 'g', 6) + "S,AMP,"
                        + QByteArray::number(state.amplitudeVpp, 'g', 6) + "V,OFST,0V,PHSE,0")};
                }
                if (const std::optional<double> frequency = keyedValue(l.arguments, "FRQ")) {
                    m_bench->setFrequency(*frequency);
                }
                if (const std::optional<double> amplitude = keyedValue(l.arguments, "AMP")) {
                    m_bench->setAmplitude(*amplitude);
                }
            } else if (matches(l.header, "C1:OUTPut") && !l.query) {
                m_bench->setOutput(upper(l.arguments).startsWith("ON"));
            }
            break;
        case FakeGeneratorModel::RigolDg:
        case FakeGeneratorModel::Keysight33500:
            if (matches(l.header, "[:SOURce1]:APPLy:SINusoid") && !l.query) {
                const QList<QByteArray> values = l.arguments.split(',');
                if (!values.isEmpty()) {
                    m_bench->setFrequency(argumentNumber(values[0], state.frequencyHz));
                }
                if (values.size() > 1) {
                    m_bench->setAmplitude(argumentNumber(values[1], state.amplitudeVpp));
                }
            } else if (matches(l.header, "[:SOURce1]:APPLy") && l.query) {
                if (m_model == FakeGeneratorModel::RigolDg) {
                    // Seven significant digits (DG800 guide p.2-89).
                    return {text("\"SIN," + scientific(state.frequencyHz, 6) + ","
                        + scientific(state.amplitudeVpp, 6) + ",0.000000E+00,0.000000E+00\"")};
                }
                return {text("\"SIN " + keysightNumber(state.frequencyHz) + ","
                    + keysightNumber(state.amplitudeVpp) + ",+0.0000000000000E+00\"")};
            } else if (matches(l.header, ":OUTPut1") && !l.query) {
                m_bench->setOutput(upper(l.arguments) == "ON" || upper(l.arguments) == "1");
            }
            break;
        case FakeGeneratorModel::FeelTechFy6900:
        case FakeGeneratorModel::Jds6600:
            break;
        }
        return {};
    }

private:
    QByteArray identification() const
    {
        if (!m_identification.isEmpty()) {
            return m_identification;
        }
        switch (m_model) {
        case FakeGeneratorModel::SiglentSdg:
            return "Siglent Technologies,SDG1032X,SDG1XCAQ3R0001,1.01.01.33R1";
        case FakeGeneratorModel::RigolDg:
            return "Rigol Technologies,DG1062Z,DG1ZA000000001,00.01.14";
        default:
            return "Agilent Technologies,33522B,MY52300001,3.01-1.19-2.00-52-00";
        }
    }

    FakeGeneratorModel m_model;
    FakeBench *m_bench;
    QByteArray m_identification;
};

} // namespace

std::unique_ptr<FakeInstrument> makeFakeScpiGenerator(
    FakeGeneratorModel model, FakeBench *bench, const QByteArray &identification)
{
    return std::make_unique<FakeScpiGenerator>(model, bench, identification);
}

FakeSerialGenerator::FakeSerialGenerator(FakeGeneratorModel model, FakeBench *bench)
    : m_model(model)
    , m_bench(bench)
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        if (m_master >= 0) {
            close(m_master);
        }
        m_master = -1;
        return;
    }
    char name[128] = {};
    if (ptsname_r(m_master, name, sizeof name) != 0) {
        close(m_master);
        m_master = -1;
        return;
    }
    m_path = QString::fromLocal8Bit(name);
    // The fake holds the terminal's other end open too, so that its end never reads an
    // error while the program has not opened it yet, and raw, so that nothing is echoed.
    m_slave = open(name, O_RDWR | O_NOCTTY);
    if (m_slave >= 0) {
        termios settings {};
        if (tcgetattr(m_slave, &settings) == 0) {
            cfmakeraw(&settings);
            tcsetattr(m_slave, TCSANOW, &settings);
        }
    }
    m_thread = std::thread([this] { serve(); });
}

FakeSerialGenerator::~FakeSerialGenerator()
{
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    if (m_slave >= 0) {
        close(m_slave);
    }
    if (m_master >= 0) {
        close(m_master);
    }
}

void FakeSerialGenerator::serve()
{
    QByteArray input;
    while (!m_stop) {
        pollfd descriptor {m_master, POLLIN, 0};
        if (poll(&descriptor, 1, 20) <= 0 || !(descriptor.revents & POLLIN)) {
            continue;
        }
        char bytes[256];
        const ssize_t n = read(m_master, bytes, sizeof bytes);
        if (n <= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        input.append(bytes, int(n));
        for (;;) {
            const qsizetype end = input.indexOf('\n');
            if (end < 0) {
                break;
            }
            QByteArray line = input.left(end);
            input.remove(0, end + 1);
            if (line.endsWith('\r')) {
                line.chop(1);
            }
            ++m_lines;
            const QByteArray answer = reply(line);
            if (!answer.isEmpty()) {
                qsizetype written = 0;
                while (written < answer.size()) {
                    const ssize_t w = write(
                        m_master, answer.constData() + written, size_t(answer.size() - written));
                    if (w <= 0) {
                        break;
                    }
                    written += w;
                }
            }
        }
    }
}

QByteArray FakeSerialGenerator::reply(const QByteArray &line)
{
    const FakeBench::State state = m_bench->state();
    if (m_model == FakeGeneratorModel::FeelTechFy6900) {
        // Every command answered by 0x0a once done; a read by its value and 0x0a.
        if (line == "UMO") {
            return "FY6900-60M\n";
        }
        if (line == "RMF") {
            return QByteArray::number(state.frequencyHz, 'f', 6) + "\n";
        }
        if (line.startsWith("WMF")) {
            m_bench->setFrequency(line.mid(3).toDouble());
        } else if (line.startsWith("WMA")) {
            m_bench->setAmplitude(line.mid(3).toDouble());
        } else if (line.startsWith("WMN")) {
            m_bench->setOutput(line.mid(3) == "1");
        } else if (!(line.startsWith("WMW") || line.startsWith("WMO"))) {
            return {};
        }
        return "\n";
    }
    // JDS6600: ":r00=0." reads, ":w23=…" writes, answered ":ok", lines ended by CR LF.
    if (!line.startsWith(':') || !line.endsWith('.') || line.size() < 6 || line.at(4) != '=') {
        return {};
    }
    const QByteArray function = line.mid(2, 2);
    const QList<QByteArray> values = line.mid(5, line.size() - 6).split(',');
    if (line.at(1) == 'r') {
        if (function == "00") {
            return ":r00=15.\r\n";
        }
        if (function == "23") {
            return ":r23=" + QByteArray::number(qint64(std::llround(state.frequencyHz * 100)))
                + ",0.\r\n";
        }
        return {};
    }
    if (line.at(1) != 'w') {
        return {};
    }
    if (function == "23" && values.size() == 2 && values[1] == "0") {
        m_bench->setFrequency(values[0].toDouble() / 100);
    } else if (function == "25") {
        m_bench->setAmplitude(values[0].toDouble() / 1000);
    } else if (function == "20") {
        m_bench->setOutput(values[0] == "1");
    }
    return ":ok\r\n";
}
