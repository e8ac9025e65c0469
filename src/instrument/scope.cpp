#include "scope.h"

#include "replytext.h"
#include "scopedrivers.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>

namespace {

// How each family is known by its answer to *IDN?: the maker's field and the start of the
// model's, matched without regard to case, in this order (the Siglent HD models before the
// older ones whose names they extend). The raw SCPI socket ports are those the makers
// document where the notes found them (Keysight, and Rohde & Schwarz for its instruments in
// general: 5025) and the community's otherwise (Rigol 5555, Siglent 5025, Tektronix 4000).
struct FamilyEntry
{
    ScopeFamily family;
    const char *name;
    const char *maker;
    const char *model;
    quint16 port;
};

constexpr FamilyEntry kFamilies[] = {
    {ScopeFamily::RigolDs1000z, "Rigol DS1000Z", "^RIGOL", "^(DS|MSO)1\\d{3}Z", 5555},
    {ScopeFamily::RigolDho, "Rigol DHO800/DHO900", "^RIGOL", "^DHO[89]\\d{2}", 5555},
    {ScopeFamily::RigolMso5000, "Rigol MSO5000", "^RIGOL", "^MSO5\\d{3}", 5555},
    {ScopeFamily::KeysightInfiniiVision, "Keysight InfiniiVision X", "^(KEYSIGHT|AGILENT)",
        "^((DSO|MSO)-?X ?\\d|EDUX)", 5025},
    {ScopeFamily::RohdeSchwarzRtb, "Rohde & Schwarz RTB2000/RTM3000", "^ROHDE ?& ?SCHWARZ",
        "^(RTB2|RTM3|RTA4)", 5025},
    {ScopeFamily::SiglentHd, "Siglent SDS800X HD/SDS1000X HD/SDS2000X Plus", "^SIGLENT",
        "^SDS\\d+X(\\s*HD|\\s*PLUS|\\+)", 5025},
    {ScopeFamily::SiglentXE, "Siglent SDS1000X-E/SDS2000X-E", "^SIGLENT", "^SDS\\d", 5025},
    {ScopeFamily::TektronixTbs, "Tektronix TBS2000", "^TEKTRONIX", "^TBS2", 4000},
    {ScopeFamily::TektronixMso, "Tektronix MDO/MSO", "^TEKTRONIX", "^(MDO[34]|MSO[2-6]|DPO[45])",
        4000},
};

const FamilyEntry &entryOf(ScopeFamily family)
{
    for (const FamilyEntry &entry : kFamilies) {
        if (entry.family == family) {
            return entry;
        }
    }
    return kFamilies[0];
}

QString knownFamilies()
{
    QStringList names;
    for (const FamilyEntry &entry : kFamilies) {
        names << QString::fromLatin1(entry.name);
    }
    return names.join(QStringLiteral(", "));
}

QByteArray numberText(double value)
{
    return QByteArray::number(value, 'g', 9);
}

} // namespace

std::optional<ScopeFamily> scopeFamilyOf(const QByteArray &identification)
{
    QByteArray text = identification.trimmed();
    // Siglent's older scopes may repeat the command's header: "*IDN SIGLENT,SDS1202X-E,…".
    if (text.startsWith("*IDN ")) {
        text = text.mid(5).trimmed();
    }
    QList<QByteArray> fields = replyFields(text);
    // As the Siglent guide prints its example, without the comma after the maker:
    // "*IDN SIGLENT SDS1102CML,SDS00002110025,3.01.01.22".
    if (!fields.isEmpty() && fields[0].toUpper().startsWith("SIGLENT SDS")) {
        const qsizetype blank = fields[0].indexOf(' ');
        fields.insert(1, fields[0].mid(blank + 1).trimmed());
        fields[0] = fields[0].left(blank);
    }
    if (fields.size() < 2) {
        return std::nullopt;
    }
    const QString maker = QString::fromLatin1(fields[0]);
    const QString model = QString::fromLatin1(fields[1]);
    for (const FamilyEntry &entry : kFamilies) {
        const QRegularExpression makerPattern(
            QString::fromLatin1(entry.maker), QRegularExpression::CaseInsensitiveOption);
        const QRegularExpression modelPattern(
            QString::fromLatin1(entry.model), QRegularExpression::CaseInsensitiveOption);
        if (makerPattern.match(maker).hasMatch() && modelPattern.match(model).hasMatch()) {
            return entry.family;
        }
    }
    return std::nullopt;
}

QString scopeFamilyName(ScopeFamily family)
{
    return QString::fromLatin1(entryOf(family).name);
}

quint16 defaultScopePort(ScopeFamily family)
{
    return entryOf(family).port;
}

std::vector<quint16> scopePorts()
{
    std::vector<quint16> ports;
    for (const FamilyEntry &entry : kFamilies) {
        if (std::find(ports.begin(), ports.end(), entry.port) == ports.end()) {
            ports.push_back(entry.port);
        }
    }
    return ports;
}

