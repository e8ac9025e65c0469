// How the SCPI families read a channel's record: the blocks that must hold what the
// record's description announced, a deep memory read in pieces, the preamble Rigol and
// Keysight share, and one-byte samples into volts. Each family's driver names the manual
// and section its own commands and conversions come from.

#include "replytext.h"
#include "scopedrivers.h"

bool isRecordLength(double points)
{
    return points >= 1 && points <= double(kLongestRecord) && points == std::floor(points);
}

Result<QByteArray> readInPieces(qint64 count, qint64 piece,
    const std::function<Result<QByteArray>(qint64 first, qint64 n)> &readPiece)
{
    QByteArray codes;
    codes.reserve(qsizetype(count));
    for (qint64 first = 0; first < count; first += piece) {
        const Result<QByteArray> block = readPiece(first, std::min(piece, count - first));
        if (!block) {
            return block.failure();
        }
        codes += *block;
    }
    return codes;
}

Trace unsignedByteTrace(const QByteArray &codes, const TraceScale &scale)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(codes.constData());
    return linearTrace(
        codes.size(), [bytes](qsizetype i) { return long(bytes[i]); }, scale);
}

Trace signedByteTrace(const QByteArray &codes, const TraceScale &scale)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(codes.constData());
    return linearTrace(
        codes.size(),
        [bytes](qsizetype i) { return bytes[i] > 127 ? long(bytes[i]) - 256 : long(bytes[i]); },
        scale);
}

Result<QByteArray> ScpiScope::queryExactBlock(
    const QByteArray &command, qint64 bytes, const QString &announced, const BlockFraming &framing)
{
    Result<QByteArray> block = transport().queryBlock(command, bytes, framing);
    if (!block) {
        return block.failure();
    }
    if (block->size() != bytes) {
        return failure(QStringLiteral("%1 gave %2 bytes%3")
                           .arg(quotedReply(command), QString::number(block->size()), announced));
    }
    return block;
}

Result<WaveformPreamble> ScpiScope::waveformPreamble(
    double format, const char *formatName, const QString &advice)
{
    const QByteArray query = ":WAVeform:PREamble?";
    const Result<std::vector<double>> numbers = queryNumbers(query, 10,
        QStringLiteral("ten numbers (format, type, points, count, xincrement, xorigin, "
                       "xreference, yincrement, yorigin, yreference)"));
    if (!numbers) {
        return numbers.failure();
    }
    const std::vector<double> &v = *numbers;
    const WaveformPreamble preamble {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]};
    if (preamble.format != format) {
        return failure(QStringLiteral("%1 gave format %2, expected %3 (%4)")
                           .arg(quotedReply(query))
                           .arg(preamble.format)
                           .arg(format)
                           .arg(QLatin1String(formatName)));
    }
    if (!isRecordLength(preamble.points)) {
        return failure(QStringLiteral("%1 gave a record of %2 points; this program reads 1 to "
                                      "%3")
                           .arg(quotedReply(query))
                           .arg(preamble.points)
                           .arg(kLongestRecord)
            + advice);
    }
    if (!(preamble.xIncrement > 0) || !(preamble.yIncrement > 0)) {
        return failure(QStringLiteral("%1 gave an xincrement of %2 and a yincrement of %3, "
                                      "expected both above 0")
                           .arg(quotedReply(query))
                           .arg(preamble.xIncrement)
                           .arg(preamble.yIncrement));
    }
    return preamble;
}
