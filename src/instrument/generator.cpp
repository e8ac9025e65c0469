// The SCPI generators over TCP:
// - Siglent SDG1000X/SDG2000X: the SDG Series Programming Guide's "BSWV" and "OUTP"; their
//   pages were not seen, the syntax is the community's (consistent across many scripts);
//   port 5025 also the community's.
// - Rigol DG800/DG900/DG1000Z: DG900 Series Programming Guide (PGB10100-1110), DG1000Z
//   Programming Guide (PGB09103-1110), DG800 Programming Guide for the [:SOURce[<n>]] form;
//   the APPLy:SINusoid page of the DG800/DG900 was not seen, its syntax is the DG1000Z's as
//   the community quotes it. Port 5555 as for Rigol's scopes (community).
// - Keysight 33500B: the 33500 Series Operating and Service Guide (OUTPut p.264) and the
//   33250A User's Guide for APPLy? (p.145, p.152); port 5025, Keysight's SCPI socket.

#include "generator.h"

#include "generatordrivers.h"
#include "replytext.h"
#include "scpitransport.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace {

struct GeneratorEntry
{
    GeneratorFamily family;
    const char *name;
    const char *maker; // matched without regard to case, as the model
    const char *model;
};

constexpr GeneratorEntry kGenerators[] = {
    {GeneratorFamily::SiglentSdg, "Siglent SDG1000X/SDG2000X", "^SIGLENT", "^SDG\\d"},
    {GeneratorFamily::RigolDg, "Rigol DG800/DG900/DG1000Z", "^RIGOL",
        "^DG(8\\d{2}|9\\d{2}|1\\d{3}Z)"},
    {GeneratorFamily::Keysight33500, "Keysight 33500B", "^(KEYSIGHT|AGILENT)", "^335\\d\\d"},
    {GeneratorFamily::FeelTech, "FeelTech FY6800/FY6900", "", ""},
    {GeneratorFamily::Jds6600, "JDS6600", "", ""},
};

// The SCPI ports tried for an address without one: Siglent's and Keysight's, then Rigol's.
constexpr quint16 kGeneratorPorts[] = {5025, 5555};

QByteArray numberText(double value)
{
    return QByteArray::number(value, 'g', 12);
}

class ScpiGenerator : public LinkedGenerator
{
public:
    using LinkedGenerator::LinkedGenerator;

    Result<double> setSine(double frequencyHz, double amplitudeVpp) override
    {
        if (!(frequencyHz > 0) || !std::isfinite(frequencyHz) || !(amplitudeVpp > 0)
            || !std::isfinite(amplitudeVpp)) {
            return transport().failure(QStringLiteral("cannot set a sine of %1 Hz and %2 Vpp")
                                           .arg(frequencyHz)
                                           .arg(amplitudeVpp));
        }
        if (const Status sent = transport().send(sineCommand(frequencyHz, amplitudeVpp)); !sent) {
            return sent.failure();
        }
        const QByteArray query = frequencyQuery();
        const Result<QByteArray> reply = transport().query(query);
        if (!reply) {
            return reply.failure();
        }
        const std::optional<double> frequency = frequencyOf(*reply);
        if (!frequency || !(*frequency > 0)) {
            return transport().failure(QStringLiteral("%1 answered %2, expected the frequency")
                                           .arg(quotedReply(query), quotedReply(*reply)));
        }
        // A generator that took another frequency than asked, beyond its resolution, did not
        // take the command.
        if (std::abs(*frequency - frequencyHz) > 1e-4 * frequencyHz) {
            return transport().failure(
                QStringLiteral("set to %1 Hz, it reports %2 Hz (%3 answered %4)")
                    .arg(frequencyHz, 0, 'g', 10)
                    .arg(*frequency, 0, 'g', 10)
                    .arg(quotedReply(query), quotedReply(*reply)));
        }
        return *frequency;
    }

    Status outputOn() override { return transport().send(outputOnCommand()); }