Result<std::unique_ptr<Scope>> connectScope(
    const QString &host, quint16 port, std::chrono::milliseconds timeout)
{
    Result<std::unique_ptr<ScpiTransport>> connected
        = ScpiTransport::connectFirst(QStringLiteral("scope"), host,
            port != 0 ? std::vector<quint16> {port} : scopePorts(), timeout);
    if (!connected) {
        return connected.failure();
    }
    std::unique_ptr<ScpiTransport> transport = std::move(connected).value();
    const Result<QByteArray> identification = transport->query("*IDN?");
    if (!identification) {
        return identification.failure();
    }
    const std::optional<ScopeFamily> family = scopeFamilyOf(*identification);
    if (!family) {
        return transport->failure(
            QStringLiteral("'*IDN?' answered %1, which is no oscilloscope this program knows "
                           "(it knows %2)")
                .arg(quotedReply(*identification, 80), knownFamilies()));
    }
    switch (*family) {
    case ScopeFamily::RigolDs1000z:
    case ScopeFamily::RigolDho:
    case ScopeFamily::RigolMso5000:
        return makeRigolScope(std::move(transport), *family, *identification);
    case ScopeFamily::KeysightInfiniiVision:
        return makeKeysightScope(std::move(transport), *identification);
    case ScopeFamily::RohdeSchwarzRtb:
        return makeRohdeSchwarzScope(std::move(transport), *identification);
    case ScopeFamily::SiglentXE:
        return makeSiglentXEScope(std::move(transport), *identification);
    case ScopeFamily::SiglentHd:
        return makeSiglentHdScope(std::move(transport), *identification);
    case ScopeFamily::TektronixTbs:
    case ScopeFamily::TektronixMso:
        return makeTektronixScope(std::move(transport), *family, *identification);
    }
    return transport->failure(QStringLiteral("no driver for this family"));
}

ScpiScope::ScpiScope(std::unique_ptr<ScpiTransport> transport, ScopeFamily family,
    QByteArray identification, const ScopeCommands &commands)
    : m_transport(std::move(transport))
    , m_family(family)
    , m_identification(std::move(identification))
    , m_commands(commands)
{ }

QString ScpiScope::family() const
{
    return scopeFamilyName(m_family);
}

QString ScpiScope::identification() const
{
    return identificationText(m_identification);
}

QString ScpiScope::name() const
{
    return m_transport->name();
}

Failure ScpiScope::unexpected(
    const QByteArray &command, const QByteArray &reply, const QString &expected) const
{
    return failure(QStringLiteral("%1 answered %2, expected %3")
                       .arg(quotedReply(command, 60), quotedReply(reply), expected));
}

Status ScpiScope::sendAll(std::initializer_list<QByteArray> commands)
{
    for (const QByteArray &command : commands) {
        if (const Status sent = send(command); !sent) {
            return sent;
        }
    }
    return success();
}

Result<double> ScpiScope::queryNumber(const QByteArray &command, const char *unit)
{
    const Result<QByteArray> reply = m_transport->query(command);
    if (!reply) {
        return reply.failure();
    }
    const std::optional<double> value = replyQuantity(*reply, unit);
    if (!value) {
        return unexpected(command, *reply, QStringLiteral("a number"));
    }
    return *value;
}

Result<std::vector<double>> ScpiScope::queryNumbers(
    const QByteArray &command, int count, const QString &expected)
{
    const Result<QByteArray> reply = m_transport->query(command);
    if (!reply) {
        return reply.failure();
    }
    const QList<QByteArray> fields = replyFields(*reply);
    std::vector<double> values;
    for (const QByteArray &field : fields) {
        if (const std::optional<double> value = replyNumber(field)) {
            values.push_back(*value);
        }
    }
    if (fields.size() != count || int(values.size()) != count) {
        return unexpected(command, *reply, expected);
    }
    return values;
}

Status ScpiScope::pollUntil(const QByteArray &command,
    const std::function<bool(const QByteArray &)> &done, const QString &waitingFor)
{
    QDeadlineTimer deadline(m_transport->timeout());
    // Often at first, when a fast acquisition is nearly done, then every 10 ms: a real scope
    // answers a status query in about a millisecond, and a finished acquisition is noticed
    // at most 10 ms late.
    unsigned long pause = 1;
    for (;;) {
        const Result<QByteArray> reply = m_transport->query(command);
        if (!reply) {
            return reply.failure();
        }
        if (done(*reply)) {
            return success();
        }
        if (deadline.hasExpired()) {
            return failure(QStringLiteral("%1 still answered %2 after %3: %4")
                               .arg(quotedReply(command, 60), quotedReply(*reply),
                                   secondsText(m_transport->timeout().count()), waitingFor));
        }
        QThread::msleep(pause);
        pause = std::min(pause * 2, 10UL);
    }
}

