#include "livemeasure.h"

#include "capturemeasurement.h"
#include "commandline.h"
#include "generator.h"
#include "livesweep.h"
#include "savedcapture.h"
#include "scope.h"
#include "units.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <new>
#include <tuple>

#include <signal.h>

namespace {

// More points than this is a typing error rather than a sweep: at a second or two a point
// it would take hours.
constexpr int kMostSweepPoints = 10000;
// A reply may take a day at most; beyond that the timeout is no number of milliseconds a
// wait can be given.
constexpr double kLongestTimeoutSeconds = 86400;
constexpr int kHighestChannel = 99;
// Any finite number, for texts that are judged after they are read.
constexpr double kAnyNumber = 1e300;
// The generator's sine, volts peak to peak: a level every generator gives, about a
// milliwatt into Z0 and the antenna, which the scope's scales are then changed to show well.
constexpr double kAmplitudeVpp = 1;

QString megahertzText(double hertz)
{
    return QString::number(hertz / kHertzPerMegahertz, 'g', 9);
}

// Megahertz as hertz to the millihertz: 14.1 + 3 × 0.025 MHz is 14.175000000000001 in
// binary, and a generator is set to 14175000 Hz.
double hertzOf(double megahertz)
{
    return std::round(megahertz * kHertzPerMegahertz * 1e3) / 1e3;
}

Failure usage(const QString &message)
{
    return Failure {message};
}

// "HOST", "HOST:PORT", "[v6]:PORT"; an address of several colons without brackets is an
// IPv6 address without a port.
std::optional<ScopeAddress> scopeAddress(const QString &text)
{
    ScopeAddress address;
    std::optional<QString> portText;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        const QString rest = text.mid(close + 1);
        if (close < 0 || (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':')))) {
            return std::nullopt;
        }
        address.host = text.mid(1, close - 1);
        if (!rest.isEmpty()) {
            portText = rest.mid(1);
        }
    } else if (text.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        address.host = text.left(colon);
        portText = text.mid(colon + 1);
    } else {
        address.host = text;
    }
    if (address.host.isEmpty()
        || std::any_of(
            address.host.begin(), address.host.end(), [](QChar c) { return c.isSpace(); })) {
        return std::nullopt;
    }
    if (portText) {
        bool ok = false;
        const uint port = portText->toUInt(&ok);
        if (!ok || port == 0 || port > 65535) {
            return std::nullopt;
        }
        address.port = quint16(port);
    }
    return address;
}

// A scope's channel as users name it: "2", "CH2", "C2" (any case).
std::optional<int> channelNumber(const QString &text)
{
    QString digits = text.trimmed().toLower();
    if (digits.startsWith(QLatin1String("ch"))) {
        digits = digits.mid(2);
    } else if (digits.startsWith(QLatin1Char('c'))) {
        digits = digits.mid(1);
    }
    if (digits.isEmpty() || digits.size() > 2
        || !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); })) {
        return std::nullopt;
    }
    const int channel = digits.toInt();
    if (channel < 1 || channel > kHighestChannel) {
        return std::nullopt;
    }
    return channel;
}

// The saved capture's settings: the instruments, their identifications and settings.
std::vector<std::pair<QString, QString>> captureSettings(
    const Scope &scope, const Generator *generator, const LivePoint &point, const LiveRequest &live)
{
    const auto withoutRole
        = [](const QString &name) { return name.mid(name.indexOf(QLatin1Char(' ')) + 1); };
    std::vector<std::pair<QString, QString>> settings {
        {QStringLiteral("Saved by"),
            QStringLiteral("%1 %2").arg(
                QCoreApplication::applicationName(), QCoreApplication::applicationVersion())},
        {QStringLiteral("Date"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate)},
        {QStringLiteral("Scope"), scope.family()},
        {QStringLiteral("Scope identification"), scope.identification()},
        {QStringLiteral("Scope address"), withoutRole(scope.name())}};
    if (generator) {
        settings.emplace_back(QStringLiteral("Generator"), generator->family());
        settings.emplace_back(
            QStringLiteral("Generator identification"), generator->identification());
        settings.emplace_back(QStringLiteral("Generator address"), withoutRole(generator->name()));
    }
    if (point.frequencyHz > 0) {
        // Every digit, so that the capture read back is fitted at the very same frequency.
        settings.emplace_back(QStringLiteral("Measuring frequency (Hz)"),
            QString::number(point.frequencyHz, 'f', QLocale::FloatingPointShortest));
    }
    settings.insert(settings.end(), point.settings.begin(), point.settings.end());
    settings.emplace_back(
        QStringLiteral("Reference"), QStringLiteral("CH%1").arg(live.referenceChannel));
    settings.emplace_back(QStringLiteral("V_x"), QStringLiteral("CH%1").arg(live.vxChannel));
    return settings;
}

