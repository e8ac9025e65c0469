// Keysight (Agilent) InfiniiVision X-Series, from the makers' guides: the InfiniiVision
// 2000 X-Series Programmer's Guide (":WAVeform Commands": "Data Conversion" p.632,
// ":WAVeform:PREamble" p.644; "Synchronizing Acquisitions" p.779), the 3000 X-Series guide
// (":OPERegister:CONDition" p.171) and the 4000 X-Series guide (":WAVeform:DATA" p.1243).
// Port 5025 is Keysight's documented SCPI socket. Unconfirmed in the pages seen: that
// :DIGitize leaves the scope stopped (the Run bit is polled in any case), the page of
// :WAVeform:POINts:MODE RAW, and those of :TIMebase:SCALe and :CHANnel<n>:SCALe.

#include "replytext.h"
#include "scopedrivers.h"

namespace {

constexpr ScopeCommands kCommands = {10, 8, ":TIMebase:SCALe %1", ":TIMebase:SCALe?",
    ":CHANnel%1:SCALe %2", ":CHANnel%1:SCALe?", "", ""};

// WORD data, unsigned, most significant byte first. 0x0000 is a hole (no data), 0x0001
// clipped low, 0xFFFF clipped high (4000 X-Series guide p.1243).
constexpr long kHole = 0x0000;
constexpr long kClippedLow = 0x0001;
constexpr long kClippedHigh = 0xFFFF;
// :OPERegister:CONDition? bit 3, "Run": set while the oscilloscope is not stopped (3000
// X-Series guide p.171, Table 63).
constexpr int kRunBit = 8;

class KeysightScope : public ScpiScope
{
public:
    KeysightScope(std::unique_ptr<ScpiTransport> transport, QByteArray identification)
        : ScpiScope(std::move(transport), ScopeFamily::KeysightInfiniiVision,
            std::move(identification), kCommands)
    { }

    Status acquire(const std::vector<int> &channels) override;
    Result<Trace> readChannel(int channel) override;

protected:
    Status resumeRunning() override { return send(":RUN"); }
};

Status KeysightScope::acquire(const std::vector<int> &channels)
{
    // ":DIGitize CHANnel1,CHANnel2" acquires the named channels once (3000 X-Series guide
    // p.1141); the scope is stopped when the "Run" bit of :OPERegister:CONDition? is clear
    // (4000 X-Series guide p.1603: "ANDed with 8").
    QByteArray command = ":DIGitize ";
    for (size_t i = 0; i < channels.size(); ++i) {
        command += (i > 0 ? ",CHANnel" : "CHANnel") + QByteArray::number(channels[i]);
    }
    if (const Status sent = send(command); !sent) {
        return sent;
    }
    return waitUntilStopped(":OPERegister:CONDition?", [](const QByteArray &reply) {
        const std::optional<double> value = replyNumber(reply);
        return value && *value >= 0 && *value < 65536 && (int(*value) & kRunBit) == 0;
    });
}

Result<Trace> KeysightScope::readChannel(int channel)
{
    if (const Status sent = sendAll({":WAVeform:SOURce CHANnel" + QByteArray::number(channel),
            ":WAVeform:FORMat WORD", ":WAVeform:BYTeorder MSBFirst", ":WAVeform:UNSigned 1",
            ":WAVeform:POINts:MODE RAW", ":WAVeform:POINts MAXimum"});
        !sent) {
        return sent.failure();
    }
    const Result<double> perDivision = voltsPerDivision(channel);
    if (!perDivision) {
        return perDivision.failure();
    }
    // :WAVeform:PREamble? (2000 X-Series guide p.644): format, type, points, count,
    // xincrement, xorigin, xreference, yincrement, yorigin, yreference; 1 is WORD among the
    // formats (0 BYTE, 4 ASCii).
    const Result<WaveformPreamble> preamble = waveformPreamble(1, "WORD");
    if (!preamble) {
        return preamble.failure();
    }
    // "#8" + eight digits of byte count, the data, then a new line (4000 X-Series guide
    // p.1243).
    const auto count = qint64(preamble->points);
    const Result<QByteArray> block = queryExactBlock(":WAVeform:DATA?", 2 * count,
        QStringLiteral("; the preamble announced %1 points of two bytes").arg(count));
    if (!block) {
        return block.failure();
    }
    const auto *bytes = reinterpret_cast<const unsigned char *>(block->constData());
    const auto codeAt = [bytes](qsizetype i) { return long(bytes[2 * i]) << 8 | bytes[2 * i + 1]; };
    for (qsizetype i = 0; i < count; ++i) {
        if (codeAt(i) == kHole) {
            return failure(QStringLiteral("':WAVeform:DATA?' has no data at point %1 (a hole, "
                                          "0x0000): the acquisition was not complete")
                               .arg(i));
        }
    }
    // "voltage = [(data value - yreference) * yincrement] + yorigin" and
    // "time = [(data point number - xreference) * xincrement] + xorigin", the point numbers
    // counting from 0 (2000 X-Series guide p.632).
    TraceScale scale;
    scale.voltsPerCode = preamble->yIncrement;
    scale.voltsAtCodeZero = preamble->yOrigin - preamble->yReference * preamble->yIncrement;
    scale.interval = preamble->xIncrement;
    scale.firstTime = preamble->xOrigin - preamble->xReference * preamble->xIncrement;
    scale.lowestCode = kClippedLow;
    scale.highestCode = kClippedHigh;
    scale.screenVolts = kCommands.verticalDivisions * *perDivision;
    return linearTrace(count, codeAt, scale);
}

} // namespace

std::unique_ptr<Scope> makeKeysightScope(
    std::unique_ptr<ScpiTransport> transport, QByteArray identification)
{
    return std::make_unique<KeysightScope>(std::move(transport), std::move(identification));
}
