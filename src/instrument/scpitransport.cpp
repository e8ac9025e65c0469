#include "scpitransport.h"

#include "replytext.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QTcpSocket>

#include <algorithm>
#include <cstring>

namespace {

// A text reply is a line: an identification, a preamble, a list of settings. Anything longer
// without a line end is not one, and is not kept.
constexpr qsizetype kLongestLine = 64 * 1024;
// What the socket may hold beyond what a reply has taken, so that an instrument that sends
// without end cannot fill the memory.
constexpr qint64 kSocketBuffer = 1024 * 1024;
// A reply shown in a message: enough to recognise it.
constexpr int kShownCharacters = 40;

QString commandText(const QByteArray &command)
{
    return quotedReply(command, 60);
}

// Where the '#' of a block stands in `reply`: at its start, or after `prefix` where the
// instrument puts one. Empty while the reply is the start of the prefix and may yet become
// it; -1 where the reply is no block.
std::optional<qsizetype> hashIn(const QByteArray &reply, const QByteArray &prefix)
{
    if (reply.startsWith('#')) {
        return 0;
    }
    if (prefix.isEmpty()) {
        return -1;
    }
    const qsizetype common = std::min(reply.size(), prefix.size());
    if (reply.left(common) != prefix.left(common)) {
        return -1;
    }
    if (reply.size() <= prefix.size()) {
        return std::nullopt;
    }
    return reply.constData()[prefix.size()] == '#' ? prefix.size() : -1;
}

} // namespace

ScpiTransport::ScpiTransport(
    Kind kind, QString role, QString address, std::chrono::milliseconds timeout)
    : m_kind(kind)
    , m_role(std::move(role))
    , m_address(std::move(address))
    , m_timeout(timeout)
{ }

ScpiTransport::~ScpiTransport() = default;

Result<std::unique_ptr<ScpiTransport>> ScpiTransport::connectTcp(
    const QString &role, const QString &host, quint16 port, std::chrono::milliseconds timeout)
{
    std::unique_ptr<ScpiTransport> transport(
        new ScpiTransport(Kind::Tcp, role, QStringLiteral("%1:%2").arg(host).arg(port), timeout));
    transport->m_host = host;
    transport->m_port = port;
    if (const Status opened = transport->open(); !opened) {
        return opened.failure();
    }
    return transport;
}

Result<std::unique_ptr<ScpiTransport>> ScpiTransport::openSerial(
    const QString &role, const QString &path, qint32 baudRate, std::chrono::milliseconds timeout)
{
    std::unique_ptr<ScpiTransport> transport(new ScpiTransport(Kind::Serial, role, path, timeout));
    transport->m_baudRate = baudRate;
    if (const Status opened = transport->open(); !opened) {
        return opened.failure();
    }
    return transport;
}

QString ScpiTransport::name() const
{
    return m_role + QLatin1Char(' ') + m_address;
}

Failure ScpiTransport::failure(const QString &message) const
{
    return {name() + QStringLiteral(": ") + message};
}

Failure ScpiTransport::outOfStep(const QString &message)
{
    m_outOfStep = true;
    return failure(message);
}

Status ScpiTransport::open()
{
    m_buffer.clear();
    m_owedLineEnds = 0;
    m_outOfStep = false;
    m_device.reset();
    const int waitMs = int(std::min<long long>(m_timeout.count(), 24 * 3600 * 1000));
    if (m_kind == Kind::Tcp) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->setReadBufferSize(kSocketBuffer);
        socket->connectToHost(m_host, m_port);
        if (!socket->waitForConnected(waitMs)) {
            return failure(QStringLiteral("could not connect: %1").arg(socket->errorString()));
        }
        // Commands are short and each waits for its reply: Nagle's delay would hold every
        // one back until the instrument's acknowledgement.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_device = std::move(socket);
    } else {
        auto port = std::make_unique<QSerialPort>();
        port->setPortName(m_address);
        if (!port->open(QIODevice::ReadWrite)) {
            return failure(QStringLiteral("could not open: %1").arg(port->errorString()));
        }
        if (!port->setBaudRate(m_baudRate) || !port->setDataBits(QSerialPort::Data8)
            || !port->setParity(QSerialPort::NoParity) || !port->setStopBits(QSerialPort::OneStop)
            || !port->setFlowControl(QSerialPort::NoFlowControl)) {
            return failure(QStringLiteral("could not set %1 baud, 8 data bits, no parity: %2")
                               .arg(m_baudRate)
                               .arg(port->errorString()));
        }
        port->setReadBufferSize(kSocketBuffer);
        m_device = std::move(port);
    }
    return success();
}

