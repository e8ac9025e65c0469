// The generators on a USB serial line, each with its own line protocol:
// - FeelTech/FeelElec FY6900 (and FY6800, whose own protocol document was not found): the
//   "FY6900 Series … Host Computer Communication Protocol" Rev 1.8: 115200 bps, every command
//   ended by 0x0a, "The execution machine will reply 0x0a after command executed"; WMW, WMF,
//   WMA, WMO, WMN write the main channel, RMF reads its frequency. The value formats (WMF in
//   Hz with six decimals, WMA in volts) and the identification UMO are the community's.
// - JDS6600 (Joy-IT JT-JDS6600): the "JT-JDS6600 Communication Protocol": 115200 8N1, ":" +
//   w/r + function number + "=" + data + "." + CR LF; "w23=25786,0." sets channel 1 to
//   257.86 Hz; "w20=1,1." switches the outputs. The ":ok" reply, the registers beyond 20 and
//   23 and the identification r00 are the community's.

#include "generatordrivers.h"
#include "replytext.h"
#include "scpitransport.h"

#include <QStringList>

#include <cmath>

namespace {

constexpr qint32 kBaudRate = 115200;
// How long an unknown generator may take to answer the other family's identification.
constexpr std::chrono::milliseconds kProbeTimeout {600};

// No generator of these gives more than a few tens of volts: a larger amplitude is a mistake,
// and one that would not fit the protocols' whole numbers.
constexpr double kLargestAmplitudeVpp = 1000;

class SerialGenerator : public LinkedGenerator
{
public:
    using LinkedGenerator::LinkedGenerator;
    // Both answer each command once it is done.
    Status waitForCompletion() override { return success(); }

protected:
    // A sine these generators can give: a finite frequency above 0 and an amplitude up to
    // what their output stage delivers.
    Status usableSine(double frequencyHz, double amplitudeVpp) const
    {
        if (frequencyHz > 0 && std::isfinite(frequencyHz) && amplitudeVpp > 0
            && amplitudeVpp <= kLargestAmplitudeVpp) {
            return success();
        }
        return transport().failure(QStringLiteral("cannot set a sine of %1 Hz and %2 Vpp")
                                       .arg(frequencyHz)
                                       .arg(amplitudeVpp));
    }

    // A write command and its reply, which must be `expected`.
    Status write(const QByteArray &command, const QByteArray &expected)
    {
        const Result<QByteArray> reply = transport().query(command);
        if (!reply) {
            return reply.failure();
        }
        if (*reply != expected) {
            return transport().failure(
                QStringLiteral("%1 answered %2, expected %3")
                    .arg(quotedReply(command), quotedReply(*reply), quotedReply(expected)));
        }
        return success();
    }
};

class FeelTechGenerator : public SerialGenerator
{
public:
    using SerialGenerator::SerialGenerator;

    Result<double> setSine(double frequencyHz, double amplitudeVpp) override
    {
        if (const Status usable = usableSine(frequencyHz, amplitudeVpp); !usable) {
            return usable.failure();
        }
        // Waveform 0 is the sine; the reply to a write is an empty line.
        for (const QByteArray &command :
            {QByteArray("WMW0"), "WMF" + QByteArray::number(frequencyHz, 'f', 6),
                "WMA" + QByteArray::number(amplitudeVpp, 'f', 4), QByteArray("WMO0")}) {
            if (const Status written = write(command, QByteArray()); !written) {
                return written.failure();
            }
        }
        // The unit of RMF's reply is not in the protocol document: the community reads hertz
        // and one library's comment says micro-hertz. Whichever matches what was set is it.
        const Result<QByteArray> reply = transport().query("RMF");
        if (!reply) {
            return reply.failure();
        }
        const std::optional<double> value = replyNumber(*reply);
        if (value) {
            for (const double hertzPerUnit : {1.0, 1e-6}) {
                const double frequency = *value * hertzPerUnit;
                if (std::abs(frequency - frequencyHz) <= 1e-6 * frequencyHz + 1e-6) {
                    return frequency;
                }
            }
        }
        return transport().failure(QStringLiteral("set to %1 Hz, 'RMF' answered %2")
                                       .arg(frequencyHz, 0, 'f', 6)
                                       .arg(quotedReply(*reply)));
    }

