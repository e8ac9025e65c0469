#ifndef GENERATOR_H
#define GENERATOR_H

#include "result.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

// A signal generator's way of being driven, the same for every family: its first channel as
// the sine that feeds the measuring bench.
class Generator
{
public:
    virtual ~Generator() = default;

    virtual QString family() const = 0;
    // What the generator answered to its identification query, made printable.
    virtual QString identification() const = 0;
    // "generator 127.0.0.1:5025", "generator /dev/ttyUSB0".
    virtual QString name() const = 0;

    // A sine of `frequencyHz` and `amplitudeVpp` volts peak to peak without offset on the
    // first channel. Returns the frequency the generator reports it has set, which may differ
    // from the one asked for by its resolution.
    virtual Result<double> setSine(double frequencyHz, double amplitudeVpp) = 0;
    virtual Status outputOn() = 0;
    // Returns once the generator has done every command sent so far.
    virtual Status waitForCompletion() = 0;
};

enum class GeneratorFamily { SiglentSdg, RigolDg, Keysight33500, FeelTech, Jds6600 };

QString generatorFamilyName(GeneratorFamily family);
// The family of a SCPI generator from its answer to *IDN?; empty for one this program does
// not know. The serial generators answer other queries (see connectGenerator).
std::optional<GeneratorFamily> generatorFamilyOf(const QByteArray &identification);

// Connects to "host", "host:port" (SCPI over TCP; without a port 5025 and then 5555 are
// tried) or "serial:/dev/ttyUSB0" (FeelTech FY6800/FY6900 or JDS6600, told apart by which
// identification query they answer) and gives the family's driver.
Result<std::unique_ptr<Generator>> connectGenerator(
    const QString &address, std::chrono::milliseconds timeout = std::chrono::milliseconds(10000));

#endif // GENERATOR_H
