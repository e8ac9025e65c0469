// Tektronix TBS2000 and MDO/MSO, from the makers' manuals: the TBS2000 Series Programmer
// (077-1149-02): "Headers in Query Responses" p.6, "CURVe" p.88, "*IDN?" p.162,
// "WFMInpre:YMUlt" p.254; the MDO4000/B/C, MSO/DPO4000B and MDO3000 Programmer Manual:
// "Scaling Waveform Data" p.2-101, DATa:ENCdg p.2-148; the TDS200/1000/2000 Programmer Manual
// for the single sequence and *OPC? ("Status and Events" p.3-11). The socket port 4000 is the
// community's (the TBS2000 manual's "Using a Socket Server" was not seen), and so are the
// pages of HORizontal:SCAle, HORizontal:RECOrdlength?, CH<x>:SCAle and SELect:CH<x>.

#include "replytext.h"
#include "scopedrivers.h"

namespace {

// Ten horizontal divisions; eight vertical ones of 25 digitising levels each for 8-bit data
// (TBS2000 p.254: 40 mV a level is "1V/div for 8-bit data").
constexpr ScopeCommands kCommands
    = {10, 8, "HORizontal:SCAle %1", "HORizontal:SCAle?", "CH%1:SCAle %2", "CH%1:SCAle?", "", ""};

// RIBinary with one byte a point: signed, -128 to 127 (DATa:ENCdg, MSO4000 p.2-148).
constexpr long kLowestCode = -128;
constexpr long kHighestCode = 127;

class TektronixScope : public ScpiScope
{
public:
    TektronixScope(
        std::unique_ptr<ScpiTransport> transport, ScopeFamily family, QByteArray identification)
        : ScpiScope(std::move(transport), family, std::move(identification), kCommands)
    { }