    Status outputOn() override { return write("WMN1", QByteArray()); }
};

class JdsGenerator : public SerialGenerator
{
public:
    using SerialGenerator::SerialGenerator;

    Result<double> setSine(double frequencyHz, double amplitudeVpp) override
    {
        if (const Status usable = usableSine(frequencyHz, amplitudeVpp); !usable) {
            return usable.failure();
        }
        // Channel 1's frequency in hundredths of the unit, unit 0 being the hertz.
        const double centihertz = std::round(frequencyHz * 100);
        if (!(centihertz < 1e12)) {
            return transport().failure(
                QStringLiteral("cannot set %1 Hz").arg(frequencyHz, 0, 'g', 10));
        }
        // 21: waveform (0 the sine), 23: frequency, 25: amplitude in mV, 27: offset in
        // hundredths of a volt above -10 V (1000 is none).
        for (const QByteArray &command :
            {QByteArray(":w21=0."), ":w23=" + QByteArray::number(qint64(centihertz)) + ",0.",
                ":w25=" + QByteArray::number(qint64(std::round(amplitudeVpp * 1000))) + ".",
                QByteArray(":w27=1000.")}) {
            if (const Status written = write(command, ":ok"); !written) {
                return written.failure();
            }
        }
        // ":r23=0." → ":r23=25786,0.".
        const QByteArray query = ":r23=0.";
        const Result<QByteArray> reply = transport().query(query);
        if (!reply) {
            return reply.failure();
        }
        const QByteArray text = reply->trimmed();
        if (text.startsWith(":r23=") && text.endsWith(",0.")) {
            if (const std::optional<double> value = replyNumber(text.mid(5, text.size() - 8))) {
                return *value / 100;
            }
        }
        return transport().failure(QStringLiteral("%1 answered %2, expected ':r23=<hundredths "
                                                  "of a hertz>,0.'")
                                       .arg(quotedReply(query), quotedReply(*reply)));
    }

    // Channel 1 on, channel 2 off.
    Status outputOn() override { return write(":w20=1,0.", ":ok"); }
};

} // namespace

Result<std::unique_ptr<Generator>> connectSerialGenerator(
    const QString &path, std::chrono::milliseconds timeout)
{
    auto opened = ScpiTransport::openSerial(
        QStringLiteral("generator"), path, kBaudRate, std::min(timeout, kProbeTimeout));
    if (!opened) {
        return opened.failure();
    }
    std::unique_ptr<ScpiTransport> transport = std::move(opened).value();
    QStringList tried;

    // FeelTech: "UMO" → "FY6900-60M".
    const Result<QByteArray> model = transport->query("UMO");
    if (model && (model->startsWith("FY6900") || model->startsWith("FY6800"))) {
        transport->setTimeout(timeout);
        return std::unique_ptr<Generator>(
            new FeelTechGenerator(std::move(transport), GeneratorFamily::FeelTech, *model));
    }
    tried << (model ? QStringLiteral("'UMO' answered %1").arg(quotedReply(*model))
                    : QStringLiteral("no reply to 'UMO'"));

    // JDS6600: ":r00=0." → ":r00=<model code>.", lines ended by CR LF.
    transport->setLineEnd("\r\n");
    const Result<QByteArray> code = transport->query(":r00=0.");
    if (code && code->startsWith(":r00=") && code->endsWith('.')) {
        transport->setTimeout(timeout);
        return std::unique_ptr<Generator>(
            new JdsGenerator(std::move(transport), GeneratorFamily::Jds6600, *code));
    }
    tried << (code ? QStringLiteral("':r00=0.' answered %1").arg(quotedReply(*code))
                   : QStringLiteral("no reply to ':r00=0.'"));
    return transport->failure(
        QStringLiteral("no FeelTech FY6800/FY6900 nor JDS6600 answers there (%1)")
            .arg(tried.join(QStringLiteral(", "))));
}