// What ended the instruments' work, said for the user: a stop asked for as an interruption.
Failure ended(const Failure &failure, const LiveObserver &observer)
{
    const QString stopped = QStringLiteral("stopped");
    if (!observer.stopRequested || !observer.stopRequested()
        || !failure.message.startsWith(stopped)) {
        return failure;
    }
    // What follows "stopped" is what restoring the scope said, where it failed.
    const QString restoring = failure.message.mid(stopped.size());
    return Failure {restoring.isEmpty()
            ? QStringLiteral("interrupted; the scope has its settings back and runs again")
            : QStringLiteral("interrupted") + restoring};
}

// The live options that need --scope, given without it.
Status withoutScope(const LiveArguments &a)
{
    if (a.generator) {
        return usage(QStringLiteral("--generator needs --scope HOST[:PORT], the scope that "
                                    "takes the channels"));
    }
    if (a.sweep || a.points) {
        return usage(QStringLiteral("--%1 needs --generator and --scope")
                         .arg(a.sweep ? QStringLiteral("sweep") : QStringLiteral("points")));
    }
    for (const auto &[given, option] : {std::pair {a.timeout.has_value(), "--timeout"},
             {a.saveCaptures.has_value(), "--save-captures"}, {a.keepGoing, "--keep-going"}}) {
        if (given) {
            return usage(QStringLiteral("%1 is for measuring with the instruments: give "
                                        "--scope HOST")
                             .arg(QLatin1String(option)));
        }
    }
    return success();
}

// The channel `option` names, or `byDefault` where it is not given.
Result<int> channelOption(const std::optional<QString> &given, const char *option, int byDefault)
{
    if (!given) {
        return byDefault;
    }
    const std::optional<int> number = channelNumber(*given);
    if (!number) {
        return usage(QStringLiteral("%1 wants a channel of the scope with --scope: 2, CH2 or C2 "
                                    "(1 to %2), not '%3'")
                         .arg(QLatin1String(option))
                         .arg(kHighestChannel)
                         .arg(*given));
    }
    return *number;
}

// --timeout's seconds as the wait for every reply: at least a millisecond, a day at most,
// so that the count fits.
Result<std::chrono::milliseconds> timeoutOf(const QString &text)
{
    double seconds = 0;
    if (!numberIn(text, 0, kLongestTimeoutSeconds, &seconds) || !(seconds > 0)) {
        return usage(QStringLiteral("--timeout wants seconds above 0, up to %1, not '%2'")
                         .arg(kLongestTimeoutSeconds)
                         .arg(text));
    }
    return std::chrono::milliseconds(std::max(1LL, std::llround(seconds * 1e3)));
}

// The frequencies a generator is set to: the sweep's, or the one --freq gives.
Result<std::vector<double>> generatorFrequencies(const LiveArguments &a)
{
    if (a.sweep) {
        if (a.frequencyMHz > 0) {
            return usage(QStringLiteral("--freq and --sweep exclude each other"));
        }
        return sweepFrequencies(*a.sweep, a.points);
    }
    if (a.points) {
        return usage(QStringLiteral("--points needs --sweep START:STOP"));
    }
    if (a.frequencyMHz > 0) {
        return std::vector<double> {hertzOf(a.frequencyMHz)};
    }
    return usage(QStringLiteral("--generator needs --sweep START:STOP:STEP in MHz (or --freq "
                                "for one frequency)"));
}

// The frequency of the scope alone: none, or the one --freq gives. A sweep needs a generator.
Result<std::vector<double>> scopeAloneFrequencies(const LiveArguments &a)
{
    if (a.sweep || a.points) {
        return usage(QStringLiteral("--%1 needs --generator HOST[:PORT] or serial:/dev/ttyUSB0, "
                                    "which sets each frequency")
                         .arg(a.sweep ? QStringLiteral("sweep") : QStringLiteral("points")));
    }
    if (a.keepGoing) {
        return usage(QStringLiteral("--keep-going is for a sweep: --generator and --sweep"));
    }
    if (a.frequencyMHz > 0) {
        return std::vector<double> {hertzOf(a.frequencyMHz)};
    }
    return std::vector<double>();
}

