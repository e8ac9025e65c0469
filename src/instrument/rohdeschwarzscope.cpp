// Rohde & Schwarz RTB2000 and RTM3000 (the RTA4000 shares the commands), from the R&S RTB2000
// User Manual (1333.1611.02), "Remote Control Commands": "Reading Waveform Data in Unsigned
// Integer Format" (v04 p.244), FORMat[:DATA] (v04 p.339), CHANnel<m>:DATA:HEADer? and
// :POINts (p.340-341); and the R&S RTM3000 User Manual (1335.9090.02), p.427 and p.570-572.
// Port 5025 is documented for R&S instruments in general, not seen for these two. SINGle
// and ACQuire:STATe? with its reply COMP are the community's (the manual pages were not
// seen), as are the pages of TIMebase:SCALe and CHANnel<m>:SCALe.

#include "replytext.h"
#include "scopedrivers.h"

namespace {

// Ten horizontal and eight vertical divisions: not in the notes for these models; the record's
// own header gives the span that counts, and the fit checks it.
constexpr ScopeCommands kCommands = {10, 8, "TIMebase:SCALe %1", "TIMebase:SCALe?",
    "CHANnel%1:SCALe %2", "CHANnel%1:SCALe?", "", ""};

// UINT,8: codes 0 to 255; "The center of the display at position 0 div always has the byte
// value 127.5".
constexpr long kLowestCode = 0;
constexpr long kHighestCode = 255;

class RohdeSchwarzScope : public ScpiScope
{
public:
    RohdeSchwarzScope(std::unique_ptr<ScpiTransport> transport, QByteArray identification)
        : ScpiScope(std::move(transport), ScopeFamily::RohdeSchwarzRtb, std::move(identification),
            kCommands)
    { }

    Status acquire(const std::vector<int> &channels) override;
    Result<Trace> readChannel(int channel) override;

protected:
    Status resumeRunning() override { return send("RUN"); }
};

Status RohdeSchwarzScope::acquire(const std::vector<int> &)
{
    if (const Status sent = send("SINGle"); !sent) {
        return sent;
    }
    return waitUntilStopped("ACQuire:STATe?",
        [](const QByteArray &reply) { return reply.trimmed().toUpper().startsWith("COMP"); });
}

Result<Trace> RohdeSchwarzScope::readChannel(int channel)
{
    const QByteArray source = "CHANnel" + QByteArray::number(channel);
    // 8-bit unsigned codes; the byte order matters only for 16 and 32 bits. All samples of
    // the memory within the displayed time, which the scope allows only when stopped.
    if (const Status sent = sendAll({"FORMat:DATA UINT,8", source + ":DATA:POINts DMAXimum"});
        !sent) {
        return sent.failure();
    }
    const Result<double> perDivision = voltsPerDivision(channel);
    if (!perDivision) {
        return perDivision.failure();
    }
    // The header: XStart in s, XStop in s, record length in samples, values per sample
    // interval (1; 2 for an envelope).
    const QByteArray headerQuery = source + ":DATA:HEADer?";
    const Result<std::vector<double>> header = queryNumbers(
        headerQuery, 4, QStringLiteral("four numbers (start, stop, samples, values a sample)"));
    if (!header) {
        return header.failure();
    }
    const double samples = (*header)[2];
    if (!isRecordLength(samples)) {
        return failure(QStringLiteral("%1 gave a record of %2 samples; this program reads 1 to "
                                      "%3")
                           .arg(quotedReply(headerQuery))
                           .arg(samples)
                           .arg(kLongestRecord));
    }
    if ((*header)[3] != 1) {
        return failure(QStringLiteral("%1 gave %2 values a sample: an envelope, not a "
                                      "waveform; set the acquisition to sample mode")
                           .arg(quotedReply(headerQuery))
                           .arg((*header)[3]));
    }
    const Result<std::array<double, 4>> axes
        = queryEach({{source + ":DATA:XORigin?"}, {source + ":DATA:XINCrement?"},
            {source + ":DATA:YORigin?"}, {source + ":DATA:YINCrement?"}});
    if (!axes) {
        return axes.failure();
    }
    const auto [xOrigin, xIncrement, yOrigin, yIncrement] = *axes;
    if (!(xIncrement > 0) || !(yIncrement > 0)) {
        return failure(QStringLiteral("the scope gave an x increment of %1 and a y increment of "
                                      "%2, expected both above 0")
                           .arg(xIncrement)
                           .arg(yIncrement));
    }
    // "#41024<value1>…": the IEEE 488.2 block, one byte a sample.
    const auto count = qint64(samples);
    const Result<QByteArray> block = queryExactBlock(
        source + ":DATA?", count, QStringLiteral("; the header announced %1 samples").arg(count));
    if (!block) {
        return block.failure();
    }
    // "Y_n = yOrigin + (yIncrement * byteValue_n)" and "t_n = n * xIncrement + xOrigin", the
    // sample numbers starting with 0 (RTB2000 v04 p.244, RTM3000 p.427).
    TraceScale scale;
    scale.voltsPerCode = yIncrement;
    scale.voltsAtCodeZero = yOrigin;
    scale.interval = xIncrement;
    scale.firstTime = xOrigin;
    scale.lowestCode = kLowestCode;
    scale.highestCode = kHighestCode;
    scale.screenVolts = kCommands.verticalDivisions * *perDivision;
    return unsignedByteTrace(*block, scale);
}

} // namespace

std::unique_ptr<Scope> makeRohdeSchwarzScope(
    std::unique_ptr<ScpiTransport> transport, QByteArray identification)
{
    return std::make_unique<RohdeSchwarzScope>(std::move(transport), std::move(identification));
}