    Status waitForCompletion() override
    {
        // *OPC? answers 1 once every command before it is done (IEEE 488.2); Siglent's may
        // repeat the header: "*OPC 1".
        const Result<QByteArray> reply = transport().query("*OPC?");
        if (!reply) {
            return reply.failure();
        }
        if (!reply->trimmed().endsWith('1')) {
            return transport().failure(
                QStringLiteral("'*OPC?' answered %1, expected 1").arg(quotedReply(*reply)));
        }
        return success();
    }

protected:
    virtual QByteArray sineCommand(double frequencyHz, double amplitudeVpp) const = 0;
    virtual QByteArray frequencyQuery() const = 0;
    virtual std::optional<double> frequencyOf(const QByteArray &reply) const = 0;
    virtual QByteArray outputOnCommand() const = 0;
};

class SiglentGenerator : public ScpiGenerator
{
public:
    using ScpiGenerator::ScpiGenerator;

protected:
    QByteArray sineCommand(double frequencyHz, double amplitudeVpp) const override
    {
        return "C1:BSWV WVTP,SINE,FRQ," + numberText(frequencyHz) + ",AMP,"
            + numberText(amplitudeVpp) + ",OFST,0,PHSE,0";
    }
    QByteArray frequencyQuery() const override { return "C1:BSWV?"; }
    // "C1:BSWV WVTP,SINE,FRQ,1000HZ,PERI,0.001S,AMP,2.775V,…": key and value in turn.
    std::optional<double> frequencyOf(const QByteArray &reply) const override
    {
        const QList<QByteArray> fields = replyFields(reply);
        for (int i = 0; i + 1 < fields.size(); ++i) {
            if (fields[i].toUpper() == "FRQ") {
                return replyQuantity(fields[i + 1], "HZ");
            }
        }
        return std::nullopt;
    }
    QByteArray outputOnCommand() const override { return "C1:OUTP ON"; }
};

class RigolGenerator : public ScpiGenerator
{
public:
    using ScpiGenerator::ScpiGenerator;

protected:
    QByteArray sineCommand(double frequencyHz, double amplitudeVpp) const override
    {
        return ":SOURce1:APPLy:SINusoid " + numberText(frequencyHz) + "," + numberText(amplitudeVpp)
            + ",0,0";
    }
    QByteArray frequencyQuery() const override { return ":SOURce1:APPLy?"; }
    // "SIN,1.000000E+03,2.000000E+00,0.000000E+00,0.000000E+00" between double quotes.
    std::optional<double> frequencyOf(const QByteArray &reply) const override
    {
        QByteArray text = reply.trimmed();
        if (text.startsWith('"') && text.endsWith('"') && text.size() >= 2) {
            text = text.mid(1, text.size() - 2);
        }
        const QList<QByteArray> fields = replyFields(text);
        if (fields.size() < 2 || !fields[0].toUpper().startsWith("SIN")) {
            return std::nullopt;
        }
        return replyNumber(fields[1]);
    }
    QByteArray outputOnCommand() const override { return ":OUTPut1 ON"; }
};

class KeysightGenerator : public ScpiGenerator
{
public:
    using ScpiGenerator::ScpiGenerator;

protected:
    QByteArray sineCommand(double frequencyHz, double amplitudeVpp) const override
    {
        return "SOURce1:APPLy:SINusoid " + numberText(frequencyHz) + "," + numberText(amplitudeVpp)
            + ",0";
    }
    QByteArray frequencyQuery() const override { return "SOURce1:APPLy?"; }
    // "SIN +5.0000000000000E+03,+3.0000000000000E+00,-2.5000000000000E+00" between double
    // quotes.
    std::optional<double> frequencyOf(const QByteArray &reply) const override
    {
        QByteArray text = reply.trimmed();
        if (text.startsWith('"') && text.endsWith('"') && text.size() >= 2) {
            text = text.mid(1, text.size() - 2);
        }
        if (!text.toUpper().startsWith("SIN ")) {
            return std::nullopt;
        }
        const QList<QByteArray> fields = replyFields(text.mid(4));
        return fields.isEmpty() ? std::nullopt : replyNumber(fields[0]);
    }
    QByteArray outputOnCommand() const override { return "OUTPut1 ON"; }
};

} // namespace

