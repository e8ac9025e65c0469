// Rigol DS1000Z, DHO800/DHO900 and MSO5000, from the makers' guides:
// - MSO1000Z/DS1000Z Programming Guide (PGA19110-1110) and the DS1000Z-E Programming Guide,
//   ":WAVeform Commands";
// - DHO800/DHO900 Series Digital Oscilloscope Programming Guide (PGA39106-1110), 3.1, 3.27,
//   3.28;
// - MSO5000 Programming Guide, ":WAVeform Commands".
// The raw socket port 5555 is the community's; no Rigol guide seen names it. :TIMebase:MAIN:
// SCALe and :CHANnel<n>:SCALe are the DHO guide's 3.26.5 and 3.6.7 (their DS1000Z pages were
// not seen); :TRIGger:SWEep the MSO5000-E guide's p.2-160.

#include "replytext.h"
#include "scopedrivers.h"

namespace {

// The horizontal divisions: 12 on the DS1000Z ("the number of the horizontal scales (12 for
// MSO1000Z/DS1000Z)", :ACQuire:SRATe?), 10 on the DHO and MSO5000 (NORMal mode's XINCrement
// is TimeScale/100 for its 1000 screen points, DHO guide 3.28). Eight vertical divisions.
constexpr ScopeCommands kDs1000zCommands = {12, 8, ":TIMebase:MAIN:SCALe %1",
    ":TIMebase:MAIN:SCALe?", ":CHANnel%1:SCALe %2", ":CHANnel%1:SCALe?", "", ""};
constexpr ScopeCommands kTenDivisionCommands = {10, 8, ":TIMebase:MAIN:SCALe %1",
    ":TIMebase:MAIN:SCALe?", ":CHANnel%1:SCALe %2", ":CHANnel%1:SCALe?", "", ""};

// Points per :WAVeform:DATA? in BYTE format. The DS1000Z-E guide's batch read says each read
// must stay within a limit and reads WORD data 125 000 points at a time; 250 000 for BYTE is
// the community's figure (the guide's limits table was not seen).
constexpr qint64 kPointsPerRead = 250000;
// BYTE codes: 0 to 255 (the guides' example converts 0x8E).
constexpr long kLowestCode = 0;
constexpr long kHighestCode = 255;

class RigolScope : public ScpiScope
{
public:
    RigolScope(
        std::unique_ptr<ScpiTransport> transport, ScopeFamily family, QByteArray identification)
        : ScpiScope(std::move(transport), family, std::move(identification),
            family == ScopeFamily::RigolDs1000z ? kDs1000zCommands : kTenDivisionCommands)
    { }

    Status acquire(const std::vector<int> &channels) override;
    Result<Trace> readChannel(int channel) override;

protected:
    Status resumeRunning() override;

private:
    std::optional<QByteArray> m_savedSweep;
};

Status RigolScope::acquire(const std::vector<int> &)
{
    // :SINGle sets the trigger sweep to SINGLE (DHO guide 3.1.4); the old one is given back.
    if (!m_savedSweep) {
        const Result<QByteArray> sweep = transport().query(":TRIGger:SWEep?");
        if (!sweep) {
            return sweep.failure();
        }
        const QByteArray mode = sweep->trimmed().toUpper();
        if (mode != "AUTO" && mode != "NORM" && mode != "SING") {
            return unexpected(":TRIGger:SWEep?", *sweep, QStringLiteral("AUTO, NORM or SING"));
        }
        m_savedSweep = mode;
    }
    if (const Status sent = send(":SINGle"); !sent) {
        return sent;
    }
    // :TRIGger:STATus? answers TD, WAIT, RUN, AUTO or STOP (DHO guide 3.27.3; DS4000E guide
    // p.2-195; for the DS1000Z the same list is quoted by the community). The memory may only
    // be read in STOP (DS1000Z-E guide p.2-180).
    return waitUntilStopped(":TRIGger:STATus?",
        [](const QByteArray &reply) { return reply.trimmed().toUpper() == "STOP"; });
}

Result<Trace> RigolScope::readChannel(int channel)
{
    // The memory read of the DS1000Z guide p.2-136 and DHO guide 3.28.5: the source, RAW
    // mode, BYTE format, then the data in batches between :WAVeform:STARt and :STOP.
    if (const Status sent = sendAll({":WAVeform:SOURce CHANnel" + QByteArray::number(channel),
            ":WAVeform:MODE RAW", ":WAVeform:FORMat BYTE"});
        !sent) {
        return sent.failure();
    }
    const Result<double> perDivision = voltsPerDivision(channel);
    if (!perDivision) {
        return perDivision.failure();
    }
    // :WAVeform:PREamble? (DS1000Z guide p.2-140, DHO guide 3.28.14): format, type, points,
    // count, xincrement, xorigin, xreference, yincrement, yorigin, yreference; 0 is BYTE
    // among the formats (1 WORD, 2 ASC).
    const Result<WaveformPreamble> preamble
        = waveformPreamble(0, "BYTE", QStringLiteral(": set the memory depth lower or to AUTO"));
    if (!preamble) {
        return preamble.failure();
    }
    const Result<QByteArray> codes = readInPieces(qint64(preamble->points), kPointsPerRead,
        [this](qint64 first, qint64 n) -> Result<QByteArray> {
            // :WAVeform:STARt and :STOP count the points from 1, both included.
            const qint64 start = first + 1;
            const qint64 stop = first + n;
            if (const Status sent = sendAll({":WAVeform:STARt " + QByteArray::number(start),
                    ":WAVeform:STOP " + QByteArray::number(stop)});
                !sent) {
                return sent.failure();
            }
            // The TMC header "#9" + nine digits of byte count (DS1000Z guide p.2-136), the
            // data, and the end identifier the DHO guide 3.28 names (a line end; the DS1000Z
            // guide does not say: it is taken if it comes).
            return queryExactBlock(":WAVeform:DATA?", n,
                QStringLiteral(" for points %1 to %2").arg(start).arg(stop), {QByteArray(), 1});
        });
    if (!codes) {
        return codes.failure();
    }

    // "(0x8E - YORigin - YREFerence) x YINCrement" (DS1000Z-E guide p.2-181, DHO guide 3.28).
    // The time of point i is (i - xreference)·xincrement + xorigin: derived from the
    // preamble's field descriptions, the guides print no formula for it.
    TraceScale scale;
    scale.voltsPerCode = preamble->yIncrement;
    scale.voltsAtCodeZero = -(preamble->yOrigin + preamble->yReference) * preamble->yIncrement;
    scale.interval = preamble->xIncrement;
    scale.firstTime = preamble->xOrigin - preamble->xReference * preamble->xIncrement;
    scale.lowestCode = kLowestCode;
    scale.highestCode = kHighestCode;
    scale.screenVolts = commands().verticalDivisions * *perDivision;
    return unsignedByteTrace(*codes, scale);
}

Status RigolScope::resumeRunning()
{
    if (m_savedSweep) {
        if (const Status sent = send(":TRIGger:SWEep " + *m_savedSweep); !sent) {
            return sent;
        }
        m_savedSweep.reset();
    }
    return send(":RUN");
}

} // namespace

std::unique_ptr<Scope> makeRigolScope(
    std::unique_ptr<ScpiTransport> transport, ScopeFamily family, QByteArray identification)
{
    return std::make_unique<RigolScope>(std::move(transport), family, std::move(identification));
}
