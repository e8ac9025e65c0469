#ifndef SCPITRANSPORT_H
#define SCPITRANSPORT_H

#include "result.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;

// How a binary block reply is framed around its IEEE 488.2 definite-length block
// ("#" + one digit N + N digits of length + the bytes).
struct BlockFraming
{
    // Text the instrument may put before the "#" (Siglent's "C1:WF DAT2,"); the reply must
    // start with it or with the "#" itself.
    QByteArray prefix;
    // The line ends after the bytes: one "\n" for most, two for Siglent's "\n\n". They are
    // taken when they come, never waited for: a missing one costs nothing.
    int trailerLineEnds = 1;
};

// What a transport has moved, for the benchmark: bytes each way and the largest buffer it
// held for a reply.
struct TransferCounters
{
    long long bytesWritten = 0;
    long long bytesRead = 0;
    long long largestReply = 0;
};

// One instrument's link: SCPI over TCP (a raw socket, commands ending in "\n"), or a serial
// line for the generators that speak their own line protocol. It moves bytes and frames the
// replies: text to the line end, binary blocks by their declared length, never looking for
// a line end inside binary data. Every wait has a timeout; a reply that stops, a closed
// connection or a block longer than the caller allows is a Failure that names the
// instrument, the command and what came back. After a timeout or a framing failure the link
// is out of step (a late reply may still come): the next command first connects afresh.
// Blocking, for one thread, without an event loop.
class ScpiTransport
{
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout {10000};

    // `role` names the instrument in messages ("scope", "generator").
    static Result<std::unique_ptr<ScpiTransport>> connectTcp(const QString &role,
        const QString &host, quint16 port, std::chrono::milliseconds timeout = kDefaultTimeout);
    // The first of the ports that takes the connection, in turn (an instrument's family, and
    // so its port, is known only once it answers); the failure names every port tried.
    static Result<std::unique_ptr<ScpiTransport>> connectFirst(const QString &role,
        const QString &host, const std::vector<quint16> &ports,
        std::chrono::milliseconds timeout = kDefaultTimeout);
    // A serial port (a path such as /dev/ttyUSB0), 8 data bits, no parity, one stop bit.
    static Result<std::unique_ptr<ScpiTransport>> openSerial(const QString &role,
        const QString &path, qint32 baudRate, std::chrono::milliseconds timeout = kDefaultTimeout);
    ~ScpiTransport();
    ScpiTransport(const ScpiTransport &) = delete;
    ScpiTransport &operator=(const ScpiTransport &) = delete;

    // "scope 127.0.0.1:5555", as messages begin.
    QString name() const;
    std::chrono::milliseconds timeout() const { return m_timeout; }
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    // What ends a command: "\n" unless the instrument wants "\r\n".
    void setLineEnd(const QByteArray &lineEnd) { m_lineEnd = lineEnd; }
    TransferCounters counters() const { return m_counters; }

    // A command that has no reply.
    Status send(const QByteArray &command);
    // A command and its reply up to the line end, without the line end ("\n" or "\r\n").
    Result<QByteArray> query(const QByteArray &command);
    // A command and its binary block; the bytes of the block only. A block that declares
    // more than `maxBytes` is refused before anything is reserved for it, as is an
    // indefinite-length block ("#0").
    Result<QByteArray> queryBlock(
        const QByteArray &command, qint64 maxBytes, const BlockFraming &framing = {});

    // A failure about this instrument: "scope 127.0.0.1:5555: <message>".
    Failure failure(const QString &message) const;

private:
    enum class Kind { Tcp, Serial };
    ScpiTransport(Kind kind, QString role, QString address, std::chrono::milliseconds timeout);
    Status open();
    Status write(const QByteArray &command);
    Status beforeCommand(const QByteArray &command);
    // Waits for more bytes and appends them to m_buffer. `what` says what was awaited, for
    // the message.
    Status receive(const QByteArray &command, const QByteArray &replySoFar);
    void takeOwedLineEnds();
    Failure outOfStep(const QString &message);

    // The start of a binary block reply: how many bytes of it come before the data (the
    // framing's prefix, "#", the digit N and the N digits), and how many data bytes follow.
    struct BlockHeader
    {
        qsizetype size = 0;
        qint64 length = 0;
    };
    // The header at the start of `reply`, empty while more of it is to come; a failure where
    // the reply is no block, or a block of undeclared length or of more than `maxBytes`.
    static Result<std::optional<BlockHeader>> blockHeader(const QByteArray &reply,
        const QByteArray &command, qint64 maxBytes, const BlockFraming &framing);
    // Waits for the header of the reply to `command`.
    Result<BlockHeader> receiveBlockHeader(
        const QByteArray &command, qint64 maxBytes, const BlockFraming &framing);
    // The data bytes after the header at the start of m_buffer, waited for as they come.
    Result<QByteArray> receiveBlockBytes(const QByteArray &command, const BlockHeader &header);

    Kind m_kind;
    QString m_role;
    QString m_address; // host:port or the serial path
    QString m_host;
    quint16 m_port = 0;
    qint32 m_baudRate = 0;
    std::chrono::milliseconds m_timeout;
    QByteArray m_lineEnd = "\n";
    std::unique_ptr<QIODevice> m_device;
    QByteArray m_buffer; // received bytes not yet taken by a reply
    int m_owedLineEnds = 0; // a block's trailer that has not come yet
    bool m_outOfStep = false;
    TransferCounters m_counters;
};

#endif // SCPITRANSPORT_H