Status ScpiTransport::beforeCommand(const QByteArray &command)
{
    bool closed = !m_device;
    if (m_device && m_kind == Kind::Tcp) {
        closed
            = static_cast<QTcpSocket *>(m_device.get())->state() != QAbstractSocket::ConnectedState;
    }
    if (m_outOfStep || closed) {
        // A reply that came late, or the rest of one that was refused, may still be on its
        // way: a fresh connection leaves it behind. A serial line has no such thing; its
        // buffers are emptied instead.
        if (m_kind == Kind::Tcp || closed) {
            return open();
        }
        static_cast<QSerialPort *>(m_device.get())->clear();
        m_buffer.clear();
        m_owedLineEnds = 0;
        m_outOfStep = false;
        return success();
    }
    if (m_device->bytesAvailable() > 0) {
        const QByteArray bytes = m_device->read(kLongestLine);
        m_counters.bytesRead += bytes.size();
        m_buffer += bytes;
    }
    takeOwedLineEnds();
    if (m_owedLineEnds == 0 && !m_buffer.isEmpty()) {
        const QByteArray stray = m_buffer;
        return outOfStep(QStringLiteral("sent %1 before %2, which no command asked for")
                             .arg(quotedReply(stray, kShownCharacters), commandText(command)));
    }
    return success();
}

Status ScpiTransport::write(const QByteArray &command)
{
    const QByteArray line = command + m_lineEnd;
    QDeadlineTimer deadline(m_timeout);
    if (m_device->write(line) != line.size()) {
        return outOfStep(QStringLiteral("could not send %1: %2")
                             .arg(commandText(command), m_device->errorString()));
    }
    m_counters.bytesWritten += line.size();
    while (m_device->bytesToWrite() > 0) {
        if (!m_device->waitForBytesWritten(int(std::max<qint64>(deadline.remainingTime(), 0)))) {
            return outOfStep(QStringLiteral("could not send %1 within %2: %3")
                                 .arg(commandText(command), secondsText(m_timeout.count()),
                                     m_device->errorString()));
        }
    }
    return success();
}

Status ScpiTransport::send(const QByteArray &command)
{
    if (const Status ready = beforeCommand(command); !ready) {
        return ready;
    }
    return write(command);
}

void ScpiTransport::takeOwedLineEnds()
{
    qsizetype taken = 0;
    while (m_owedLineEnds > 0 && taken < m_buffer.size()) {
        const char c = m_buffer.constData()[taken];
        if (c == '\n') {
            --m_owedLineEnds;
        } else if (c != '\r') {
            // The trailer is not coming: what follows is the next reply.
            m_owedLineEnds = 0;
            break;
        }
        ++taken;
    }
    m_buffer.remove(0, taken);
}