void tell(const LiveObserver &observer, const QString &message, bool note)
{
    if (observer.message) {
        observer.message(message, note);
    }
}

struct Instruments
{
    std::unique_ptr<Scope> scope;
    std::unique_ptr<Generator> generator; // none for the scope alone
};

// The scope, and the generator where one is asked for, connected and named for --verbose.
Result<Instruments> connectInstruments(const LiveRequest &live, const LiveObserver &observer)
{
    Result<std::unique_ptr<Scope>> scope
        = connectScope(live.scope.host, live.scope.port, live.timeout);
    if (!scope) {
        return scope.failure();
    }
    Instruments instruments;
    instruments.scope = std::move(*scope);
    if (!live.generator.isEmpty()) {
        Result<std::unique_ptr<Generator>> connected
            = connectGenerator(live.generator, live.timeout);
        if (!connected) {
            return connected.failure();
        }
        instruments.generator = std::move(*connected);
    }
    const Scope &s = *instruments.scope;
    tell(observer, QStringLiteral("%1: %2, '%3'").arg(s.name(), s.family(), s.identification()),
        true);
    if (const Generator *g = instruments.generator.get()) {
        tell(observer,
            QStringLiteral("%1: %2, '%3'").arg(g->name(), g->family(), g->identification()), true);
    }
    return instruments;
}

// What the instruments gave: the acquisitions, and with keepGoing what ended a sweep early.
struct Taken
{
    std::vector<LivePoint> points;
    std::optional<Failure> stoppedBy;
};

// The sweep the generator steps through, or the one acquisition of the scope alone.
Result<Taken> takePoints(
    const Instruments &instruments, const LiveRequest &live, const LiveObserver &observer)
{
    LiveSweepOptions options;
    options.referenceChannel = live.referenceChannel;
    options.vxChannel = live.vxChannel;
    options.amplitudeVpp = kAmplitudeVpp;
    options.keepGoing = live.keepGoing;
    options.stopRequested = observer.stopRequested;
    Taken taken;
    if (!instruments.generator) {
        Result<LivePoint> point = liveAcquisition(*instruments.scope,
            live.frequenciesHz.empty() ? 0 : live.frequenciesHz.front(), options);
        if (!point) {
            return ended(point.failure(), observer);
        }
        taken.points.push_back(std::move(*point));
        return taken;
    }
    QElapsedTimer clock;
    clock.start();
    Result<LiveSweep> sweep = liveSweep(*instruments.scope, *instruments.generator,
        live.frequenciesHz, options, [&](int done, int total, double frequencyHz) {
            if (observer.progress) {
                observer.progress(progressText(done, total, frequencyHz, clock.elapsed()));
            }
        });
    if (!sweep) {
        return ended(sweep.failure(), observer);
    }
    taken.points = std::move(sweep->points);
    if (sweep->stoppedBy) {
        taken.stoppedBy = ended(*sweep->stoppedBy, observer);
    }
    return taken;
}

// The point saved as a new capture file in the request's folder; the file's path.
Result<QString> savePoint(
    const Instruments &instruments, const LivePoint &point, const LiveRequest &live)
{
    const QString fileName = point.frequencyHz > 0
        ? megahertzText(point.frequencyHz) + QStringLiteral("MHz.csv")
        : QStringLiteral("capture.csv");
    return writeNewFile(live.captureDirectory, fileName,
        savedCaptureCsv(
            captureSettings(*instruments.scope, instruments.generator.get(), point, live),
            live.referenceChannel, live.vxChannel, point.capture));
}

// The point measured as a capture file is, named `name`; a failure that names it. The fit's
// warning is told as it comes.
Result<MeasuredCapture> fitPoint(const LivePoint &point, const QString &name,
    const MeasureRequest &request, const Corrections &corrections, const LiveObserver &observer)
{
    // The generator's frequency is the one to fit at; for the scope alone the one --freq
    // gives, or else the capture's own.
    const double frequencyMHz = point.frequencyHz > 0 ? point.frequencyHz / kHertzPerMegahertz : 0;
    Result<FittedMeasurement> fitted = measureCaptureWithSines(
        point.capture, frequencyMHz, request.sourceImpedance, corrections);
    if (!fitted) {
        return Failure {name + QStringLiteral(": ") + fitted.error()};
    }
    if (!fitted->measurement.warning.isEmpty()) {
        tell(observer, name + QStringLiteral(": ") + fitted->measurement.warning, false);
    }
    // The samples and sines, for a picture only: a run without one keeps none.
    std::shared_ptr<const CaptureTrace> trace;
    if (request.keepTraces) {
        trace = std::make_shared<const CaptureTrace>(CaptureTrace {point.capture, fitted->sines});
    }
    return MeasuredCapture {name, std::move(fitted->measurement), std::move(trace)};
}

} // namespace