QString generatorFamilyName(GeneratorFamily family)
{
    for (const GeneratorEntry &entry : kGenerators) {
        if (entry.family == family) {
            return QString::fromLatin1(entry.name);
        }
    }
    return {};
}

std::optional<GeneratorFamily> generatorFamilyOf(const QByteArray &identification)
{
    const QList<QByteArray> fields = replyFields(identification);
    if (fields.size() < 2) {
        return std::nullopt;
    }
    for (const GeneratorEntry &entry : kGenerators) {
        if (*entry.maker == '\0') {
            continue;
        }
        const QRegularExpression maker(
            QString::fromLatin1(entry.maker), QRegularExpression::CaseInsensitiveOption);
        const QRegularExpression model(
            QString::fromLatin1(entry.model), QRegularExpression::CaseInsensitiveOption);
        if (maker.match(QString::fromLatin1(fields[0])).hasMatch()
            && model.match(QString::fromLatin1(fields[1])).hasMatch()) {
            return entry.family;
        }
    }
    return std::nullopt;
}

Result<std::unique_ptr<Generator>> connectGenerator(
    const QString &address, std::chrono::milliseconds timeout)
{
    const QString serialPrefix = QStringLiteral("serial:");
    if (address.startsWith(serialPrefix)) {
        return connectSerialGenerator(address.mid(serialPrefix.size()), timeout);
    }
    QString host = address;
    std::vector<quint16> ports(std::begin(kGeneratorPorts), std::end(kGeneratorPorts));
    const qsizetype colon = address.lastIndexOf(QLatin1Char(':'));
    if (colon > 0 && address.indexOf(QLatin1Char(':')) == colon) {
        bool ok = false;
        const uint port = address.mid(colon + 1).toUInt(&ok);
        if (!ok || port == 0 || port > 65535) {
            return Failure {QStringLiteral("generator %1: not a port number: %2")
                                .arg(address, address.mid(colon + 1))};
        }
        host = address.left(colon);
        ports = {quint16(port)};
    }
    Result<std::unique_ptr<ScpiTransport>> connected
        = ScpiTransport::connectFirst(QStringLiteral("generator"), host, ports, timeout);
    if (!connected) {
        return connected.failure();
    }
    std::unique_ptr<ScpiTransport> transport = std::move(connected).value();
    const Result<QByteArray> identification = transport->query("*IDN?");
    if (!identification) {
        return identification.failure();
    }
    const std::optional<GeneratorFamily> family = generatorFamilyOf(*identification);
    if (!family) {
        QStringList known;
        for (const GeneratorEntry &entry : kGenerators) {
            known << QString::fromLatin1(entry.name);
        }
        return transport->failure(
            QStringLiteral("'*IDN?' answered %1, which is no generator this program knows (it "
                           "knows %2)")
                .arg(quotedReply(*identification, 80), known.join(QStringLiteral(", "))));
    }
    switch (*family) {
    case GeneratorFamily::SiglentSdg:
        return std::unique_ptr<Generator>(
            new SiglentGenerator(std::move(transport), *family, *identification));
    case GeneratorFamily::RigolDg:
        return std::unique_ptr<Generator>(
            new RigolGenerator(std::move(transport), *family, *identification));
    case GeneratorFamily::Keysight33500:
        return std::unique_ptr<Generator>(
            new KeysightGenerator(std::move(transport), *family, *identification));
    case GeneratorFamily::FeelTech:
    case GeneratorFamily::Jds6600:
        break;
    }
    return transport->failure(QStringLiteral("a serial generator answered over TCP"));
}

LinkedGenerator::LinkedGenerator(
    std::unique_ptr<ScpiTransport> transport, GeneratorFamily family, QByteArray identification)
    : m_transport(std::move(transport))
    , m_family(family)
    , m_identification(std::move(identification))
{ }

QString LinkedGenerator::family() const
{
    return generatorFamilyName(m_family);
}

QString LinkedGenerator::identification() const
{
    return identificationText(m_identification);
}

QString LinkedGenerator::name() const
{
    return m_transport->name();
}