Status ScpiTransport::receive(const QByteArray &command, const QByteArray &replySoFar)
{
    QDeadlineTimer deadline(m_timeout);
    for (;;) {
        if (m_device->bytesAvailable() > 0) {
            const QByteArray bytes = m_device->read(kSocketBuffer);
            m_counters.bytesRead += bytes.size();
            m_buffer += bytes;
            return success();
        }
        bool closed = false;
        if (m_kind == Kind::Tcp) {
            closed = static_cast<QTcpSocket *>(m_device.get())->state()
                != QAbstractSocket::ConnectedState;
        } else {
            const auto error = static_cast<QSerialPort *>(m_device.get())->error();
            closed = error != QSerialPort::NoError && error != QSerialPort::TimeoutError;
        }
        if (closed) {
            if (replySoFar.isEmpty()) {
                return outOfStep(QStringLiteral("the connection closed without a reply to %1")
                                     .arg(commandText(command)));
            }
            return outOfStep(
                QStringLiteral("the connection closed after %1 answered %2")
                    .arg(commandText(command), quotedReply(replySoFar, kShownCharacters)));
        }
        if (deadline.hasExpired()) {
            if (replySoFar.isEmpty()) {
                return outOfStep(QStringLiteral("no reply to %1 within %2")
                                     .arg(commandText(command), secondsText(m_timeout.count())));
            }
            return outOfStep(
                QStringLiteral("%1 answered %2 and then nothing for %3")
                    .arg(commandText(command), quotedReply(replySoFar, kShownCharacters),
                        secondsText(m_timeout.count())));
        }
        m_device->waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 0)));
    }
}

Result<QByteArray> ScpiTransport::query(const QByteArray &command)
{
    if (const Status sent = send(command); !sent) {
        return sent.failure();
    }
    for (;;) {
        takeOwedLineEnds();
        if (m_owedLineEnds == 0) {
            const qsizetype end = m_buffer.indexOf('\n');
            if (end >= 0) {
                QByteArray line = m_buffer.left(end);
                m_buffer.remove(0, end + 1);
                if (line.endsWith('\r')) {
                    line.chop(1);
                }
                m_counters.largestReply = std::max<long long>(m_counters.largestReply, end);
                return line;
            }
            if (m_buffer.size() > kLongestLine) {
                const QByteArray head = m_buffer.left(kShownCharacters);
                m_buffer.clear();
                return outOfStep(QStringLiteral("%1 answered more than %2 bytes without a line "
                                                "end: %3")
                                     .arg(commandText(command))
                                     .arg(kLongestLine)
                                     .arg(quotedReply(head + "…", kShownCharacters)));
            }
        }
        if (const Status more = receive(command, m_buffer); !more) {
            return more.failure();
        }
    }
}

Result<std::optional<ScpiTransport::BlockHeader>> ScpiTransport::blockHeader(
    const QByteArray &reply, const QByteArray &command, qint64 maxBytes,
    const BlockFraming &framing)
{
    const std::optional<qsizetype> hash = hashIn(reply, framing.prefix);
    if (hash && *hash < 0) {
        return Failure {QStringLiteral("%1 answered %2, not a block of data ('#' and its length)")
                            .arg(commandText(command), quotedReply(reply, kShownCharacters))};
    }
    if (!hash || reply.size() < *hash + 2) {
        return std::optional<BlockHeader>();
    }
    const char digit = reply.constData()[*hash + 1];
    if (digit == '0') {
        return Failure {QStringLiteral("%1 answered a block of undeclared length (%2); only "
                                       "blocks that declare their length are read")
                            .arg(commandText(command), quotedReply(reply, kShownCharacters))};
    }
    if (digit < '1' || digit > '9') {
        return Failure {QStringLiteral("%1 answered %2: '#' is not followed by the number of "
                                       "length digits")
                            .arg(commandText(command), quotedReply(reply, kShownCharacters))};
    }
    const int digits = digit - '0';
    const qsizetype size = *hash + 2 + digits;
    if (reply.size() < size) {
        return std::optional<BlockHeader>();
    }
    qint64 length = 0;
    for (int i = 0; i < digits; ++i) {
        const char c = reply.constData()[*hash + 2 + i];
        if (c < '0' || c > '9') {
            return Failure {QStringLiteral("%1 answered %2: the block's length is not %3 digits")
                                .arg(commandText(command), quotedReply(reply, kShownCharacters))
                                .arg(digits)};
        }
        length = length * 10 + (c - '0'); // at most 9 digits: no overflow
    }
    if (length > maxBytes) {
        return Failure {QStringLiteral("%1 announced a block of %2 bytes (%3), more than the %4 "
                                       "bytes its record can hold")
                            .arg(commandText(command))
                            .arg(length)
                            .arg(quotedReply(reply.left(size)))
                            .arg(maxBytes)};
    }
    return std::optional<BlockHeader>(BlockHeader {size, length});
}