Result<std::vector<double>> sweepFrequencies(
    const QString &text, const std::optional<QString> &points)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    const Failure wrong = usage(QStringLiteral("--sweep wants START:STOP:STEP in MHz, or "
                                               "START:STOP with --points N, not '%1'")
                                    .arg(text));
    if (parts.size() != 2 && parts.size() != 3) {
        return wrong;
    }
    double start = 0;
    double stop = 0;
    for (const auto &[part, value] : {std::pair {&parts[0], &start}, {&parts[1], &stop}}) {
        if (!numberIn(*part, -kAnyNumber, kAnyNumber, value)) {
            return wrong;
        }
        if (!(*value >= kLowestFrequencyMHz && *value <= kHighestFrequencyMHz)) {
            return usage(QStringLiteral("--sweep: %1 MHz is outside 0.001 (1 kHz) to 10000 "
                                        "(10 GHz)")
                             .arg(*part));
        }
    }
    if (!(start < stop)) {
        return usage(QStringLiteral("--sweep: START must be below STOP, not %1").arg(text));
    }
    double count = 0;
    double step = 0;
    if (parts.size() == 3) {
        if (points) {
            return usage(
                QStringLiteral("--points goes with --sweep START:STOP, not with a STEP too"));
        }
        if (!numberIn(parts[2], -kAnyNumber, kAnyNumber, &step)) {
            return wrong;
        }
        if (!(step > 0)) {
            return usage(QStringLiteral("--sweep: STEP must be above 0, not %1").arg(parts[2]));
        }
        // STOP counts where the steps reach it within the rounding of decimal steps.
        count = std::floor((stop - start) / step * (1 + 1e-9)) + 1;
    } else {
        if (!points) {
            return usage(QStringLiteral("--sweep START:STOP needs --points N (or a STEP: "
                                        "START:STOP:STEP)"));
        }
        if (!numberIn(*points, 2, kMostSweepPoints, &count) || count != std::floor(count)) {
            return usage(QStringLiteral("--points wants a whole number from 2 to %1, not '%2'")
                             .arg(kMostSweepPoints)
                             .arg(*points));
        }
        step = (stop - start) / (count - 1);
    }
    if (!(count <= kMostSweepPoints)) {
        return usage(QStringLiteral("--sweep %1 gives %2 points, more than %3")
                         .arg(text)
                         .arg(count, 0, 'g', 12)
                         .arg(kMostSweepPoints));
    }
    std::vector<double> hertz;
    for (int k = 0; k < int(count); ++k) {
        const double megahertz = k + 1 == int(count) && parts.size() == 2 ? stop : start + k * step;
        hertz.push_back(hertzOf(megahertz));
    }
    return hertz;
}

Result<std::optional<LiveRequest>> liveRequestFrom(const LiveArguments &a)
{
    if (!a.scope) {
        if (const Status alone = withoutScope(a); !alone) {
            return alone.failure();
        }
        return std::optional<LiveRequest>();
    }
    if (a.captures) {
        return usage(QStringLiteral("captures and --scope exclude each other: measure files, or "
                                    "the scope"));
    }
    LiveRequest live;
    const std::optional<ScopeAddress> address = scopeAddress(*a.scope);
    if (!address) {
        return usage(
            QStringLiteral("--scope wants HOST or HOST:PORT (a port from 1 to 65535), not '%1'")
                .arg(*a.scope));
    }
    live.scope = *address;
    const Result<int> reference = channelOption(a.reference, "--ref", live.referenceChannel);
    if (!reference) {
        return reference.failure();
    }
    const Result<int> vx = channelOption(a.vx, "--vx", live.vxChannel);
    if (!vx) {
        return vx.failure();
    }
    if (*reference == *vx) {
        return usage(QStringLiteral("--ref and --vx name the same channel, CH%1").arg(*reference));
    }
    live.referenceChannel = *reference;
    live.vxChannel = *vx;
    if (a.timeout) {
        const Result<std::chrono::milliseconds> timeout = timeoutOf(*a.timeout);
        if (!timeout) {
            return timeout.failure();
        }
        live.timeout = *timeout;
    }
    if (a.generator && a.generator->trimmed().isEmpty()) {
        return usage(QStringLiteral("--generator wants HOST, HOST:PORT or serial:/dev/ttyUSB0"));
    }
    Result<std::vector<double>> frequencies
        = a.generator ? generatorFrequencies(a) : scopeAloneFrequencies(a);
    if (!frequencies) {
        return frequencies.failure();
    }
    live.generator = a.generator.value_or(QString());
    live.frequenciesHz = std::move(*frequencies);
    live.keepGoing = a.keepGoing;
    if (a.saveCaptures) {
        if (a.saveCaptures->isEmpty()) {
            return usage(QStringLiteral("--save-captures wants a folder"));
        }
        live.captureDirectory = *a.saveCaptures;
    }
    return std::optional<LiveRequest>(live);
}

