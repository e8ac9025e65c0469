#ifndef SCOPE_H
#define SCOPE_H

#include "result.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

// One channel of one acquisition, as the scope's memory holds it.
struct Trace
{
    std::vector<double> time; // seconds from the trigger, evenly spaced
    std::vector<double> volts;
    bool clipped = false; // a sample at either end of the converter's range
    double screenFraction = 0; // peak to peak as a part of the screen's height
};

// An oscilloscope family's way of being driven, the same for every family: what a sweep
// needs from it and nothing more. Every call waits for the instrument with the transport's
// timeout and returns a Failure that names the scope, the command and what came back.
class Scope
{
public:
    virtual ~Scope() = default;

    // "Rigol DS1000Z", as messages and saved captures name the family.
    virtual QString family() const = 0;
    // What *IDN? answered, made printable.
    virtual QString identification() const = 0;
    // "scope 127.0.0.1:5555".
    virtual QString name() const = 0;

    // Sets the timebase so that the record holds at least 20 periods of `frequencyHz`. The
    // first change of a setting keeps its old value for restore().
    virtual Status prepare(double frequencyHz) = 0;
    // One acquisition of the channels: a single trigger, then waits until the scope has
    // stopped, so that every channel read afterwards comes from the same sweep.
    virtual Status acquire(const std::vector<int> &channels) = 0;
    // A channel of the last acquisition, from the scope's memory, in volts at times.
    virtual Result<Trace> readChannel(int channel) = 0;

    virtual double secondsPerDivision() const = 0;
    virtual Result<double> voltsPerDivision(int channel) = 0;
    // Sets a channel's scale and returns the one the scope took (it may round or limit it).
    virtual Result<double> setVoltsPerDivision(int channel, double voltsPerDivision) = 0;

    // Puts back every setting changed since connecting (timebase, volts per division) and
    // leaves the scope running. Tries every step even when one fails; returns the first
    // failure.
    virtual Status restore() = 0;
};

// The families this program drives, each with the makers' models it stands for.
enum class ScopeFamily {
    RigolDs1000z,
    RigolDho,
    RigolMso5000,
    KeysightInfiniiVision,
    RohdeSchwarzRtb,
    SiglentXE,
    SiglentHd,
    TektronixTbs,
    TektronixMso,
};

// The family of a scope from its answer to *IDN? (maker and model fields, never the
// firmware); empty for a scope this program does not know.
std::optional<ScopeFamily> scopeFamilyOf(const QByteArray &identification);
QString scopeFamilyName(ScopeFamily family);
// The raw SCPI socket port the family listens on by default.
quint16 defaultScopePort(ScopeFamily family);
// The ports tried, in this order, for an address without one.
std::vector<quint16> scopePorts();

// Connects, asks *IDN? and gives the family's driver. `port` 0 tries scopePorts() in turn.
Result<std::unique_ptr<Scope>> connectScope(const QString &host, quint16 port,
    std::chrono::milliseconds timeout = std::chrono::milliseconds(10000));

#endif // SCOPE_H