Status ScpiScope::waitUntilStopped(
    const QByteArray &command, const std::function<bool(const QByteArray &)> &stopped)
{
    QElapsedTimer sinceTrigger;
    sinceTrigger.start();
    bool armed = false;
    return pollUntil(
        command,
        [&](const QByteArray &reply) {
            if (!stopped(reply)) {
                armed = true;
                return false;
            }
            return armed || sinceTrigger.elapsed() >= kArmingGrace.count();
        },
        QStringLiteral("the acquisition did not end; is the scope triggered by the reference "
                       "channel, and the generator on?"));
}

Status ScpiScope::prepare(double frequencyHz)
{
    if (!(frequencyHz > 0) || !std::isfinite(frequencyHz)) {
        return failure(
            QStringLiteral("cannot set a timebase for a frequency of %1 Hz").arg(frequencyHz));
    }
    const double wanted
        = oneTwoFiveAtLeast(kPeriodsPerRecord / frequencyHz / m_commands.horizontalDivisions);
    if (m_secondsPerDivision <= 0) {
        const Result<double> current
            = queryNumber(m_commands.timebaseQuery, m_commands.secondsUnit);
        if (!current) {
            return current.failure();
        }
        m_secondsPerDivision = *current;
    }
    if (std::abs(m_secondsPerDivision - wanted) <= 1e-6 * wanted) {
        return success();
    }
    if (!m_savedSecondsPerDivision) {
        m_savedSecondsPerDivision = m_secondsPerDivision;
    }
    const QByteArray command = QString::fromLatin1(m_commands.setTimebase)
                                   .arg(QLatin1String(numberText(wanted)))
                                   .toLatin1();
    if (const Status sent = send(command); !sent) {
        return sent;
    }
    const Result<double> taken = queryNumber(m_commands.timebaseQuery, m_commands.secondsUnit);
    if (!taken) {
        return taken.failure();
    }
    if (!(*taken > 0)) {
        return unexpected(m_commands.timebaseQuery, numberText(*taken),
            QStringLiteral("a timebase above 0 s/div"));
    }
    m_secondsPerDivision = *taken;
    return success();
}

Result<double> ScpiScope::voltsPerDivision(int channel)
{
    const auto known = m_voltsPerDivision.find(channel);
    if (known != m_voltsPerDivision.end()) {
        return known->second;
    }
    const QByteArray command
        = QString::fromLatin1(m_commands.voltsPerDivisionQuery).arg(channel).toLatin1();
    const Result<double> value = queryNumber(command, m_commands.voltsUnit);
    if (!value) {
        return value;
    }
    if (!(*value > 0)) {
        return unexpected(command, numberText(*value), QStringLiteral("a scale above 0 V/div"));
    }
    m_voltsPerDivision[channel] = *value;
    return *value;
}

Result<double> ScpiScope::setVoltsPerDivision(int channel, double voltsPerDivision)
{
    const Result<double> current = this->voltsPerDivision(channel);
    if (!current) {
        return current;
    }
    if (m_savedVoltsPerDivision.find(channel) == m_savedVoltsPerDivision.end()) {
        m_savedVoltsPerDivision[channel] = *current;
    }
    const QByteArray command = QString::fromLatin1(m_commands.setVoltsPerDivision)
                                   .arg(channel)
                                   .arg(QLatin1String(numberText(voltsPerDivision)))
                                   .toLatin1();
    if (const Status sent = send(command); !sent) {
        return sent.failure();
    }
    m_voltsPerDivision.erase(channel);
    return this->voltsPerDivision(channel);
}

Status ScpiScope::restore()
{
    std::optional<Failure> first;
    const auto keep = [&first](const Status &status) {
        if (!status && !first) {
            first = status.failure();
        }
    };
    for (const auto &[channel, volts] : m_savedVoltsPerDivision) {
        keep(send(QString::fromLatin1(m_commands.setVoltsPerDivision)
                      .arg(channel)
                      .arg(QLatin1String(numberText(volts)))
                      .toLatin1()));
    }
    if (m_savedSecondsPerDivision) {
        keep(send(QString::fromLatin1(m_commands.setTimebase)
                      .arg(QLatin1String(numberText(*m_savedSecondsPerDivision)))
                      .toLatin1()));
    }
    keep(resumeRunning());
    // Every command above is done before the caller lets go of the scope.
    if (!first) {
        const Result<QByteArray> done = m_transport->query("*OPC?");
        if (!done) {
            keep(done.failure());
        }
    }
    if (first) {
        return *first;
    }
    // Given back: the scope's settings are its own again, and read afresh when needed.
    m_savedVoltsPerDivision.clear();
    m_savedSecondsPerDivision.reset();
    m_voltsPerDivision.clear();
    m_secondsPerDivision = 0;
    return success();
}