QString progressText(int done, int total, double frequencyHz, qint64 elapsedMs)
{
    QString left;
    if (done >= total) {
        left = QStringLiteral("done");
    } else if (done > 0 && elapsedMs >= 0) {
        // The points to come take as long as those done, on average.
        const double seconds = double(elapsedMs) / 1e3 / done * (total - done);
        left = seconds < 120 ? QStringLiteral("%1 s left").arg(std::ceil(seconds))
                             : QStringLiteral("%1 min left").arg(std::ceil(seconds / 60));
    }
    return QStringLiteral("%1 MHz, point %2 of %3%4")
        .arg(megahertzText(frequencyHz))
        .arg(done)
        .arg(total)
        .arg(left.isEmpty() ? QString() : QStringLiteral(", ") + left);
}

Result<LiveOutcome> measureLive(
    const LiveRequest &live, const MeasureRequest &request, const LiveObserver &observer)
{
    const Result<Instruments> instruments = connectInstruments(live, observer);
    if (!instruments) {
        return instruments.failure();
    }
    Result<Taken> taken = takePoints(*instruments, live, observer);
    if (!taken) {
        return taken.failure();
    }
    LiveOutcome outcome;
    outcome.stoppedBy = taken->stoppedBy;
    const Corrections corrections {request.calibration ? &*request.calibration : nullptr,
        request.line ? &*request.line : nullptr};
    const QString scopeName = instruments->scope->name();
    for (const LivePoint &point : taken->points) {
        for (const QString &note : point.notes) {
            tell(observer, scopeName + QStringLiteral(": ") + note, true);
        }
        QString name = scopeName;
        if (!live.captureDirectory.isEmpty()) {
            const Result<QString> saved = savePoint(*instruments, point, live);
            if (saved) {
                name = *saved;
            } else {
                tell(observer, saved.error(), false);
                ++outcome.failures;
            }
        }
        try {
            Result<MeasuredCapture> measured
                = fitPoint(point, name, request, corrections, observer);
            if (!measured) {
                tell(observer, measured.error(), false);
                ++outcome.failures;
                continue;
            }
            outcome.measured.push_back(std::move(*measured));
        } catch (const std::bad_alloc &) {
            tell(observer, name + QStringLiteral(": not enough memory to fit it"), false);
            ++outcome.failures;
        }
    }
    return outcome;
}

// ---- Signals.

namespace {

// The one thing a signal handler may touch: a flag of this type. It is the process's by
// nature, as signals are; only StopOnSignals sets it up and reads it.
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void onStopSignal(int number)
{
    stopSignal = number;
}

} // namespace

struct StopOnSignals::Saved
{
    struct sigaction interrupt;
    struct sigaction terminate;
};

StopOnSignals::StopOnSignals()
    : m_saved(std::make_unique<Saved>())
{
    stopSignal = 0;
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // Waits go on after the signal: the sweep asks the flag between its steps. The handler
    // stays for further signals (`timeout` sends its signal to the program and again to
    // its process group), so that the scope is always given back, within one --timeout.
    action.sa_flags = SA_RESTART;
    for (const auto &[number, saved] :
        {std::pair {SIGINT, &m_saved->interrupt}, {SIGTERM, &m_saved->terminate}}) {
        // A signal ignored by whoever started the program (nohup, a background job) stays
        // ignored.
        sigaction(number, nullptr, saved);
        if (saved->sa_handler != SIG_IGN) {
            sigaction(number, &action, nullptr);
        }
    }
}

StopOnSignals::~StopOnSignals()
{
    sigaction(SIGINT, &m_saved->interrupt, nullptr);
    sigaction(SIGTERM, &m_saved->terminate, nullptr);
}

bool StopOnSignals::requested() const
{
    return stopSignal != 0;
}