    Status prepare(double frequencyHz) override;
    Status acquire(const std::vector<int> &channels) override;
    Result<Trace> readChannel(int channel) override;

protected:
    Status resumeRunning() override;

private:
    Status headersOff();
    bool m_headersOff = false;
    bool m_headersWereOn = false;
};

Status TektronixScope::headersOff()
{
    // With headers on a query answers "CH1:COUPLING DC"; off, "DC" (TBS2000 p.6). The state
    // found ("1", or ":HEADER 1" with headers on) is given back by restore().
    if (m_headersOff) {
        return success();
    }
    const Result<QByteArray> state = transport().query("HEADer?");
    if (!state) {
        return state.failure();
    }
    m_headersWereOn = state->trimmed().endsWith('1') || state->trimmed().toUpper().endsWith("ON");
    if (const Status sent = send("HEADer OFF"); !sent) {
        return sent;
    }
    m_headersOff = true;
    return success();
}

Status TektronixScope::prepare(double frequencyHz)
{
    if (const Status off = headersOff(); !off) {
        return off;
    }
    return ScpiScope::prepare(frequencyHz);
}

Status TektronixScope::acquire(const std::vector<int> &channels)
{
    if (const Status off = headersOff(); !off) {
        return off;
    }
    // "If the waveform specified by DATa:SOUrce is not displayed, the CURVe? query returns
    // nothing" (TDS2000 family p.2-84): every channel read is shown.
    for (const int channel : channels) {
        if (const Status sent = send("SELect:CH" + QByteArray::number(channel) + " ON"); !sent) {
            return sent;
        }
    }
    // A single sequence; "To check for the completion of a single sequence acquisition, use
    // the *OPC? query" (TDS2000 p.2-178).
    if (const Status sent = sendAll({"ACQuire:STOPAfter SEQuence", "ACQuire:STATE ON"}); !sent) {
        return sent;
    }
    const Result<QByteArray> done = transport().query("*OPC?");
    if (!done) {
        return done.failure();
    }
    if (done->trimmed() != "1") {
        return unexpected("*OPC?", *done, QStringLiteral("1"));
    }
    return success();
}

Result<Trace> TektronixScope::readChannel(int channel)
{
    if (const Status off = headersOff(); !off) {
        return off.failure();
    }
    const Result<double> length = queryNumber("HORizontal:RECOrdlength?");
    if (!length) {
        return length.failure();
    }
    if (!(*length >= 1) || *length > double(kLongestRecord)) {
        return failure(QStringLiteral("'HORizontal:RECOrdlength?' gave %1 points; this program "
                                      "reads 1 to %2")
                           .arg(*length)
                           .arg(kLongestRecord));
    }
    if (const Status sent
        = sendAll({"DATa:SOUrce CH" + QByteArray::number(channel), "DATa:ENCdg RIBinary",
            "DATa:WIDth 1", "DATa:STARt 1", "DATa:STOP " + QByteArray::number(qint64(*length))});
        !sent) {
        return sent.failure();
    }
    const Result<double> perDivision = voltsPerDivision(channel);
    if (!perDivision) {
        return perDivision.failure();
    }
    // The WFMOutpre fields one by one.
    const Result<std::array<double, 7>> preamble = queryEach(
        {{"WFMOutpre:NR_Pt?"}, {"WFMOutpre:XINcr?"}, {"WFMOutpre:XZEro?"}, {"WFMOutpre:PT_Off?"},
            {"WFMOutpre:YMUlt?"}, {"WFMOutpre:YOFf?"}, {"WFMOutpre:YZEro?"}});
    if (!preamble) {
        return preamble.failure();
    }
    const auto [points, xIncrement, xZero, pointOffset, yMultiplier, yOffset, yZero] = *preamble;
    if (!isRecordLength(points) || !(xIncrement > 0) || yMultiplier == 0) {
        return failure(QStringLiteral("the scope gave %1 points, an x increment of %2 s and a "
                                      "y multiplier of %3: not a waveform this program reads")
                           .arg(points)
                           .arg(xIncrement)
                           .arg(yMultiplier));
    }
    // "#<x><yyy><data><newline>" (TBS2000 p.88).
    const auto count = qint64(points);
    const Result<QByteArray> block = queryExactBlock(
        "CURVe?", count, QStringLiteral("; WFMOutpre:NR_Pt announced %1").arg(count));
    if (!block) {
        return block.failure();
    }
    // "value_in_YUNits = ((curve_in_dl - YOFF_in_dl) * YMUlt) + YZERO_in_YUNits" (TBS2000
    // p.254, MSO4000 p.2-484) and X_n = XZEro + XINcr·(n − PT_Off) (TDS family; the MDO3000
    // form XZEro + XINcr·(i − 1) with i from 1 is the same with PT_Off 0). Which of the two
    // the TBS2000 follows is unconfirmed; with PT_Off 0 they agree.
    TraceScale scale;
    scale.voltsPerCode = yMultiplier;
    scale.voltsAtCodeZero = yZero - yOffset * yMultiplier;
    scale.interval = xIncrement;
    scale.firstTime = xZero - pointOffset * xIncrement;
    scale.lowestCode = kLowestCode;
    scale.highestCode = kHighestCode;
    scale.screenVolts = kCommands.verticalDivisions * *perDivision;
    return signedByteTrace(*block, scale);
}

Status TektronixScope::resumeRunning()
{
    if (const Status sent = sendAll({"ACQuire:STOPAfter RUNSTop", "ACQuire:STATE RUN"}); !sent) {
        return sent;
    }
    if (m_headersOff && m_headersWereOn) {
        if (const Status sent = send("HEADer ON"); !sent) {
            return sent;
        }
    }
    m_headersOff = false;
    return success();
}

} // namespace

std::unique_ptr<Scope> makeTektronixScope(
    std::unique_ptr<ScpiTransport> transport, ScopeFamily family, QByteArray identification)
{
    return std::make_unique<TektronixScope>(
        std::move(transport), family, std::move(identification));
}