Result<ScpiTransport::BlockHeader> ScpiTransport::receiveBlockHeader(
    const QByteArray &command, qint64 maxBytes, const BlockFraming &framing)
{
    for (;;) {
        takeOwedLineEnds();
        if (m_owedLineEnds == 0 && !m_buffer.isEmpty()) {
            const Result<std::optional<BlockHeader>> header
                = blockHeader(m_buffer, command, maxBytes, framing);
            if (!header) {
                // Whatever the reply is, the rest of it is still coming: the link is out of
                // step.
                return outOfStep(header.error());
            }
            if (*header) {
                return **header;
            }
        }
        if (const Status more = receive(command, m_buffer); !more) {
            return more.failure();
        }
    }
}

Result<QByteArray> ScpiTransport::receiveBlockBytes(
    const QByteArray &command, const BlockHeader &header)
{
    // The bytes, read straight into the block: a 0x0a or a '#' among them is data.
    const qint64 length = header.length;
    const QByteArray headerText = m_buffer.left(header.size);
    QByteArray data(qsizetype(length), Qt::Uninitialized);
    qint64 have = std::min<qint64>(m_buffer.size() - header.size, length);
    std::memcpy(data.data(), m_buffer.constData() + header.size, size_t(have));
    m_buffer.remove(0, header.size + qsizetype(have));
    while (have < length) {
        if (m_device->bytesAvailable() == 0) {
            const QByteArray soFar = headerText + data.left(qsizetype(std::min<qint64>(have, 16)));
            if (const Status more = receive(command, soFar); !more) {
                // receive() names what came; the count says how much of the block it was.
                return Failure {more.error()
                    + QStringLiteral(" (%1 of the block's %2 bytes)").arg(have).arg(length)};
            }
            // receive() put the bytes into m_buffer: take them from there.
            const qint64 n = std::min<qint64>(m_buffer.size(), length - have);
            std::memcpy(data.data() + have, m_buffer.constData(), size_t(n));
            m_buffer.remove(0, qsizetype(n));
            have += n;
            continue;
        }
        const qint64 n = m_device->read(data.data() + have, length - have);
        if (n < 0) {
            return outOfStep(QStringLiteral("could not read the reply to %1: %2")
                                 .arg(commandText(command), m_device->errorString()));
        }
        m_counters.bytesRead += n;
        have += n;
    }
    return data;
}

Result<QByteArray> ScpiTransport::queryBlock(
    const QByteArray &command, qint64 maxBytes, const BlockFraming &framing)
{
    if (const Status sent = send(command); !sent) {
        return sent.failure();
    }
    const Result<BlockHeader> header = receiveBlockHeader(command, maxBytes, framing);
    if (!header) {
        return header.failure();
    }
    Result<QByteArray> data = receiveBlockBytes(command, *header);
    if (!data) {
        return data;
    }
    m_counters.largestReply = std::max<long long>(m_counters.largestReply, header->length);
    m_owedLineEnds = framing.trailerLineEnds;
    takeOwedLineEnds();
    return data;
}

Result<std::unique_ptr<ScpiTransport>> ScpiTransport::connectFirst(const QString &role,
    const QString &host, const std::vector<quint16> &ports, std::chrono::milliseconds timeout)
{
    QStringList failures;
    for (const quint16 port : ports) {
        Result<std::unique_ptr<ScpiTransport>> connected = connectTcp(role, host, port, timeout);
        if (connected) {
            return connected;
        }
        failures << connected.error();
    }
    return Failure {failures.join(QStringLiteral("; "))};
}
